#pragma once
// The in-memory tree of one hive.
#include "kez/reg/types.h"
#include "name_order.h"

#include <map>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace kez::reg {

struct Node {
    using Children = std::map<std::string, std::unique_ptr<Node>, NoCaseLess>;
    using Values = std::map<std::string, Value, NoCaseLess>;

    Node() = default;
    Node(const Node& other);
    Node& operator=(const Node& other);
    Node(Node&&) noexcept = default;
    Node& operator=(Node&&) noexcept = default;
    ~Node() = default;

    // Exact comparison, names' case included.
    bool operator==(const Node& other) const;

    // The entry at `index` in name order, or null past the end. The first call after a change lists the entries
    // once, so enumerating n entries costs O(n).
    const Children::value_type* childAt(std::size_t index) const;
    const Values::value_type* valueAt(std::size_t index) const;
    // Whoever adds or removes an entry calls this: the listing would keep pointers to removed entries.
    void forgetOrder();

    Children children; // map keys keep the case the key was created with
    Values values;

private:
    mutable std::vector<const Children::value_type*> childOrder_;
    mutable std::vector<const Values::value_type*> valueOrder_;
};

const Node* findNode(const Node& root, std::span<const std::string> path);
Node* findNode(Node& root, std::span<const std::string> path);
// Finds or creates every key along the path.
Node& ensureNode(Node& root, std::span<const std::string> path);

} // namespace kez::reg
