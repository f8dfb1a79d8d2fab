#pragma once
// One station per adapter: J5 names a set by its adapter's address, so one user at a time
// holds an adapter. A claim is a shared lock, at the holder's user id within the adapter's
// range, on the root-owned folder that Setaid makes; the kernel drops it when its holder
// ends. The processes of one user share a claim: ombrel and its wizard hand the station
// over, and a restarted set may open before its predecessor's broker has ended.
// Shared by the broker kez-rawsock and the packet port's own socket.
#include <sys/types.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "kez/net/claims_folder.h"
#include "kez/net/port_status.h"
#include "kez/sys/fd.h"

namespace kez::net::detail {

struct StationClaim {
    sys::UniqueFd lock; // holds the claim; empty when there is no claims folder
    PortStatus status;  // AdapterInUse (EBUSY) with `holder`, or why no claim could be made
    std::uint32_t holder = 0;
};

// Claims the adapter `ifindex` of the calling thread's network namespace for `user`. Without
// the folder (no set-up made one) the claim is granted empty. The folder is used only when it
// belongs to `folderOwner`, has the sticky bit and no one outside its group may write it.
StationClaim claimStation(const std::filesystem::path& folder, int ifindex, uid_t user, uid_t folderOwner = 0);

// "adapter eth0 is in use by another user (uid 1001)"
std::string claimRefusal(std::string_view adapter, std::uint32_t holder);

} // namespace kez::net::detail
