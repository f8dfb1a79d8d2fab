#pragma once
// Turning packets Ralnet lent the endpoint into message objects and raising their events.
#include <cstdint>
#include <memory>
#include <optional>

#include "kez/com/connection_point.h"
#include "lent_packet.h"
#include "linkor/end_point.h"
#include "linkor/message_factory.h"

namespace kez::linkor {

using EndPointEvents = com::ConnectionPoint<_IEndPointEvents>;

// The class of a packet from the data queue: its packet type (J5 header word 0) and the
// JIPMessageType that begins its payload; nothing for a pair no event carries, a payload too
// short to name its type, or a packet without a header.
std::optional<MessageClass> controlClassOf(const J5PacketObj& packet);

class EventDelivery {
public:
    EventDelivery(std::shared_ptr<ReceiveState> state, std::shared_ptr<EndPointEvents> events)
        : state_(std::move(state)), events_(std::move(events)) {}

    // A packet of the data queue ("HR", "HU", "DL"): the event of its class. One no event
    // carries is given back and counted. Nothing is raised once the endpoint is closing.
    void control(LentPacket packet) const;
    // A packet of the audio queue ("HA"): AudioReceived.
    void audio(LentPacket packet) const;

private:
    void raise(MessageClass messageClass, LentPacket packet) const;

    std::shared_ptr<ReceiveState> state_;
    std::shared_ptr<EndPointEvents> events_;
};

} // namespace kez::linkor
