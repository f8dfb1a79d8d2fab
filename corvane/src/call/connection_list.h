#pragma once
// The engine's audio connections under the connection lock, which the handlers on the engine's
// thread, the audio receive thread, key presses and Stop all take. The lock is recursive: the
// page handler releases the connections while it already holds it.
#include <memory>
#include <vector>

#include "audio_connection.h"
#include "kez/sys/critical_section.h"

namespace kez::corvane {

class ConnectionList {
public:
    sys::CriticalSection& lock() { return lock_; }

    // The first connection for these frames; with `activeOnly`, none when that first one is
    // inactive (the search stops there). The caller holds the lock.
    AudioConnection* find(const com::Variant& mac, std::int16_t vdn, std::int16_t compression, bool activeOnly);
    // The first connection playing `stream`. The caller holds the lock.
    AudioConnection* playing(std::int32_t stream);
    AudioConnection& append(std::unique_ptr<AudioConnection> connection);
    bool empty();
    // Destroys every connection, the last first.
    void releaseAll();

    // Calls `visit` on each connection in order; the caller holds the lock.
    template <class Visit>
    void forEach(Visit&& visit) {
        for (const auto& connection : connections_)
            visit(*connection);
    }

private:
    sys::CriticalSection lock_;
    std::vector<std::unique_ptr<AudioConnection>> connections_;
};

} // namespace kez::corvane
