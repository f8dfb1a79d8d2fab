#pragma once
// The queue and worker behind PcmOut and PcmIn: moves sound between the caller's buffers and a
// device channel and completes the buffers, in queue order, on its own thread. An input holds its
// channel only while recording, so an open but idle input keeps no stream on the sound server.
#include "kez/audio/pcm.h"
#include "kez/sys/event.h"
#include "kez/sys/thread.h"

#include "pcm_channel.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

namespace kez::audio {

class PcmStream : public std::enable_shared_from_this<PcmStream> {
public:
    PcmStream(Direction direction, const PcmFormat& format, QueueShape shape, std::string pcmName,
              std::unique_ptr<PcmChannel> channel, Completion completion);

    // Opens the named device and starts the worker.
    static Result open(Direction direction, int device, const PcmFormat& format, QueueShape shape,
                       Completion completion, std::shared_ptr<PcmStream>& out);

    Result queue(PcmBuffer& buffer);
    Result start();
    Result stop();
    Result reset();
    Result close();
    Result position(std::uint64_t& frames) const;
    std::uint32_t xruns() const;

private:
    struct Entry {
        PcmBuffer* buffer;
        std::size_t moved = 0;      // bytes handed to or taken from the device
        std::uint64_t endFrame = 0; // output: device frame count at which it has played
    };
    enum Wanted : unsigned { kNothing = 0, kStop = 1, kReset = 2, kClose = 4 };

    Result request(unsigned wanted);
    void run();
    void serveRequests(std::vector<PcmBuffer*>& done);
    void playStep(std::vector<PcmBuffer*>& done);
    void recordStep(std::vector<PcmBuffer*>& done);
    void discardInput();
    // Input: the channel goes when recording stops, and comes again at the next start.
    void releaseIdleInput();
    sys::Timeout nextWait(std::vector<sys::WaitItem>& items, std::vector<sys::WaitFd>& fds);
    std::size_t wholeFrames(std::size_t bytes) const { return bytes - bytes % frameBytes_; }
    bool onWorker() const { return std::this_thread::get_id() == workerId_.load(); }

    const Direction direction_;
    const PcmFormat format_;
    const QueueShape shape_;
    const std::string pcmName_;
    const std::size_t frameBytes_;
    const Completion completion_;
    std::unique_ptr<PcmChannel> channel_;
    sys::Event wake_{sys::Event::Reset::Auto};
    sys::Thread thread_;
    std::atomic<std::thread::id> workerId_{};

    mutable std::mutex lock_;
    std::condition_variable servedChanged_;
    std::deque<Entry> queue_;
    std::size_t fed_ = 0;      // output: entries wholly handed to the device
    std::uint64_t frames_ = 0; // frames written (output) or recorded (input)
    std::uint64_t played_ = 0; // output: frames heard
    Result failure_ = Result::Ok;
    bool started_ = false;    // input: recording
    bool starved_ = false;    // output: ran dry and not fed since
    bool deviceFull_ = false; // output: the device took less than offered
    bool discarding_ = false; // input: sound arrived with no buffer queued
    std::uint32_t xruns_ = 0;
    unsigned wanted_ = kNothing;
    std::uint64_t requested_ = 0;
    std::uint64_t served_ = 0;
    bool closed_ = false;
};

} // namespace kez::audio
