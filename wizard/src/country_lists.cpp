#include "country_lists.h"

#include <QComboBox>

#include <array>

namespace kez::wizard {
namespace {

constexpr std::int32_t kBrazil = 19;

constexpr std::array<CountryEntry, 18> kMainCountries{{
    {1, "United States (English)"},
    {2, "France (French)"},
    {3, "Great Britain (English)"},
    {4, "Germany (German)"},
    {5, "Italy (Italian)"},
    {6, "Australia (English)"},
    {7, "Mexico (Spanish)"},
    {8, "Spain (Spanish)"},
    {10, "China, General (Mandarin)"},
    {15, "China, Hong Kong (Cantonese)"},
    {11, "Saudi Arabia (English)"},
    {12, "United Arab Emirates (English)"},
    {13, "Egypt (English)"},
    {14, "Russia (English)"},
    {18, "New Zealand (English)"},
    {kBrazil, "Brazil (English)"},
    {20, "Argentina (Spanish)"},
    {21, "Israel (English)"},
}};

constexpr auto kTonesCadences = [] {
    auto list = kMainCountries;
    for (auto& entry : list) {
        if (entry.code == kBrazil) entry.text = "Brazil (Portuguese)";
    }
    return list;
}();

constexpr std::array<CountryEntry, 8> kDocumentation{{
    {1, "United States (English)"},
    {2, "France (French)"},
    {4, "Germany (German)"},
    {5, "Italy (Italian)"},
    {7, "Mexico (Spanish)"},
    {8, "Spain (Spanish)"},
    {9, "China (Cantonese)"},
    {10, "China (Mandarin)"},
}};

} // namespace

std::span<const CountryEntry> mainCountryList() { return kMainCountries; }
std::span<const CountryEntry> tonesCadencesList() { return kTonesCadences; }
std::span<const CountryEntry> documentationList() { return kDocumentation; }

void fillCountryList(QComboBox& list, std::span<const CountryEntry> entries) {
    list.clear();
    for (const auto& entry : entries)
        list.addItem(QString::fromUtf8(entry.text), entry.code);
    list.setCurrentIndex(-1);
}

} // namespace kez::wizard
