// The sound card's mixer state saved and put back, and the play and record device lists: on
// the open wave object, or on one made for the call and let go afterwards, never opened.
#include "local_audio.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

using sonwell::IWavePlay;
using sonwell::IWaveRecord;

template <class Wave, class Use>
com::HRESULT onOpenOrTemporary(com::Ptr<Wave> wave, const com::Guid& clsid, const char* createFailure, Use use) {
    if (!wave) {
        if (const com::HRESULT hr = com::ClassRegistry::createAs(clsid, wave); com::FAILED(hr))
            return reportEngineError(hr, createFailure);
    }
    const com::HRESULT hr = use(*wave);
    return com::FAILED(hr) ? reportCalleeError(hr, Wave::iid) : com::S_OK;
}

template <class Use>
com::HRESULT onPlayObject(WaveObjects& waves, Use use) {
    sys::CriticalSectionLock hold(waves.lock());
    return onOpenOrTemporary(waves.play(), sonwell::kClsidWavePlay, "WavePlay object create failure", use);
}

} // namespace

com::HRESULT LocalAudio::captureMixerState(const std::string& sRegistryKey) {
    return onPlayObject(waves_, [&](IWavePlay& play) { return play.CaptureMixerData(sRegistryKey); });
}

com::HRESULT LocalAudio::restoreMixerState(const std::string& sRegistryKey) {
    return onPlayObject(waves_, [&](IWavePlay& play) { return play.RestoreMixerData(sRegistryKey); });
}

com::HRESULT LocalAudio::playAdapters(com::Variant& value) {
    return onPlayObject(waves_, [&](IWavePlay& play) { return play.get_varAdapters(value); });
}

// Without the wave lock: the record object is only read here.
com::HRESULT LocalAudio::recordAdapters(com::Variant& value) {
    return onOpenOrTemporary(waves_.record(), sonwell::kClsidWaveRecord, "WaveRecord object create failure",
                             [&](IWaveRecord& record) { return record.get_varAdapters(value); });
}

} // namespace kez::corvane
