#include "kez/com/connection_point.h"

#include <algorithm>
#include <utility>

namespace kez::com::detail {

Cookie SinkList::advise(Sink sink) {
    if (!sink) {
        return kNoCookie;
    }
    std::lock_guard lock(mutex_);
    auto free = std::find_if(slots_.begin(), slots_.end(), [](const Slot& slot) { return !slot.sink; });
    if (free == slots_.end()) {
        free = slots_.insert(slots_.end(), Slot{});
    }
    free->sink = std::move(sink);
    free->serial = nextSerial_++;
    return static_cast<Cookie>(free - slots_.begin() + 1);
}

HRESULT SinkList::unadvise(Cookie cookie) {
    Sink released;
    {
        std::unique_lock lock(mutex_);
        if (cookie == kNoCookie || cookie > slots_.size() || !slots_[cookie - 1].sink) {
            return CONNECT_E_NOCONNECTION;
        }
        Slot& slot = slots_[cookie - 1];
        released = std::move(slot.sink);
        const std::uint64_t serial = slot.serial;
        callEnded_.wait(lock, [&] { return !calledElsewhere(serial); });
    }
    // `released` goes here, outside the lock: a sink's destructor may use this list.
    return S_OK;
}

std::size_t SinkList::count() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(slots_.begin(), slots_.end(), [](const Slot& slot) { return slot.sink != nullptr; }));
}

void SinkList::forEach(const std::function<void(const Sink&)>& call) {
    std::vector<Slot> snapshot;
    {
        std::lock_guard lock(mutex_);
        snapshot = slots_;
    }
    for (const Slot& slot : snapshot) {
        if (!slot.sink || !beginCall(slot.serial)) {
            continue;
        }
        struct EndCall {
            SinkList& list;
            std::uint64_t serial;
            ~EndCall() { list.endCall(serial); }
        } endCall{*this, slot.serial};
        call(slot.sink);
    }
}

bool SinkList::beginCall(std::uint64_t serial) {
    std::lock_guard lock(mutex_);
    const bool stillAdvised = std::any_of(slots_.begin(), slots_.end(),
                                          [serial](const Slot& slot) { return slot.sink && slot.serial == serial; });
    if (stillAdvised) {
        calls_.push_back(Call{serial, std::this_thread::get_id()});
    }
    return stillAdvised;
}

void SinkList::endCall(std::uint64_t serial) {
    {
        std::lock_guard lock(mutex_);
        const auto self = std::this_thread::get_id();
        const auto call = std::find_if(calls_.begin(), calls_.end(),
                                       [&](const Call& c) { return c.serial == serial && c.thread == self; });
        if (call != calls_.end()) {
            calls_.erase(call);
        }
    }
    callEnded_.notify_all();
}

bool SinkList::calledElsewhere(std::uint64_t serial) const {
    const auto self = std::this_thread::get_id();
    return std::any_of(calls_.begin(), calls_.end(),
                       [&](const Call& call) { return call.serial == serial && call.thread != self; });
}

} // namespace kez::com::detail
