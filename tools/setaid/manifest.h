#pragma once
// "KEZPacket.inf" on Linux: a small INI file that names the programs to give the capability to.
//
//   [Service]
//   DisplayName=KEZ Packet Driver v1.0
//   Capability=cap_net_raw
//   [Bind]
//   Program=kez-rawsock        ; relative to the manifest's folder, or absolute; may repeat
//   Group=kez-ombrel           ; the group that may run the programs
#include <filesystem>
#include <string>
#include <vector>

namespace kez::setaid {

struct Manifest {
    std::string displayName = "KEZ Packet Driver v1.0";
    std::string capability = "cap_net_raw";
    std::string group = "kez-ombrel";
    std::vector<std::string> programs; // absolute, normalised
};

// 0, or an errno: ENOENT and the like from reading, EFBIG past 64 KiB, EINVAL for a malformed line,
// another capability than cap_net_raw or no program at all.
int readManifest(const std::filesystem::path& file, Manifest& out);
int parseManifest(const std::string& text, const std::filesystem::path& folder, Manifest& out);

} // namespace kez::setaid
