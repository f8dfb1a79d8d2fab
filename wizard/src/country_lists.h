#pragma once
// The countries the wizard offers, in the order its lists show them (not by code).
#include <cstdint>
#include <span>

namespace kez::wizard {

struct CountryEntry {
    std::int32_t code;
    const char* text;
};

// The country page's list: the 18 countries with their own tones, in list order.
std::span<const CountryEntry> mainCountryList();

} // namespace kez::wizard
