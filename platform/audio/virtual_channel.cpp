// The virtual device channel: sound moves at the opened rate as the system tick advances.
#include "kez/audio/virtual_audio.h"
#include "kez/sys/tick.h"

#include "pcm_channel.h"

#include <algorithm>

namespace kez::audio {
namespace {

// How much sound the device holds ahead of what it has played, like a sound card's buffer.
constexpr std::uint64_t kHeldMilliseconds = 200;

// Frames due at the opened rate since an anchor; a stall moves the anchor along with time.
class Pace {
public:
    explicit Pace(std::uint32_t rate) : rate_(rate) {}
    void restart(std::uint64_t frames) {
        anchorTick_ = sys::tickMs();
        anchorFrames_ = frames;
    }
    std::uint64_t due(bool stalled, std::uint64_t frames) {
        if (stalled) restart(frames);
        return anchorFrames_ + std::uint64_t{sys::ticksSince(anchorTick_, sys::tickMs())} * rate_ / 1000;
    }
    sys::Timeout timeFor(std::uint64_t frames) const {
        return sys::Timeout(static_cast<sys::Timeout::rep>((frames * 1000 + rate_ - 1) / rate_));
    }

private:
    std::uint32_t rate_;
    sys::Tick anchorTick_ = 0;
    std::uint64_t anchorFrames_ = 0;
};

class VirtualChannel final : public PcmChannel {
public:
    VirtualChannel(std::shared_ptr<VirtualDevice> device, Direction direction, const PcmFormat& format)
        : device_(std::move(device)), direction_(direction), format_(format), pace_(format.rate) {}
    ~VirtualChannel() override { device_->detach(direction_); }

    Result write(std::span<const std::uint8_t> bytes, std::size_t& taken) override {
        taken = 0;
        if (device_->unplugged()) return Result::NoDriver;
        advance();
        const std::uint64_t room = format_.rate * kHeldMilliseconds / 1000 - (written_ - played_);
        const auto frames = std::min<std::uint64_t>(room, bytes.size() / format_.frameBytes());
        taken = static_cast<std::size_t>(frames) * format_.frameBytes();
        held_.insert(held_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(taken));
        if (frames > 0 && !running_) {
            running_ = true;
            pace_.restart(played_);
        }
        written_ += frames;
        return Result::Ok;
    }

    Result read(std::span<std::uint8_t> bytes, std::size_t& got) override {
        got = 0;
        if (device_->unplugged()) return Result::NoDriver;
        if (!running_) return Result::Ok;
        const auto due = pace_.due(device_->stalled(), recorded_);
        const auto frames = std::min<std::uint64_t>(due - recorded_, bytes.size() / format_.frameBytes());
        got = static_cast<std::size_t>(frames) * format_.frameBytes();
        const auto input = device_->takeInput(got, format_.bits == 8 ? 0x80 : 0);
        std::copy(input.begin(), input.end(), bytes.begin());
        recorded_ += frames;
        return Result::Ok;
    }

    Result played(std::uint64_t& frames) override {
        if (device_->unplugged()) return Result::NoDriver;
        advance();
        frames = played_;
        return Result::Ok;
    }

    Result start() override {
        if (device_->unplugged()) return Result::NoDriver;
        running_ = true;
        pace_.restart(recorded_);
        return Result::Ok;
    }

    void drop() override {
        held_.clear();
        written_ = played_ = recorded_ = 0;
        running_ = false;
    }

    void readiness(std::vector<sys::WaitFd>&) override {}
    sys::Timeout timeFor(std::uint64_t frames) const override { return pace_.timeFor(frames); }

private:
    void advance() {
        if (!running_) return;
        const auto due = pace_.due(device_->stalled(), played_);
        const auto frames = std::min(due, written_) - played_;
        const auto bytes = static_cast<std::ptrdiff_t>(frames * format_.frameBytes());
        device_->appendPlayed({held_.begin(), held_.begin() + bytes});
        held_.erase(held_.begin(), held_.begin() + bytes);
        played_ += frames;
        if (due > written_) {
            running_ = false;
            device_->countUnderrun();
        }
    }

    const std::shared_ptr<VirtualDevice> device_;
    const Direction direction_;
    const PcmFormat format_;
    Pace pace_;
    std::vector<std::uint8_t> held_;
    std::uint64_t written_ = 0;
    std::uint64_t played_ = 0;
    std::uint64_t recorded_ = 0;
    bool running_ = false;
};

} // namespace

Result openAlsaChannel(const std::string& pcmName, Direction direction, const PcmFormat& format, QueueShape shape,
                       std::unique_ptr<PcmChannel>& out);

// The virtual device holds a fixed amount and moves sound as the clock goes, whatever the shape.
Result openChannel(const std::string& pcmName, Direction direction, const PcmFormat& format, QueueShape shape,
                   std::unique_ptr<PcmChannel>& out) {
    if (!pcmName.starts_with(kVirtualPrefix)) return openAlsaChannel(pcmName, direction, format, shape, out);
    auto device = virtualDevice(std::string_view(pcmName).substr(kVirtualPrefix.size()));
    if (const auto attached = device->attach(direction, format); !ok(attached)) return attached;
    out = std::make_unique<VirtualChannel>(std::move(device), direction, format);
    return Result::Ok;
}

} // namespace kez::audio
