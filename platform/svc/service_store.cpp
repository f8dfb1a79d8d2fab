#include "kez/svc/service_store.h"

#include <filesystem>

#include "kez/reg/key.h"
#include "kez/reg/registry.h"
#include "kez/reg/value_text.h"

namespace kez::svc {
namespace {

using reg::Access;
using reg::Hive;
using reg::Key;
using reg::Status;

constexpr const char* kBindableName = "kez-rawsock";

// A value the record may lack keeps its default.
Status readOptionalText(const Key& key, const char* name, std::string& out) {
    const Status status = key.getString(name, out);
    return status == Status::FileNotFound ? Status::Ok : status;
}

Status readOptionalDword(const Key& key, const char* name, std::uint32_t& out) {
    const Status status = key.getDword(name, out);
    return status == Status::FileNotFound ? Status::Ok : status;
}

Status readPrograms(const Key& key, std::vector<std::string>& out) {
    reg::Value value;
    const Status status = key.queryValue("BoundPrograms", value);
    if (status == Status::FileNotFound) return Status::Ok;
    if (status != Status::Ok) return status;
    if (value.type != reg::Type::MultiSz) return Status::UnsupportedType;
    out = reg::readMultiText(value);
    return Status::Ok;
}

} // namespace

std::string serviceKeyPath(const std::string& name) { return "SYSTEM\\CurrentControlSet\\Services\\" + name; }

bool isBindableProgram(const std::string& program) {
    const std::filesystem::path path(program);
    return path.is_absolute() && path.filename() == kBindableName;
}

std::int32_t ServiceStore::openManager() {
    if (reg::isReadOnly(Hive::LocalMachine) || !caps_.maySetCapabilities()) return kAccessDenied;
    return 0;
}

std::int32_t ServiceStore::write(const std::string& name, const ServiceRecord& record) {
    Key key;
    Status status = Key::create(Hive::LocalMachine, serviceKeyPath(name), Access::ReadWrite, key);
    if (status == Status::Ok) status = key.setString("DisplayName", record.displayName);
    if (status == Status::Ok) status = key.setDword("Type", record.type);
    if (status == Status::Ok) status = key.setDword("Start", record.start);
    if (status == Status::Ok) status = key.setDword("ErrorControl", record.errorControl);
    if (status == Status::Ok) status = key.setString("Group", record.group);
    if (status == Status::Ok) status = key.setValue("BoundPrograms", reg::multiTextValue(record.boundPrograms));
    if (status == Status::Ok) status = key.setString("Capability", record.capability);
    return reg::code(status);
}

std::int32_t ServiceStore::read(const std::string& name, ServiceRecord& out) {
    Key key;
    Status status = Key::open(Hive::LocalMachine, serviceKeyPath(name), Access::Read, key);
    if (status == Status::FileNotFound) return kServiceDoesNotExist;
    ServiceRecord record;
    if (status == Status::Ok) status = readOptionalText(key, "DisplayName", record.displayName);
    if (status == Status::Ok) status = readOptionalDword(key, "Type", record.type);
    if (status == Status::Ok) status = readOptionalDword(key, "Start", record.start);
    if (status == Status::Ok) status = readOptionalDword(key, "ErrorControl", record.errorControl);
    if (status == Status::Ok) status = readOptionalText(key, "Group", record.group);
    if (status == Status::Ok) status = readPrograms(key, record.boundPrograms);
    if (status == Status::Ok) status = readOptionalText(key, "Capability", record.capability);
    if (status == Status::Ok) out = std::move(record);
    return reg::code(status);
}

bool ServiceStore::bindable(const std::string& program) {
    return isBindableProgram(program) && caps_.checkTrusted(program) == 0;
}

std::int32_t ServiceStore::stop(const ServiceRecord& record) {
    bool heldSomewhere = false;
    for (const std::string& program : record.boundPrograms) {
        if (!bindable(program) || !caps_.has(program, record.capability)) continue;
        if (const int error = caps_.revoke(program); error != 0) return error;
        heldSomewhere = true;
    }
    return heldSomewhere ? 0 : kServiceNotActive;
}

std::int32_t ServiceStore::status(const ServiceRecord& record, ServiceState& out) {
    out = ServiceState::Stopped;
    for (const std::string& program : record.boundPrograms) {
        if (bindable(program) && caps_.has(program, record.capability)) out = ServiceState::Running;
    }
    return 0;
}

std::int32_t ServiceStore::remove(const std::string& name) {
    return reg::code(Key::deleteTree(Hive::LocalMachine, serviceKeyPath(name)));
}

} // namespace kez::svc
