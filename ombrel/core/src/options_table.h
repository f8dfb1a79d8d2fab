#pragma once
// The settings table: one row per member of OptionsClass, the member's type being its width.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "ombrel/options.h"

namespace kez::ombrel::detail {

using Member = std::variant<std::int16_t OptionsClass::*, std::int32_t OptionsClass::*, bool OptionsClass::*,
                            std::string OptionsClass::*>;

struct Setting {
    Member member;
    std::string_view subkey; // empty: never stored
    std::string_view name;
    std::string_view defaultText; // as stored: "2", "True", "01:00:5E:00:01:3B"
    bool perUser = false;
};

// Row `number` (1 to 41, the declaration order).
const Setting& setting(int number);
// Row numbers: the per-user values as LoadSettings reads them, the other values in LoadSettings' order,
// the per-user values as SaveSettings writes them, and the machine-only values in SaveSettings' order.
std::span<const int> perUserLoadOrder();
std::span<const int> loadOrder();
std::span<const int> perUserSaveOrder();
std::span<const int> saveOrder();

} // namespace kez::ombrel::detail
