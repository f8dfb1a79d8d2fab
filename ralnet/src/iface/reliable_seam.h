#pragma once
// Where reliable delivery ("HR", "HI", "HH", "HY", "HE") plugs into an interface.
//
// makeReliableSide() is called once by J5InitConfiguration after the pools, queues, events
// and semaphores of the J5Interface exist and before any thread starts; returning null
// fails the configuration. The object is destroyed by J5Close after all seven threads have
// been joined and before the queues are emptied, so it must not keep packets of its own
// (give them back in its destructor). The three calls below run on one thread each:
//
//   receivedReliable(packet)  receive dispatcher, for every packet of the five reliable
//                             types. headerRef/length describe the whole J5 part (header
//                             included), pathFlags the link it came by (0x0001 and 0x0002,
//                             0x0004, 0x0080, or 0x0061 for UDP), tagControlWord the received
//                             tag (wire order), linkDestinationRef or udpSourceRef the sender.
//                             The packet is the callee's from then on (send it, queue it on
//                             transmitControlQueue + transmitControlEvent, or give it back).
//                             Application data goes on dataQueue with one dataSemaphore
//                             release per packet, payload described by dataRef/length.
//   transmitControlWake()     transmit-control thread, each time transmitControlEvent fires:
//                             by the dispatcher, or by the tick thread every tickPeriodMs
//                             after it set tickFlag (clear it before the retransmission scan)
//                             while tickArming is armed. Arm it (and signal tickEvent when it
//                             was not) when a head goes out that awaits its answer; a scan
//                             that finds none waiting disarms it, and the tick sleeps.
//   errorSignalled()          error-handler thread, each time it took one errorSemaphore unit:
//                             the error record and its held packets are then on errorQueue.
//
// Sending goes through sendToLink() (link_output.h); the tick is kez::sys::tickMs(); the
// stop event is set before any thread is joined, so a call may look at it to cut work short.
// J5ErrorReceiveObj is takeWhenReady(iface, iface.errorQueue, iface.errorSemaphore)
// (app_delivery.h); a "HU" sent by J5Send is built by the reliable side's send calls and
// numbered from the same running counter as sendUnreliable() (unreliable_send.h) uses.
//
// The UDP transport plugs in the same way (udp_link.h): its two receive loops run on the
// "j5-udp-rx" and "j5-mcast-rx" threads, received datagrams go to queueForDispatcher()
// (receive_input.h), and UDP-framed packets leave through sendToLink() as datagrams; sends on
// the IP path answer 0x8D00 while it has no send socket (iface.udp->canSend()).
#include "ralnet/j5.h"

#include <memory>

struct J5Interface;

namespace ralnet::iface {

class ReliableSide {
public:
    virtual ~ReliableSide() = default;
    virtual void receivedReliable(J5PacketObj& packet) = 0;
    virtual void transmitControlWake() = 0;
    virtual void errorSignalled() = 0;
};

std::unique_ptr<ReliableSide> makeReliableSide(J5Interface& iface);

} // namespace ralnet::iface
