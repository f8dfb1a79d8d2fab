#pragma once
// The names the programs go by.
#include <string_view>

namespace kez::ombrel {

// Titles of boxes that name no title of their own.
inline constexpr std::string_view kOmbrelTitle = "Ombrel";
inline constexpr std::string_view kWizardTitle = "OmbrelWizard";
// What each program is known by to the other: its main window's caption and its instance flag.
inline constexpr std::string_view kOmbrelCaption = "KEZ Ombrel (TM)";
inline constexpr std::string_view kWizardCaption = "KEZ Ombrel Configuration Wizard";

} // namespace kez::ombrel
