#pragma once
// The in-memory tree of one hive.
#include "kez/reg/types.h"
#include "name_order.h"

#include <map>
#include <memory>
#include <span>
#include <string>

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

    Children children; // map keys keep the case the key was created with
    Values values;
};

const Node* findNode(const Node& root, std::span<const std::string> path);
Node* findNode(Node& root, std::span<const std::string> path);
// Finds or creates every key along the path.
Node& ensureNode(Node& root, std::span<const std::string> path);

} // namespace kez::reg
