#include "message_accessors.h"

#include <string_view>

#include "linkor/audio_interfaces.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/outgoing_interfaces.h"

namespace kez::linkor::test {
namespace {

constexpr std::int16_t kWordSentinels[2] = {0x5A5A, -0x2BCD};

template <class I>
Ptr<I> as(const Ptr<com::Object>& object) {
    return com::query<I>(object);
}

// A getter runs twice with different values in the caller's variable, so that one that
// leaves it untouched is told from one that happens to return the same value.
template <class T, class Call>
Outcome twice(const T (&sentinels)[2], Call call, auto wrap) {
    T first = sentinels[0];
    T second = sentinels[1];
    Outcome outcome;
    outcome.hr = call(first);
    call(second);
    outcome.untouched = com::SUCCEEDED(outcome.hr) && first == sentinels[0] && second == sentinels[1];
    outcome.value = wrap(first);
    return outcome;
}

Outcome variantTwice(const std::function<HRESULT(Variant&)>& call) {
    Variant first(std::int32_t{0x5A5A5A});
    Variant second(std::string("untouched?"));
    Outcome outcome;
    outcome.hr = call(first);
    call(second);
    outcome.untouched = com::SUCCEEDED(outcome.hr) && first == Variant(std::int32_t{0x5A5A5A}) &&
                        second == Variant(std::string("untouched?"));
    outcome.value = first;
    return outcome;
}

Variant wordValue(std::int16_t value) { return Variant(std::int32_t{value}); }

template <class I>
Getter getter(HRESULT (I::*get)(std::int16_t&)) {
    return [get](const Ptr<com::Object>& object, std::int16_t) {
        auto it = as<I>(object);
        return twice(
            kWordSentinels, [&](std::int16_t& v) { return ((*it).*get)(v); }, wordValue);
    };
}

template <class I>
Getter getter(HRESULT (I::*get)(std::int32_t&)) {
    static constexpr std::int32_t kSentinels[2] = {0x5A5A5A, -0x2BCDEF};
    return [get](const Ptr<com::Object>& object, std::int16_t) {
        auto it = as<I>(object);
        return twice(
            kSentinels, [&](std::int32_t& v) { return ((*it).*get)(v); }, [](std::int32_t v) { return Variant(v); });
    };
}

template <class I>
Getter getter(HRESULT (I::*get)(std::int16_t, std::int16_t&)) {
    return [get](const Ptr<com::Object>& object, std::int16_t index) {
        auto it = as<I>(object);
        return twice(
            kWordSentinels, [&](std::int16_t& v) { return ((*it).*get)(index, v); }, wordValue);
    };
}

template <class I>
Getter getter(HRESULT (I::*get)(Variant&)) {
    return [get](const Ptr<com::Object>& object, std::int16_t) {
        auto it = as<I>(object);
        return variantTwice([&](Variant& v) { return ((*it).*get)(v); });
    };
}

template <class I>
Getter getter(HRESULT (I::*get)(std::int16_t, Variant&)) {
    return [get](const Ptr<com::Object>& object, std::int16_t index) {
        auto it = as<I>(object);
        return variantTwice([&](Variant& v) { return ((*it).*get)(index, v); });
    };
}

template <class I>
Getter getter(HRESULT (I::*get)(std::int16_t, std::string&)) {
    return [get](const Ptr<com::Object>& object, std::int16_t index) {
        auto it = as<I>(object);
        return variantTwice([&](Variant& v) {
            std::string text = "untouched?";
            const HRESULT hr = ((*it).*get)(index, text);
            v = Variant(text);
            return hr;
        });
    };
}

template <class I>
Getter getter(HRESULT (I::*get)(com::Date&)) {
    return [get](const Ptr<com::Object>& object, std::int16_t) {
        auto it = as<I>(object);
        return variantTwice([&](Variant& v) {
            com::Date date{-1234.5};
            const HRESULT hr = ((*it).*get)(date);
            v = Variant(date);
            return hr;
        });
    };
}

std::int16_t wordOf(const Variant& value) {
    if (const auto* word = value.get<std::int16_t>()) {
        return *word;
    }
    const auto* number = value.get<std::int32_t>();
    return number ? static_cast<std::int16_t>(*number) : 0;
}

template <class I>
Setter setter(HRESULT (I::*put)(std::int16_t)) {
    return [put](const Ptr<com::Object>& object, std::int16_t, const Variant& value) {
        return ((*as<I>(object)).*put)(wordOf(value));
    };
}

template <class I>
Setter setter(HRESULT (I::*put)(std::int32_t)) {
    return [put](const Ptr<com::Object>& object, std::int16_t, const Variant& value) {
        const auto* number = value.get<std::int32_t>();
        return ((*as<I>(object)).*put)(number ? *number : 0);
    };
}

template <class I>
Setter setter(HRESULT (I::*put)(std::int16_t, std::int16_t)) {
    return [put](const Ptr<com::Object>& object, std::int16_t index, const Variant& value) {
        return ((*as<I>(object)).*put)(index, wordOf(value));
    };
}

template <class I>
Setter setter(HRESULT (I::*put)(const Variant&)) {
    return [put](const Ptr<com::Object>& object, std::int16_t, const Variant& value) {
        return ((*as<I>(object)).*put)(value);
    };
}

template <class I>
Setter setter(HRESULT (I::*put)(std::int16_t, const Variant&)) {
    return [put](const Ptr<com::Object>& object, std::int16_t index, const Variant& value) {
        return ((*as<I>(object)).*put)(index, value);
    };
}

template <class I>
Setter setter(HRESULT (I::*put)(std::int16_t, const std::string&)) {
    return [put](const Ptr<com::Object>& object, std::int16_t index, const Variant& value) {
        const auto* text = value.get<std::string>();
        return ((*as<I>(object)).*put)(index, text ? *text : std::string());
    };
}

template <class I>
Setter setter(HRESULT (I::*put)(com::Date)) {
    return [put](const Ptr<com::Object>& object, std::int16_t, const Variant& value) {
        const auto* date = value.get<com::Date>();
        return ((*as<I>(object)).*put)(date ? *date : com::Date{});
    };
}

template <class I>
Method method(HRESULT (I::*call)()) {
    return [call](const Ptr<com::Object>& object, const std::vector<Variant>&) { return ((*as<I>(object)).*call)(); };
}

template <class I>
Method method(HRESULT (I::*call)(std::int16_t, std::int16_t, std::int16_t)) {
    return [call](const Ptr<com::Object>& object, const std::vector<Variant>& a) {
        return a.size() < 3 ? com::E_INVALIDARG : ((*as<I>(object)).*call)(wordOf(a[0]), wordOf(a[1]), wordOf(a[2]));
    };
}

template <class I>
Method method(HRESULT (I::*call)(const Variant&, std::int16_t, std::int16_t, std::int16_t)) {
    return [call](const Ptr<com::Object>& object, const std::vector<Variant>& a) {
        return a.size() < 4 ? com::E_INVALIDARG
                            : ((*as<I>(object)).*call)(a[0], wordOf(a[1]), wordOf(a[2]), wordOf(a[3]));
    };
}

// Property tables: PROPERTY for get and put, GETTER and INDEXED for the getter alone or
// the indexed pair, METHOD for methods.
#define PROPERTY(I, name)                                                                                              \
    a.getters[#name] = getter(&I::get_##name);                                                                         \
    a.setters[#name] = setter(&I::put_##name)
#define GETTER(I, name) a.getters[#name] = getter(&I::get_##name)
#define INDEXED(I, name)                                                                                               \
    a.indexedGetters[#name] = getter(&I::get_##name);                                                                  \
    a.setters[#name] = setter(&I::put_##name)
#define INDEXED_GETTER(I, name) a.indexedGetters[#name] = getter(&I::get_##name)
#define METHOD(I, name) a.methods[#name] = method(&I::name)

void addJipMessage(Accessors& a) {
    PROPERTY(IJIPMessage, nSrcVDN);
    PROPERTY(IJIPMessage, nDestVDN);
    PROPERTY(IJIPMessage, varSourceMac);
    PROPERTY(IJIPMessage, varDestMac);
    PROPERTY(IJIPMessage, varData);
    PROPERTY(IJIPMessage, nMsgType);
    PROPERTY(IJIPMessage, nHeaderBitMap);
    PROPERTY(IJIPMessage, lDataLen);
    PROPERTY(IJIPMessage, varSourceIP);
    PROPERTY(IJIPMessage, varDestIP);
    PROPERTY(IJIPMessage, nIPTOS);
    PROPERTY(IJIPMessage, nTCI);
}

void addUiState(Accessors& a) {
    using I = IUIStateControlMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nSpkrCallProgTone);
    PROPERTY(I, nSpkrCallProgMode);
    PROPERTY(I, nSpkrCallProgVol);
    PROPERTY(I, nSpkrCallProgDur);
    PROPERTY(I, nSpkrAlertSigTone);
    PROPERTY(I, nSpkrAlertSigCad);
    PROPERTY(I, nSpkrAlertSigMode);
    PROPERTY(I, nSpkrAlertSigCycles);
    PROPERTY(I, nKeyControl);
    PROPERTY(I, varLEDStates);
    INDEXED(I, sDisplayLine);
    PROPERTY(I, nTODMode);
    PROPERTY(I, nCallDurationDisplayMode);
    PROPERTY(I, nCallDuration);
    PROPERTY(I, nDeviceIdleStatus);
    PROPERTY(I, nProtocolRevision);
}

void addKzSetInit(Accessors& a) {
    using I = IKzSetInitMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nControlHeaderBits);
    PROPERTY(I, nControlIPTOS);
    PROPERTY(I, nSlaveIPAddrControlFlag);
    PROPERTY(I, nControlTCI);
    PROPERTY(I, nSystemStateHash);
    PROPERTY(I, varSystemStateIP);
    PROPERTY(I, varSystemStateMac);
    PROPERTY(I, nPageHash);
    PROPERTY(I, varPageIP);
    PROPERTY(I, varPageMac);
    PROPERTY(I, nStatusUpdatePeriod);
    PROPERTY(I, nProtocolRevision);
}

void addSystemState(Accessors& a) {
    using I = ISystemStateMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, dtCurrent);
    PROPERTY(I, varTlimLEDStates);
    PROPERTY(I, varKzSetLEDStates);
    PROPERTY(I, varParkLEDStates);
    PROPERTY(I, nProtocolRevision);
}

void addCallState(Accessors& a) {
    using I = ICallStateControlMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nAudioConnType1);
    PROPERTY(I, nAudioDirection1);
    PROPERTY(I, nAudioHdrBits1);
    PROPERTY(I, nAudioIPTOS1);
    PROPERTY(I, nAudioTCI1);
    PROPERTY(I, nCompressionInfo1);
    PROPERTY(I, nAudioControls1);
    PROPERTY(I, nAudioFramesPerPacket1);
    PROPERTY(I, nTermSeqMask1);
    PROPERTY(I, nAudioDevice1);
    PROPERTY(I, varOtherPartyMac1);
    PROPERTY(I, nOtherPartyVDN1);
    PROPERTY(I, varOtherPartyIP1);
    PROPERTY(I, varMulticastMac1);
    PROPERTY(I, nMulticastHash1);
    PROPERTY(I, varMulticastIP1);
    PROPERTY(I, nAudioConnType2);
    PROPERTY(I, nAudioDirection2);
    PROPERTY(I, nAudioHdrBits2);
    PROPERTY(I, nAudioIPTOS2);
    PROPERTY(I, nAudioTCI2);
    PROPERTY(I, nCompressionInfo2);
    PROPERTY(I, nAudioControls2);
    PROPERTY(I, nAudioFramesPerPacket2);
    PROPERTY(I, nTermSeqMask2);
    PROPERTY(I, nAudioDevice2);
    PROPERTY(I, varOtherPartyMac2);
    PROPERTY(I, nOtherPartyVDN2);
    PROPERTY(I, varMulticastMac2);
    PROPERTY(I, nMulticastHash2);
    PROPERTY(I, nConferenceListSize);
    PROPERTY(I, varConfMulticastMac);
    PROPERTY(I, nConfMulticastHashCode);
    PROPERTY(I, varConfMulticastIP);
    INDEXED(I, varConfOtherMac);
    INDEXED(I, nConfOtherVDN);
    PROPERTY(I, nProtocolRevision);
    METHOD(I, InitPacket);
}

void addLedMapping(Accessors& a) {
    using I = ILEDMappingMsg;
    PROPERTY(I, nDeviceHandle);
    INDEXED(I, nResourceGroup);
    INDEXED(I, nUnitNo);
    PROPERTY(I, varLEDMap);
    PROPERTY(I, nProtocolRevision);
}

void addPlayDtmf(Accessors& a) {
    using I = IPlayDTMFMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nSequenceID);
    PROPERTY(I, varCodes);
    PROPERTY(I, varTimes);
    PROPERTY(I, nProtocolRevision);
}

void addCommand(Accessors& a) {
    using I = ICommandMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nCommand);
    PROPERTY(I, nQualifier);
    PROPERTY(I, nProtocolRevision);
}

void addSlavePage(Accessors& a) {
    using I = ISlavePageCmdMsg;
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nPageNoID);
    PROPERTY(I, nAudioConnType);
    PROPERTY(I, nAudioDirection);
    PROPERTY(I, nAudioHdrBits);
    PROPERTY(I, nCompressionInfo);
    PROPERTY(I, nCallProgTone);
    PROPERTY(I, nCallProgMode);
    PROPERTY(I, nCallProgDuration);
    PROPERTY(I, varOtherPartyMac);
    PROPERTY(I, nOtherPartyVDN);
    PROPERTY(I, varMulticastMac);
    PROPERTY(I, nMulticastHash);
    PROPERTY(I, varMulticastIP);
    INDEXED(I, nDevState);
    PROPERTY(I, nProtocolRevision);
}

void addKzSetEvent(Accessors& a) {
    using I = IKzSetEventMsg;
    METHOD(I, InitPacket);
    PROPERTY(I, nEventID);
    PROPERTY(I, nEventInfo1);
    PROPERTY(I, nEventInfo2);
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nHookSwitchStatus);
    PROPERTY(I, nProtocolRevision);
}

void addStatus(Accessors& a) {
    using I = IStatusMsg;
    METHOD(I, InitPacket);
    PROPERTY(I, varMacAddress);
    PROPERTY(I, nDeviceHandle);
    PROPERTY(I, nDeviceType);
    PROPERTY(I, varMyIP);
    PROPERTY(I, varSubNetMask);
    PROPERTY(I, varGatewayIP);
    PROPERTY(I, nDeviceLocation);
    METHOD(I, AddDevice);
    PROPERTY(I, varVuruvIP);
    PROPERTY(I, nDiscoveryState);
    PROPERTY(I, nSystemStateMsgCount);
    PROPERTY(I, nProtocolRevision);
}

void addReportIpInfo(Accessors& a) {
    using I = IReportIPInfoMsg;
    PROPERTY(I, nDeviceHandle);
    METHOD(I, InitPacket);
    PROPERTY(I, nDeviceType);
    PROPERTY(I, nProtocolRevision);
    PROPERTY(I, varMyIP);
    PROPERTY(I, varSubNetMask);
    PROPERTY(I, varGatewayIP);
    PROPERTY(I, varVuruvIP);
    PROPERTY(I, nSystemStateMsgCount);
    PROPERTY(I, nDeviceLocation);
    PROPERTY(I, nDiscoveryState);
    PROPERTY(I, varMacAddress);
}

void addRealTimeAudio(Accessors& a) {
    using I = IRealTimeAudioMsg;
    GETTER(I, nFrames);
    INDEXED_GETTER(I, nFormat);
    INDEXED_GETTER(I, varAudioData);
    PROPERTY(I, nSourceVDN);
    PROPERTY(I, nDestVDN);
    METHOD(I, AddFrame);
    INDEXED_GETTER(I, nFrameSeq);
    INDEXED_GETTER(I, nAudioFlags);
    METHOD(I, InitPacket);
    PROPERTY(I, nProtocolRevision);
}

void addReliableAudio(Accessors& a) {
    using I = IReliableAudioMsg;
    INDEXED_GETTER(I, nAudioFlags);
    INDEXED_GETTER(I, nFormat);
    GETTER(I, nFrames);
    INDEXED_GETTER(I, varAudioData);
    INDEXED_GETTER(I, nFrameSeq);
    METHOD(I, AddFrame);
    METHOD(I, InitPacket);
    METHOD(I, Reset);
    PROPERTY(I, nProtocolRevision);
}

#undef PROPERTY
#undef GETTER
#undef INDEXED
#undef INDEXED_GETTER
#undef METHOD

Accessors build(MessageClass messageClass) {
    Accessors a;
    addJipMessage(a);
    switch (messageClass) {
    case MessageClass::UIStateControlMsg: addUiState(a); break;
    case MessageClass::KzSetInitMsg: addKzSetInit(a); break;
    case MessageClass::SystemStateMsg: addSystemState(a); break;
    case MessageClass::CallStateControlMsg: addCallState(a); break;
    case MessageClass::LEDMappingMsg: addLedMapping(a); break;
    case MessageClass::PlayDTMFMsg: addPlayDtmf(a); break;
    case MessageClass::CommandMsg: addCommand(a); break;
    case MessageClass::SlavePageCmdMsg: addSlavePage(a); break;
    case MessageClass::KzSetEventMsg: addKzSetEvent(a); break;
    case MessageClass::StatusMsg: addStatus(a); break;
    case MessageClass::ReportIPInfoMsg: addReportIpInfo(a); break;
    case MessageClass::RealTimeAudioMsg: addRealTimeAudio(a); break;
    case MessageClass::ReliableAudioMsg: addReliableAudio(a); break;
    case MessageClass::PageCommandMsg:
    case MessageClass::UnsupportedFeatureMsg: break;
    }
    return a;
}

} // namespace

const Accessors& accessorsOf(MessageClass messageClass) {
    static const std::vector<Accessors> all = [] {
        std::vector<Accessors> tables;
        for (std::size_t i = 0; i < kMessageClassCount; ++i) {
            tables.push_back(build(static_cast<MessageClass>(i)));
        }
        return tables;
    }();
    return all[static_cast<std::size_t>(messageClass)];
}

bool messageClassNamed(const std::string& name, MessageClass& messageClass) {
    for (std::size_t i = 0; i < kMessageClassCount; ++i) {
        if (messageClassName(static_cast<MessageClass>(i)) == name) {
            messageClass = static_cast<MessageClass>(i);
            return true;
        }
    }
    return false;
}

} // namespace kez::linkor::test
