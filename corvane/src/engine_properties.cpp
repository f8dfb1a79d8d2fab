// The stored properties. Those the worker threads read live in the shared fields; the rest
// are the creating thread's own. The wave objects take theirs when they open.
#include "engine_object.h"
#include "kez/com/class_registry.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

template <class T>
HRESULT getField(EngineState& state, T SharedFields::*field, T& value) {
    value = state.with([&](SharedFields& f) { return f.*field; });
    return com::S_OK;
}

template <class T>
HRESULT putField(EngineState& state, T SharedFields::*field, const T& value) {
    state.with([&](SharedFields& f) { f.*field = value; });
    return com::S_OK;
}

template <class T>
HRESULT get(const T& field, T& value) {
    value = field;
    return com::S_OK;
}

template <class T>
HRESULT put(T& field, const T& value) {
    field = value;
    return com::S_OK;
}

} // namespace

HRESULT Engine::get_varVuruvMac(Variant& v) { return getField(state_, &SharedFields::vuruvMac, v); }
HRESULT Engine::put_varVuruvMac(const Variant& v) { return putField(state_, &SharedFields::vuruvMac, v); }
HRESULT Engine::get_varVuruvIP(Variant& v) { return getField(state_, &SharedFields::vuruvIp, v); }
HRESULT Engine::put_varVuruvIP(const Variant& v) { return putField(state_, &SharedFields::vuruvIp, v); }
HRESULT Engine::get_bForceLevel3(VariantBool& v) { return getField(state_, &SharedFields::forceLevel3, v); }
HRESULT Engine::put_bForceLevel3(VariantBool v) { return putField(state_, &SharedFields::forceLevel3, v); }
HRESULT Engine::get_varLocalIP(Variant& v) { return getField(state_, &SharedFields::localIp, v); }
HRESULT Engine::put_varLocalIP(const Variant& v) { return putField(state_, &SharedFields::localIp, v); }
HRESULT Engine::get_varSubnetMask(Variant& v) { return getField(state_, &SharedFields::subnetMask, v); }
HRESULT Engine::put_varSubnetMask(const Variant& v) { return putField(state_, &SharedFields::subnetMask, v); }
HRESULT Engine::get_varGatewayIP(Variant& v) { return getField(state_, &SharedFields::gatewayIp, v); }
HRESULT Engine::put_varGatewayIP(const Variant& v) { return putField(state_, &SharedFields::gatewayIp, v); }
HRESULT Engine::get_bSoftDevice(VariantBool& v) { return getField(state_, &SharedFields::softDevice, v); }
HRESULT Engine::put_bSoftDevice(VariantBool v) { return putField(state_, &SharedFields::softDevice, v); }
HRESULT Engine::get_nProtocolRevision(std::int16_t& v) { return getField(state_, &SharedFields::protocolRevision, v); }
HRESULT Engine::put_nProtocolRevision(std::int16_t v) { return putField(state_, &SharedFields::protocolRevision, v); }

HRESULT Engine::get_lBufferDelay(std::int32_t& v) { return get(settings_.wave.bufferDelay, v); }
HRESULT Engine::put_lBufferDelay(std::int32_t v) { return put(settings_.wave.bufferDelay, v); }
HRESULT Engine::get_bMute(VariantBool& v) { return getField(state_, &SharedFields::mute, v); }
HRESULT Engine::put_bMute(VariantBool v) { return putField(state_, &SharedFields::mute, v); }
HRESULT Engine::get_nNoiseFloor(std::int16_t& v) { return get(settings_.wave.noiseFloor, v); }
HRESULT Engine::put_nNoiseFloor(std::int16_t v) { return put(settings_.wave.noiseFloor, v); }
HRESULT Engine::get_nAdapter(std::int16_t& v) { return get(settings_.adapter, v); }
HRESULT Engine::put_nAdapter(std::int16_t v) { return put(settings_.adapter, v); }
HRESULT Engine::get_lBufferMultiplier(std::int32_t& v) { return get(settings_.wave.bufferMultiplier, v); }
HRESULT Engine::put_lBufferMultiplier(std::int32_t v) { return put(settings_.wave.bufferMultiplier, v); }
HRESULT Engine::get_bJitter(VariantBool& v) { return getField(state_, &SharedFields::jitter, v); }
HRESULT Engine::put_bJitter(VariantBool v) { return putField(state_, &SharedFields::jitter, v); }
HRESULT Engine::get_nJitterFactor(std::int16_t& v) { return getField(state_, &SharedFields::jitterFactor, v); }
HRESULT Engine::put_nJitterFactor(std::int16_t v) { return putField(state_, &SharedFields::jitterFactor, v); }
HRESULT Engine::get_lJitterDelay(std::int32_t& v) { return get(settings_.jitterDelay, v); }
HRESULT Engine::put_lJitterDelay(std::int32_t v) { return put(settings_.jitterDelay, v); }
HRESULT Engine::get_nRecordAdapter(std::int16_t& v) { return get(settings_.wave.recordAdapter, v); }
HRESULT Engine::put_nRecordAdapter(std::int16_t v) { return put(settings_.wave.recordAdapter, v); }
HRESULT Engine::get_nPlayAdapter(std::int16_t& v) { return get(settings_.wave.playAdapter, v); }
HRESULT Engine::put_nPlayAdapter(std::int16_t v) { return put(settings_.wave.playAdapter, v); }
HRESULT Engine::get_lBufferSamples(std::int32_t& v) { return get(settings_.bufferSamples, v); }
HRESULT Engine::put_lBufferSamples(std::int32_t v) { return put(settings_.bufferSamples, v); }
HRESULT Engine::get_bAllMulticast(VariantBool& v) { return get(settings_.allMulticast, v); }
HRESULT Engine::put_bAllMulticast(VariantBool v) { return put(settings_.allMulticast, v); }
HRESULT Engine::get_nCountry(std::int16_t& v) { return get(settings_.wave.country, v); }
HRESULT Engine::put_nCountry(std::int16_t v) { return put(settings_.wave.country, v); }
HRESULT Engine::get_bShareWave(VariantBool& v) { return get(settings_.shareWave, v); }
HRESULT Engine::put_bShareWave(VariantBool v) { return put(settings_.shareWave, v); }
HRESULT Engine::get_nWaveShutdownDelay(std::int16_t& v) { return get(settings_.waveShutdownDelay, v); }
HRESULT Engine::put_nWaveShutdownDelay(std::int16_t v) { return put(settings_.waveShutdownDelay, v); }
HRESULT Engine::get_varSystemStateMCMAC(Variant& v) { return get(settings_.systemStateMcMac, v); }
HRESULT Engine::put_varSystemStateMCMAC(const Variant& v) { return put(settings_.systemStateMcMac, v); }

HRESULT Engine::get_nToneStrength(std::int16_t& v) { return get(settings_.wave.toneStrength, v); }
HRESULT Engine::put_nToneStrength(std::int16_t v) {
    if (v >= 0 && v <= 100) settings_.wave.toneStrength = v;
    return com::S_OK;
}

// Passed through to the record object; without one nothing changes.
HRESULT Engine::get_nMikeVolume(std::int16_t& v) {
    sys::CriticalSectionLock hold(waves_.lock());
    const auto record = waves_.record();
    return record ? record->get_nVolume(v) : com::S_OK;
}
HRESULT Engine::put_nMikeVolume(std::int16_t v) {
    sys::CriticalSectionLock hold(waves_.lock());
    const auto record = waves_.record();
    return record ? record->put_nVolume(v) : com::S_OK;
}

HRESULT Engine::get_varPlayAdapters(Variant& value) { return localAudio_.playAdapters(value); }
HRESULT Engine::get_varRecordAdapters(Variant& value) { return localAudio_.recordAdapters(value); }

// The endpoint's adapter descriptions; an engine without an endpoint makes one for the call.
HRESULT Engine::get_varAdapters(Variant& value) {
    com::Ptr<linkor::IEndPoint> endPoint = endPoint_;
    if (!endPoint) {
        const HRESULT hr = com::ClassRegistry::createAs(linkor::kClsidEndPoint, endPoint);
        if (com::FAILED(hr)) return reportEngineError(hr, "Endpoint object create failure");
    }
    const HRESULT hr = endPoint->get_varAdapterDescriptions(value);
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IEndPoint::iid) : com::S_OK;
}

} // namespace kez::corvane
