#include <array>

#include "kez/vb/runtime_error.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

// Indexed by country code 2 to 20.
constexpr std::array<std::int32_t, 19> kToneTables{2, 3, 4, 5, 6, 7, 8, 9, 9, 10, 11, 12, 13, 15, 15, 14, 16, 17, 18};
constexpr std::array<std::int32_t, 19> kHelpLanguages{2, 1, 3, 4, 1, 5, 6, 8, 7, 1, 1, 1, 1, 8, 7, 1, 1, 1, 5};
constexpr std::array<std::string_view, 8> kHelpFiles{"english.hlp", "french.hlp",  "german.hlp",      "italian.hlp",
                                                     "mexican.hlp", "spanish.hlp", "TRADITIONAL.hlp", "SIMPLIFIED.hlp"};

std::int32_t lookUp(const std::array<std::int32_t, 19>& table, std::int32_t country) {
    if (country < 2 || country > 20) return 1;
    return table[static_cast<std::size_t>(country - 2)];
}

} // namespace

std::int32_t gCountryToToneTable(std::int32_t country) { return lookUp(kToneTables, country); }
std::int32_t gCountryToHelpLanguage(std::int32_t country) { return lookUp(kHelpLanguages, country); }

std::string_view helpFileName(std::int32_t helpLanguage) {
    if (helpLanguage < 1 || helpLanguage > 8) return kHelpFiles[0];
    return kHelpFiles[static_cast<std::size_t>(helpLanguage - 1)];
}

std::string gHelpFileForCountry() {
    const auto key = settingsKey("Communications");
    std::int32_t language = 1;
    try {
        const bool advanced = gGetRegParamLong(Hive::LocalMachine, key, "Advanced", 0) != 0;
        language =
            gCountryToHelpLanguage(gGetRegParamLong(Hive::LocalMachine, key, advanced ? "Documention" : "Country", 1));
    } catch (const vb::RuntimeError&) {
        // A stored number too large for its width: the first language's help.
    }
    return "Help\\" + std::string(helpFileName(language));
}

std::string gDefaultHelpFile() { return "\\Help\\ruduzeze.hlp"; }

} // namespace kez::ombrel
