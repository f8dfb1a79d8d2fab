// The sound card's mixer state saved and put back, and the play and record device lists: on
// the open wave object, or on one made for the call and let go afterwards, never opened.
#include "engine_object.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

using sonwell::IWavePlay;
using sonwell::IWaveRecord;

template <class Wave, class Use>
HRESULT onOpenOrTemporary(com::Ptr<Wave> wave, const com::Guid& clsid, const char* createFailure, Use use) {
    if (!wave) {
        if (const HRESULT hr = com::ClassRegistry::createAs(clsid, wave); com::FAILED(hr))
            return reportEngineError(hr, createFailure);
    }
    const HRESULT hr = use(*wave);
    return com::FAILED(hr) ? reportCalleeError(hr, Wave::iid) : com::S_OK;
}

template <class Use>
HRESULT onPlayObject(WaveObjects& waves, Use use) {
    sys::CriticalSectionLock hold(waves.lock());
    return onOpenOrTemporary(waves.play(), sonwell::kClsidWavePlay, "WavePlay object create failure", use);
}

} // namespace

HRESULT Engine::CaptureMixerState(const std::string& sRegistryKey) {
    return onPlayObject(waves_, [&](IWavePlay& play) { return play.CaptureMixerData(sRegistryKey); });
}

HRESULT Engine::RestoreMixerState(const std::string& sRegistryKey) {
    return onPlayObject(waves_, [&](IWavePlay& play) { return play.RestoreMixerData(sRegistryKey); });
}

HRESULT Engine::get_varPlayAdapters(Variant& value) {
    return onPlayObject(waves_, [&](IWavePlay& play) { return play.get_varAdapters(value); });
}

// Without the wave lock: the record object is only read here.
HRESULT Engine::get_varRecordAdapters(Variant& value) {
    return onOpenOrTemporary(waves_.record(), sonwell::kClsidWaveRecord, "WaveRecord object create failure",
                             [&](IWaveRecord& record) { return record.get_varAdapters(value); });
}

} // namespace kez::corvane
