#pragma once
// The WavePlay object: everything the telephone sounds, in interface slot order.
#include "sonwell/identifiers.h"

#include "kez/com/connection_point.h"
#include "kez/com/hresult.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"

#include <cstdint>
#include <string>

namespace kez::sonwell {

using com::HRESULT;
using com::Variant;
using com::VariantBool;

class _IWavePlayEvents : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIWavePlayEvents;
    static constexpr com::DispId kDispIdPlayComplete = 1;

    // A reliable stream has played everything it was given. Fired on the creating thread.
    virtual HRESULT PlayComplete(std::int32_t lStream) = 0;
};

// lStream values are handles: never 0, never reused, and refused (0x80041000) once deleted.
class IWavePlay : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIWavePlay;

    virtual HRESULT Open() = 0;
    virtual HRESULT Close() = 0;
    virtual HRESULT AddBuffer(std::int32_t lStream, const Variant& varData, std::int16_t nSequence) = 0;
    virtual HRESULT CreateStream(std::int16_t nCompressionCode, std::int16_t bComfort, std::int32_t& lStream) = 0;
    virtual HRESULT DeleteStream(std::int32_t lStream) = 0;
    virtual HRESULT get_lBufferDelay(std::int32_t& value) = 0;
    virtual HRESULT put_lBufferDelay(std::int32_t value) = 0;
    virtual HRESULT AddSilence(std::int32_t lStream, std::int16_t nSequence) = 0;
    virtual HRESULT get_bMute(VariantBool& value) = 0;
    virtual HRESULT put_bMute(VariantBool value) = 0;
    virtual HRESULT ChangeVolume(std::int16_t nChange) = 0;
    virtual HRESULT AddComfort(std::int32_t lStream, std::int16_t nSequence) = 0;
    virtual HRESULT get_lSampleSize(std::int32_t& value) = 0;
    virtual HRESULT put_lSampleSize(std::int32_t value) = 0;
    virtual HRESULT get_lBufferMultiplier(std::int32_t& value) = 0;
    virtual HRESULT put_lBufferMultiplier(std::int32_t value) = 0;
    virtual HRESULT StartStreaming() = 0;
    virtual HRESULT StopStreaming() = 0;
    virtual HRESULT bIsActive(std::int32_t lStream, VariantBool& bRetVal) = 0;
    virtual HRESULT get_nAdapter(std::int16_t& value) = 0;
    virtual HRESULT put_nAdapter(std::int16_t value) = 0;
    virtual HRESULT get_varAdapters(Variant& value) = 0;
    virtual HRESULT ActivateStream(std::int32_t lStream) = 0;
    virtual HRESULT DeactivateStream(std::int32_t lStream) = 0;
    virtual HRESULT CaptureMixerData(const std::string& sRegistryKey) = 0;
    virtual HRESULT RestoreMixerData(const std::string& sRegistryKey) = 0;
    virtual HRESULT PlayTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority, VariantBool bOverride,
                             std::int32_t& lStream) = 0;
    virtual HRESULT PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                              VariantBool bOverride, std::int32_t& lStream) = 0;
    virtual HRESULT CreateReliableStream(std::int16_t nCompressionCode, std::int32_t lSamples,
                                         std::int32_t& lStream) = 0;
    virtual HRESULT PlayTimedWave(const Variant& varFormat, const Variant& varData, std::int16_t nDuration,
                                  std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) = 0;
    virtual HRESULT PlayCycledWave(const Variant& varFormat, const Variant& varData, std::int16_t nCycles,
                                   std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) = 0;
    virtual HRESULT get_nCountry(std::int16_t& value) = 0;
    virtual HRESULT put_nCountry(std::int16_t value) = 0;
    virtual HRESULT get_lActiveStreams(std::int32_t& value) = 0;
    virtual HRESULT get_nToneStrength(std::int16_t& value) = 0;
    virtual HRESULT put_nToneStrength(std::int16_t value) = 0;
    virtual HRESULT get_lSamplesBuffered(std::int32_t lStream, std::int32_t& pVal) = 0;
};

} // namespace kez::sonwell
