#pragma once
// Hives, value types, access rights and the value record.
#include <cstdint>
#include <vector>

namespace kez::reg {

// ClassesRoot is the machine's "SOFTWARE\Classes", kept in the root-only store; there is no per-user class
// registration.
enum class Hive { LocalMachine, CurrentUser, ClassesRoot };

// Any 32-bit number may be stored; these are the ones the programs use.
enum class Type : std::uint32_t { None = 0, Sz = 1, ExpandSz = 2, Binary = 3, Dword = 4, MultiSz = 7 };

enum class Access { Read, Write, ReadWrite };

// Maps a Windows access mask (KEY_READ, KEY_WRITE, KEY_ALL_ACCESS, 0x2003F, ...) to the rights it implies.
Access accessFromMask(std::uint32_t mask);

constexpr bool canRead(Access access) { return access != Access::Write; }
constexpr bool canWrite(Access access) { return access != Access::Read; }

struct Value {
    Type type = Type::None;
    std::vector<std::uint8_t> bytes;
    bool operator==(const Value&) const = default;
};

} // namespace kez::reg
