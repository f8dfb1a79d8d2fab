#include "wave_objects.h"

#include "collaborators.h"
#include "engine_messages.h"
#include "error_report.h"
#include "timing.h"

namespace kez::corvane {
namespace {

using sonwell::IWavePlay;
using sonwell::IWaveRecord;

constexpr std::int32_t kPlaySampleSize = 192;

// The callee's failure as an Error event.
void postCalleeError(const apt::WindowHandle& errors, com::HRESULT hr, const com::Guid& iid) {
    postEngineError(errors, hr, takeCalleeError(hr, iid).description);
}

} // namespace

com::HRESULT WaveObjects::openPlay(const WaveSettings& s) {
    sys::CriticalSectionLock hold(lock_);
    lastUse_ = sys::tickMs();
    if (play_) return com::S_OK;
    com::Ptr<IWavePlay> play;
    com::HRESULT hr = com::ClassRegistry::createAs(sonwell::kClsidWavePlay, play);
    if (com::FAILED(hr)) return reportEngineError(hr, "Wave Play object create failure");
    hr = adviseOn(play, sonwell::kIidIWavePlayEvents, playSink_, playCookie_);
    if (com::FAILED(hr)) return reportEngineError(hr, "Wave Play object event advise failure");
    hr = firstFailure([&] { return play->put_lBufferDelay(s.bufferDelay); },
                      [&] { return play->put_lBufferMultiplier(s.bufferMultiplier); },
                      [&] { return play->put_lSampleSize(kPlaySampleSize); },
                      [&] { return play->put_nAdapter(s.playAdapter); }, [&] { return play->put_nCountry(s.country); },
                      [&] { return play->put_nToneStrength(s.toneStrength); }, [&] { return play->Open(); },
                      [&] { return play->StartStreaming(); });
    if (com::FAILED(hr)) {
        const com::HRESULT reported = reportCalleeError(hr, IWavePlay::iid);
        unadviseOn(play, sonwell::kIidIWavePlayEvents, playCookie_);
        return reported;
    }
    play_ = std::move(play);
    playSettled_.emplace(timing::scaled(timing::kWavePlaySettle));
    return com::S_OK;
}

com::Ptr<sonwell::IWavePlay> WaveObjects::play() const {
    if (play_ && playSettled_) sys::sleepFor(playSettled_->left());
    return play_;
}

com::HRESULT WaveObjects::openRecord(const WaveSettings& s, bool autoSetupMixer) {
    sys::CriticalSectionLock hold(lock_);
    lastUse_ = sys::tickMs();
    if (record_) return com::S_OK;
    com::Ptr<IWaveRecord> record;
    com::HRESULT hr = com::ClassRegistry::createAs(sonwell::kClsidWaveRecord, record);
    if (com::FAILED(hr)) return reportEngineError(hr, "Wave Record object create failure");
    hr = adviseOn(record, sonwell::kIidIWaveRecordEvents, recordSink_, recordCookie_);
    if (com::FAILED(hr)) return reportEngineError(hr, "Wave record event advise failure");
    hr = firstFailure([&] { return record->put_bUseThread(com::VARIANT_TRUE); },
                      [&] { return record->put_bAutoSetupMixer(com::toVariantBool(autoSetupMixer)); },
                      [&] { return record->put_nAdapter(s.recordAdapter); },
                      [&] { return record->put_nNoiseFloor(s.noiseFloor); }, [&] { return record->Open(); });
    if (com::FAILED(hr)) {
        const com::HRESULT reported = reportCalleeError(hr, IWaveRecord::iid);
        unadviseOn(record, sonwell::kIidIWaveRecordEvents, recordCookie_);
        return reported;
    }
    record_ = std::move(record);
    return com::S_OK;
}

void WaveObjects::closePlay(const apt::WindowHandle& errors) {
    const auto play = std::move(play_);
    playSettled_.reset();
    if (!play) return;
    unadviseOn(play, sonwell::kIidIWavePlayEvents, playCookie_);
    if (const com::HRESULT hr = play->StopStreaming(); com::FAILED(hr)) postCalleeError(errors, hr, IWavePlay::iid);
    if (const com::HRESULT hr = play->Close(); com::FAILED(hr)) postCalleeError(errors, hr, IWavePlay::iid);
}

void WaveObjects::closeRecord(const apt::WindowHandle& errors) {
    const auto record = std::move(record_);
    if (!record) return;
    unadviseOn(record, sonwell::kIidIWaveRecordEvents, recordCookie_);
    if (const com::HRESULT hr = record->Close(); com::FAILED(hr)) postCalleeError(errors, hr, IWaveRecord::iid);
}

bool WaveObjects::playIdle() const {
    std::int32_t active = 1;
    return com::SUCCEEDED(play_->get_lActiveStreams(active)) && active == 0;
}

bool WaveObjects::recordIdle() const {
    com::VariantBool busy = com::VARIANT_TRUE;
    return com::SUCCEEDED(record_->get_bActive(busy)) && busy == com::VARIANT_FALSE;
}

void WaveObjects::closeIdle(sys::Timeout delay, const apt::WindowHandle& errors) {
    sys::CriticalSectionLock hold(lock_);
    if (!lastUse_ || sys::ticksSince(*lastUse_, sys::tickMs()) <= delay.count()) return;
    if (play_ && record_) {
        if (playIdle() && recordIdle()) {
            closePlay(errors);
            closeRecord(errors);
        }
    } else if (play_) {
        if (playIdle()) closePlay(errors);
    } else if (record_ && recordIdle()) {
        closeRecord(errors);
    }
    if (!play_ && !record_) lastUse_.reset();
}

void WaveObjects::clearLastUse() {
    sys::CriticalSectionLock hold(lock_);
    lastUse_.reset();
}

} // namespace kez::corvane
