#include "kez/reg/registry.h"
#include "hive_store.h"
#include "kez/sys/paths.h"

#include "kez/sys/ascii.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <string_view>

namespace kez::reg {
namespace {

constexpr mode_t kMachineMode = 0664; // group-writable: members of the set's group may save machine settings
constexpr mode_t kUserMode = 0600;
constexpr mode_t kSystemMode = 0644; // root's: everyone reads, no one else writes

enum class StoreFile { Machine, User, System };

// Machine keys that name code to load or a program to start, kept in the root-only store.
const std::array<std::initializer_list<std::string_view>, 3> kRootOnlyKeys{{
    {"SOFTWARE", "Classes"},
    {"SOFTWARE", "Microsoft", "Shared Tools"},
    {"SOFTWARE", "Microsoft", "Shared Tools Location"},
}};

// True when the first `count` names match the prefix's.
bool matches(std::span<const std::string> names, std::initializer_list<std::string_view> prefix, std::size_t count) {
    auto part = prefix.begin();
    for (std::size_t i = 0; i < count; ++i) {
        if (!sys::equalsNoCase(names[i], *part++)) return false;
    }
    return true;
}

bool under(std::span<const std::string> names, std::initializer_list<std::string_view> prefix) {
    return names.size() >= prefix.size() && matches(names, prefix, prefix.size());
}

bool above(std::span<const std::string> names, std::initializer_list<std::string_view> prefix) {
    return names.size() < prefix.size() && matches(names, prefix, names.size());
}

StoreFile storeFileOf(Hive hive, std::span<const std::string> names) {
    if (hive == Hive::CurrentUser) return StoreFile::User;
    if (hive == Hive::ClassesRoot) return StoreFile::System;
    for (const auto& prefix : kRootOnlyKeys) {
        if (under(names, prefix)) return StoreFile::System;
    }
    return StoreFile::Machine;
}

bool listed(std::string_view list, std::string_view word) {
    while (!list.empty()) {
        const auto comma = list.find(',');
        if (list.substr(0, comma) == word) return true;
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
    return false;
}

class Store {
public:
    static Store& instance() {
        static Store store;
        return store;
    }

    void configure(const Settings& settings) {
        std::lock_guard guard(mutex_);
        open(settings);
    }

    std::shared_ptr<HiveFile> file(StoreFile which) {
        std::lock_guard guard(mutex_);
        if (!machine_) open(defaultSettings());
        switch (which) {
        case StoreFile::User: return user_;
        case StoreFile::System: return system_;
        case StoreFile::Machine: break;
        }
        return machine_;
    }

private:
    void open(const Settings& settings) {
        machine_ = std::make_shared<HiveFile>(settings.machineFile, kMachineMode, settings.machineReadOnly,
                                              settings.lockWait, Trust::AnyOwner);
        user_ = std::make_shared<HiveFile>(settings.userFile, kUserMode, settings.userReadOnly, settings.lockWait,
                                           Trust::AnyOwner);
        system_ = std::make_shared<HiveFile>(settings.systemFile, kSystemMode, settings.systemReadOnly,
                                             settings.lockWait, Trust::RootOrSelfOnly);
    }

    std::mutex mutex_;
    std::shared_ptr<HiveFile> machine_;
    std::shared_ptr<HiveFile> user_;
    std::shared_ptr<HiveFile> system_;
};

} // namespace

std::shared_ptr<HiveFile> hiveFile(Hive hive, std::span<const std::string> names) {
    return Store::instance().file(storeFileOf(hive, names));
}

std::shared_ptr<HiveFile> hiveFile(Hive hive) { return hiveFile(hive, {}); }

bool inRootOnlyStore(Hive hive, std::span<const std::string> names) {
    return storeFileOf(hive, names) == StoreFile::System;
}

bool aboveRootOnlyStore(Hive hive, std::span<const std::string> names) {
    if (hive != Hive::LocalMachine) return false;
    return std::ranges::any_of(kRootOnlyKeys, [&](const auto& prefix) { return above(names, prefix); });
}

Settings defaultSettings() {
    const char* readOnly = std::getenv("KEZ_REGISTRY_READONLY");
    const std::string_view list = readOnly == nullptr ? "" : readOnly;
    Settings settings;
    settings.machineFile = sys::registryDir() / "machine.reg";
    settings.userFile = sys::userConfigDir() / "user.reg";
    settings.systemFile = sys::systemRegistryDir() / "system.reg";
    settings.machineReadOnly = settings.systemReadOnly = listed(list, "machine");
    settings.userReadOnly = listed(list, "user");
    return settings;
}

void configure(const Settings& settings) { Store::instance().configure(settings); }

void setReadOnly(Hive hive, bool readOnly) {
    hiveFile(hive)->setForcedReadOnly(readOnly);
    if (hive == Hive::LocalMachine) hiveFile(Hive::ClassesRoot)->setForcedReadOnly(readOnly);
}

bool isReadOnly(Hive hive) { return hiveFile(hive)->isReadOnly(); }

std::optional<DamageReport> damageReport(Hive hive) { return hiveFile(hive)->damageReport(); }

} // namespace kez::reg
