// WavePlay: lifetime, device, properties and the call-audio streams.
#include "wave_play_object.h"

#include "kez/audio/devices.h"
#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "sonwell/wave_errors.h"

#include <new>

namespace kez::sonwell {

WavePlay::WavePlay()
    : window_("WavePlayWindow", [this](apt::Message& m) -> apt::Result {
          if (m.id != kPlayCompleteMessage) return 0;
          const auto stream = static_cast<std::int32_t>(m.w);
          events_.fire([stream](_IWavePlayEvents& sink) { return sink.PlayComplete(stream); });
          return 0;
      }) {}

WavePlay::~WavePlay() { Close(); }

HRESULT WavePlay::fail(HRESULT hr, const char* text) const {
    return com::reportError(com::FAILED(hr) ? hr : com::DISP_E_EXCEPTION, text, kWavePlayProgId, kIidIWavePlay);
}

PlayMixer* WavePlay::mixer() const { return device_ ? &device_->mixer() : nullptr; }

HRESULT WavePlay::Open() {
    Lock lock(lock_);
    closeLocked();
    if (const auto outcome = speaker_.open(nAdapter_); !outcome.succeeded()) {
        speaker_.close();
        return fail(outcome.hr, outcome.text.c_str());
    }
    PlayFormat format;
    format.samplesPerFrame = lSampleSize_;
    format.bufferCount = lBufferDelay_;
    format.framesPerBuffer = lBufferMultiplier_;
    format.device = audio::kTelephoneFormat;
    try {
        auto device = std::make_unique<CAudioPlayDevice>();
        if (device->Initialize(format, nAdapter_, false) != 0) {
            speaker_.close();
            return fail(device->lastError(), "Error initializing play device");
        }
        device_ = std::move(device);
    } catch (const std::bad_alloc&) {
        speaker_.close();
        return fail(com::E_OUTOFMEMORY, "Memory allocation error");
    }
    return com::S_OK;
}

HRESULT WavePlay::Close() {
    Lock lock(lock_);
    closeLocked();
    return com::S_OK;
}

void WavePlay::closeLocked() {
    if (device_) device_->StopStreaming();
    device_.reset();
    streaming_ = false;
    lActiveStreams_ = 0;
    speaker_.close();
}

HRESULT WavePlay::StartStreaming() {
    Lock lock(lock_);
    if (streaming_) return com::S_OK;
    if (!device_) return fail(kWaveGeneralError, "Error beginning stream");
    if (device_->BeginStreamingPlay() != 0) return fail(device_->lastError(), "Error beginning stream");
    streaming_ = true;
    return com::S_OK;
}

// Stopping destroys every stream, so none is counted any more.
HRESULT WavePlay::StopStreaming() {
    Lock lock(lock_);
    if (!streaming_) return com::S_OK;
    device_->StopStreaming();
    streaming_ = false;
    lActiveStreams_ = 0;
    return com::S_OK;
}

HRESULT WavePlay::created(HRESULT hr, StreamHandle handle, std::int32_t& lStream, const char* text) {
    if (com::FAILED(hr)) return fail(hr, text);
    lStream = static_cast<std::int32_t>(handle);
    ++lActiveStreams_;
    return com::S_OK;
}

HRESULT WavePlay::CreateStream(std::int16_t nCompressionCode, std::int16_t bComfort, std::int32_t& lStream) {
    Lock lock(lock_);
    auto* m = mixer();
    if (!m) return fail(kWaveGeneralError, "Error getting stream");
    StreamHandle handle = 0;
    const HRESULT hr = m->realTimeStream(nCompressionCode, bComfort != 0, handle);
    return created(hr, handle, lStream, "Error getting stream");
}

HRESULT WavePlay::CreateReliableStream(std::int16_t nCompressionCode, std::int32_t lSamples, std::int32_t& lStream) {
    Lock lock(lock_);
    auto* m = mixer();
    if (!m) return fail(kWaveGeneralError, "Error getting reliable stream");
    // Runs on the mixing thread: it only posts to the window.
    auto complete = [window = window_.handle()](StreamHandle stream) {
        window.post({kPlayCompleteMessage, stream, 0, {}});
    };
    StreamHandle handle = 0;
    const HRESULT hr = m->reliableStream(nCompressionCode, lSamples, complete, handle);
    return created(hr, handle, lStream, "Error getting reliable stream");
}

HRESULT WavePlay::DeleteStream(std::int32_t lStream) {
    Lock lock(lock_);
    auto* m = mixer();
    const HRESULT hr = m ? m->ReleaseAudioStream(static_cast<StreamHandle>(lStream)) : kWaveGeneralError;
    if (com::FAILED(hr)) return fail(hr, "Error deleting stream");
    --lActiveStreams_;
    return com::S_OK;
}

HRESULT WavePlay::AddBuffer(std::int32_t lStream, const Variant& varData, std::int16_t nSequence) {
    Lock lock(lock_);
    auto* m = mixer();
    StreamKind kind{};
    if (!m || com::FAILED(m->kindOf(static_cast<StreamHandle>(lStream), kind)))
        return fail(kWaveGeneralError, "Error adding buffer");
    if (kind != StreamKind::RealTime && kind != StreamKind::Reliable)
        return fail(kWaveGeneralError, "Invalid stream type");
    auto& bytes = frameBytes_;
    if (com::FAILED(com::GetSafeArrayEx(varData, bytes))) return fail(com::DISP_E_EXCEPTION, "GetSafeArrayEx failed");
    const auto handle = static_cast<StreamHandle>(lStream);
    const HRESULT hr =
        kind == StreamKind::RealTime
            ? m->withStreamOf<RealTimeStream>(
                  handle, [&](RealTimeStream& s) { return s.AddData(bytes, static_cast<std::uint16_t>(nSequence)); })
            : m->withStreamOf<ReliableStream>(handle, [&](ReliableStream& s) { return s.AddData(bytes); });
    return com::FAILED(hr) ? fail(hr, "Error adding buffer") : com::S_OK;
}

HRESULT WavePlay::AddSilence(std::int32_t lStream, std::int16_t nSequence) {
    const HRESULT hr = onStream<RealTimeStream>(
        lStream, [&](RealTimeStream& s) { return s.Silence(static_cast<std::uint16_t>(nSequence)); });
    return com::FAILED(hr) ? fail(hr, "Error adding silence") : com::S_OK;
}

HRESULT WavePlay::AddComfort(std::int32_t lStream, std::int16_t nSequence) {
    const HRESULT hr = onStream<RealTimeStream>(
        lStream, [&](RealTimeStream& s) { return s.ComfortNoise(static_cast<std::uint16_t>(nSequence)); });
    return com::FAILED(hr) ? fail(hr, "Error adding silence") : com::S_OK;
}

HRESULT WavePlay::bIsActive(std::int32_t lStream, VariantBool& bRetVal) {
    return onStream<CPlayStream>(lStream, [&](CPlayStream& s) {
        bRetVal = com::toVariantBool(s.isActive());
        return com::S_OK;
    });
}

HRESULT WavePlay::ActivateStream(std::int32_t lStream) {
    return onStream<CPlayStream>(lStream, [](CPlayStream& s) {
        s.activate();
        return com::S_OK;
    });
}

HRESULT WavePlay::DeactivateStream(std::int32_t lStream) {
    return onStream<CPlayStream>(lStream, [](CPlayStream& s) {
        s.deactivate();
        return com::S_OK;
    });
}

HRESULT WavePlay::get_lSamplesBuffered(std::int32_t lStream, std::int32_t& pVal) {
    return onStream<CPlayStream>(lStream, [&](CPlayStream& s) {
        pVal = s.buffered();
        return com::S_OK;
    });
}

} // namespace kez::sonwell
