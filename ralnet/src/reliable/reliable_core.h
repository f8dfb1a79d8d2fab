#pragma once
// Reliable delivery of one interface, all parts together. The interface's threads call in:
// the receive dispatcher with "HR" and "HI", the transmit-control thread with "HH", "HY", "HE"
// and after each tick, the error handler with the error queue; applications through the calls.
#include "reliable/config.h"
#include "reliable/error_handler.h"
#include "reliable/reliable_receiver.h"
#include "reliable/reliable_sender.h"
#include "reliable/send_calls.h"
#include "reliable/services.h"

#include <cstdint>

namespace ralnet::reliable {

class ReliableCore {
public:
    ReliableCore(const ReliableConfig& config, StackServices& services)
        : sender_(config, services), receiver_(config.connections, services), calls_(services, sender_),
          errorHandler_(services, sender_, config.deliverHeldPackets) {}

    // Receive dispatcher: an "HR" or "HI" with its payload position set.
    void fromPeer(J5PacketObj* packet) {
        if (receivedType(*packet) == J5_TYPE_HI) {
            receiver_.onConnect(packet);
        } else {
            receiver_.onData(packet);
        }
    }

    // Transmit control: a peer's "HH", "HY" or "HE", and the scan after a tick; false when no
    // head waits for an answer any more, so the tick may sleep until awaitingAnswer().
    void controlFromPeer(J5PacketObj* packet) { sender_.onControl(packet); }
    bool afterTick() { return sender_.retransmissionScan(); }

    // Channel parameters: flag 1 pins the send connection, flag 2 the receive connection.
    J5Result setChannelParameters(const std::uint8_t* mac, const J5ChannelParameters& parameters);

    ReliableSender& sender() { return sender_; }
    ReliableReceiver& receiver() { return receiver_; }
    SendCalls& calls() { return calls_; }
    ErrorHandler& errorHandler() { return errorHandler_; }

private:
    static std::uint16_t receivedType(const J5PacketObj& packet);

    ReliableSender sender_;
    ReliableReceiver receiver_;
    SendCalls calls_;
    ErrorHandler errorHandler_;
};

} // namespace ralnet::reliable
