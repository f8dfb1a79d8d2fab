#pragma once
// The software side of the packet filter, shared by every backend: which frames
// pass the J5 framing check and the NDIS filter bits of one port.
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "kez/net/mac_address.h"
#include "kez/net/port_status.h"

namespace kez::net {

// EtherType 0x88B5, plain or behind an in-frame 802.1Q tag; or an 802.3 length
// followed by LLC/SNAP AA AA 03 00 00 00 88 B5, or maker SNAP AA AA 03 02 5A 4E
// with the protocol "DL" or "HU".
bool isJ5Frame(std::span<const std::uint8_t> frame);

PortStatus checkPacketFilterBits(std::uint32_t bits);
// Valid lists come back without duplicates, in their first order.
PortStatus normaliseMulticastList(std::span<const MacAddress> list, std::vector<MacAddress>& out);

class ReceiveFilter {
public:
    void setOwnMac(const MacAddress& mac);
    void setBits(std::uint32_t bits);
    void setMulticastList(std::vector<MacAddress> list);
    std::uint32_t bits() const;

    bool accepts(std::span<const std::uint8_t> frame) const;

private:
    bool destinationAccepted(const MacAddress& destination) const;

    mutable std::mutex mutex_;
    MacAddress ownMac_{};
    std::uint32_t bits_ = 0;
    std::vector<MacAddress> multicast_;
};

} // namespace kez::net
