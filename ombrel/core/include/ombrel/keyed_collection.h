#pragma once
// The forms language's Collection: items kept in the order they were added, reached by position (from 1) or
// by a text key compared without regard to case. The controller's button and LED collections are two of
// these; the face reads the buttons by position.
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "kez/sys/ascii.h"
#include "kez/vb/runtime_error.h"

namespace kez::ombrel {

template <class T>
class KeyedCollection {
public:
    // Run-time error 457 when the key is already held; the collection is then unchanged.
    void add(std::string_view key, T item) {
        auto folded = sys::asciiLowerCopy(key);
        if (positions_.contains(folded)) throw vb::RuntimeError(vb::error::kKeyAlreadyAssociated);
        positions_.emplace(std::move(folded), items_.size());
        items_.push_back(std::move(item));
    }

    std::size_t count() const { return items_.size(); }

    // Run-time error 9 for a position outside 1 to count().
    T& item(std::size_t position) {
        if (position < 1 || position > items_.size()) throw vb::RuntimeError(vb::error::kSubscriptOutOfRange);
        return items_[position - 1];
    }
    const T& item(std::size_t position) const { return const_cast<KeyedCollection&>(*this).item(position); }

    // Run-time error 5 for a key the collection does not hold.
    T& item(std::string_view key) {
        if (T* found = find(key)) return *found;
        throw vb::RuntimeError(vb::error::kAccessDenied);
    }
    const T& item(std::string_view key) const { return const_cast<KeyedCollection&>(*this).item(key); }

    // Null for a key the collection does not hold.
    T* find(std::string_view key) {
        const auto found = positions_.find(sys::asciiLowerCopy(key));
        return found == positions_.end() ? nullptr : &items_[found->second];
    }
    const T* find(std::string_view key) const { return const_cast<KeyedCollection&>(*this).find(key); }

    bool contains(std::string_view key) const { return find(key) != nullptr; }

    void clear() {
        items_.clear();
        positions_.clear();
    }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

private:
    std::vector<T> items_;
    std::unordered_map<std::string, std::size_t> positions_;
};

} // namespace kez::ombrel
