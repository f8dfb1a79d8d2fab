#include "pcm_stream.h"

#include <algorithm>
#include <array>

namespace kez::audio {
namespace {

constexpr sys::Timeout kShortestWait{1};
constexpr sys::Timeout kLongestWait{100};
// A device that is ready but takes nothing is looked at again after this, not at once.
constexpr sys::Timeout kRefusedWait{5};

} // namespace

PcmStream::PcmStream(Direction direction, const PcmFormat& format, QueueShape shape, std::string pcmName,
                     std::unique_ptr<PcmChannel> channel, Completion completion)
    : direction_(direction), format_(format), shape_(shape), pcmName_(std::move(pcmName)),
      frameBytes_(format.frameBytes()), completion_(std::move(completion)), channel_(std::move(channel)) {
    releaseIdleInput();
}

Result PcmStream::open(Direction direction, int device, const PcmFormat& format, QueueShape shape,
                       Completion completion, std::shared_ptr<PcmStream>& out) {
    if (!isOpenable(format)) return Result::BadFormat;
    std::string pcmName;
    if (const auto resolved = resolveDevice(direction, device, pcmName); !ok(resolved)) return resolved;
    std::unique_ptr<PcmChannel> channel;
    if (const auto opened = openChannel(pcmName, direction, format, shape, channel); !ok(opened)) return opened;
    auto stream = std::make_shared<PcmStream>(direction, format, shape, std::move(pcmName), std::move(channel),
                                              std::move(completion));
    const auto name = direction == Direction::Playback ? "kez-pcm-out" : "kez-pcm-in";
    if (!stream->thread_.start(
            name, [stream] { stream->run(); }, sys::ThreadPriority::AboveNormal))
        return Result::NoMemory;
    out = std::move(stream);
    return Result::Ok;
}

Result PcmStream::queue(PcmBuffer& buffer) {
    if (buffer.data == nullptr && buffer.length != 0) return Result::InvalidParameter;
    {
        const std::lock_guard hold(lock_);
        if (closed_) return Result::InvalidHandle;
        if (!ok(failure_)) return failure_;
        buffer.recorded = 0;
        queue_.push_back({&buffer});
        // An input's worker waits for the front buffer's sound, which a buffer behind it does
        // not change; only a first buffer ends its waiting for nothing.
        if (direction_ == Direction::Capture && queue_.size() > 1) return Result::Ok;
    }
    wake_.set();
    return Result::Ok;
}

Result PcmStream::start() {
    {
        const std::lock_guard hold(lock_);
        if (closed_) return Result::InvalidHandle;
        if (!ok(failure_)) return failure_;
        if (started_) return Result::Ok;
        if (!channel_) {
            // Refused now (taken, unplugged): nothing has started, so a later start may try again.
            if (const auto opened = openChannel(pcmName_, direction_, format_, shape_, channel_); !ok(opened))
                return opened;
        }
        if (const auto started = channel_->start(); !ok(started)) return failure_ = started;
        started_ = true;
    }
    wake_.set();
    return Result::Ok;
}

Result PcmStream::stop() { return request(kStop); }
Result PcmStream::reset() { return request(kReset); }

Result PcmStream::close() {
    if (onWorker()) return Result::StillPlaying;
    {
        const std::lock_guard hold(lock_);
        if (closed_) return Result::Ok;
    }
    request(kClose);
    thread_.join();
    const std::lock_guard hold(lock_);
    channel_.reset();
    closed_ = true;
    return Result::Ok;
}

Result PcmStream::request(unsigned wanted) {
    if (onWorker()) return Result::StillPlaying;
    std::unique_lock hold(lock_);
    if (closed_) return Result::InvalidHandle;
    wanted_ |= wanted;
    const auto ticket = ++requested_;
    wake_.set();
    servedChanged_.wait(hold, [&] { return served_ >= ticket; });
    return wanted == kClose || ok(failure_) ? Result::Ok : failure_;
}

Result PcmStream::position(std::uint64_t& frames) const {
    const std::lock_guard hold(lock_);
    if (closed_) return Result::InvalidHandle;
    if (!ok(failure_)) return failure_;
    frames = direction_ == Direction::Playback ? played_ : frames_;
    return Result::Ok;
}

std::uint32_t PcmStream::xruns() const {
    const std::lock_guard hold(lock_);
    return xruns_;
}

void PcmStream::run() {
    workerId_ = std::this_thread::get_id();
    std::vector<PcmBuffer*> done;
    std::vector<sys::WaitItem> items;
    std::vector<sys::WaitFd> fds;
    for (;;) {
        done.clear();
        std::uint64_t serving = 0;
        bool closing = false;
        sys::Timeout wait{};
        {
            const std::lock_guard hold(lock_);
            serving = requested_;
            closing = (wanted_ & kClose) != 0;
            serveRequests(done);
            if (!closing && ok(failure_)) {
                if (direction_ == Direction::Playback)
                    playStep(done);
                else
                    recordStep(done);
            }
            wait = nextWait(items, fds);
        }
        for (auto* buffer : done)
            completion_(*buffer);
        {
            const std::lock_guard hold(lock_);
            served_ = serving;
        }
        servedChanged_.notify_all();
        if (closing) return;
        sys::waitAny(items, wait);
    }
}

void PcmStream::serveRequests(std::vector<PcmBuffer*>& done) {
    const unsigned wanted = std::exchange(wanted_, kNothing);
    if (wanted == kNothing) return;
    if (wanted & (kReset | kClose)) {
        if (channel_) channel_->drop();
        for (auto& entry : queue_) {
            if (direction_ == Direction::Capture) entry.buffer->recorded = entry.moved;
            done.push_back(entry.buffer);
        }
        queue_.clear();
        fed_ = 0;
        frames_ = played_ = 0;
        started_ = starved_ = deviceFull_ = discarding_ = false;
        releaseIdleInput();
        return;
    }
    // Stop (input only): the buffer being filled takes what the device recorded up to now,
    // which the next look would have read, and goes back with what it holds.
    if (started_ && ok(failure_) && !queue_.empty()) recordStep(done);
    if (channel_) channel_->drop();
    started_ = false;
    releaseIdleInput();
    if (!queue_.empty() && queue_.front().moved > 0) {
        queue_.front().buffer->recorded = queue_.front().moved;
        done.push_back(queue_.front().buffer);
        queue_.pop_front();
    }
}

void PcmStream::releaseIdleInput() {
    if (direction_ == Direction::Capture && !started_) channel_.reset();
}

void PcmStream::playStep(std::vector<PcmBuffer*>& done) {
    deviceFull_ = false;
    while (fed_ < queue_.size()) {
        auto& entry = queue_[fed_];
        const std::size_t length = wholeFrames(entry.buffer->length);
        if (entry.moved < length) {
            std::size_t taken = 0;
            const auto written = channel_->write({entry.buffer->data + entry.moved, length - entry.moved}, taken);
            if (!ok(written)) {
                failure_ = written;
                return;
            }
            if (taken > 0) starved_ = false;
            entry.moved += taken;
            frames_ += taken / frameBytes_;
            if (entry.moved < length) {
                deviceFull_ = taken == 0;
                break;
            }
        }
        entry.endFrame = frames_;
        ++fed_;
    }
    std::uint64_t heard = 0;
    if (const auto asked = channel_->played(heard); !ok(asked)) {
        failure_ = asked;
        return;
    }
    played_ = std::max(played_, std::min(heard, frames_));
    while (fed_ > 0 && queue_.front().endFrame <= played_) {
        done.push_back(queue_.front().buffer);
        queue_.pop_front();
        --fed_;
    }
    if (frames_ > 0 && played_ >= frames_ && !starved_) {
        starved_ = true;
        ++xruns_;
    }
}

void PcmStream::recordStep(std::vector<PcmBuffer*>& done) {
    if (!started_) return;
    while (!queue_.empty()) {
        auto& entry = queue_.front();
        const std::size_t length = wholeFrames(entry.buffer->length);
        if (entry.moved < length) {
            std::size_t got = 0;
            const auto read = channel_->read({entry.buffer->data + entry.moved, length - entry.moved}, got);
            if (!ok(read)) {
                failure_ = read;
                return;
            }
            entry.moved += got;
            frames_ += got / frameBytes_;
            if (entry.moved < length) return;
        }
        entry.buffer->recorded = entry.moved;
        done.push_back(entry.buffer);
        queue_.pop_front();
        discarding_ = false;
    }
    discardInput();
}

void PcmStream::discardInput() {
    std::array<std::uint8_t, 4096> scratch{};
    for (;;) {
        std::size_t got = 0;
        if (const auto read = channel_->read({scratch.data(), wholeFrames(scratch.size())}, got); !ok(read)) {
            failure_ = read;
            return;
        }
        if (got == 0) return;
        frames_ += got / frameBytes_;
        if (!discarding_) ++xruns_;
        discarding_ = true;
    }
}

sys::Timeout PcmStream::nextWait(std::vector<sys::WaitItem>& items, std::vector<sys::WaitFd>& fds) {
    items.assign(1, &wake_);
    if (!ok(failure_) || (wanted_ & kClose)) return sys::kInfinite;
    std::uint64_t framesAhead = 0;
    bool useDevice = false;
    if (direction_ == Direction::Playback) {
        if (queue_.empty()) return sys::kInfinite;
        const std::uint64_t until = fed_ > 0 ? queue_.front().endFrame : frames_;
        framesAhead = until - std::min(played_, until);
        useDevice = fed_ < queue_.size();
        if (useDevice && deviceFull_) return kRefusedWait;
    } else {
        if (!started_) return sys::kInfinite;
        useDevice = true;
        framesAhead =
            queue_.empty() ? 0 : (wholeFrames(queue_.front().buffer->length) - queue_.front().moved) / frameBytes_;
    }
    if (useDevice) {
        fds.clear();
        channel_->readiness(fds);
        for (const auto& fd : fds)
            items.emplace_back(fd);
        // A device's descriptors tell when a period has been recorded: no timer is needed then.
        if (direction_ == Direction::Capture && !fds.empty()) return kLongestWait;
    }
    const auto due = framesAhead == 0 ? kLongestWait : channel_->timeFor(framesAhead);
    return std::clamp(due, kShortestWait, kLongestWait);
}

} // namespace kez::audio
