// WaveRecord's stored properties: kept as given, checked when a recording starts.
#include "wave_record_object.h"

namespace kez::sonwell {

using com::HRESULT;
using com::S_OK;
using com::VariantBool;

HRESULT WaveRecord::get_lBufferLen(std::int32_t& value) { return value = lBufferLen_, S_OK; }
HRESULT WaveRecord::put_lBufferLen(std::int32_t value) { return lBufferLen_ = value, S_OK; }
HRESULT WaveRecord::get_bUseThread(VariantBool& value) { return value = com::toVariantBool(bUseThread_), S_OK; }
HRESULT WaveRecord::put_bUseThread(VariantBool value) { return bUseThread_ = value != 0, S_OK; }
HRESULT WaveRecord::get_bDetectSilence(VariantBool& value) { return value = com::toVariantBool(bDetectSilence_), S_OK; }
HRESULT WaveRecord::put_bDetectSilence(VariantBool value) { return bDetectSilence_ = value != 0, S_OK; }
HRESULT WaveRecord::get_nNoiseFloor(std::int16_t& value) { return value = nNoiseFloor_, S_OK; }
HRESULT WaveRecord::put_nNoiseFloor(std::int16_t value) { return nNoiseFloor_ = value, S_OK; }
HRESULT WaveRecord::get_bAutoSetupMixer(VariantBool& value) {
    return value = com::toVariantBool(bAutoSetupMixer_), S_OK;
}
HRESULT WaveRecord::put_bAutoSetupMixer(VariantBool value) { return bAutoSetupMixer_ = value != 0, S_OK; }
HRESULT WaveRecord::get_lCaptureLen(std::int32_t& value) { return value = lCaptureLen_, S_OK; }
HRESULT WaveRecord::put_lCaptureLen(std::int32_t value) { return lCaptureLen_ = value, S_OK; }
HRESULT WaveRecord::get_lSendLen(std::int32_t& value) { return value = lSendLen_, S_OK; }
HRESULT WaveRecord::put_lSendLen(std::int32_t value) { return lSendLen_ = value, S_OK; }
HRESULT WaveRecord::get_nAdapter(std::int16_t& value) { return value = nAdapter_, S_OK; }
HRESULT WaveRecord::put_nAdapter(std::int16_t value) { return nAdapter_ = value, S_OK; }
HRESULT WaveRecord::get_bActive(VariantBool& value) {
    return value = com::toVariantBool(ring_ && !ring_->stopped()), S_OK;
}

} // namespace kez::sonwell
