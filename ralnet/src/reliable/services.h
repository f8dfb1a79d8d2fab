#pragma once
// What the reliable layer needs from the interface around it: pool objects, the link, the
// application and error queues, the own MAC. The interface supplies one implementation; tests
// supply a fake link.
#include "ralnet/j5.h"

#include <cstddef>
#include <cstdint>

namespace ralnet::reliable {

class StackServices {
public:
    virtual ~StackServices() = default;

    virtual bool started() const = 0;
    virtual bool udpSocketOpen() const = 0;
    virtual void copyOwnMac(std::uint8_t* mac) const = 0;

    // Null when the pools have nothing for the request (forced requests may use the reserve).
    virtual J5PacketObj* takePacket(std::size_t bytes, bool forced) = 0;
    virtual void givePacket(J5PacketObj* packet) = 0;

    // Puts the built packet on its link (Ethernet frame or UDP datagram) before returning. The
    // object is given back afterwards when its free-after-send bit is set; else it stays with
    // the caller, who may send it again.
    virtual void transmit(J5PacketObj& packet) = 0;
    // A head went out that waits for its answer: the retransmission scan must run on the tick
    // from now on. Between such calls the tick may sleep once a scan found nothing waiting.
    virtual void awaitingAnswer() = 0;

    // Application data queue and its semaphore; false when the queue is full.
    virtual bool queueData(J5PacketObj* packet) = 0;

    // Error queue, without signalling; false when the queue is full.
    virtual bool queueError(J5PacketObj* packet) = 0;
    // Releases the error semaphore once: one record is ready.
    virtual void signalError() = 0;

    // The running "HU" counter shared by every unreliable "HU" sender.
    virtual std::uint16_t nextUnreliableCounter() = 0;
};

// The error queue as the error handler reads it: the records wait on the semaphore, the held
// packets behind a record are taken without waiting.
class ErrorQueueReader {
public:
    virtual ~ErrorQueueReader() = default;
    // Blocks until a record is ready; null once the interface stops.
    virtual J5PacketObj* waitRecord() = 0;
    // The next queued packet without waiting; null when the queue is empty.
    virtual J5PacketObj* takeQueued() = 0;
    virtual bool stopping() const = 0;
};

} // namespace ralnet::reliable
