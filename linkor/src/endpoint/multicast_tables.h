#pragma once
// The endpoint's two multicast tables: IP groups the interface joins and multicast MAC
// addresses the adapter accepts, ten counted entries each. The tables decide; the link
// carries the decisions to Ralnet (or nowhere while the endpoint is not open).
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kez::linkor {

using IpAddress = std::array<std::uint8_t, 4>;
using MacAddress = std::array<std::uint8_t, 6>;

class MulticastLink {
public:
    virtual void join(const IpAddress& group) = 0;
    virtual void leave(const IpAddress& group) = 0;
    // The adapter's whole multicast list, 6 bytes per address; false when refused.
    virtual bool setMacList(std::span<const std::uint8_t> list) = 0;

protected:
    ~MulticastLink() = default;
};

enum class TableChange { Done, Full, ListRefused };

class MulticastTables {
public:
    static constexpr std::size_t kEntries = 10;

    // A group already in the table is counted again, not joined again.
    TableChange addIp(const IpAddress& group, MulticastLink* link);
    // The last count of a group leaves it; an unknown group changes nothing.
    void deleteIp(const IpAddress& group, MulticastLink* link);
    // Leaves every group and empties the IP table (Close).
    void leaveAllIps(MulticastLink* link);
    // Forgets the IP groups without leaving them (Open: the new interface has joined none).
    void forgetIps();

    TableChange addMac(const MacAddress& mac, MulticastLink* link);
    // The last count of an address takes it off the adapter's list, the last address of all
    // included: the adapter is given the empty list.
    TableChange deleteMac(const MacAddress& mac, MulticastLink* link);
    // Gives the adapter the table's list when it holds any address (Open).
    TableChange applyMacs(MulticastLink& link) const;

private:
    template <class Address>
    struct Entry {
        Address address{};
        std::int32_t count = 0; // 0: free
    };
    template <class Address>
    using Table = std::array<Entry<Address>, kEntries>;

    enum class Counting { Added, CountedAgain, Full };
    // Counts `address` once more, or gives it a free entry.
    template <class Address>
    static Counting count(Table<Address>& table, const Address& address);
    // Takes one count off `address`; true when that was its last and the entry is free again.
    template <class Address>
    static bool release(Table<Address>& table, const Address& address);
    TableChange sendMacs(MulticastLink* link) const;

    Table<IpAddress> ips_{};
    Table<MacAddress> macs_{};
};

} // namespace kez::linkor
