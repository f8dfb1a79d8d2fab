#include "adapter_lists.h"

#include <algorithm>
#include <cstring>

#include "kez/com/text.h"
#include "ralnet/j5.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kAdapterNameLimit = 255;

} // namespace

std::vector<std::string> entriesOf(std::span<const char> list) {
    std::vector<std::string> entries;
    std::size_t at = 0;
    while (at < list.size() && list[at] != '\0') {
        const std::size_t length = ::strnlen(list.data() + at, list.size() - at);
        entries.push_back(com::utf8FromWindows1252(std::string_view(list.data() + at, length)));
        at += length + 1;
    }
    return entries;
}

std::optional<AdapterLists> listAdapters() {
    std::vector<char> names(kAdapterNamesSize);
    std::vector<char> descriptions(kAdapterDescriptionsSize);
    if (J5GetAdapterNames(names.data(), static_cast<std::uint32_t>(names.size()), descriptions.data(),
                          static_cast<std::uint32_t>(descriptions.size())) == 0) {
        return std::nullopt;
    }
    return AdapterLists{entriesOf(names), entriesOf(descriptions)};
}

std::string ralnetAdapterName(const std::string& name) {
    std::string ansi = com::windows1252FromUtf8(name);
    ansi.resize(std::min(ansi.size(), kAdapterNameLimit));
    return ansi;
}

} // namespace kez::linkor
