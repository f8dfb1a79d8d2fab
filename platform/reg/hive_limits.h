#pragma once
// How large a hive may grow: past these limits a file is refused as damaged when read, and a change that would
// pass them is refused before it is saved, so that every saved hive can be read again.
#include "node.h"

#include <cstddef>
#include <string_view>

namespace kez::reg {

struct HiveLimits {
    std::size_t fileBytes = std::size_t{64} << 20;
    std::size_t keys = std::size_t{1} << 18;
    std::size_t values = std::size_t{1} << 20;
    // What the tree may cost in memory, by the estimate of TreeCost.
    std::size_t treeBytes = std::size_t{64} << 20;
};

// What one key or value adds to the estimate of a tree's memory (names, data and the bookkeeping of each).
std::size_t keyCost(std::string_view name);
std::size_t valueCost(std::string_view name, const Value& value);

// Counts keys and values as a tree is built and estimates its memory (names, data and the bookkeeping of each).
class TreeCost {
public:
    explicit TreeCost(const HiveLimits& limits) : limits_(limits) {}

    // False once the tree passes a limit; `exceeded()` then says which.
    bool addKey(std::string_view name);
    bool addValue(std::string_view name, const Value& value);
    const char* exceeded() const { return exceeded_; }

private:
    bool check();

    const HiveLimits& limits_;
    std::size_t keys_ = 0;
    std::size_t values_ = 0;
    std::size_t bytes_ = 0;
    const char* exceeded_ = nullptr;
};

// Null when the tree keeps within the limits, else which limit it passes.
const char* exceededLimit(const Node& root, const HiveLimits& limits);

} // namespace kez::reg
