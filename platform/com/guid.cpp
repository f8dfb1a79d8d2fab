#include "kez/com/guid.h"

namespace kez::com {

std::string Guid::str() const {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text = "{";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            text += '-';
        }
        text += kHex[bytes[i] >> 4];
        text += kHex[bytes[i] & 0x0F];
    }
    text += '}';
    return text;
}

} // namespace kez::com

std::size_t std::hash<kez::com::Guid>::operator()(const kez::com::Guid& guid) const noexcept {
    // FNV-1a over the bytes: identifiers differ mostly in their first bytes.
    std::size_t hash = 14695981039346656037ull;
    for (const auto byte : guid.bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    return hash;
}
