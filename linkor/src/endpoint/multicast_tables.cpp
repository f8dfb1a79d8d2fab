#include "multicast_tables.h"

#include <algorithm>
#include <vector>

namespace kez::linkor {

namespace {

template <class Entry, class Address>
Entry* entryOf(std::span<Entry> table, const Address& address) {
    const auto it =
        std::find_if(table.begin(), table.end(), [&](const Entry& e) { return e.count > 0 && e.address == address; });
    return it == table.end() ? nullptr : &*it;
}

} // namespace

template <class Address>
MulticastTables::Counting MulticastTables::count(Table<Address>& table, const Address& address) {
    if (auto* entry = entryOf<Entry<Address>>(table, address)) {
        ++entry->count;
        return Counting::CountedAgain;
    }
    const auto free = std::find_if(table.begin(), table.end(), [](const Entry<Address>& e) { return e.count <= 0; });
    if (free == table.end()) return Counting::Full;
    *free = {address, 1};
    return Counting::Added;
}

template <class Address>
bool MulticastTables::release(Table<Address>& table, const Address& address) {
    auto* entry = entryOf<Entry<Address>>(table, address);
    if (!entry || --entry->count > 0) return false;
    *entry = {};
    return true;
}

TableChange MulticastTables::addIp(const IpAddress& group, MulticastLink* link) {
    const Counting counted = count(ips_, group);
    if (counted == Counting::Full) return TableChange::Full;
    if (counted == Counting::Added && link) link->join(group);
    return TableChange::Done;
}

void MulticastTables::deleteIp(const IpAddress& group, MulticastLink* link) {
    if (release(ips_, group) && link) link->leave(group);
}

void MulticastTables::leaveAllIps(MulticastLink* link) {
    for (auto& entry : ips_) {
        if (entry.count > 0 && link) link->leave(entry.address);
        entry = {};
    }
}

void MulticastTables::forgetIps() { ips_ = {}; }

TableChange MulticastTables::addMac(const MacAddress& mac, MulticastLink* link) {
    switch (count(macs_, mac)) {
    case Counting::Full: return TableChange::Full;
    case Counting::Added: return sendMacs(link);
    case Counting::CountedAgain: return TableChange::Done;
    }
    return TableChange::Done;
}

TableChange MulticastTables::deleteMac(const MacAddress& mac, MulticastLink* link) {
    return release(macs_, mac) ? sendMacs(link) : TableChange::Done;
}

TableChange MulticastTables::applyMacs(MulticastLink& link) const {
    const bool any = std::any_of(macs_.begin(), macs_.end(), [](const auto& e) { return e.count > 0; });
    return any ? sendMacs(&link) : TableChange::Done;
}

// The list in table order.
TableChange MulticastTables::sendMacs(MulticastLink* link) const {
    if (!link) return TableChange::Done;
    std::vector<std::uint8_t> list;
    for (const auto& entry : macs_) {
        if (entry.count > 0) list.insert(list.end(), entry.address.begin(), entry.address.end());
    }
    return link->setMacList(list) ? TableChange::Done : TableChange::ListRefused;
}

} // namespace kez::linkor
