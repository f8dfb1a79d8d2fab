#include "kez/reg/registry.h"
#include "hive_store.h"
#include "kez/sys/paths.h"

#include <cstdlib>
#include <mutex>
#include <string_view>

namespace kez::reg {
namespace {

constexpr mode_t kMachineMode = 0664; // group-writable: members of the set's group may save machine settings
constexpr mode_t kUserMode = 0600;

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

    std::shared_ptr<HiveFile> hive(Hive hive) {
        std::lock_guard guard(mutex_);
        if (!machine_) open(defaultSettings());
        return hive == Hive::CurrentUser ? user_ : machine_;
    }

private:
    void open(const Settings& settings) {
        machine_ =
            std::make_shared<HiveFile>(settings.machineFile, kMachineMode, settings.machineReadOnly, settings.lockWait);
        user_ = std::make_shared<HiveFile>(settings.userFile, kUserMode, settings.userReadOnly, settings.lockWait);
    }

    std::mutex mutex_;
    std::shared_ptr<HiveFile> machine_;
    std::shared_ptr<HiveFile> user_;
};

} // namespace

std::shared_ptr<HiveFile> hiveFile(Hive hive) { return Store::instance().hive(hive); }

Settings defaultSettings() {
    const char* readOnly = std::getenv("KEZ_REGISTRY_READONLY");
    const std::string_view list = readOnly == nullptr ? "" : readOnly;
    return {sys::registryDir() / "machine.reg", sys::userConfigDir() / "user.reg", listed(list, "machine"),
            listed(list, "user")};
}

void configure(const Settings& settings) { Store::instance().configure(settings); }

void setReadOnly(Hive hive, bool readOnly) { hiveFile(hive)->setForcedReadOnly(readOnly); }

bool isReadOnly(Hive hive) { return hiveFile(hive)->isReadOnly(); }

std::optional<DamageReport> damageReport(Hive hive) { return hiveFile(hive)->damageReport(); }

} // namespace kez::reg
