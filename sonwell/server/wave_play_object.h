#pragma once
// The WavePlay class: thin members over the play device, safe for calls from the engine's
// threads (call audio arrives on the network and record threads). Completions of reliable
// streams come back from the mixing thread as a message to the object's hidden window, so
// PlayComplete fires on the creating thread.
#include "play_device.h"
#include "speaker_mixer.h"

#include "kez/apt/hidden_window.h"
#include "kez/com/connection_point_container.h"
#include "sonwell/wave_errors.h"
#include "sonwell/wave_play.h"

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace kez::sonwell {

class WavePlay final : public com::Implements<IWavePlay, com::IConnectionPointContainer> {
public:
    static constexpr apt::MessageId kPlayCompleteMessage = apt::WM_USER + 100; // 1124

    WavePlay();
    ~WavePlay() override;

    HRESULT Open() override;
    HRESULT Close() override;
    HRESULT AddBuffer(std::int32_t lStream, const Variant& varData, std::int16_t nSequence) override;
    HRESULT CreateStream(std::int16_t nCompressionCode, std::int16_t bComfort, std::int32_t& lStream) override;
    HRESULT DeleteStream(std::int32_t lStream) override;
    HRESULT get_lBufferDelay(std::int32_t& value) override;
    HRESULT put_lBufferDelay(std::int32_t value) override;
    HRESULT AddSilence(std::int32_t lStream, std::int16_t nSequence) override;
    HRESULT get_bMute(VariantBool& value) override;
    HRESULT put_bMute(VariantBool value) override;
    HRESULT ChangeVolume(std::int16_t nChange) override;
    HRESULT AddComfort(std::int32_t lStream, std::int16_t nSequence) override;
    HRESULT get_lSampleSize(std::int32_t& value) override;
    HRESULT put_lSampleSize(std::int32_t value) override;
    HRESULT get_lBufferMultiplier(std::int32_t& value) override;
    HRESULT put_lBufferMultiplier(std::int32_t value) override;
    HRESULT StartStreaming() override;
    HRESULT StopStreaming() override;
    HRESULT bIsActive(std::int32_t lStream, VariantBool& bRetVal) override;
    HRESULT get_nAdapter(std::int16_t& value) override;
    HRESULT put_nAdapter(std::int16_t value) override;
    HRESULT get_varAdapters(Variant& value) override;
    HRESULT ActivateStream(std::int32_t lStream) override;
    HRESULT DeactivateStream(std::int32_t lStream) override;
    HRESULT CaptureMixerData(const std::string& sRegistryKey) override;
    HRESULT RestoreMixerData(const std::string& sRegistryKey) override;
    HRESULT PlayTone(std::int16_t nTone, std::int16_t nDuration, std::int32_t lPriority, VariantBool bOverride,
                     std::int32_t& lStream) override;
    HRESULT PlayAlert(std::int16_t nAlert, std::int16_t nCadence, std::int16_t nCycles, std::int32_t lPriority,
                      VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT CreateReliableStream(std::int16_t nCompressionCode, std::int32_t lSamples, std::int32_t& lStream) override;
    HRESULT PlayTimedWave(const Variant& varFormat, const Variant& varData, std::int16_t nDuration,
                          std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT PlayCycledWave(const Variant& varFormat, const Variant& varData, std::int16_t nCycles,
                           std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream) override;
    HRESULT get_nCountry(std::int16_t& value) override;
    HRESULT put_nCountry(std::int16_t value) override;
    HRESULT get_lActiveStreams(std::int32_t& value) override;
    HRESULT get_nToneStrength(std::int16_t& value) override;
    HRESULT put_nToneStrength(std::int16_t value) override;
    HRESULT get_lSamplesBuffered(std::int32_t lStream, std::int32_t& pVal) override;

    // _IWavePlayEvents only.
    HRESULT Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) override {
        return com::adviseOnly(events_, eventsIid, sink, cookie);
    }
    HRESULT Unadvise(const com::Guid& eventsIid, com::Cookie cookie) override {
        return com::unadviseOnly(events_, eventsIid, cookie);
    }
    HRESULT supportsErrorInfo(const com::Guid& interfaceId) const override {
        return interfaceId == IWavePlay::iid ? com::S_OK : com::S_FALSE;
    }

private:
    using Lock = std::unique_lock<std::recursive_mutex>;
    HRESULT fail(HRESULT hr, const char* text) const;
    // The open device's mixer, or null.
    PlayMixer* mixer() const;
    // Counts a stream just created and hands out its handle.
    HRESULT created(HRESULT hr, StreamHandle handle, std::int32_t& lStream, const char* text);
    template <class T>
    HRESULT read(const T& field, T& value) const {
        Lock lock(lock_);
        value = field;
        return com::S_OK;
    }
    template <class T>
    HRESULT write(T& field, T value) {
        Lock lock(lock_);
        field = value;
        return com::S_OK;
    }
    template <class Stream>
    HRESULT onStream(std::int32_t lStream, const std::function<HRESULT(Stream&)>& call) {
        Lock lock(lock_);
        auto* m = mixer();
        return m ? m->withStreamOf<Stream>(static_cast<StreamHandle>(lStream), call) : kWaveGeneralError;
    }
    HRESULT playWave(const Variant& varFormat, const Variant& varData, std::uint16_t durationMs, std::uint8_t cycles,
                     std::int32_t lPriority, VariantBool bOverride, std::int32_t& lStream);
    void closeLocked();

    mutable std::recursive_mutex lock_;
    // AddBuffer's copy of a frame, kept (under lock_) so that a frame costs no allocation.
    std::vector<std::uint8_t> frameBytes_;
    std::int16_t nAdapter_ = -1;
    std::int32_t lBufferDelay_ = 5;
    std::int32_t lSampleSize_ = 192;
    std::int32_t lBufferMultiplier_ = 1;
    std::int16_t nCountry_ = 0;
    std::int32_t lActiveStreams_ = 0;
    std::int16_t nToneStrength_ = 100;
    std::unique_ptr<CAudioPlayDevice> device_;
    bool streaming_ = false;
    SpeakerMixer speaker_;
    std::optional<std::vector<std::string>> adapters_;
    com::ConnectionPoint<_IWavePlayEvents> events_;
    apt::HiddenWindow window_;
};

} // namespace kez::sonwell
