#include "adapter_probe.h"

#include "link/packet_client.h"
#include "selected_adapter.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace kez::adapterprobe {
namespace {

constexpr std::uint32_t kNamesSize = 1024;
constexpr std::uint32_t kDescriptionsSize = 4096;
// Directed, all-multicast and broadcast frames.
constexpr std::uint32_t kPacketFilter = 13;

// Walks a list of zero-terminated entries closed by an empty one; the buffer's end closes it too.
class EntryList {
public:
    explicit EntryList(std::string_view buffer) : rest_(buffer) {}

    // The next entry; empty at the list's end.
    std::string_view next() {
        const std::string_view entry = rest_.substr(0, rest_.find('\0'));
        rest_.remove_prefix(entry.size() == rest_.size() ? entry.size() : entry.size() + 1);
        return entry;
    }

private:
    std::string_view rest_;
};

void printAdapters(std::string_view names, std::string_view descriptions) {
    EntryList nameList(names);
    EntryList descriptionList(descriptions);
    int position = 0;
    for (;; ++position) {
        const std::string_view name = nameList.next();
        const std::string_view description = descriptionList.next();
        if (name.empty() || description.empty()) break;
        std::printf("Adaptor:%d  Raw:%.*s  Desc:%.*s\n", position, static_cast<int>(name.size()), name.data(),
                    static_cast<int>(description.size()), description.data());
    }
    if (position == 0) std::fputs("No adaptors found\n", stdout);
}

// The name at `position` in the list, or empty when the list ends first.
std::string_view nameAt(std::string_view names, int position) {
    EntryList list(names);
    std::string_view name = list.next();
    for (int i = 0; i < position && !name.empty(); ++i)
        name = list.next();
    return name;
}

// Closes the adapter when the steps end, however they end.
class OpenAdapter {
public:
    OpenAdapter(const PacketClient& client, KezPacketHandle handle) : client_(client), handle_(handle) {}
    ~OpenAdapter() {
        if (handle_) client_.closeAdapter(handle_);
    }
    OpenAdapter(const OpenAdapter&) = delete;
    OpenAdapter& operator=(const OpenAdapter&) = delete;
    KezPacketHandle get() const { return handle_; }

private:
    const PacketClient& client_;
    KezPacketHandle handle_;
};

// The settings' choice opened, or null (the reason printed).
KezPacketHandle openSelected(const PacketClient& client, std::string_view names) {
    const AdapterSetting setting = readAdapterSetting();
    if (setting.outcome == AdapterSetting::Outcome::KeyMissing) {
        std::printf("RegOpenKeyEx fail on Ombrel Comm Key %d\n", reg::code(setting.status));
        return nullptr;
    }
    if (setting.outcome == AdapterSetting::Outcome::ValueMissing) {
        std::printf("RegQueryValueEx fail on Ombrel Comm Adaptor value %d\n", reg::code(setting.status));
        return nullptr;
    }
    const std::optional<int> number = adapterNumber(setting.text);
    if (number == kDefaultAdapter) {
        std::fputs("Ombrel has default(0) adaptor selected\n", stdout);
        return client.openAdapter(nullptr);
    }
    std::printf("Ombrel has adaptor %s selected\n", setting.text.c_str());
    const std::string name(number && *number >= 0 ? nameAt(names, *number) : std::string_view{});
    if (name.empty()) {
        std::fputs("Invalid adaptor selected\n", stdout);
        return nullptr;
    }
    return client.openAdapter(name.c_str());
}

} // namespace

PacketClient consoleClient() {
    return {ralnet::link::KezGetAdapterNames, ralnet::link::KezPacketOpenAdapter, ralnet::link::KezPacketSetFilter,
            ralnet::link::KezPacketCloseAdapter};
}

void run(const PacketClient& client) {
    std::array<char, kNamesSize> names{};
    std::array<char, kDescriptionsSize> descriptions{};
    if (!client.getAdapterNames(names.data(), kNamesSize, descriptions.data(), kDescriptionsSize)) return;
    const std::string_view nameList(names.data(), names.size());
    printAdapters(nameList, std::string_view(descriptions.data(), descriptions.size()));

    const OpenAdapter adapter(client, openSelected(client, nameList));
    if (!adapter.get()) return;
    std::fputs("Adaptor was opened successfully\n", stdout);
    if (client.setFilter(adapter.get(), kPacketFilter)) std::fputs("Packet Filter set successfully\n", stdout);
}

} // namespace kez::adapterprobe
