#pragma once
// In-memory audio devices for tests and for running the programs without sound hardware. They
// are named in KEZ_AUDIO_DEVICES as "virtual:<name>" (devices.h) and live for the process.
//
// A virtual device is paced by the system tick (kez::sys::tickMs, so a TestClock drives it):
// output consumes sound at the opened rate and keeps what it played, input delivers the bytes
// fed to it (silence once they run out) at that rate. Switches make it fail as real devices do.
#include "kez/audio/devices.h"
#include "kez/audio/format.h"
#include "kez/audio/mixer.h"
#include "kez/audio/result.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kez::audio {

// A scripted mixer: the test describes its lines; values start at each control's minimum.
class VirtualMixer final : public Mixer {
public:
    std::size_t addDestination(MixerLine line);
    std::size_t addSource(std::size_t destination, MixerLine line);
    // Reading this line (source -1 = the destination itself) fails with `result` (Ok clears).
    void failLine(std::size_t destination, int source, Result result);
    // Reading or writing this control fails with `result` (Ok clears).
    void failControl(std::uint32_t controlId, Result result);
    bool empty() const;

    std::size_t destinationCount() const override;
    Result destination(std::size_t index, MixerLine& out) const override;
    std::size_t sourceCount(std::size_t destination) const override;
    Result source(std::size_t destination, std::size_t index, MixerLine& out) const override;
    Result getValues(std::uint32_t controlId, std::vector<std::int32_t>& values) const override;
    Result setValues(std::uint32_t controlId, std::span<const std::int32_t> values) override;

private:
    struct Destination {
        MixerLine line;
        std::vector<MixerLine> sources;
    };
    Result lineFailure(std::size_t destination, int source) const;
    Result controlFailure(std::uint32_t controlId) const;

    mutable std::mutex lock_;
    std::vector<Destination> destinations_;
    std::map<std::uint32_t, std::vector<std::int32_t>> values_;
    std::map<std::pair<std::size_t, int>, Result> lineFailures_;
    std::map<std::uint32_t, Result> controlFailures_;
};

class VirtualDevice {
public:
    explicit VirtualDevice(std::string name);
    const std::string& name() const { return name_; }

    // Output: every byte played since the last clear.
    std::vector<std::uint8_t> played() const;
    void clearPlayed();
    // Input: bytes to record, after those fed before.
    void feed(std::span<const std::uint8_t> bytes);
    std::uint32_t underruns() const;
    // The format of the open stream in `direction`, if one is open.
    std::optional<PcmFormat> openFormat(Direction direction) const;

    // Opens (and format queries) fail with `result`; Ok clears.
    void failOpens(Result result);
    // Opens and format queries answer BadFormat for anything but `format`.
    void acceptOnly(std::optional<PcmFormat> format);
    // While stalled, time passes without sound moving (no buffer completes).
    void setStalled(bool stalled);
    // Unplugged: open streams fail every call with NoDriver and opens fail; plugIn() brings it back.
    void unplug();
    void plugIn();

    VirtualMixer& mixer() { return mixer_; }

    // Used by the layer's streams.
    Result checkOpen(const PcmFormat& format) const;
    Result attach(Direction direction, const PcmFormat& format);
    void detach(Direction direction);
    bool unplugged() const;
    bool stalled() const;
    void appendPlayed(std::span<const std::uint8_t> bytes);
    // `room` bytes of input, `silence` where nothing was fed.
    std::vector<std::uint8_t> takeInput(std::size_t room, std::uint8_t silence);
    void countUnderrun();

private:
    const std::string name_;
    mutable std::mutex lock_;
    std::vector<std::uint8_t> played_;
    std::vector<std::uint8_t> input_;
    std::size_t inputRead_ = 0;
    std::uint32_t underruns_ = 0;
    Result openFailure_ = Result::Ok;
    std::optional<PcmFormat> acceptOnly_;
    bool stalled_ = false;
    bool unplugged_ = false;
    std::optional<PcmFormat> open_[2];
    VirtualMixer mixer_;
};

// The process's virtual device of that name (without the prefix), made on first use.
std::shared_ptr<VirtualDevice> virtualDevice(std::string_view name);
// Drops every virtual device (streams still open keep theirs).
void forgetVirtualDevices();

} // namespace kez::audio
