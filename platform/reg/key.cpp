#include "kez/reg/key.h"

#include "hive_store.h"
#include "key_path.h"
#include "kez/reg/value_text.h"
#include "kez/sys/ascii.h"

#include <algorithm>

namespace kez::reg {
namespace {

constexpr std::size_t kMaxValueBytes = std::size_t{16} << 20;

std::vector<std::string> hiveBase(Hive hive) {
    if (hive == Hive::ClassesRoot) return {"SOFTWARE", "Classes"};
    return {};
}

// The path with the case stored in the tree; false when a key along it is missing.
bool storedNames(const Node& root, std::vector<std::string>& names) {
    const Node* node = &root;
    for (auto& name : names) {
        const auto found = node->children.find(name);
        if (found == node->children.end()) return false;
        name = found->first;
        node = found->second.get();
    }
    return true;
}

} // namespace

Status Key::open(Hive hive, std::string_view path, Access access, Key& out) {
    return openFrom(hive, hiveBase(hive), path, access, false, out, nullptr);
}

Status Key::open(std::string_view subPath, Access access, Key& out) const {
    if (!isOpen()) return Status::InvalidParameter;
    return openFrom(hiveName_, names_, subPath, access, false, out, nullptr);
}

Status Key::create(Hive hive, std::string_view path, Access access, Key& out, bool* created) {
    return openFrom(hive, hiveBase(hive), path, access, true, out, created);
}

Status Key::create(std::string_view subPath, Access access, Key& out, bool* created) const {
    if (!isOpen()) return Status::InvalidParameter;
    return openFrom(hiveName_, names_, subPath, access, true, out, created);
}

Status Key::openFrom(Hive hive, std::vector<std::string> base, std::string_view path, Access access, bool create,
                     Key& out, bool* created) {
    std::vector<std::string> names;
    if (const auto status = splitKeyPath(path, names); status != Status::Ok) return status;
    Key key;
    key.hiveName_ = hive;
    key.access_ = access;
    key.rootDepth_ = hiveBase(hive).size();
    key.names_ = std::move(base);
    key.names_.insert(key.names_.end(), names.begin(), names.end());
    if (key.names_.size() > kMaxKeyDepth) return Status::InvalidParameter;
    key.hive_ = hiveFile(hive, key.names_);
    if (aboveRootOnlyStore(hive, key.names_)) key.rootOnlyBelow_ = hiveFile(Hive::ClassesRoot);
    if (created != nullptr) *created = false;

    for (int attempt = 0; attempt < 2; ++attempt) {
        bool found = false;
        auto status = key.hive_->read([&](const Node& root) {
            found = storedNames(root, key.names_) || key.names_.size() <= key.rootDepth_;
            return Status::Ok;
        });
        if (status == Status::Ok && !found && key.rootOnlyBelow_) {
            status = key.rootOnlyBelow_->read([&](const Node& root) {
                found = storedNames(root, key.names_);
                return Status::Ok;
            });
        }
        if (status != Status::Ok) return status;
        if (found) break;
        if (!create || attempt == 1) return Status::FileNotFound;
        Edit edit;
        edit.path = key.names_;
        const auto made = key.hive_->write(edit);
        if (made != Status::Ok) return made;
        if (created != nullptr) *created = true;
    }
    if (canWrite(access) && key.hive_->isReadOnly()) return Status::AccessDenied;
    out = std::move(key);
    return Status::Ok;
}

Status Key::checkOpen(Access needed) const {
    if (!isOpen()) return Status::InvalidParameter;
    if (needed == Access::Read && !canRead(access_)) return Status::AccessDenied;
    if (needed == Access::Write && !canWrite(access_)) return Status::AccessDenied;
    return Status::Ok;
}

Status Key::deleteKey(Hive hive, std::string_view path) {
    Key root;
    if (const auto status = open(hive, "", Access::Read, root); status != Status::Ok) return status;
    return root.deleteSubKey(path);
}

Status Key::deleteSubKey(std::string_view subPath) const { return removeSubKey(subPath, false); }

Status Key::deleteTree(Hive hive, std::string_view path) {
    Key root;
    if (const auto status = open(hive, "", Access::Read, root); status != Status::Ok) return status;
    return root.deleteSubTree(path);
}

Status Key::deleteSubTree(std::string_view subPath) const { return removeSubKey(subPath, true); }

Status Key::removeSubKey(std::string_view subPath, bool withSubkeys) const {
    if (!isOpen()) return Status::InvalidParameter;
    std::vector<std::string> names;
    if (const auto status = splitKeyPath(subPath, names); status != Status::Ok) return status;
    auto full = names_;
    full.insert(full.end(), names.begin(), names.end());
    if (full.size() <= rootDepth_) return Status::AccessDenied; // a hive's root stays
    Edit edit;
    edit.kind = withSubkeys ? Edit::Kind::DeleteTree : Edit::Kind::DeleteKey;
    edit.path = std::move(full);
    return hiveFile(hiveName_, edit.path)->write(edit);
}

Status Key::queryValue(std::string_view name, Value& out, std::size_t limit, std::size_t* needed) const {
    if (const auto status = checkOpen(Access::Read); status != Status::Ok) return status;
    if (!isValidValueName(name)) return Status::InvalidParameter;
    return readNode([&](const Node& node) {
        const auto found = node.values.find(name);
        if (found == node.values.end()) return Status::FileNotFound;
        const auto& value = found->second;
        if (needed != nullptr) *needed = value.bytes.size();
        out.type = value.type;
        if (value.bytes.size() > limit) {
            out.bytes.clear();
            return Status::MoreData;
        }
        out.bytes = value.bytes;
        return Status::Ok;
    });
}

Status Key::setValue(std::string_view name, Type type, std::span<const std::uint8_t> bytes) {
    if (const auto status = checkOpen(Access::Write); status != Status::Ok) return status;
    if (!isValidValueName(name) || bytes.size() > kMaxValueBytes) return Status::InvalidParameter;
    Edit edit;
    edit.kind = Edit::Kind::SetValue;
    edit.name = name;
    edit.value = Value{type, {bytes.begin(), bytes.end()}};
    if (hidesMultiTextEntries(edit.value)) return Status::InvalidParameter;
    return writeNode(edit);
}

Status Key::setValue(std::string_view name, const Value& value) { return setValue(name, value.type, value.bytes); }

Status Key::deleteValue(std::string_view name) {
    if (const auto status = checkOpen(Access::Write); status != Status::Ok) return status;
    if (!isValidValueName(name)) return Status::InvalidParameter;
    Edit edit;
    edit.kind = Edit::Kind::DeleteValue;
    edit.name = name;
    return writeNode(edit);
}

Status Key::enumKey(std::uint32_t index, std::string& name) const {
    if (const auto status = checkOpen(Access::Read); status != Status::Ok) return status;
    if (rootOnlyBelow_) return enumBothStores(index, name);
    return readNode([&](const Node& node) {
        const auto* entry = node.childAt(index);
        if (entry == nullptr) return Status::NoMoreItems;
        name = entry->first;
        return Status::Ok;
    });
}

// The hive file's subkeys but those the root-only store holds instead, and that store's, in one name order.
Status Key::enumBothStores(std::uint32_t index, std::string& name) const {
    std::vector<std::string> names;
    const auto collect = [&](HiveFile& file, bool rootOnly) {
        return file.read([&](const Node& root) {
            const Node* node = findNode(root, names_);
            if (node == nullptr) return Status::Ok;
            auto path = names_;
            for (const auto& entry : node->children) {
                path.push_back(entry.first);
                if (inRootOnlyStore(hiveName_, path) == rootOnly || (rootOnly && aboveRootOnlyStore(hiveName_, path))) {
                    names.push_back(entry.first);
                }
                path.pop_back();
            }
            return Status::Ok;
        });
    };
    if (const auto status = collect(*hive_, false); status != Status::Ok) return status;
    if (const auto status = collect(*rootOnlyBelow_, true); status != Status::Ok) return status;
    // The iterator forms: clang 14 cannot compile libstdc++ 12's ranges::unique.
    std::stable_sort(names.begin(), names.end(), NoCaseLess{});
    names.erase(
        std::unique(names.begin(), names.end(), [](const auto& a, const auto& b) { return sys::equalsNoCase(a, b); }),
        names.end());
    if (index >= names.size()) return Status::NoMoreItems;
    name = names[index];
    return Status::Ok;
}

Status Key::enumValue(std::uint32_t index, std::string& name, Value* value) const {
    if (const auto status = checkOpen(Access::Read); status != Status::Ok) return status;
    return readNode([&](const Node& node) {
        const auto* entry = node.valueAt(index);
        if (entry == nullptr) return Status::NoMoreItems;
        name = entry->first;
        if (value != nullptr) *value = entry->second;
        return Status::Ok;
    });
}

Status Key::getString(std::string_view name, std::string& out) const {
    Value value;
    if (const auto status = queryValue(name, value); status != Status::Ok) return status;
    if (value.type != Type::Sz && value.type != Type::ExpandSz) return Status::UnsupportedType;
    out = readText(value);
    return Status::Ok;
}

Status Key::setString(std::string_view name, std::string_view text, Type type) {
    if (type != Type::Sz && type != Type::ExpandSz) return Status::InvalidParameter;
    return setValue(name, textValue(text, type));
}

Status Key::getDword(std::string_view name, std::uint32_t& out) const {
    Value value;
    if (const auto status = queryValue(name, value); status != Status::Ok) return status;
    return readDword(value, out) ? Status::Ok : Status::UnsupportedType;
}

Status Key::setDword(std::string_view name, std::uint32_t number) { return setValue(name, dwordValue(number)); }

std::string Key::path() const {
    std::string text;
    for (std::size_t i = rootDepth_; i < names_.size(); ++i) {
        if (!text.empty()) text += '\\';
        text += names_[i];
    }
    return text;
}

Status Key::readNode(const std::function<Status(const Node&)>& look) const {
    const bool heldBelow = heldByRootOnlyStore();
    return hive_->read([&](const Node& root) {
        const Node* node = findNode(root, names_);
        if (node != nullptr) return look(*node);
        if (names_.size() <= rootDepth_ || heldBelow) return look(Node());
        return Status::KeyDeleted;
    });
}

// A machine key above the root-only store's keys may be there alone.
bool Key::heldByRootOnlyStore() const {
    bool held = false;
    if (rootOnlyBelow_) {
        (void)rootOnlyBelow_->read([&](const Node& root) {
            held = findNode(root, names_) != nullptr;
            return Status::Ok;
        });
    }
    return held;
}

// A missing key is deleted, but a hive's root and a key the root-only store holds are there until written to.
Status Key::writeNode(Edit& edit) {
    edit.path = names_;
    edit.keyImplied = names_.size() <= rootDepth_ || heldByRootOnlyStore();
    return hive_->write(edit);
}

} // namespace kez::reg
