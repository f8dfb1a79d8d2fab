#pragma once
// Installing and removing the packet driver behind the library's exports, on services that tests replace.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "kez/reg/types.h"
#include "kez/sys/file_caps.h"

namespace kez::setaid {

constexpr const char* kServiceName = "KEZPacket";
constexpr std::int32_t kFailed = -1;
// Status polls while the service stops, one second apart.
constexpr int kStopPolls = 60;
constexpr std::chrono::milliseconds kStopPollInterval{1000};

struct Services {
    sys::FileCaps& caps;
    std::function<void(std::chrono::milliseconds)> sleep;
    std::filesystem::path claimsFolder{}; // made on install, removed when empty; none when empty
};

// Installs from "<setupFolder>/KEZPacket.inf": 0 or -1 after a message.
std::int32_t installPacketProtocol(Services& services, const char* setupFolder);
// Stops and deletes the service and the keys of its earlier installs: 0, or -1 after a message.
std::int32_t removePacketService(Services& services);
// Deletes a key and everything below it, one subkey at a time: 0 when it is gone or was never there,
// else the registry's error, at the first key that cannot be deleted.
std::int32_t deleteRegistryRecursive(reg::Hive root, const std::string& path);

// The adapters' claims folder, root's and `group`'s (mode 3770; its parent made 0755 when missing):
// 0 or an errno.
std::int32_t makeClaimsFolder(const std::filesystem::path& folder, std::string_view group);
void removeClaimsFolder(const std::filesystem::path& folder);

// Shows `format` with `code` in place of its "%d" in a warning box titled "Error: KEZ Packet Driver",
// the text cut to 500 bytes with its terminator.
void showError(const char* format, std::int32_t code);

} // namespace kez::setaid
