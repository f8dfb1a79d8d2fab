#pragma once
// Services recorded in the machine hive, each started by giving its bound programs a file capability
// and stopped by taking it away again. Results are 0 or the numbers a service manager reports
// (5 access denied, 1060 no such service, 1062 not active) or an errno from the file system.
#include <cstdint>
#include <string>
#include <vector>

#include "kez/sys/file_caps.h"

namespace kez::svc {

constexpr std::int32_t kAccessDenied = 5;
constexpr std::int32_t kServiceDoesNotExist = 1060;
constexpr std::int32_t kServiceNotActive = 1062;

enum class ServiceState : std::uint32_t { Stopped = 1, Running = 4 };

struct ServiceRecord {
    std::string displayName;
    std::uint32_t type = 1;         // kernel driver
    std::uint32_t start = 3;        // on demand
    std::uint32_t errorControl = 1; // normal
    std::string group = "TDI";
    std::vector<std::string> boundPrograms; // absolute paths
    std::string capability;                 // "cap_net_raw"
    bool operator==(const ServiceRecord&) const = default;
};

// "SYSTEM\CurrentControlSet\Services\<name>" in the machine hive.
std::string serviceKeyPath(const std::string& name);

// Only root-owned programs called `kez-rawsock` that nobody else may write are ever given or stripped
// of a capability: members of the group that may write the machine hive could otherwise edit a record
// so that a root-run removal strips another program's capability.
bool isBindableProgram(const std::string& program);

class ServiceStore {
public:
    explicit ServiceStore(sys::FileCaps& caps) : caps_(caps) {}

    // The manager needs a writable machine hive and the right to set file capabilities: else 5.
    std::int32_t openManager();
    // Writes the record whole, replacing one that exists.
    std::int32_t write(const std::string& name, const ServiceRecord& record);
    std::int32_t read(const std::string& name, ServiceRecord& out);
    // Revokes it from every bindable bound program that holds it; 1062 when none did.
    std::int32_t stop(const ServiceRecord& record);
    // Running while any bindable bound program holds the capability.
    std::int32_t status(const ServiceRecord& record, ServiceState& out);
    // Deletes the record's key tree.
    std::int32_t remove(const std::string& name);

private:
    bool bindable(const std::string& program);

    sys::FileCaps& caps_;
};

} // namespace kez::svc
