#pragma once
// The adapters Ralnet offers, as the endpoint lists them once and keeps them.
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kez::linkor {

struct AdapterLists {
    std::vector<std::string> names; // UTF-8
    std::vector<std::string> descriptions;
};

// Sizes of the two lists J5GetAdapterNames fills.
inline constexpr std::size_t kAdapterNamesSize = 1024;
inline constexpr std::size_t kAdapterDescriptionsSize = 4096;

// J5GetAdapterNames' lists, converted from Windows-1252; nothing when it fails.
std::optional<AdapterLists> listAdapters();

// The zero-terminated entries of `list` up to the first empty one, or up to the end of the
// buffer when the list lacks its end.
std::vector<std::string> entriesOf(std::span<const char> list);

// The adapter's name as Ralnet takes it: Windows-1252, at most 255 bytes.
std::string ralnetAdapterName(const std::string& name);

} // namespace kez::linkor
