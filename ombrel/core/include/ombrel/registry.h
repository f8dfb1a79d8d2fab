#pragma once
// The Registry module: every setting of the programs is read and written through these functions, as
// text values under the settings key of the machine or the user hive.
//
// Reads never fail for a missing key or value: the caller's default is used. They throw
// vb::RuntimeError 6 (overflow) for a number that does not fit. Writes throw vb::RuntimeError 5
// ("RegCreateKeyEx Failure", "Failed to save value to the registry") when the hive refuses access and
// 10022 ("RegCreateKeyEx Failure", "gSetRegParamString") for any other failure.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "kez/com/variant.h"
#include "kez/reg/key.h"
#include "kez/reg/types.h"

namespace kez::ombrel {

using reg::Hive;

inline constexpr std::string_view kSettingsKey = "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel";
// Values larger than this read as missing.
inline constexpr std::size_t kRegValueLimit = 2048;

// The value as text (SZ, EXPAND_SZ) or a number (DWORD); `defaultValue` when the key or value is
// missing, too large or of another type.
com::Variant gGetRegParam(Hive hive, std::string_view key, std::string_view name, const com::Variant& defaultValue);
std::string gGetRegParamString(Hive hive, std::string_view key, std::string_view name, std::string_view defaultValue);
// The text's leading number rounded half to even ("12abc" 12, "2.5" 2, "3.5" 4).
std::int32_t gGetRegParamLong(Hive hive, std::string_view key, std::string_view name, std::int32_t defaultValue);
std::int16_t gGetRegParamInteger(Hive hive, std::string_view key, std::string_view name, std::int16_t defaultValue);
// True exactly when the value is the text "True".
bool gGetRegParamBoolean(Hive hive, std::string_view key, std::string_view name, bool defaultValue);

// Creates the key when needed and stores `text` as SZ.
void gSetRegParam(Hive hive, std::string_view key, std::string_view name, std::string_view text);
void gSetRegParamLong(Hive hive, std::string_view key, std::string_view name, std::int32_t value);
void gSetRegParamInteger(Hive hive, std::string_view key, std::string_view name, std::int16_t value);
void gSetRegParamBoolean(Hive hive, std::string_view key, std::string_view name, bool value);

// One value of an open key under the read rules above; Empty when it cannot be had.
com::Variant gQueryRegValue(const reg::Key& key, std::string_view name);
void gSetRegParamString(reg::Key& key, std::string_view name, std::string_view text);
// A DWORD's first four bytes, little-endian; overflow from 2^31 up.
std::int32_t gRegDwordFromBytes(std::span<const std::uint8_t> bytes);
// Cut before the first zero when there is one; else without one leading double quote.
std::string gTrimAtNull(std::string_view text);
// %NAME% replaced by the environment's NAME where it is set.
std::string gExpandEnvironmentText(std::string_view text);

// The settings key and a subkey of it ("Audio" gives "SOFTWARE\...\KEZ Ombrel\Audio").
std::string settingsKey(std::string_view subkey);

} // namespace kez::ombrel
