#pragma once
// The IP multicast groups of an interface (at most four). The exports change the table; the
// multicast receiver takes the pending leaves and joins from it and carries them out.
#include "kez/net/udp_socket.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace ralnet::udp {

struct GroupEntry {
    kez::net::Ipv4Address group{};
    std::uint16_t word = 0;  // kept for the caller, not used
    std::uint16_t value = 0; // kept for the caller, not used
    bool joined = false;
};

struct GroupList {
    std::array<kez::net::Ipv4Address, 4> groups{};
    std::size_t count = 0;
};

enum class AddResult : std::uint8_t { Added, AlreadyPresent, NotAGroup, Full };

class GroupTable {
public:
    static constexpr std::size_t kCapacity = 4;

    AddResult add(const kez::net::Ipv4Address& group, std::uint16_t word, std::uint16_t value);

    // The last entry fills the hole. Closing the socket is what leaves a group, so the
    // removal is carried out by the next takeLeave.
    bool remove(const kez::net::Ipv4Address& group);

    // True when a leave was pending; clears it and marks every group kept to be joined
    // again on the fresh socket.
    bool takeLeave();

    // The entries not yet joined, now marked joined; clears the pending joins.
    GroupList takeJoins();

    // A join the system refused: the entry goes, so a later call may try the group again.
    void refuse(const kez::net::Ipv4Address& group);

    GroupList snapshot() const;

private:
    std::size_t find(const kez::net::Ipv4Address& group) const;
    void removeAt(std::size_t index);

    mutable std::mutex lock_;
    std::array<GroupEntry, kCapacity> entries_{};
    std::size_t count_ = 0;
    unsigned pendingJoins_ = 0;
    unsigned pendingLeaves_ = 0;
};

} // namespace ralnet::udp
