// The ALSA device channel: a non-blocking PCM in interleaved read/write mode.
#include "alsa_support.h"
#include "pcm_channel.h"

#include <alsa/asoundlib.h>

#include <algorithm>

namespace kez::audio {
namespace {

// Sound servers ask for sound a period at a time; short periods underflow them under load, and
// each costs a wake-up of the server's client thread and of the stream's worker.
constexpr unsigned kPeriodMicroseconds = 10'000;
constexpr unsigned kLongestPeriodMicroseconds = 100'000;
// Larger than any queue a caller keeps: a sound server's plug-in whose buffer the queue fills
// stops taking sound after an underflow until its own prebuffering gives up.
constexpr unsigned kBufferMicroseconds = 200'000;
constexpr unsigned kLongestBufferMicroseconds = 2'000'000;
// Room beyond the caller's queue, in periods.
constexpr std::size_t kSparePeriods = 2;

struct Sizes {
    unsigned periodMicroseconds = kPeriodMicroseconds;
    unsigned bufferMicroseconds = kBufferMicroseconds;
};

// A period of the caller's buffer, and a device buffer that holds the caller's whole queue.
Sizes sizesFor(const PcmFormat& format, QueueShape shape) {
    Sizes sizes;
    if (shape.bufferFrames == 0) return sizes;
    const std::uint64_t period = std::uint64_t{shape.bufferFrames} * 1'000'000 / format.rate;
    sizes.periodMicroseconds =
        static_cast<unsigned>(std::clamp<std::uint64_t>(period, kPeriodMicroseconds, kLongestPeriodMicroseconds));
    const std::uint64_t held = std::uint64_t{sizes.periodMicroseconds} * (shape.buffers + kSparePeriods);
    sizes.bufferMicroseconds =
        static_cast<unsigned>(std::clamp<std::uint64_t>(held, kBufferMicroseconds, kLongestBufferMicroseconds));
    return sizes;
}

class AlsaChannel final : public PcmChannel {
public:
    AlsaChannel(snd_pcm_t* pcm, const PcmFormat& format) : pcm_(pcm), format_(format) {}
    ~AlsaChannel() override { snd_pcm_close(pcm_); }

    Result write(std::span<const std::uint8_t> bytes, std::size_t& taken) override {
        taken = 0;
        const auto frames = static_cast<snd_pcm_uframes_t>(bytes.size() / format_.frameBytes());
        const auto write = [&] { return snd_pcm_writei(pcm_, bytes.data(), frames); };
        const auto done = transfer(write);
        if (done < 0) return gone(static_cast<int>(done));
        written_ += static_cast<std::uint64_t>(done);
        taken = static_cast<std::size_t>(done) * format_.frameBytes();
        return Result::Ok;
    }

    Result read(std::span<std::uint8_t> bytes, std::size_t& got) override {
        got = 0;
        const auto frames = static_cast<snd_pcm_uframes_t>(bytes.size() / format_.frameBytes());
        const auto done = transfer([&] { return snd_pcm_readi(pcm_, bytes.data(), frames); });
        if (done < 0) return gone(static_cast<int>(done));
        got = static_cast<std::size_t>(done) * format_.frameBytes();
        return Result::Ok;
    }

    Result played(std::uint64_t& frames) override {
        // Not started: nothing new was heard since the last prepare (and a sound server may
        // not know its latency yet).
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_PREPARED) {
            frames = preparedAt_;
            return Result::Ok;
        }
        snd_pcm_sframes_t delay = 0;
        const int error = snd_pcm_delay(pcm_, &delay);
        if (error == -EPIPE || snd_pcm_state(pcm_) == SND_PCM_STATE_XRUN) {
            // Everything written has played; get ready for the next write.
            prepare();
            frames = written_;
            return Result::Ok;
        }
        if (error < 0) return gone(error);
        const auto pending = static_cast<std::uint64_t>(std::max<snd_pcm_sframes_t>(delay, 0));
        frames = written_ - std::min(pending, written_);
        return Result::Ok;
    }

    Result start() override {
        if (const int error = snd_pcm_start(pcm_); error < 0) return gone(error);
        started_ = true;
        return Result::Ok;
    }

    void drop() override {
        snd_pcm_drop(pcm_);
        written_ = 0;
        prepare();
        started_ = false;
    }

    void readiness(std::vector<sys::WaitFd>& out) override {
        const int count = snd_pcm_poll_descriptors_count(pcm_);
        if (count <= 0) return;
        std::vector<pollfd> fds(static_cast<std::size_t>(count));
        const int filled = snd_pcm_poll_descriptors(pcm_, fds.data(), static_cast<unsigned>(count));
        for (int i = 0; i < filled; ++i)
            out.push_back({fds[static_cast<std::size_t>(i)].fd, fds[static_cast<std::size_t>(i)].events});
    }

    sys::Timeout timeFor(std::uint64_t frames) const override {
        return sys::Timeout(static_cast<sys::Timeout::rep>((frames * 1000 + format_.rate - 1) / format_.rate));
    }

private:
    // One transfer; after an underrun, an overrun or a stream the server dropped, the PCM is
    // prepared again and the transfer tried once more. Sound it held counts as played.
    template <typename Transfer>
    snd_pcm_sframes_t transfer(Transfer call) {
        snd_pcm_sframes_t done = call();
        if (done < 0 && done != -EAGAIN) {
            if (prepare() < 0) return done;
            if (started_ && snd_pcm_start(pcm_) < 0) return done;
            done = call();
        }
        return done == -EAGAIN ? 0 : done;
    }

    int prepare() {
        preparedAt_ = written_;
        return snd_pcm_prepare(pcm_);
    }

    Result gone(int error) {
        if (snd_pcm_state(pcm_) == SND_PCM_STATE_DISCONNECTED) return Result::NoDriver;
        const auto result = alsa::result(error);
        return result == Result::InvalidParameter || result == Result::BadDeviceId ? Result::NoDriver : result;
    }

    snd_pcm_t* const pcm_;
    const PcmFormat format_;
    std::uint64_t written_ = 0;
    std::uint64_t preparedAt_ = 0; // frames written before the last prepare, all played
    bool started_ = false;         // capture: recording was started
};

int configure(snd_pcm_t* pcm, Direction direction, const PcmFormat& format, Sizes sizes) {
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    if (int error = snd_pcm_hw_params_any(pcm, hw); error < 0) return error;
    const auto sampleFormat = format.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    if (snd_pcm_hw_params_set_access(pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED) < 0 ||
        snd_pcm_hw_params_set_format(pcm, hw, sampleFormat) < 0 ||
        snd_pcm_hw_params_set_channels(pcm, hw, format.channels) < 0 ||
        snd_pcm_hw_params_set_rate(pcm, hw, format.rate, 0) < 0)
        return -EDOM; // the format is refused
    unsigned period = sizes.periodMicroseconds;
    unsigned buffer = sizes.bufferMicroseconds;
    snd_pcm_hw_params_set_period_time_near(pcm, hw, &period, nullptr);
    snd_pcm_hw_params_set_buffer_time_near(pcm, hw, &buffer, nullptr);
    if (int error = snd_pcm_hw_params(pcm, hw); error < 0) return error;

    snd_pcm_uframes_t periodFrames = 0;
    snd_pcm_hw_params_get_period_size(hw, &periodFrames, nullptr);
    snd_pcm_sw_params_t* sw = nullptr;
    snd_pcm_sw_params_alloca(&sw);
    if (int error = snd_pcm_sw_params_current(pcm, sw); error < 0) return error;
    // Playback starts with the first frame written, so a short queue plays at once.
    if (direction == Direction::Playback) snd_pcm_sw_params_set_start_threshold(pcm, sw, 1);
    snd_pcm_sw_params_set_avail_min(pcm, sw, periodFrames);
    return snd_pcm_sw_params(pcm, sw);
}

} // namespace

Result openAlsaChannel(const std::string& pcmName, Direction direction, const PcmFormat& format, QueueShape shape,
                       std::unique_ptr<PcmChannel>& out) {
    alsa::silenceLibraryErrors();
    snd_pcm_t* pcm = nullptr;
    const auto stream = direction == Direction::Playback ? SND_PCM_STREAM_PLAYBACK : SND_PCM_STREAM_CAPTURE;
    if (const int error = snd_pcm_open(&pcm, pcmName.c_str(), stream, SND_PCM_NONBLOCK); error < 0) {
        const auto result = alsa::result(error);
        return result == Result::Error || result == Result::InvalidParameter ? Result::NoDriver : result;
    }
    if (const int error = configure(pcm, direction, format, sizesFor(format, shape)); error < 0) {
        snd_pcm_close(pcm);
        return error == -EDOM || error == -EINVAL ? Result::BadFormat : alsa::result(error);
    }
    out = std::make_unique<AlsaChannel>(pcm, format);
    return Result::Ok;
}

} // namespace kez::audio
