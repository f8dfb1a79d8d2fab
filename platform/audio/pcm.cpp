// PcmOut and PcmIn: thin owners of a PcmStream.
#include "kez/audio/pcm.h"

#include "pcm_stream.h"

namespace kez::audio {
namespace {

template <typename Call>
Result onOpen(const std::shared_ptr<PcmStream>& stream, Call call) {
    return stream ? call(*stream) : Result::InvalidHandle;
}

Result closeStream(std::shared_ptr<PcmStream>& stream) {
    if (!stream) return Result::Ok;
    const auto closed = stream->close();
    if (ok(closed)) stream.reset();
    return closed;
}

} // namespace

Result queryFormat(Direction direction, int device, const PcmFormat& format) {
    if (!isOpenable(format)) return Result::BadFormat;
    std::string pcmName;
    if (const auto resolved = resolveDevice(direction, device, pcmName); !ok(resolved)) return resolved;
    std::unique_ptr<PcmChannel> channel;
    return openChannel(pcmName, direction, format, {}, channel);
}

PcmOut::PcmOut() = default;
PcmOut::~PcmOut() { close(); }

Result PcmOut::open(int device, const PcmFormat& format, Completion completion, QueueShape shape) {
    if (stream_) return Result::Allocated;
    return PcmStream::open(Direction::Playback, device, format, shape, std::move(completion), stream_);
}

Result PcmOut::write(PcmBuffer& buffer) {
    return onOpen(stream_, [&](PcmStream& stream) { return stream.queue(buffer); });
}
Result PcmOut::reset() {
    return onOpen(stream_, [](PcmStream& stream) { return stream.reset(); });
}
Result PcmOut::close() { return closeStream(stream_); }
Result PcmOut::position(std::uint64_t& frames) const {
    return onOpen(stream_, [&](PcmStream& stream) { return stream.position(frames); });
}
std::uint32_t PcmOut::underruns() const { return stream_ ? stream_->xruns() : 0; }
bool PcmOut::isOpen() const { return static_cast<bool>(stream_); }

PcmIn::PcmIn() = default;
PcmIn::~PcmIn() { close(); }

Result PcmIn::open(int device, const PcmFormat& format, Completion completion, QueueShape shape) {
    if (stream_) return Result::Allocated;
    return PcmStream::open(Direction::Capture, device, format, shape, std::move(completion), stream_);
}

Result PcmIn::add(PcmBuffer& buffer) {
    return onOpen(stream_, [&](PcmStream& stream) { return stream.queue(buffer); });
}
Result PcmIn::start() {
    return onOpen(stream_, [](PcmStream& stream) { return stream.start(); });
}
Result PcmIn::stop() {
    return onOpen(stream_, [](PcmStream& stream) { return stream.stop(); });
}
Result PcmIn::reset() {
    return onOpen(stream_, [](PcmStream& stream) { return stream.reset(); });
}
Result PcmIn::close() { return closeStream(stream_); }
Result PcmIn::position(std::uint64_t& frames) const {
    return onOpen(stream_, [&](PcmStream& stream) { return stream.position(frames); });
}
std::uint32_t PcmIn::overruns() const { return stream_ ? stream_->xruns() : 0; }
bool PcmIn::isOpen() const { return static_cast<bool>(stream_); }

} // namespace kez::audio
