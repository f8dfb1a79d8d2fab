#include "hive_limits.h"

namespace kez::reg {
namespace {

// Map entries, node objects and allocator headers, rounded up from what a 64-bit build spends.
constexpr std::size_t kKeyOverhead = 320;
constexpr std::size_t kValueOverhead = 160;

bool addBelow(const Node& node, TreeCost& cost) {
    for (const auto& [name, value] : node.values) {
        if (!cost.addValue(name, value)) return false;
    }
    for (const auto& [name, child] : node.children) {
        if (!cost.addKey(name) || !addBelow(*child, cost)) return false;
    }
    return true;
}

} // namespace

std::size_t keyCost(std::string_view name) { return kKeyOverhead + name.size(); }

std::size_t valueCost(std::string_view name, const Value& value) {
    return kValueOverhead + name.size() + value.bytes.size();
}

bool TreeCost::addKey(std::string_view name) {
    ++keys_;
    bytes_ += keyCost(name);
    return check();
}

bool TreeCost::addValue(std::string_view name, const Value& value) {
    ++values_;
    bytes_ += valueCost(name, value);
    return check();
}

bool TreeCost::check() {
    if (keys_ > limits_.keys) exceeded_ = "more keys than a hive may hold";
    if (values_ > limits_.values) exceeded_ = "more values than a hive may hold";
    if (bytes_ > limits_.treeBytes) exceeded_ = "larger in memory than a hive may be";
    return exceeded_ == nullptr;
}

const char* exceededLimit(const Node& root, const HiveLimits& limits) {
    TreeCost cost(limits);
    addBelow(root, cost);
    return cost.exceeded();
}

} // namespace kez::reg
