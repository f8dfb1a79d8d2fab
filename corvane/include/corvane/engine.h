#pragma once
// The telephone engine: the one creatable class of Corvane. A program creates it, copies its
// settings into the properties, calls Start, presses keys with ButtonDown and calls Stop before
// its last release. Every member runs on the creating thread; every event of _IEngineEvents is
// raised on that thread too, whichever thread produced it. Members are in interface slot order;
// the comment on each gives its dispatch number.
#include <cstdint>
#include <string>

#include "corvane/engine_events.h"
#include "corvane/errors.h"
#include "corvane/identifiers.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"

namespace kez::corvane {

using com::HRESULT;
using com::Variant;
using com::VariantBool;

// Byte-array properties hold a one-dimensional array of bytes, or nothing (empty); their puts
// keep the value as given. Booleans are -1 / 0.
class IEngine : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIEngine;

    virtual HRESULT Start() = 0;                          // 3
    virtual HRESULT Stop() = 0;                           // 4
    virtual HRESULT ButtonDown(std::int16_t nButton) = 0; // 18
    virtual HRESULT get_varVuruvMac(Variant& value) = 0;  // 27
    virtual HRESULT put_varVuruvMac(const Variant& value) = 0;
    virtual HRESULT get_lBufferDelay(std::int32_t& value) = 0; // 28
    virtual HRESULT put_lBufferDelay(std::int32_t value) = 0;
    virtual HRESULT DTMFPlayComplete(std::int16_t nID) = 0; // 33
    virtual HRESULT PlayTimedWaveFile(const std::string& sFileName, std::int16_t nDuration, std::int32_t lPriority,
                                      VariantBool bOverride, std::int32_t& lStream) = 0; // 35
    virtual HRESULT PlayCycledWaveFile(const std::string& sFileName, std::int16_t nCycles, std::int32_t lPriority,
                                       VariantBool bOverride, std::int32_t& lStream) = 0; // 36
    virtual HRESULT KillWaveStream(std::int32_t lStream) = 0;                             // 37
    virtual HRESULT get_varVuruvIP(Variant& value) = 0;                                   // 38
    virtual HRESULT put_varVuruvIP(const Variant& value) = 0;
    virtual HRESULT get_bForceLevel3(VariantBool& value) = 0; // 40
    virtual HRESULT put_bForceLevel3(VariantBool value) = 0;
    virtual HRESULT get_varLocalIP(Variant& value) = 0; // 41
    virtual HRESULT put_varLocalIP(const Variant& value) = 0;
    virtual HRESULT get_varSubnetMask(Variant& value) = 0; // 42
    virtual HRESULT put_varSubnetMask(const Variant& value) = 0;
    virtual HRESULT get_varGatewayIP(Variant& value) = 0; // 43
    virtual HRESULT put_varGatewayIP(const Variant& value) = 0;
    virtual HRESULT GetIPFromSocket() = 0;             // 45
    virtual HRESULT GetIPFromRegistry() = 0;           // 46
    virtual HRESULT get_bMute(VariantBool& value) = 0; // 48
    virtual HRESULT put_bMute(VariantBool value) = 0;
    virtual HRESULT ChangeVolume(std::int16_t nChange) = 0;                                            // 49
    virtual HRESULT TestAudio(std::int16_t nTone, std::int16_t nRecordFormat, std::int32_t lTime) = 0; // 50
    virtual HRESULT StartMikeTest() = 0;                                                               // 52
    virtual HRESULT StopMikeTest() = 0;                                                                // 53
    // Without a record object the put does nothing and the get leaves `value` as it was.
    virtual HRESULT get_nMikeVolume(std::int16_t& value) = 0; // 54
    virtual HRESULT put_nMikeVolume(std::int16_t value) = 0;
    virtual HRESULT get_nNoiseFloor(std::int16_t& value) = 0; // 55
    virtual HRESULT put_nNoiseFloor(std::int16_t value) = 0;
    virtual HRESULT get_bSoftDevice(VariantBool& value) = 0; // 56
    virtual HRESULT put_bSoftDevice(VariantBool value) = 0;
    virtual HRESULT get_varAdapters(Variant& value) = 0;   // 57
    virtual HRESULT get_nAdapter(std::int16_t& value) = 0; // 58
    virtual HRESULT put_nAdapter(std::int16_t value) = 0;
    virtual HRESULT get_lBufferMultiplier(std::int32_t& value) = 0; // 59
    virtual HRESULT put_lBufferMultiplier(std::int32_t value) = 0;
    virtual HRESULT StartAudioSend(const Variant& varMac) = 0; // 60
    virtual HRESULT StopAudioSend() = 0;                       // 61
    virtual HRESULT get_bJitter(VariantBool& value) = 0;       // 62
    virtual HRESULT put_bJitter(VariantBool value) = 0;
    virtual HRESULT get_nJitterFactor(std::int16_t& value) = 0; // 63
    virtual HRESULT put_nJitterFactor(std::int16_t value) = 0;
    virtual HRESULT get_lJitterDelay(std::int32_t& value) = 0; // 64
    virtual HRESULT put_lJitterDelay(std::int32_t value) = 0;
    virtual HRESULT StartAudioReceive(const Variant& varMac, std::int16_t nHash) = 0; // 65
    virtual HRESULT StopAudioReceive() = 0;                                           // 66
    virtual HRESULT get_nRecordAdapter(std::int16_t& value) = 0;                      // 67
    virtual HRESULT put_nRecordAdapter(std::int16_t value) = 0;
    virtual HRESULT get_nPlayAdapter(std::int16_t& value) = 0; // 68
    virtual HRESULT put_nPlayAdapter(std::int16_t value) = 0;
    virtual HRESULT get_varRecordAdapters(Variant& value) = 0;                        // 69
    virtual HRESULT get_varPlayAdapters(Variant& value) = 0;                          // 70
    virtual HRESULT StartAutoDiscover() = 0;                                          // 71
    virtual HRESULT StopAutoDiscover() = 0;                                           // 72
    virtual HRESULT CaptureMixerState(const std::string& sRegistryKey) = 0;           // 73
    virtual HRESULT RestoreMixerState(const std::string& sRegistryKey) = 0;           // 74
    virtual HRESULT CancelAutoIPConfig() = 0;                                         // 76
    virtual HRESULT BeepSpeaker(std::int32_t lFrequency, std::int32_t lDuration) = 0; // 77
    virtual HRESULT get_lBufferSamples(std::int32_t& value) = 0;                      // 78
    virtual HRESULT put_lBufferSamples(std::int32_t value) = 0;
    virtual HRESULT PlayDTMFTone(std::int16_t nButton, std::int16_t nDuration, std::int16_t nGap,
                                 std::int32_t lPriority, VariantBool bOverride) = 0; // 79
    virtual HRESULT PlayCallProgTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority,
                                     VariantBool bOverride, std::int32_t& lStream) = 0; // 80
    virtual HRESULT get_bAllMulticast(VariantBool& value) = 0;                          // 81
    virtual HRESULT put_bAllMulticast(VariantBool value) = 0;
    virtual HRESULT PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                              VariantBool bOverride, std::int32_t& lStream) = 0; // 82
    virtual HRESULT PlayWaveFile(const std::string& sFileName, std::int16_t nGap, std::int32_t lPriority,
                                 VariantBool bOverride) = 0; // 83
    virtual HRESULT get_nCountry(std::int16_t& value) = 0;   // 84
    virtual HRESULT put_nCountry(std::int16_t value) = 0;
    virtual HRESULT get_bShareWave(VariantBool& value) = 0; // 85
    virtual HRESULT put_bShareWave(VariantBool value) = 0;
    // A put outside 0..100 is ignored and still succeeds.
    virtual HRESULT get_nToneStrength(std::int16_t& value) = 0; // 86
    virtual HRESULT put_nToneStrength(std::int16_t value) = 0;
    virtual HRESULT get_nWaveShutdownDelay(std::int16_t& value) = 0; // 87
    virtual HRESULT put_nWaveShutdownDelay(std::int16_t value) = 0;
    // 6 bytes; a text here holds no bytes (the owner converts a configured text first).
    virtual HRESULT get_varSystemStateMCMAC(Variant& value) = 0; // 88
    virtual HRESULT put_varSystemStateMCMAC(const Variant& value) = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0; // 89
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

} // namespace kez::corvane
