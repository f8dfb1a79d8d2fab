// Installing: the service record and the helper's capability, all or nothing.
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "kez/svc/service_store.h"
#include "kez/sys/trace.h"
#include "manifest.h"
#include "packet_driver.h"

namespace kez::setaid {
namespace {

// The set-up folder and the manifest's name within 260 bytes, terminator included.
constexpr std::size_t kPathLimit = 260;
constexpr const char* kManifestName = "/KEZPacket.inf";

// What one install changed, undone when a later step fails.
class InstallRun {
public:
    InstallRun(sys::FileCaps& caps, svc::ServiceStore& store) : caps_(caps), store_(store) {}

    std::int32_t writeRecord(const Manifest& manifest) {
        svc::ServiceRecord previous;
        const std::int32_t found = store_.read(kServiceName, previous);
        if (found != 0 && found != svc::kServiceDoesNotExist) return found;
        if (found == 0) previous_ = previous;
        svc::ServiceRecord record;
        record.displayName = manifest.displayName;
        record.boundPrograms = manifest.programs;
        record.capability = manifest.capability;
        recordWritten_ = true;
        return store_.write(kServiceName, record);
    }

    std::int32_t bind(const std::string& program, const Manifest& manifest) {
        if (!svc::isBindableProgram(program)) return EPERM;
        if (const int error = caps_.checkTrusted(program); error != 0) {
            sys::trace("setaid", program + " refused: not a file of root's alone behind folders of root's alone\n");
            return error;
        }
        const bool heldBefore = caps_.has(program, manifest.capability);
        if (const int error = caps_.grant(program, manifest.capability, manifest.group); error != 0) return error;
        if (!heldBefore) granted_.push_back(program);
        return 0;
    }

    void undo() {
        for (const std::string& program : granted_)
            caps_.revoke(program);
        if (!recordWritten_) return;
        if (previous_) {
            store_.write(kServiceName, *previous_);
        } else {
            store_.remove(kServiceName);
        }
    }

private:
    sys::FileCaps& caps_;
    svc::ServiceStore& store_;
    std::optional<svc::ServiceRecord> previous_;
    bool recordWritten_ = false;
    std::vector<std::string> granted_;
};

// The protocol installer: 0 or the failing step's own code.
std::int32_t installProtocol(Services& services, const std::string& manifestPath) {
    svc::ServiceStore store(services.caps);
    if (const std::int32_t error = store.openManager(); error != 0) return error;
    Manifest manifest;
    if (const int error = readManifest(manifestPath, manifest); error != 0) return error;
    for (const std::string& program : manifest.programs) {
        if (!svc::isBindableProgram(program)) return EPERM;
    }
    InstallRun run(services.caps, store);
    std::int32_t error = run.writeRecord(manifest);
    for (auto program = manifest.programs.begin(); error == 0 && program != manifest.programs.end(); ++program)
        error = run.bind(*program, manifest);
    if (error == 0 && !services.claimsFolder.empty()) error = makeClaimsFolder(services.claimsFolder, manifest.group);
    if (error != 0) run.undo();
    return error;
}

std::int32_t manifestPath(const char* setupFolder, std::string& out) {
    if (setupFolder == nullptr) return EINVAL;
    if (std::strlen(setupFolder) + std::strlen(kManifestName) >= kPathLimit) return ENAMETOOLONG;
    out = std::string(setupFolder) + kManifestName;
    return 0;
}

} // namespace

std::int32_t installPacketProtocol(Services& services, const char* setupFolder) {
    std::string path;
    std::int32_t error = manifestPath(setupFolder, path);
    if (error == 0) error = installProtocol(services, path);
    if (error == 0) return 0;
    showError("fnInstallPacket InstallProtocol failed. Error: %d", error);
    sys::trace("setaid", "InstallProtocol failed\n");
    return kFailed;
}

} // namespace kez::setaid
