#pragma once
// An open registry key: a movable handle that names a key of one hive.
#include "kez/reg/status.h"
#include "kez/reg/types.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kez::reg {

class HiveFile;
struct Edit;
struct Node;

class Key {
public:
    static constexpr std::size_t kNoLimit = std::numeric_limits<std::size_t>::max();

    Key() = default;
    Key(Key&&) noexcept = default;
    Key& operator=(Key&&) noexcept = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() = default;

    // Paths use backslashes; names compare without regard to ASCII case and keep the case they were created with.
    // An empty path opens the hive's root. Missing key: FileNotFound; write access to a read-only hive: AccessDenied.
    static Status open(Hive hive, std::string_view path, Access access, Key& out);
    Status open(std::string_view subPath, Access access, Key& out) const;
    // Opens the key, creating it and its missing parents. `created` tells whether the key was new.
    static Status create(Hive hive, std::string_view path, Access access, Key& out, bool* created = nullptr);
    Status create(std::string_view subPath, Access access, Key& out, bool* created = nullptr) const;
    // Deletes a key that has no subkeys (AccessDenied when it has some).
    static Status deleteKey(Hive hive, std::string_view path);
    Status deleteSubKey(std::string_view subPath) const;
    // Deletes a key and everything below it in one save. A hive's root is refused (AccessDenied) and stays whole.
    static Status deleteTree(Hive hive, std::string_view path);
    Status deleteSubTree(std::string_view subPath) const;

    // Reads a value. When it is larger than `limit` bytes: MoreData, `out.type` set, `out.bytes` empty.
    // `needed` (when given) receives the value's size on Ok and on MoreData.
    Status queryValue(std::string_view name, Value& out, std::size_t limit = kNoLimit,
                      std::size_t* needed = nullptr) const;
    // A MULTI_SZ whose text goes on after an empty entry is refused (InvalidParameter): readers stop at the
    // empty entry and would miss the rest.
    Status setValue(std::string_view name, Type type, std::span<const std::uint8_t> bytes);
    Status setValue(std::string_view name, const Value& value);
    Status deleteValue(std::string_view name);

    // By index in case-insensitive name order; NoMoreItems past the end.
    Status enumKey(std::uint32_t index, std::string& name) const;
    Status enumValue(std::uint32_t index, std::string& name, Value* value = nullptr) const;

    // SZ or EXPAND_SZ (expanded) as text up to its first zero; UnsupportedType for other types.
    Status getString(std::string_view name, std::string& out) const;
    Status setString(std::string_view name, std::string_view text, Type type = Type::Sz);
    // A four-byte DWORD; UnsupportedType for other types or lengths.
    Status getDword(std::string_view name, std::uint32_t& out) const;
    Status setDword(std::string_view name, std::uint32_t number);

    bool isOpen() const { return static_cast<bool>(hive_); }
    void close() { *this = Key(); }
    Hive hive() const { return hiveName_; }
    Access access() const { return access_; }
    // The key's path inside its hive, with the case it was stored with.
    std::string path() const;

private:
    static Status openFrom(Hive hive, std::vector<std::string> base, std::string_view path, Access access, bool create,
                           Key& out, bool* created);
    Status checkOpen(Access needed) const;
    Status removeSubKey(std::string_view subPath, bool withSubkeys) const;
    // Runs on the key's node; the hive's root reads as empty until something is written under it.
    Status readNode(const std::function<Status(const Node&)>& look) const;
    // Applies `edit` to the key's node.
    Status writeNode(Edit& edit);
    Status enumBothStores(std::uint32_t index, std::string& name) const;
    bool heldByRootOnlyStore() const;

    std::shared_ptr<HiveFile> hive_;
    std::shared_ptr<HiveFile> rootOnlyBelow_; // the root-only store, for machine keys above the keys it holds
    Hive hiveName_ = Hive::LocalMachine;
    Access access_ = Access::Read;
    std::vector<std::string> names_; // path inside the hive file (ClassesRoot keys start with SOFTWARE\Classes)
    std::size_t rootDepth_ = 0;      // names_ below this depth belong to the hive's root (always present)
};

} // namespace kez::reg
