#include "ombrel/registry.h"

#include "kez/reg/value_text.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"

namespace kez::ombrel {
namespace {

// The text a typed read parses: numbers in decimal, booleans as "True" / "False".
std::string variantText(const com::Variant& value) {
    if (const auto* text = value.get<std::string>()) return *text;
    if (const auto* number = value.get<std::int32_t>()) return vb::decimalText(*number);
    if (const auto* number = value.get<std::int16_t>()) return vb::decimalText(*number);
    if (const auto* flag = value.get<com::Bool>()) return std::string(vb::boolText(com::isVariantTrue(flag->value)));
    return {};
}

std::string textOf(std::span<const std::uint8_t> bytes) { return std::string(bytes.begin(), bytes.end()); }

} // namespace

std::string settingsKey(std::string_view subkey) {
    std::string path(kSettingsKey);
    if (!subkey.empty()) path.append("\\").append(subkey);
    return path;
}

com::Variant gQueryRegValue(const reg::Key& key, std::string_view name) {
    reg::Value value;
    if (key.queryValue(name, value, kRegValueLimit) != reg::Status::Ok) return {};
    const std::span<const std::uint8_t> bytes = value.bytes;
    switch (value.type) {
    case reg::Type::Sz:
        if (bytes.size() <= 1) return std::string();
        return textOf(bytes.back() == 0 ? bytes.first(bytes.size() - 1) : bytes);
    case reg::Type::ExpandSz:
        if (bytes.empty()) return std::string();
        return gTrimAtNull(gExpandEnvironmentText(textOf(bytes)));
    case reg::Type::Dword: return gRegDwordFromBytes(bytes);
    default: return {};
    }
}

std::int32_t gRegDwordFromBytes(std::span<const std::uint8_t> bytes) {
    std::uint32_t number = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i)
        number |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    if (number > 0x7FFFFFFFu) throw vb::RuntimeError(vb::error::kOverflow);
    return static_cast<std::int32_t>(number);
}

std::string gTrimAtNull(std::string_view text) {
    if (const auto zero = text.find('\0'); zero != std::string_view::npos) return std::string(text.substr(0, zero));
    if (text.starts_with('"')) text.remove_prefix(1);
    return std::string(text);
}

std::string gExpandEnvironmentText(std::string_view text) { return reg::expandEnvironment(text); }

com::Variant gGetRegParam(Hive hive, std::string_view key, std::string_view name, const com::Variant& defaultValue) {
    reg::Key opened;
    if (reg::Key::open(hive, key, reg::Access::Read, opened) != reg::Status::Ok) return defaultValue;
    auto value = gQueryRegValue(opened, name);
    return value.isEmpty() ? defaultValue : value;
}

std::string gGetRegParamString(Hive hive, std::string_view key, std::string_view name, std::string_view defaultValue) {
    return variantText(gGetRegParam(hive, key, name, std::string(defaultValue)));
}

std::int32_t gGetRegParamLong(Hive hive, std::string_view key, std::string_view name, std::int32_t defaultValue) {
    return vb::leadingInt32(variantText(gGetRegParam(hive, key, name, defaultValue)));
}

std::int16_t gGetRegParamInteger(Hive hive, std::string_view key, std::string_view name, std::int16_t defaultValue) {
    return vb::leadingInt16(variantText(gGetRegParam(hive, key, name, defaultValue)));
}

bool gGetRegParamBoolean(Hive hive, std::string_view key, std::string_view name, bool defaultValue) {
    return vb::isTrueText(variantText(gGetRegParam(hive, key, name, std::string(vb::boolText(defaultValue)))));
}

void gSetRegParam(Hive hive, std::string_view key, std::string_view name, std::string_view text) {
    reg::Key opened;
    const auto status = reg::Key::create(hive, key, reg::Access::Write, opened);
    if (status == reg::Status::AccessDenied) throw vb::RuntimeError::keyNotCreated();
    // Any other refusal (a damaged path, a file that cannot be written) is a failed save, not a quiet one.
    if (status != reg::Status::Ok) throw vb::RuntimeError::valueNotSet();
    gSetRegParamString(opened, name, text);
}

void gSetRegParamString(reg::Key& key, std::string_view name, std::string_view text) {
    if (key.setString(name, text) != reg::Status::Ok) throw vb::RuntimeError::valueNotSet();
}

void gSetRegParamLong(Hive hive, std::string_view key, std::string_view name, std::int32_t value) {
    gSetRegParam(hive, key, name, vb::decimalText(value));
}

void gSetRegParamInteger(Hive hive, std::string_view key, std::string_view name, std::int16_t value) {
    gSetRegParam(hive, key, name, vb::decimalText(value));
}

void gSetRegParamBoolean(Hive hive, std::string_view key, std::string_view name, bool value) {
    gSetRegParam(hive, key, name, vb::boolText(value));
}

} // namespace kez::ombrel
