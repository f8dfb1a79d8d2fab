#pragma once
// The countries the wizard offers, in the order its lists show them (not by code). Each entry's code is the
// list entry's item data.
#include <cstdint>
#include <span>

class QComboBox;

namespace kez::wizard {

struct CountryEntry {
    std::int32_t code;
    const char* text;
};

// The country page's list: the 18 countries with their own tones, in list order.
std::span<const CountryEntry> mainCountryList();
// The advanced dialog's "Tones && Cadences:" list: the same countries, Brazil named by its language.
std::span<const CountryEntry> tonesCadencesList();
// The advanced dialog's "Documentation:" list: the 8 languages of the help.
std::span<const CountryEntry> documentationList();

// Empties the list and fills it with the entries, each text with its code as item data; nothing selected.
void fillCountryList(QComboBox& list, std::span<const CountryEntry> entries);

} // namespace kez::wizard
