#pragma once
// One change to a hive's tree, applied with its cost: the size of the tree is kept up to date edit by edit, so
// that n edits cost O(n) whatever the tree holds, and an edit that would pass the hive's limits is refused before
// anything changes.
#include "hive_limits.h"
#include "kez/reg/status.h"
#include "node.h"

#include <cstddef>
#include <string>
#include <vector>

namespace kez::reg {

// What the hive's limits are checked against: counts, the memory estimate, and the length of the saved file.
struct HiveSize {
    std::size_t keys = 0;
    std::size_t values = 0;
    std::size_t treeBytes = 0;
    std::size_t fileBytes = 0;
    bool operator==(const HiveSize&) const = default;
};

// Walks the whole tree (and formats it once).
HiveSize measureHive(const Node& root);
// Null when `size` keeps within the limits, else which limit it passes.
const char* exceededLimit(const HiveSize& size, const HiveLimits& limits);

struct Edit {
    enum class Kind { CreateKey, SetValue, DeleteValue, DeleteKey, DeleteTree };

    Kind kind = Kind::CreateKey;
    std::vector<std::string> path; // the key written to, created or deleted
    std::string name;              // SetValue, DeleteValue
    Value value;                   // SetValue
    // SetValue: a missing key is created (a hive's root, a key the root-only store holds) instead of KeyDeleted.
    // DeleteValue: such a key reads as empty (FileNotFound).
    bool keyImplied = false;
};

// What the edit gives on `root`: Ok, or why it fails (FileNotFound, KeyDeleted, AccessDenied for a key with
// subkeys, QuotaExceeded). Changes nothing.
Status checkEdit(const Node& root, const HiveSize& size, const Edit& edit, const HiveLimits& limits);
// False for an edit that would leave the tree as it is (a key that is there, a value set to what it holds).
bool changesTree(const Node& root, const Edit& edit);
// Applies the edit when checkEdit gives Ok and updates `size`; otherwise leaves both as they were.
Status applyEdit(Node& root, HiveSize& size, const Edit& edit, const HiveLimits& limits);

} // namespace kez::reg
