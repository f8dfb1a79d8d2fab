#pragma once
// Making message objects inside Linkor, and choosing the class of a received control
// packet from its packet type and the JIPMessageType word that begins its payload.
#include <cstdint>
#include <optional>
#include <string_view>

#include "kez/com/object.h"
#include "linkor/message_base.h"

namespace kez::linkor {

enum class MessageClass : std::uint8_t {
    SystemStateMsg,
    KzSetInitMsg,
    RealTimeAudioMsg,
    ReliableAudioMsg,
    UIStateControlMsg,
    CallStateControlMsg,
    LEDMappingMsg,
    PageCommandMsg,
    PlayDTMFMsg,
    CommandMsg,
    StatusMsg,
    UnsupportedFeatureMsg,
    KzSetEventMsg,
    SlavePageCmdMsg,
    ReportIPInfoMsg,
};

inline constexpr std::size_t kMessageClassCount = 15;

com::Ptr<JIPMessageBase> makeMessage(MessageClass messageClass);

// "UIStateControlMsg" for MessageClass::UIStateControlMsg.
std::string_view messageClassName(MessageClass messageClass);
const com::Guid& messageClassId(MessageClass messageClass);

// The class a received control packet ("HR" or "HU") becomes; nothing for a pair the set
// does not take (types it only sends included). Real-time audio comes by its own queue.
std::optional<MessageClass> receivedMessageClass(std::uint16_t packetType, std::uint16_t jipMessageType);

} // namespace kez::linkor
