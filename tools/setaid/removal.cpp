// Removal: stop the service (take the capability away), wait for it, delete it and the keys of
// earlier installs. There are no bindings to review afterwards.
#include "kez/reg/key.h"
#include "kez/svc/service_store.h"
#include "packet_driver.h"

namespace kez::setaid {
namespace {

constexpr std::int32_t kInvalidServiceControl = 1052;
constexpr std::int32_t kCannotAcceptControl = 1061;
// Reported when the service is still running after the last poll.
constexpr std::int32_t kRequestTimeout = 1053;

constexpr const char* kSoftwareKey = "SOFTWARE\\Microsoft\\KEZPacket";
constexpr const char* kEventSourceKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\KEZPacket";

bool stopAccepted(std::int32_t result) {
    return result == 0 || result == svc::kServiceNotActive || result == kInvalidServiceControl ||
           result == kCannotAcceptControl;
}

std::int32_t waitUntilStopped(Services& services, svc::ServiceStore& store, const svc::ServiceRecord& record) {
    for (int poll = 1; poll <= kStopPolls; ++poll) {
        svc::ServiceState state = svc::ServiceState::Running;
        if (const std::int32_t error = store.status(record, state); error != 0) {
            showError("QueryServiceStatus failed. Error: %d", error);
            return kFailed;
        }
        if (state == svc::ServiceState::Stopped) return 0;
        if (poll < kStopPolls) services.sleep(kStopPollInterval);
    }
    showError("QueryServiceStatus > 60 seconds failed. Error: %d", kRequestTimeout);
    return kFailed;
}

void deleteEarlierKeys() {
    if (const std::int32_t error = deleteRegistryRecursive(reg::Hive::LocalMachine, kSoftwareKey); error != 0) {
        showError("DeleteRegistryRecursive for SOFTWARE\\Microsoft\\KEZPacket failed. Error: %d", error);
    }
    if (const std::int32_t error = deleteRegistryRecursive(reg::Hive::LocalMachine, kEventSourceKey); error != 0) {
        showError("DeleteRegistryRecursive for SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\KEZPacket "
                  "failed. Error: %d",
                  error);
    }
}

} // namespace

std::int32_t removePacketService(Services& services) {
    svc::ServiceStore store(services.caps);
    if (const std::int32_t error = store.openManager(); error != 0) {
        showError("OpenSCManager failed. Error: %d", error);
        return kFailed;
    }
    svc::ServiceRecord record;
    if (const std::int32_t error = store.read(kServiceName, record); error != 0) {
        showError("OpenService failed. Error: %d", error);
        return 0;
    }
    if (const std::int32_t result = store.stop(record); !stopAccepted(result)) {
        showError("ControlService failed. Error: %d", result);
        return kFailed;
    }
    if (waitUntilStopped(services, store, record) != 0) return kFailed;
    if (const std::int32_t error = store.remove(kServiceName); error != 0) {
        showError("DeleteService failed. Error: %d", error);
        return kFailed;
    }
    deleteEarlierKeys();
    removeClaimsFolder(services.claimsFolder);
    return 0;
}

std::int32_t deleteRegistryRecursive(reg::Hive root, const std::string& path) {
    reg::Key key;
    const reg::Status opened = reg::Key::open(root, path, reg::Access::ReadWrite, key);
    // Only a missing key counts as deleted: a hive that may not be written is a failure to report.
    if (opened == reg::Status::FileNotFound) return 0;
    if (opened != reg::Status::Ok) return reg::code(opened);
    for (std::string name;;) {
        const reg::Status listed = key.enumKey(0, name);
        if (listed == reg::Status::NoMoreItems) break;
        if (listed != reg::Status::Ok) return reg::code(listed);
        if (const std::int32_t error = deleteRegistryRecursive(root, path + "\\" + name); error != 0) return error;
    }
    key.close();
    return reg::code(reg::Key::deleteKey(root, path));
}

} // namespace kez::setaid
