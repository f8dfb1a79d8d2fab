#include "hive_edit.h"

#include "hive_format.h"
#include "kez/reg/hive_text.h"
#include "text_escape.h"

#include <span>

namespace kez::reg {
namespace {

// "\n[" path "]\n", as the file holds every key but a root without values.
constexpr std::size_t kSectionFrame = 4;

std::size_t lineLength(std::string_view name, const Value& value) { return formatValueLine(name, value).size() + 1; }

// The length of a child's path text in its section line, from its parent's.
std::size_t childTextLength(std::size_t parentLength, bool parentIsRoot, std::string_view name) {
    return parentLength + (parentIsRoot ? 0 : 1) + escapeKeyName(name).size();
}

void addValue(HiveSize& size, std::string_view name, const Value& value) {
    ++size.values;
    size.treeBytes += valueCost(name, value);
    size.fileBytes += lineLength(name, value);
}

void removeValue(HiveSize& size, std::string_view name, const Value& value) {
    --size.values;
    size.treeBytes -= valueCost(name, value);
    size.fileBytes -= lineLength(name, value);
}

void removeKeys(HiveSize& size, const Node& node, std::string_view name, std::size_t textLength) {
    --size.keys;
    size.treeBytes -= keyCost(name);
    size.fileBytes -= kSectionFrame + textLength;
    for (const auto& [valueName, value] : node.values)
        removeValue(size, valueName, value);
    for (const auto& [childName, child] : node.children)
        removeKeys(size, *child, childName, childTextLength(textLength, false, childName));
}

// The deepest key of `path` that exists, how many names lead to it and the length of its path text.
struct Walk {
    const Node* node;
    std::size_t found = 0;
    std::size_t textLength = 0;
};

Walk walk(const Node& root, const std::vector<std::string>& path, std::size_t depth) {
    Walk at{&root};
    while (at.found < depth) {
        const auto child = at.node->children.find(path[at.found]);
        if (child == at.node->children.end()) break;
        at.textLength = childTextLength(at.textLength, at.found == 0, child->first);
        at.node = child->second.get();
        ++at.found;
    }
    return at;
}

// Adds the keys of `path` past the ones `at` found.
void addMissingKeys(HiveSize& size, const std::vector<std::string>& path, Walk at) {
    for (std::size_t i = at.found; i < path.size(); ++i) {
        at.textLength = childTextLength(at.textLength, i == 0, path[i]);
        ++size.keys;
        size.treeBytes += keyCost(path[i]);
        size.fileBytes += kSectionFrame + at.textLength;
    }
}

Status planSetValue(const Node& root, HiveSize& size, const Edit& edit) {
    const auto at = walk(root, edit.path, edit.path.size());
    const bool missing = at.found < edit.path.size();
    if (missing && !edit.keyImplied) return Status::KeyDeleted;
    addMissingKeys(size, edit.path, at);
    const Node::Values* values = missing ? nullptr : &at.node->values;
    if (edit.path.empty() && values->empty()) size.fileBytes += kSectionFrame;
    if (values != nullptr) {
        if (const auto old = values->find(edit.name); old != values->end()) removeValue(size, old->first, old->second);
    }
    addValue(size, edit.name, edit.value);
    return Status::Ok;
}

Status planDeleteValue(const Node& root, HiveSize& size, const Edit& edit) {
    const auto at = walk(root, edit.path, edit.path.size());
    if (at.found < edit.path.size()) return edit.keyImplied ? Status::FileNotFound : Status::KeyDeleted;
    const auto old = at.node->values.find(edit.name);
    if (old == at.node->values.end()) return Status::FileNotFound;
    removeValue(size, old->first, old->second);
    if (edit.path.empty() && at.node->values.size() == 1) size.fileBytes -= kSectionFrame;
    return Status::Ok;
}

Status planDeleteKey(const Node& root, HiveSize& size, const Edit& edit) {
    if (edit.path.empty()) return Status::AccessDenied;
    const auto at = walk(root, edit.path, edit.path.size());
    if (at.found < edit.path.size()) return Status::FileNotFound;
    if (edit.kind == Edit::Kind::DeleteKey && !at.node->children.empty()) return Status::AccessDenied;
    removeKeys(size, *at.node, edit.path.back(), at.textLength);
    return Status::Ok;
}

Status plan(const Node& root, HiveSize& size, const Edit& edit) {
    switch (edit.kind) {
    case Edit::Kind::CreateKey: addMissingKeys(size, edit.path, walk(root, edit.path, edit.path.size())); break;
    case Edit::Kind::SetValue: return planSetValue(root, size, edit);
    case Edit::Kind::DeleteValue: return planDeleteValue(root, size, edit);
    case Edit::Kind::DeleteKey:
    case Edit::Kind::DeleteTree: return planDeleteKey(root, size, edit);
    }
    return Status::Ok;
}

void setValue(Node& node, const Edit& edit) {
    if (const auto found = node.values.find(edit.name); found != node.values.end()) {
        found->second = edit.value;
    } else {
        node.values.emplace(edit.name, edit.value);
        node.forgetOrder();
    }
}

void deleteValue(Node& node, const std::string& name) {
    node.values.erase(node.values.find(name));
    node.forgetOrder();
}

void deleteKey(Node& root, const std::vector<std::string>& path) {
    Node& parent = *findNode(root, std::span(path).first(path.size() - 1));
    parent.children.erase(parent.children.find(path.back()));
    parent.forgetOrder();
}

} // namespace

HiveSize measureHive(const Node& root) {
    HiveSize size;
    const auto count = [&](const Node& node, const auto& self) -> void {
        for (const auto& [name, value] : node.values) {
            ++size.values;
            size.treeBytes += valueCost(name, value);
        }
        for (const auto& [name, child] : node.children) {
            ++size.keys;
            size.treeBytes += keyCost(name);
            self(*child, self);
        }
    };
    count(root, count);
    size.fileBytes = serializeHive(root).size();
    return size;
}

const char* exceededLimit(const HiveSize& size, const HiveLimits& limits) {
    if (size.keys > limits.keys) return "more keys than a hive may hold";
    if (size.values > limits.values) return "more values than a hive may hold";
    if (size.treeBytes > limits.treeBytes) return "larger in memory than a hive may be";
    if (size.fileBytes > limits.fileBytes) return "larger than a hive file may be";
    return nullptr;
}

Status checkEdit(const Node& root, const HiveSize& size, const Edit& edit, const HiveLimits& limits) {
    auto after = size;
    if (const auto status = plan(root, after, edit); status != Status::Ok) return status;
    return exceededLimit(after, limits) == nullptr ? Status::Ok : Status::QuotaExceeded;
}

bool changesTree(const Node& root, const Edit& edit) {
    if (edit.kind != Edit::Kind::CreateKey && edit.kind != Edit::Kind::SetValue) return true;
    const Node* node = findNode(root, edit.path);
    if (node == nullptr) return true;
    if (edit.kind == Edit::Kind::CreateKey) return false;
    const auto found = node->values.find(edit.name);
    return found == node->values.end() || found->second != edit.value;
}

Status applyEdit(Node& root, HiveSize& size, const Edit& edit, const HiveLimits& limits) {
    auto after = size;
    if (const auto status = plan(root, after, edit); status != Status::Ok) return status;
    if (exceededLimit(after, limits) != nullptr) return Status::QuotaExceeded;
    switch (edit.kind) {
    case Edit::Kind::CreateKey: ensureNode(root, edit.path); break;
    case Edit::Kind::SetValue: setValue(ensureNode(root, edit.path), edit); break;
    case Edit::Kind::DeleteValue: deleteValue(*findNode(root, edit.path), edit.name); break;
    case Edit::Kind::DeleteKey:
    case Edit::Kind::DeleteTree: deleteKey(root, edit.path); break;
    }
    size = after;
    return Status::Ok;
}

} // namespace kez::reg
