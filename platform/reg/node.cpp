#include "node.h"

#include <algorithm>

namespace kez::reg {
namespace {

// Listed again whenever the count differs from the map's.
template <typename Map>
const typename Map::value_type* entryAt(const Map& map, std::vector<const typename Map::value_type*>& order,
                                        std::size_t index) {
    if (order.size() != map.size()) {
        order.clear();
        order.reserve(map.size());
        for (const auto& entry : map)
            order.push_back(&entry);
    }
    return index < order.size() ? order[index] : nullptr;
}

} // namespace

Node::Node(const Node& other) : values(other.values) {
    for (const auto& [name, child] : other.children)
        children.emplace(name, std::make_unique<Node>(*child));
}

Node& Node::operator=(const Node& other) {
    if (this != &other) *this = Node(other);
    return *this;
}

bool Node::operator==(const Node& other) const {
    if (values.size() != other.values.size() || children.size() != other.children.size()) return false;
    if (!std::equal(values.begin(), values.end(), other.values.begin())) return false;
    return std::equal(children.begin(), children.end(), other.children.begin(),
                      [](const auto& a, const auto& b) { return a.first == b.first && *a.second == *b.second; });
}

const Node::Children::value_type* Node::childAt(std::size_t index) const {
    return entryAt(children, childOrder_, index);
}

const Node::Values::value_type* Node::valueAt(std::size_t index) const { return entryAt(values, valueOrder_, index); }

void Node::forgetOrder() {
    childOrder_.clear();
    valueOrder_.clear();
}

const Node* findNode(const Node& root, std::span<const std::string> path) {
    const Node* node = &root;
    for (const auto& name : path) {
        const auto found = node->children.find(name);
        if (found == node->children.end()) return nullptr;
        node = found->second.get();
    }
    return node;
}

Node* findNode(Node& root, std::span<const std::string> path) {
    return const_cast<Node*>(findNode(static_cast<const Node&>(root), path));
}

Node& ensureNode(Node& root, std::span<const std::string> path) {
    Node* node = &root;
    for (const auto& name : path) {
        auto& slot = node->children[name];
        if (!slot) {
            slot = std::make_unique<Node>();
            node->forgetOrder();
        }
        node = slot.get();
    }
    return *node;
}

} // namespace kez::reg
