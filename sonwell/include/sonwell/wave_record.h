#pragma once
// The WaveRecord object: captures the microphone, filters, encodes and hands each frame to its
// sinks. Members in interface slot order.
#include "sonwell/identifiers.h"

#include "kez/com/connection_point.h"
#include "kez/com/hresult.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"

#include <cstdint>

namespace kez::sonwell {

// Both events carry a byte array of lSendLen bytes and fire on the thread that processed the
// buffer: the capture thread, or the creating thread without one.
class _IWaveRecordEvents : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIWaveRecordEvents;
    static constexpr com::DispId kDispIdDataReady = 1;
    static constexpr com::DispId kDispIdSilenceDetected = 2;

    virtual com::HRESULT DataReady(const com::Variant& varData) = 0;
    virtual com::HRESULT SilenceDetected(const com::Variant& varData) = 0;
};

class IWaveRecord : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIWaveRecord;

    virtual com::HRESULT Open() = 0;
    virtual com::HRESULT Record(std::int16_t nCompressionCode) = 0;
    virtual com::HRESULT Stop() = 0;
    virtual com::HRESULT Close() = 0;
    virtual com::HRESULT get_lBufferLen(std::int32_t& value) = 0;
    virtual com::HRESULT put_lBufferLen(std::int32_t value) = 0;
    virtual com::HRESULT get_bUseThread(com::VariantBool& value) = 0;
    virtual com::HRESULT put_bUseThread(com::VariantBool value) = 0;
    virtual com::HRESULT get_bDetectSilence(com::VariantBool& value) = 0;
    virtual com::HRESULT put_bDetectSilence(com::VariantBool value) = 0;
    virtual com::HRESULT get_nVolume(std::int16_t& value) = 0;
    virtual com::HRESULT put_nVolume(std::int16_t value) = 0;
    virtual com::HRESULT get_nNoiseFloor(std::int16_t& value) = 0;
    virtual com::HRESULT put_nNoiseFloor(std::int16_t value) = 0;
    virtual com::HRESULT get_bAutoSetupMixer(com::VariantBool& value) = 0;
    virtual com::HRESULT put_bAutoSetupMixer(com::VariantBool value) = 0;
    virtual com::HRESULT get_lCaptureLen(std::int32_t& value) = 0;
    virtual com::HRESULT put_lCaptureLen(std::int32_t value) = 0;
    virtual com::HRESULT get_lSendLen(std::int32_t& value) = 0;
    virtual com::HRESULT put_lSendLen(std::int32_t value) = 0;
    virtual com::HRESULT get_nAdapter(std::int16_t& value) = 0;
    virtual com::HRESULT put_nAdapter(std::int16_t value) = 0;
    virtual com::HRESULT get_varAdapters(com::Variant& value) = 0;
    virtual com::HRESULT get_bActive(com::VariantBool& value) = 0;
};

} // namespace kez::sonwell
