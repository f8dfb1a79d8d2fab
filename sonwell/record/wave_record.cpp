// WaveRecord: device and recording lifetime, the capture loop, and the events.
#include "wave_record_object.h"

#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "kez/sys/trace.h"

#include <algorithm>
#include <new>

namespace kez::sonwell {
namespace {

constexpr char kAddFailure[] = "Buffer add failure on wave record object";

// The time the whole ring records: a running device finishes a buffer well within it, so the
// capture thread looks at a quiet device only after that long, to learn whether it failed.
std::chrono::milliseconds quietLimit(std::int32_t captureSamples) {
    const auto rate = static_cast<std::int64_t>(audio::kTelephoneFormat.rate);
    const auto ringSamples = std::int64_t{captureSamples} * static_cast<std::int64_t>(CaptureRing::kBuffers);
    return std::chrono::milliseconds(std::max<std::int64_t>(1, ringSamples * 1000 / rate));
}

} // namespace

WaveRecord::WaveRecord()
    : window_("WaveRecordWindow", [this](apt::Message& m) -> apt::Result {
          if (m.id == kWaveInData) onWaveInData();
          return 0;
      }) {}

WaveRecord::~WaveRecord() { Close(); }

com::HRESULT WaveRecord::fail(com::HRESULT hr, const std::string& text) const {
    return com::reportError(com::FAILED(hr) ? hr : com::DISP_E_EXCEPTION, text, kWaveRecordProgId, kIidIWaveRecord);
}

bool WaveRecord::onCaptureThread() const { return captureThreadId_->load() == std::this_thread::get_id(); }

// A thread held up in a sink past the limit is left to end on its own: it holds what it uses.
void WaveRecord::endCaptureThread() {
    if (!captureThread_.joinable() || onCaptureThread()) return;
    if (!captureThread_.join(kCaptureEndLimit))
        sys::trace("WaveRecord", "capture thread still busy after 1000 ms; left to end on its own");
}

com::HRESULT WaveRecord::Open() {
    Close();
    if (bAutoSetupMixer_) {
        if (const auto outcome = SetUpMicrophone(nAdapter_, microphone_); !outcome.succeeded()) {
            microphone_ = {};
            return fail(outcome.hr, outcome.text);
        }
    }
    auto device = std::make_shared<audio::PcmIn>();
    // Recording may later use other lengths; the shape only sizes the device's periods.
    const audio::QueueShape shape{static_cast<std::size_t>(std::max<std::int32_t>(lCaptureLen_, 0)),
                                  CaptureRing::kBuffers};
    if (const auto result = device->open(nAdapter_, audio::kTelephoneFormat, &CaptureRing::completed, shape);
        !audio::ok(result)) {
        microphone_ = {};
        return fail(waveMmError(result), "Open failure on wave record object");
    }
    device_ = std::move(device);
    return com::S_OK;
}

com::HRESULT WaveRecord::Record(std::int16_t nCompressionCode) {
    if (!device_) return fail(waveMmError(audio::Result::InvalidHandle), "Buffer prepare failure on wave object");
    const RecordSettings settings{.captureSamples = lCaptureLen_,
                                  .sendBytes = lSendLen_,
                                  .compressionCode = nCompressionCode,
                                  .detectSilence = bDetectSilence_,
                                  .noiseFloor = nNoiseFloor_};
    if (const char* refusal = refusedSizes(settings)) return fail(kWaveGeneralError, refusal);
    // Recording again restarts: two capture loops on one ring would hand out frames twice.
    Stop();
    return startRecording(settings);
}

com::HRESULT WaveRecord::startRecording(const RecordSettings& settings) {
    std::shared_ptr<CaptureRing> ring;
    try {
        ring = std::make_shared<CaptureRing>(settings);
    } catch (const std::bad_alloc&) {
        return fail(com::E_OUTOFMEMORY, "Error allocating record source buffers");
    }
    if (!bUseThread_) ring->notifyBy(window_.handle(), kWaveInData);
    // Buffers hold the ring through their completions, so it goes only after the device let them go.
    if (const auto result = ring->queueAll(*device_); !audio::ok(result)) {
        device_->reset();
        return fail(waveMmError(result), kAddFailure);
    }
    if (const auto result = device_->start(); !audio::ok(result)) {
        device_->reset();
        return fail(waveMmError(result), "Record start failure on wave object");
    }
    ring_ = ring;
    if (bUseThread_) {
        const auto quiet = quietLimit(settings.captureSamples);
        captureThreadId_ = std::make_shared<ThreadId>();
        const bool started = captureThread_.start(
            "kez-wave-record",
            [capture = Capture{ring, device_, events_}, threadId = captureThreadId_, quiet] {
                captureLoop(capture, quiet, *threadId);
            },
            sys::ThreadPriority::AboveNormal);
        if (!started) {
            Stop();
            return fail(com::E_OUTOFMEMORY, "Record start failure on wave object");
        }
    }
    return com::S_OK;
}

// Wakes for every finished buffer and at Stop (both set `finished`), and after a quiet spell.
void WaveRecord::captureLoop(const Capture& capture, std::chrono::milliseconds quiet, ThreadId& threadId) {
    threadId = std::this_thread::get_id();
    while (!capture.ring->stopped()) {
        capture.ring->finished.wait(quiet);
        if (!drain(capture)) break;
    }
    threadId = std::thread::id{};
}

bool WaveRecord::drain(const Capture& capture) {
    auto& ring = *capture.ring;
    const auto result = ring.drain(
        *capture.device, [&events = *capture.events](FrameEvent event, auto frame) { fire(events, event, frame); });
    if (audio::ok(result) || ring.stopped()) return true;
    // A device that fails mid-recording (unplugged, sound server gone) ends the recording once;
    // the owner's Stop or Close still releases it.
    ring.stop();
    sys::trace("WaveRecord", std::string(kAddFailure) + ": result " + std::to_string(audio::code(result)));
    return false;
}

void WaveRecord::onWaveInData() {
    // A local owner: a sink may stop the recording from its handler.
    if (const auto ring = ring_; ring && !ring->stopped()) drain({ring, device_, events_});
}

void WaveRecord::fire(Events& events, FrameEvent event, std::span<const std::uint8_t> frame) {
    com::Variant data;
    if (com::FAILED(com::MakeSafeArray(com::ElementType::UI1, frame, data))) return;
    events.fire([&](_IWaveRecordEvents& sink) {
        return event == FrameEvent::SilenceDetected ? sink.SilenceDetected(data) : sink.DataReady(data);
    });
}

com::HRESULT WaveRecord::Stop() {
    const auto ring = std::move(ring_);
    if (ring) {
        ring->stop();
        ring->finished.set();
    }
    endCaptureThread();
    // Every buffer completes before reset returns; the ring (kept by `ring`) outlives that.
    if (ring) device_->reset();
    return com::S_OK;
}

com::HRESULT WaveRecord::Close() {
    Stop();
    // From the capture thread's own handler the device stays until a later call from outside.
    if (onCaptureThread()) return com::S_OK;
    com::HRESULT hr = com::S_OK;
    if (device_) {
        if (const auto result = device_->close(); !audio::ok(result))
            hr = fail(waveMmError(result), "Record close failure on wave object");
        device_.reset();
    }
    microphone_ = {};
    return hr;
}

com::HRESULT WaveRecord::get_varAdapters(com::Variant& value) {
    if (!adapters_) {
        try {
            std::vector<std::string> names;
            for (const auto& device : audio::listDevices(audio::Direction::Capture))
                names.push_back(device.name.empty() ? "Unknown Device - Do not use" : device.name);
            adapters_ = std::move(names);
        } catch (const std::bad_alloc&) {
            return fail(com::E_OUTOFMEMORY, "Creating record adapter list");
        }
    }
    try {
        value = com::SafeArray::fromTexts(*adapters_);
    } catch (const std::bad_alloc&) {
        return fail(com::E_OUTOFMEMORY, "Copying record adapter list");
    }
    return com::S_OK;
}

// Without a mixer the volume, like the speaker's mute, is left alone and the call succeeds.
com::HRESULT WaveRecord::get_nVolume(std::int16_t& value) {
    if (!microphone_.mixer) return com::S_OK;
    std::vector<std::int32_t> values;
    const auto result = microphone_.mixer->getValues(microphone_.volume.id, values);
    if (!audio::ok(result) || values.empty())
        return fail(waveMmError(audio::ok(result) ? audio::Result::Error : result),
                    "GetControlDetails failure on mixer");
    value = static_cast<std::int16_t>(values.front());
    return com::S_OK;
}

com::HRESULT WaveRecord::put_nVolume(std::int16_t value) {
    if (!microphone_.mixer) return com::S_OK;
    const std::size_t channels = microphone_.volume.uniform ? 1 : std::max<std::uint32_t>(microphone_.channels, 1);
    const std::vector<std::int32_t> values(channels, value);
    const auto result = microphone_.mixer->setValues(microphone_.volume.id, values);
    if (!audio::ok(result)) return fail(waveMmError(result), "SetControlDetails failure on mixer");
    return com::S_OK;
}

} // namespace kez::sonwell
