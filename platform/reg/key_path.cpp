#include "key_path.h"

namespace kez::reg {

bool isValidKeyName(std::string_view name) {
    return !name.empty() && name.size() <= kMaxKeyNameLength && name.find('\0') == std::string_view::npos &&
           name.find('\\') == std::string_view::npos;
}

bool isValidValueName(std::string_view name) {
    return name.size() <= kMaxValueNameLength && name.find('\0') == std::string_view::npos;
}

Status splitKeyPath(std::string_view path, std::vector<std::string>& names) {
    names.clear();
    if (!path.empty() && path.back() == '\\') path.remove_suffix(1);
    if (path.empty()) return Status::Ok;
    std::size_t start = 0;
    while (true) {
        const auto end = path.find('\\', start);
        const auto name = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (!isValidKeyName(name) || names.size() >= kMaxKeyDepth) return Status::InvalidParameter;
        names.emplace_back(name);
        if (end == std::string_view::npos) return Status::Ok;
        start = end + 1;
    }
}

} // namespace kez::reg
