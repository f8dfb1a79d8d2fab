// Class selection, message loading and event firing for received packets.
#include "event_delivery.h"

#include <array>
#include <new>

#include "kez/sys/trace.h"

namespace kez::linkor {
namespace {

using Raise = HRESULT (_IEndPointEvents::*)(const com::Ptr<com::Object>&);

struct Route {
    MessageClass messageClass;
    Raise raise;
};

constexpr std::array<Route, 10> kRoutes{{
    {MessageClass::RealTimeAudioMsg, &_IEndPointEvents::AudioReceived},
    {MessageClass::SystemStateMsg, &_IEndPointEvents::SystemStateReceived},
    {MessageClass::KzSetInitMsg, &_IEndPointEvents::KzSetInitReceived},
    {MessageClass::UIStateControlMsg, &_IEndPointEvents::KzSetUIStateControlReceived},
    {MessageClass::CallStateControlMsg, &_IEndPointEvents::KzSetCallStateControlReceived},
    {MessageClass::SlavePageCmdMsg, &_IEndPointEvents::SlavePageCmdReceived},
    {MessageClass::ReliableAudioMsg, &_IEndPointEvents::ReliableAudioReceived},
    {MessageClass::PlayDTMFMsg, &_IEndPointEvents::PlayDTMFMsgReceived},
    {MessageClass::LEDMappingMsg, &_IEndPointEvents::LEDMappingReceived},
    {MessageClass::CommandMsg, &_IEndPointEvents::SlaveCommandReceived},
}};

const Route* routeOf(MessageClass messageClass) {
    for (const auto& route : kRoutes) {
        if (route.messageClass == messageClass) return &route;
    }
    return nullptr;
}

std::uint16_t be16(const std::uint8_t* bytes) { return static_cast<std::uint16_t>(bytes[0] << 8 | bytes[1]); }

} // namespace

std::optional<MessageClass> controlClassOf(const J5PacketObj& packet) {
    if (!packet.headerRef || !packet.dataRef || packet.length < 2) return std::nullopt;
    return receivedMessageClass(be16(packet.headerRef), be16(packet.dataRef));
}

void EventDelivery::control(LentPacket packet) const {
    if (state_->closing) return;
    const auto messageClass = controlClassOf(*packet.get());
    if (!messageClass) {
        ++state_->dropped;
        sys::trace("linkor", "dropped a packet no event carries");
        return;
    }
    raise(*messageClass, std::move(packet));
}

void EventDelivery::audio(LentPacket packet) const {
    if (state_->closing) return;
    raise(MessageClass::RealTimeAudioMsg, std::move(packet));
}

// The packet goes back to Ralnet before the event fires, so a sink that closes the endpoint
// finds nothing of its own still pending.
void EventDelivery::raise(MessageClass messageClass, LentPacket packet) const {
    const Route* route = routeOf(messageClass);
    if (!route) return;
    com::Ptr<JIPMessageBase> message;
    try {
        message = makeMessage(messageClass);
    } catch (const std::bad_alloc&) {
        return;
    }
    message->LoadFromPacket(packet.get());
    packet.giveBack();
    const com::Ptr<com::Object> object = message;
    events_->fire([&](_IEndPointEvents& sink) { return (sink.*route->raise)(object); });
}

} // namespace kez::linkor
