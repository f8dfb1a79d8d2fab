#include "connection_list.h"

#include <algorithm>

namespace kez::corvane {

AudioConnection* ConnectionList::find(const com::Variant& mac, std::int16_t vdn, std::int16_t compression,
                                      bool activeOnly) {
    const auto found = std::find_if(connections_.begin(), connections_.end(),
                                    [&](const auto& c) { return c->takes(mac, vdn, compression); });
    if (found == connections_.end() || (activeOnly && !(*found)->active())) return nullptr;
    return found->get();
}

AudioConnection* ConnectionList::playing(std::int32_t stream) {
    const auto found = std::find_if(connections_.begin(), connections_.end(),
                                    [&](const auto& c) { return stream != 0 && c->stream() == stream; });
    return found == connections_.end() ? nullptr : found->get();
}

AudioConnection& ConnectionList::append(std::unique_ptr<AudioConnection> connection) {
    sys::CriticalSectionLock hold(lock_);
    connections_.push_back(std::move(connection));
    return *connections_.back();
}

bool ConnectionList::empty() {
    sys::CriticalSectionLock hold(lock_);
    return connections_.empty();
}

void ConnectionList::releaseAll() {
    sys::CriticalSectionLock hold(lock_);
    while (!connections_.empty())
        connections_.pop_back();
}

} // namespace kez::corvane
