#include "veth_stacks.h"

#include <cstring>

namespace kez::test {

J5Result VethStation::open(const StackOpenOptions& options) {
    const J5IpSettings settings = ipSettings();
    const J5IpSettings* own = options.ownIp ? &settings : nullptr;
    J5Result result = J5_FAILED;
    const bool entered = space->run([&] {
        if (!options.configuration) {
            result = J5InitDefault(interface.c_str(), &ctx, nullptr, own);
            return;
        }
        result = J5InitConfiguration(options.configuration, interface.c_str(), &ctx, nullptr);
        if (result == J5_OK) result = J5Start(nullptr, &ctx, own);
    });
    return entered ? result : J5Result{J5_FAILED};
}

bool VethStation::setMac(const net::MacAddress& address) {
    if (!space->ip("link set dev " + interface + " address " + net::formatMac(address))) return false;
    mac = net::formatMac(address);
    return true;
}

J5IpSettings VethStation::ipSettings() const {
    J5IpSettings settings{};
    const std::uint8_t mask[4] = {255, 255, 255, 0};
    std::memcpy(settings.ownIp, ip.data(), 4);
    std::memcpy(settings.subnetMask, mask, 4);
    for (int i = 0; i < 4; ++i)
        settings.ownSubnet[i] = static_cast<std::uint8_t>(ip[i] & mask[i]);
    return settings;
}

VethStacks::VethStacks(const std::string& tag, const VethStacksOptions& options) {
    const auto subnet = [&](int third) { return options.addressed ? std::optional(third) : std::nullopt; };
    const auto addresses = [&](int third) { return options.addressed ? VethOptions::onSubnet(third) : VethOptions{}; };
    if (!options.throughMiddle) {
        direct_.emplace(tag, addresses(0));
        problem_ = direct_->problem();
        place(left_, direct_->first(), direct_->pair(), true, subnet(0));
        place(right_, direct_->second(), direct_->pair(), false, subnet(0));
        return;
    }
    middle_.emplace(tag + "m");
    leftSpace_.emplace(tag + "l");
    rightSpace_.emplace(tag + "r");
    leftPair_.emplace(*leftSpace_, *middle_, addresses(1));
    rightPair_.emplace(*rightSpace_, *middle_, addresses(2));
    for (const NetNamespace* space : {&*middle_, &*leftSpace_, &*rightSpace_}) {
        if (!problem_ && !space->valid()) problem_ = "namespace: " + space->error();
    }
    for (const VethPair* pair : {&*leftPair_, &*rightPair_}) {
        if (!problem_ && !pair->valid()) problem_ = "veth: " + pair->error();
    }
    place(left_, *leftSpace_, *leftPair_, true, subnet(1));
    place(right_, *rightSpace_, *rightPair_, true, subnet(2));
}

void VethStacks::place(VethStation& station, const NetNamespace& space, const VethPair& pair, bool firstEnd,
                       std::optional<int> subnet) {
    station.space = &space;
    station.interface = firstEnd ? pair.firstName() : pair.secondName();
    station.farInterface = firstEnd ? pair.secondName() : pair.firstName();
    if (subnet) {
        const auto third = static_cast<std::uint8_t>(*subnet);
        station.ip = {198, 18, third, static_cast<std::uint8_t>(firstEnd ? 1 : 2)};
        station.farIp = {198, 18, third, static_cast<std::uint8_t>(firstEnd ? 2 : 1)};
    }
    if (problem_) return;
    station.mac = linkAddress(space, station.interface).value_or("");
    if (station.mac.empty()) problem_ = "no link-layer address on " + station.interface;
}

void VethStacks::close() {
    left_.close();
    right_.close();
}

} // namespace kez::test
