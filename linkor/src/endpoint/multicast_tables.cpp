#include "multicast_tables.h"

#include <algorithm>
#include <vector>

namespace kez::linkor {

template <class Address>
MulticastTables::Entry<Address>* MulticastTables::find(Table<Address>& table, const Address& address) {
    const auto it = std::find_if(table.begin(), table.end(),
                                 [&](const Entry<Address>& e) { return e.count > 0 && e.address == address; });
    return it == table.end() ? nullptr : &*it;
}

template <class Address>
MulticastTables::Entry<Address>* MulticastTables::freeEntry(Table<Address>& table) {
    const auto it = std::find_if(table.begin(), table.end(), [](const Entry<Address>& e) { return e.count <= 0; });
    return it == table.end() ? nullptr : &*it;
}

TableChange MulticastTables::addIp(const IpAddress& group, MulticastLink* link) {
    if (auto* entry = find(ips_, group)) {
        ++entry->count;
        return TableChange::Done;
    }
    auto* entry = freeEntry(ips_);
    if (!entry) return TableChange::Full;
    *entry = {group, 1};
    if (link) link->join(group);
    return TableChange::Done;
}

void MulticastTables::deleteIp(const IpAddress& group, MulticastLink* link) {
    auto* entry = find(ips_, group);
    if (!entry || --entry->count > 0) return;
    *entry = {};
    if (link) link->leave(group);
}

void MulticastTables::leaveAllIps(MulticastLink* link) {
    for (auto& entry : ips_) {
        if (entry.count > 0 && link) link->leave(entry.address);
        entry = {};
    }
}

void MulticastTables::forgetIps() { ips_ = {}; }

TableChange MulticastTables::addMac(const MacAddress& mac, MulticastLink* link) {
    if (auto* entry = find(macs_, mac)) {
        ++entry->count;
        return TableChange::Done;
    }
    auto* entry = freeEntry(macs_);
    if (!entry) return TableChange::Full;
    *entry = {mac, 1};
    return sendMacs(link);
}

TableChange MulticastTables::deleteMac(const MacAddress& mac, MulticastLink* link) {
    auto* entry = find(macs_, mac);
    if (!entry || --entry->count > 0) return TableChange::Done;
    *entry = {};
    return sendMacs(link);
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
