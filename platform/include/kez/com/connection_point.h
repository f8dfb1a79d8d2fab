#pragma once
// The event source of a component: sinks advise and unadvise by cookie, events go to
// every advised sink in slot order. Events fire on worker threads (audio receive,
// record) while the owner advises and unadvises on its own thread, so the list is
// locked; sinks are called outside the lock.
//
// Once unadvise returns, the sink is not called again and no call into it is still
// running on another thread, so a sink may hold a plain pointer to its owner. A sink
// may unadvise itself while handling an event. Do not unadvise while holding a lock
// that a sink's handler takes: unadvise waits for that handler.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <type_traits>
#include <vector>

#include "kez/com/hresult.h"
#include "kez/com/object.h"

namespace kez::com {

using Cookie = std::uint32_t;
constexpr Cookie kNoCookie = 0;

// Event numbers of a sink interface, kept as named constants beside its members.
using DispId = std::int32_t;

namespace detail {

// The untyped list behind ConnectionPoint<Sink>.
class SinkList {
public:
    using Sink = std::shared_ptr<void>;

    Cookie advise(Sink sink);
    HRESULT unadvise(Cookie cookie);
    std::size_t count() const;
    // Calls `call` for every sink advised now, in slot order, skipping those unadvised meanwhile.
    void forEach(const std::function<void(const Sink&)>& call);

private:
    struct Slot {
        Sink sink;
        std::uint64_t serial = 0;
    };
    struct Call {
        std::uint64_t serial;
        std::thread::id thread;
    };

    bool beginCall(std::uint64_t serial);
    void endCall(std::uint64_t serial);
    bool calledElsewhere(std::uint64_t serial) const;

    mutable std::mutex mutex_;
    std::condition_variable callEnded_;
    std::vector<Slot> slots_;
    std::vector<Call> calls_;
    std::uint64_t nextSerial_ = 1;
};

} // namespace detail

template <class Sink>
class ConnectionPoint {
public:
    // The cookie is the slot number, from 1; the lowest free slot is reused. A null sink gets kNoCookie.
    Cookie advise(Ptr<Sink> sink) { return sinks_.advise(std::move(sink)); }

    // CONNECT_E_NOCONNECTION for a cookie that names no advised sink.
    HRESULT unadvise(Cookie cookie) { return sinks_.unadvise(cookie); }

    // Number of advised sinks.
    std::size_t count() const { return sinks_.count(); }

    // Calls `call(Sink&)` on every advised sink. A sink's failure result or exception is
    // ignored and never keeps the later sinks from the event.
    template <class Call>
    void fire(Call&& call) {
        sinks_.forEach([&call](const detail::SinkList::Sink& sink) {
            try {
                static_cast<void>(std::invoke(call, *std::static_pointer_cast<Sink>(sink)));
            } catch (...) {
                // A sink's fault stays with that sink.
            }
        });
    }

private:
    detail::SinkList sinks_;
};

} // namespace kez::com
