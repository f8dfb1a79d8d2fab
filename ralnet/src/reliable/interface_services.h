#pragma once
// The reliable layer's view of a running interface: its pools, link, queues and own MAC.
#include "reliable/services.h"

struct J5Interface;

namespace ralnet::reliable {

class InterfaceServices final : public StackServices {
public:
    explicit InterfaceServices(J5Interface& iface) : iface_(iface) {}

    bool started() const override;
    bool udpSocketOpen() const override;
    void copyOwnMac(std::uint8_t* mac) const override;
    J5PacketObj* takePacket(std::size_t bytes, bool forced) override;
    void givePacket(J5PacketObj* packet) override;
    void transmit(J5PacketObj& packet) override;
    void awaitingAnswer() override;
    bool queueData(J5PacketObj* packet) override;
    bool queueError(J5PacketObj* packet) override;
    void signalError() override;
    std::uint16_t nextUnreliableCounter() override;

private:
    J5Interface& iface_;
};

// The interface's error queue as the error handler reads it. The error-handler thread takes
// the semaphore unit of a record itself before it hands over, so records are read with
// takeQueued(); waitRecord() is for a reader that has not waited yet.
class InterfaceErrorQueue final : public ErrorQueueReader {
public:
    explicit InterfaceErrorQueue(J5Interface& iface) : iface_(iface) {}

    J5PacketObj* waitRecord() override;
    J5PacketObj* takeQueued() override;
    bool stopping() const override;

private:
    J5Interface& iface_;
};

} // namespace ralnet::reliable
