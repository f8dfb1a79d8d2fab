#pragma once
// Outcome of a packet-port operation: what went wrong, and the system error behind it.
#include <string>

namespace kez::net {

enum class PortCode {
    Ok,
    NotOpen,
    AlreadyOpen,
    InvalidName,   // adapter name malformed (length, characters, unknown scheme)
    NoSuchAdapter, // no adapter, wire or hub by that name
    NotEthernet,
    PermissionDenied,  // no raw-socket right and the helper could not give one
    HelperUnavailable, // the raw-socket helper is missing or could not be started
    HelperFailed,      // the helper ran but gave no usable descriptor
    Unsupported,       // packet-filter bits this port cannot honour
    InvalidArgument,
    FrameTooLong,
    SystemError,
    InvalidOption, // virtual-wire option text malformed, unknown or out of range
    AdapterInUse,  // another user holds the adapter's station
};

struct PortStatus {
    PortCode code = PortCode::Ok;
    int error = 0; // errno where a system call failed, else 0

    bool ok() const { return code == PortCode::Ok; }
    friend bool operator==(const PortStatus&, const PortStatus&) = default;
};

inline PortStatus portError(PortCode code, int error = 0) { return {code, error}; }

std::string_view codeName(PortCode code);
// "NoSuchAdapter (No such device)" and the like, for logs and diagnostics.
std::string describe(const PortStatus& status);

} // namespace kez::net
