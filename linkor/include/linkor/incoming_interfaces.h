#pragma once
// The control messages the call server sends to the set. Every property is a typed view
// of a fixed place in the payload; members are in type-library order. Properties with an
// index take it as their first argument. Setters exist for symmetry: the set never calls
// them on a received message.
#include <cstdint>
#include <string>

#include "kez/com/date.h"
#include "linkor/jip_message.h"

namespace kez::linkor {

class IUIStateControlMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIUIStateControlMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrCallProgTone(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrCallProgTone(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrCallProgMode(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrCallProgMode(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrCallProgVol(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrCallProgVol(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrCallProgDur(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrCallProgDur(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrAlertSigTone(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrAlertSigTone(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrAlertSigCad(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrAlertSigCad(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrAlertSigMode(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrAlertSigMode(std::int16_t value) = 0;
    virtual HRESULT get_nSpkrAlertSigCycles(std::int16_t& value) = 0;
    virtual HRESULT put_nSpkrAlertSigCycles(std::int16_t value) = 0;
    virtual HRESULT get_nKeyControl(std::int16_t& value) = 0;
    virtual HRESULT put_nKeyControl(std::int16_t value) = 0;
    // Five 16-bit elements holding the wire bytes unswapped.
    virtual HRESULT get_varLEDStates(Variant& value) = 0;
    virtual HRESULT put_varLEDStates(const Variant& value) = 0;
    // Line 0 or 1, converted from Windows-1252.
    virtual HRESULT get_sDisplayLine(std::int16_t nLine, std::string& value) = 0;
    virtual HRESULT put_sDisplayLine(std::int16_t nLine, const std::string& value) = 0;
    virtual HRESULT get_nTODMode(std::int16_t& value) = 0;
    virtual HRESULT put_nTODMode(std::int16_t value) = 0;
    virtual HRESULT get_nCallDurationDisplayMode(std::int16_t& value) = 0;
    virtual HRESULT put_nCallDurationDisplayMode(std::int16_t value) = 0;
    virtual HRESULT get_nCallDuration(std::int16_t& value) = 0;
    virtual HRESULT put_nCallDuration(std::int16_t value) = 0;
    virtual HRESULT get_nDeviceIdleStatus(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceIdleStatus(std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class IKzSetInitMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIKzSetInitMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nControlHeaderBits(std::int16_t& value) = 0;
    virtual HRESULT put_nControlHeaderBits(std::int16_t value) = 0;
    virtual HRESULT get_nControlIPTOS(std::int16_t& value) = 0;
    virtual HRESULT put_nControlIPTOS(std::int16_t value) = 0;
    virtual HRESULT get_nSlaveIPAddrControlFlag(std::int16_t& value) = 0;
    virtual HRESULT put_nSlaveIPAddrControlFlag(std::int16_t value) = 0;
    virtual HRESULT get_nControlTCI(std::int16_t& value) = 0;
    virtual HRESULT put_nControlTCI(std::int16_t value) = 0;
    virtual HRESULT get_nSystemStateHash(std::int16_t& value) = 0;
    virtual HRESULT put_nSystemStateHash(std::int16_t value) = 0;
    virtual HRESULT get_varSystemStateIP(Variant& value) = 0;
    virtual HRESULT put_varSystemStateIP(const Variant& value) = 0;
    virtual HRESULT get_varSystemStateMac(Variant& value) = 0;
    virtual HRESULT put_varSystemStateMac(const Variant& value) = 0;
    virtual HRESULT get_nPageHash(std::int16_t& value) = 0;
    virtual HRESULT put_nPageHash(std::int16_t value) = 0;
    virtual HRESULT get_varPageIP(Variant& value) = 0;
    virtual HRESULT put_varPageIP(const Variant& value) = 0;
    virtual HRESULT get_varPageMac(Variant& value) = 0;
    virtual HRESULT put_varPageMac(const Variant& value) = 0;
    virtual HRESULT get_nStatusUpdatePeriod(std::int16_t& value) = 0;
    virtual HRESULT put_nStatusUpdatePeriod(std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class ISystemStateMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidISystemStateMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_dtCurrent(com::Date& value) = 0;
    virtual HRESULT put_dtCurrent(com::Date value) = 0;
    // The data of the element with the property's tag; empty when there is none.
    virtual HRESULT get_varTlimLEDStates(Variant& value) = 0;
    virtual HRESULT put_varTlimLEDStates(const Variant& value) = 0;
    virtual HRESULT get_varKzSetLEDStates(Variant& value) = 0;
    virtual HRESULT put_varKzSetLEDStates(const Variant& value) = 0;
    virtual HRESULT get_varParkLEDStates(Variant& value) = 0;
    virtual HRESULT put_varParkLEDStates(const Variant& value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class ICallStateControlMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidICallStateControlMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nAudioConnType1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioConnType1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioDirection1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioDirection1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioHdrBits1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioHdrBits1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioIPTOS1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioIPTOS1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioTCI1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioTCI1(std::int16_t value) = 0;
    virtual HRESULT get_nCompressionInfo1(std::int16_t& value) = 0;
    virtual HRESULT put_nCompressionInfo1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioControls1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioControls1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioFramesPerPacket1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioFramesPerPacket1(std::int16_t value) = 0;
    virtual HRESULT get_nTermSeqMask1(std::int16_t& value) = 0;
    virtual HRESULT put_nTermSeqMask1(std::int16_t value) = 0;
    virtual HRESULT get_nAudioDevice1(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioDevice1(std::int16_t value) = 0;
    virtual HRESULT get_varOtherPartyMac1(Variant& value) = 0;
    virtual HRESULT put_varOtherPartyMac1(const Variant& value) = 0;
    virtual HRESULT get_nOtherPartyVDN1(std::int16_t& value) = 0;
    virtual HRESULT put_nOtherPartyVDN1(std::int16_t value) = 0;
    virtual HRESULT get_varOtherPartyIP1(Variant& value) = 0;
    virtual HRESULT put_varOtherPartyIP1(const Variant& value) = 0;
    virtual HRESULT get_varMulticastMac1(Variant& value) = 0;
    virtual HRESULT put_varMulticastMac1(const Variant& value) = 0;
    virtual HRESULT get_nMulticastHash1(std::int16_t& value) = 0;
    virtual HRESULT put_nMulticastHash1(std::int16_t value) = 0;
    virtual HRESULT get_varMulticastIP1(Variant& value) = 0;
    virtual HRESULT put_varMulticastIP1(const Variant& value) = 0;
    virtual HRESULT get_nAudioConnType2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioConnType2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioDirection2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioDirection2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioHdrBits2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioHdrBits2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioIPTOS2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioIPTOS2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioTCI2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioTCI2(std::int16_t value) = 0;
    virtual HRESULT get_nCompressionInfo2(std::int16_t& value) = 0;
    virtual HRESULT put_nCompressionInfo2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioControls2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioControls2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioFramesPerPacket2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioFramesPerPacket2(std::int16_t value) = 0;
    virtual HRESULT get_nTermSeqMask2(std::int16_t& value) = 0;
    virtual HRESULT put_nTermSeqMask2(std::int16_t value) = 0;
    virtual HRESULT get_nAudioDevice2(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioDevice2(std::int16_t value) = 0;
    virtual HRESULT get_varOtherPartyMac2(Variant& value) = 0;
    virtual HRESULT put_varOtherPartyMac2(const Variant& value) = 0;
    virtual HRESULT get_nOtherPartyVDN2(std::int16_t& value) = 0;
    virtual HRESULT put_nOtherPartyVDN2(std::int16_t value) = 0;
    virtual HRESULT get_varMulticastMac2(Variant& value) = 0;
    virtual HRESULT put_varMulticastMac2(const Variant& value) = 0;
    virtual HRESULT get_nMulticastHash2(std::int16_t& value) = 0;
    virtual HRESULT put_nMulticastHash2(std::int16_t value) = 0;
    virtual HRESULT get_nConferenceListSize(std::int16_t& value) = 0;
    virtual HRESULT put_nConferenceListSize(std::int16_t value) = 0;
    virtual HRESULT get_varConfMulticastMac(Variant& value) = 0;
    virtual HRESULT put_varConfMulticastMac(const Variant& value) = 0;
    virtual HRESULT get_nConfMulticastHashCode(std::int16_t& value) = 0;
    virtual HRESULT put_nConfMulticastHashCode(std::int16_t value) = 0;
    virtual HRESULT get_varConfMulticastIP(Variant& value) = 0;
    virtual HRESULT put_varConfMulticastIP(const Variant& value) = 0;
    virtual HRESULT get_varConfOtherMac(std::int16_t nIndex, Variant& value) = 0;
    virtual HRESULT put_varConfOtherMac(std::int16_t nIndex, const Variant& value) = 0;
    virtual HRESULT get_nConfOtherVDN(std::int16_t nIndex, std::int16_t& value) = 0;
    virtual HRESULT put_nConfOtherVDN(std::int16_t nIndex, std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
    // Never used by the set: zeroes the payload and makes an empty call-state message.
    virtual HRESULT InitPacket() = 0;
};

class ILEDMappingMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidILEDMappingMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nResourceGroup(std::int16_t nLED, std::int16_t& value) = 0;
    virtual HRESULT put_nResourceGroup(std::int16_t nLED, std::int16_t value) = 0;
    virtual HRESULT get_nUnitNo(std::int16_t nLED, std::int16_t& value) = 0;
    virtual HRESULT put_nUnitNo(std::int16_t nLED, std::int16_t value) = 0;
    virtual HRESULT get_varLEDMap(Variant& value) = 0;
    virtual HRESULT put_varLEDMap(const Variant& value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class IPlayDTMFMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIPlayDTMFMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nSequenceID(std::int16_t& value) = 0;
    virtual HRESULT put_nSequenceID(std::int16_t value) = 0;
    // 16-bit arrays of the codes and the times of the {code, time} pairs.
    virtual HRESULT get_varCodes(Variant& value) = 0;
    virtual HRESULT put_varCodes(const Variant& value) = 0;
    virtual HRESULT get_varTimes(Variant& value) = 0;
    virtual HRESULT put_varTimes(const Variant& value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class ICommandMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidICommandMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nCommand(std::int16_t& value) = 0;
    virtual HRESULT put_nCommand(std::int16_t value) = 0;
    virtual HRESULT get_nQualifier(std::int16_t& value) = 0;
    virtual HRESULT put_nQualifier(std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

// Every setter of this class is ignored.
class ISlavePageCmdMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidISlavePageCmdMsg;

    virtual HRESULT get_nDeviceHandle(std::int16_t& value) = 0;
    virtual HRESULT put_nDeviceHandle(std::int16_t value) = 0;
    virtual HRESULT get_nPageNoID(std::int16_t& value) = 0;
    virtual HRESULT put_nPageNoID(std::int16_t value) = 0;
    virtual HRESULT get_nAudioConnType(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioConnType(std::int16_t value) = 0;
    virtual HRESULT get_nAudioDirection(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioDirection(std::int16_t value) = 0;
    virtual HRESULT get_nAudioHdrBits(std::int16_t& value) = 0;
    virtual HRESULT put_nAudioHdrBits(std::int16_t value) = 0;
    virtual HRESULT get_nCompressionInfo(std::int16_t& value) = 0;
    virtual HRESULT put_nCompressionInfo(std::int16_t value) = 0;
    virtual HRESULT get_nCallProgTone(std::int16_t& value) = 0;
    virtual HRESULT put_nCallProgTone(std::int16_t value) = 0;
    virtual HRESULT get_nCallProgMode(std::int16_t& value) = 0;
    virtual HRESULT put_nCallProgMode(std::int16_t value) = 0;
    virtual HRESULT get_nCallProgDuration(std::int16_t& value) = 0;
    virtual HRESULT put_nCallProgDuration(std::int16_t value) = 0;
    virtual HRESULT get_varOtherPartyMac(Variant& value) = 0;
    virtual HRESULT put_varOtherPartyMac(const Variant& value) = 0;
    virtual HRESULT get_nOtherPartyVDN(std::int16_t& value) = 0;
    virtual HRESULT put_nOtherPartyVDN(std::int16_t value) = 0;
    virtual HRESULT get_varMulticastMac(Variant& value) = 0;
    virtual HRESULT put_varMulticastMac(const Variant& value) = 0;
    virtual HRESULT get_nMulticastHash(std::int16_t& value) = 0;
    virtual HRESULT put_nMulticastHash(std::int16_t value) = 0;
    virtual HRESULT get_varMulticastIP(Variant& value) = 0;
    virtual HRESULT put_varMulticastIP(const Variant& value) = 0;
    // The 4-bit state of device nDevice, counted from 1.
    virtual HRESULT get_nDevState(std::int16_t nDevice, std::int16_t& value) = 0;
    virtual HRESULT put_nDevState(std::int16_t nDevice, std::int16_t value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

// No properties beyond IJIPMessage; no packet creates these two.
class IPageCommandMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIPageCommandMsg;
};

class IUnsupportedFeatureMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIUnsupportedFeatureMsg;
};

} // namespace kez::linkor
