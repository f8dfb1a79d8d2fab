#pragma once
// The WaveRecord class. Its members are called on the creating thread; with bUseThread the
// capture thread processes the buffers and fires the events, without it the hidden window does.
// The capture thread holds everything it reaches (buffers, device, event sinks) through shared
// ownership and never the object itself: Stop waits for it only a while, and a thread held up
// in a sink past that ends on its own later, after its owner may be gone.
#include "capture_ring.h"

#include "kez/apt/hidden_window.h"
#include "kez/audio/pcm.h"
#include "kez/com/connection_point_container.h"
#include "kez/sys/thread.h"
#include "sonwell/mixer_state.h"
#include "sonwell/wave_record.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kez::sonwell {

class WaveRecord final : public com::Implements<IWaveRecord, com::IConnectionPointContainer> {
public:
    // The wave input's "buffer filled" message, as the window receives it without a capture thread.
    static constexpr apt::MessageId kWaveInData = 960;

    WaveRecord();
    ~WaveRecord() override;
    WaveRecord(const WaveRecord&) = delete;
    WaveRecord& operator=(const WaveRecord&) = delete;

    com::HRESULT Open() override;
    com::HRESULT Record(std::int16_t nCompressionCode) override;
    com::HRESULT Stop() override;
    com::HRESULT Close() override;
    com::HRESULT get_lBufferLen(std::int32_t& value) override;
    com::HRESULT put_lBufferLen(std::int32_t value) override;
    com::HRESULT get_bUseThread(com::VariantBool& value) override;
    com::HRESULT put_bUseThread(com::VariantBool value) override;
    com::HRESULT get_bDetectSilence(com::VariantBool& value) override;
    com::HRESULT put_bDetectSilence(com::VariantBool value) override;
    com::HRESULT get_nVolume(std::int16_t& value) override;
    com::HRESULT put_nVolume(std::int16_t value) override;
    com::HRESULT get_nNoiseFloor(std::int16_t& value) override;
    com::HRESULT put_nNoiseFloor(std::int16_t value) override;
    com::HRESULT get_bAutoSetupMixer(com::VariantBool& value) override;
    com::HRESULT put_bAutoSetupMixer(com::VariantBool value) override;
    com::HRESULT get_lCaptureLen(std::int32_t& value) override;
    com::HRESULT put_lCaptureLen(std::int32_t value) override;
    com::HRESULT get_lSendLen(std::int32_t& value) override;
    com::HRESULT put_lSendLen(std::int32_t value) override;
    com::HRESULT get_nAdapter(std::int16_t& value) override;
    com::HRESULT put_nAdapter(std::int16_t value) override;
    com::HRESULT get_varAdapters(com::Variant& value) override;
    com::HRESULT get_bActive(com::VariantBool& value) override;

    // _IWaveRecordEvents only.
    com::HRESULT Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override {
        return com::adviseOnly(*events_, eventsIid, sink, cookie);
    }
    com::HRESULT Unadvise(const com::Guid& eventsIid, com::Cookie cookie) override {
        return com::unadviseOnly(*events_, eventsIid, cookie);
    }
    com::HRESULT supportsErrorInfo(const com::Guid& interfaceId) const override {
        return interfaceId == IWaveRecord::iid ? com::S_OK : com::S_FALSE;
    }

    // How long Stop waits for the capture thread.
    static constexpr sys::Timeout kCaptureEndLimit{1000};

private:
    using Events = com::ConnectionPoint<_IWaveRecordEvents>;
    using ThreadId = std::atomic<std::thread::id>;
    // What processing a recording's buffers reaches, shared with the capture thread.
    struct Capture {
        std::shared_ptr<CaptureRing> ring;
        std::shared_ptr<audio::PcmIn> device;
        std::shared_ptr<Events> events;
    };

    com::HRESULT fail(com::HRESULT hr, const std::string& text) const;
    // What Record starts: the ring queued and running, and the thread when there is one.
    com::HRESULT startRecording(const RecordSettings& settings);
    static void captureLoop(const Capture& capture, std::chrono::milliseconds quiet, ThreadId& threadId);
    // Processes what has finished; false once the device has failed (reported once).
    static bool drain(const Capture& capture);
    static void fire(Events& events, FrameEvent event, std::span<const std::uint8_t> frame);
    void onWaveInData();
    // Waits for the capture thread, up to kCaptureEndLimit (not from the thread itself).
    void endCaptureThread();
    bool onCaptureThread() const;

    std::int32_t lBufferLen_ = 192;
    std::int32_t lCaptureLen_ = 192;
    std::int32_t lSendLen_ = 192;
    std::int16_t nAdapter_ = -1;
    bool bUseThread_ = true;
    bool bDetectSilence_ = false;
    std::int16_t nNoiseFloor_ = 50;
    bool bAutoSetupMixer_ = true;

    std::shared_ptr<audio::PcmIn> device_;
    MicrophoneLine microphone_;
    std::shared_ptr<CaptureRing> ring_;
    std::optional<std::vector<std::string>> adapters_;

    std::shared_ptr<Events> events_ = std::make_shared<Events>();
    apt::HiddenWindow window_;
    // The current capture thread's own record of its identifier.
    std::shared_ptr<ThreadId> captureThreadId_ = std::make_shared<ThreadId>();
    sys::Thread captureThread_;
};

} // namespace kez::sonwell
