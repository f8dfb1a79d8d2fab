#include "class_keys.h"

#include "kez/reg/key.h"
#include "kez/reg/registry.h"

namespace kez::com::detail {

namespace {

HRESULT createKey(std::string_view path, reg::Key& key) {
    return hresultFromStatus(reg::Key::create(reg::Hive::ClassesRoot, path, reg::Access::ReadWrite, key));
}

} // namespace

HRESULT hresultFromStatus(reg::Status status) {
    return status == reg::Status::Ok ? S_OK : makeHresult(0x80070000u | static_cast<std::uint32_t>(reg::code(status)));
}

HRESULT writeText(std::string_view path, std::string_view name, std::string_view text) {
    reg::Key key;
    const HRESULT hr = createKey(path, key);
    return FAILED(hr) ? hr : hresultFromStatus(key.setString(name, text));
}

HRESULT writeDefault(std::string_view path, std::string_view text) { return writeText(path, "", text); }

HRESULT writeKey(std::string_view path) {
    reg::Key key;
    return createKey(path, key);
}

HRESULT removeValue(std::string_view path, std::string_view name) {
    reg::Key key;
    reg::Status status = reg::Key::open(reg::Hive::ClassesRoot, path, reg::Access::ReadWrite, key);
    if (status == reg::Status::Ok) {
        status = key.deleteValue(name);
    }
    return status == reg::Status::FileNotFound ? S_OK : hresultFromStatus(status);
}

HRESULT removeKey(std::string_view path) {
    if (reg::isReadOnly(reg::Hive::ClassesRoot)) {
        return hresultFromStatus(reg::Status::AccessDenied);
    }
    const reg::Status status = reg::Key::deleteKey(reg::Hive::ClassesRoot, path);
    // AccessDenied on a writable hive: the key holds subkeys this registration did not write.
    const bool leftAlone = status == reg::Status::FileNotFound || status == reg::Status::AccessDenied;
    return leftAlone ? S_OK : hresultFromStatus(status);
}

std::optional<std::string> readDefault(std::string_view path) {
    reg::Key key;
    std::string text;
    if (reg::Key::open(reg::Hive::ClassesRoot, path, reg::Access::Read, key) != reg::Status::Ok ||
        key.getString("", text) != reg::Status::Ok) {
        return std::nullopt;
    }
    return text;
}

} // namespace kez::com::detail
