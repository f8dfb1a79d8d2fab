#include "udp/group_table.h"

#include "udp/ip_address_checks.h"

namespace ralnet::udp {

std::size_t GroupTable::find(const kez::net::Ipv4Address& group) const {
    for (std::size_t i = 0; i < count_; ++i) {
        if (entries_[i].group == group) return i;
    }
    return kCapacity;
}

void GroupTable::removeAt(std::size_t index) {
    entries_[index] = entries_[count_ - 1];
    entries_[count_ - 1] = GroupEntry{};
    --count_;
}

AddResult GroupTable::add(const kez::net::Ipv4Address& group, std::uint16_t word, std::uint16_t value) {
    if (!isGroupAddress(group.data())) return AddResult::NotAGroup;
    std::lock_guard guard(lock_);
    if (find(group) != kCapacity) return AddResult::AlreadyPresent;
    if (count_ == kCapacity) return AddResult::Full;
    entries_[count_++] = GroupEntry{group, word, value, false};
    ++pendingJoins_;
    return AddResult::Added;
}

bool GroupTable::remove(const kez::net::Ipv4Address& group) {
    std::lock_guard guard(lock_);
    const std::size_t index = find(group);
    if (index == kCapacity) return false;
    removeAt(index);
    ++pendingLeaves_;
    return true;
}

bool GroupTable::takeLeave() {
    std::lock_guard guard(lock_);
    if (pendingLeaves_ == 0) return false;
    pendingLeaves_ = 0;
    // The socket is replaced now, so every group kept is joined again on the new one, also
    // those a join pass took between the leave being registered and this call.
    for (std::size_t i = 0; i < count_; ++i)
        entries_[i].joined = false;
    pendingJoins_ = static_cast<unsigned>(count_);
    return true;
}

GroupList GroupTable::takeJoins() {
    std::lock_guard guard(lock_);
    GroupList list;
    if (pendingJoins_ == 0) return list;
    for (std::size_t i = 0; i < count_; ++i) {
        if (entries_[i].joined) continue;
        entries_[i].joined = true;
        list.groups[list.count++] = entries_[i].group;
    }
    pendingJoins_ = 0;
    return list;
}

void GroupTable::refuse(const kez::net::Ipv4Address& group) {
    std::lock_guard guard(lock_);
    const std::size_t index = find(group);
    if (index != kCapacity) removeAt(index);
}

GroupList GroupTable::snapshot() const {
    std::lock_guard guard(lock_);
    GroupList list;
    for (std::size_t i = 0; i < count_; ++i)
        list.groups[list.count++] = entries_[i].group;
    return list;
}

} // namespace ralnet::udp
