#pragma once
// Result of every registry operation: the Windows error numbers that callers compare and print.
#include <cstdint>

namespace kez::reg {

enum class Status : std::int32_t {
    Ok = 0,
    FileNotFound = 2,       // key or value missing
    AccessDenied = 5,       // read-only hive, handle without the right, key with subkeys
    InvalidParameter = 87,  // malformed path or name
    MoreData = 234,         // value larger than the caller's limit
    NoMoreItems = 259,      // enumeration index past the end
    QuotaExceeded = 613,    // the change would pass the hive's size limits
    IoFailed = 1016,        // the hive file could not be read or written
    KeyDeleted = 1018,      // the handle's key was deleted
    LockTimeout = 1460,     // another process kept the hive locked, saving nothing, past the wait limit
    UnsupportedType = 1630, // typed read of a value of another type
};

constexpr std::int32_t code(Status status) { return static_cast<std::int32_t>(status); }

// Short lower-case text for messages ("access denied").
const char* describe(Status status);

} // namespace kez::reg
