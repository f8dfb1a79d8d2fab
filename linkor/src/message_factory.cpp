// The table of message classes: names, class identifiers, makers and received packet kinds.
#include "linkor/message_factory.h"

#include <array>

#include "linkor/identifiers.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

struct ClassEntry {
    MessageClass messageClass;
    std::string_view name;
    com::Guid clsid;
    com::Ptr<JIPMessageBase> (*make)();
};

constexpr std::array<ClassEntry, kMessageClassCount> kClasses{{
    {MessageClass::SystemStateMsg, "SystemStateMsg", kClsidSystemStateMsg, makeSystemStateMsg},
    {MessageClass::KzSetInitMsg, "KzSetInitMsg", kClsidKzSetInitMsg, makeKzSetInitMsg},
    {MessageClass::RealTimeAudioMsg, "RealTimeAudioMsg", kClsidRealTimeAudioMsg, makeRealTimeAudioMsg},
    {MessageClass::ReliableAudioMsg, "ReliableAudioMsg", kClsidReliableAudioMsg, makeReliableAudioMsg},
    {MessageClass::UIStateControlMsg, "UIStateControlMsg", kClsidUIStateControlMsg, makeUIStateControlMsg},
    {MessageClass::CallStateControlMsg, "CallStateControlMsg", kClsidCallStateControlMsg, makeCallStateControlMsg},
    {MessageClass::LEDMappingMsg, "LEDMappingMsg", kClsidLEDMappingMsg, makeLEDMappingMsg},
    {MessageClass::PageCommandMsg, "PageCommandMsg", kClsidPageCommandMsg, makePageCommandMsg},
    {MessageClass::PlayDTMFMsg, "PlayDTMFMsg", kClsidPlayDTMFMsg, makePlayDTMFMsg},
    {MessageClass::CommandMsg, "CommandMsg", kClsidCommandMsg, makeCommandMsg},
    {MessageClass::StatusMsg, "StatusMsg", kClsidStatusMsg, makeStatusMsg},
    {MessageClass::UnsupportedFeatureMsg, "UnsupportedFeatureMsg", kClsidUnsupportedFeatureMsg,
     makeUnsupportedFeatureMsg},
    {MessageClass::KzSetEventMsg, "KzSetEventMsg", kClsidKzSetEventMsg, makeKzSetEventMsg},
    {MessageClass::SlavePageCmdMsg, "SlavePageCmdMsg", kClsidSlavePageCmdMsg, makeSlavePageCmdMsg},
    {MessageClass::ReportIPInfoMsg, "ReportIPInfoMsg", kClsidReportIPInfoMsg, makeReportIPInfoMsg},
}};

const ClassEntry& entryOf(MessageClass messageClass) { return kClasses[static_cast<std::size_t>(messageClass)]; }

struct ReceivedKind {
    std::uint16_t packetType;
    std::uint16_t jipMessageType;
    MessageClass messageClass;
};

constexpr std::array<ReceivedKind, 9> kReceived{{
    {kPacketTypeHU, 0x0001, MessageClass::SystemStateMsg},
    {kPacketTypeHU, 0x0015, MessageClass::SlavePageCmdMsg},
    {kPacketTypeHR, 0x0011, MessageClass::CommandMsg},
    {kPacketTypeHR, 0x0012, MessageClass::PlayDTMFMsg},
    {kPacketTypeHR, 0x0083, MessageClass::ReliableAudioMsg},
    {kPacketTypeHR, 0x0201, MessageClass::KzSetInitMsg},
    {kPacketTypeHR, 0x0202, MessageClass::UIStateControlMsg},
    {kPacketTypeHR, 0x0203, MessageClass::CallStateControlMsg},
    {kPacketTypeHR, 0x0204, MessageClass::LEDMappingMsg},
}};

} // namespace

com::Ptr<JIPMessageBase> makeMessage(MessageClass messageClass) { return entryOf(messageClass).make(); }

std::string_view messageClassName(MessageClass messageClass) { return entryOf(messageClass).name; }

const com::Guid& messageClassId(MessageClass messageClass) { return entryOf(messageClass).clsid; }

std::optional<MessageClass> receivedMessageClass(std::uint16_t packetType, std::uint16_t jipMessageType) {
    for (const auto& kind : kReceived) {
        if (kind.packetType == packetType && kind.jipMessageType == jipMessageType) {
            return kind.messageClass;
        }
    }
    return std::nullopt;
}

} // namespace kez::linkor
