#pragma once
// A form's settings table: each row ties a setting of OptionsClass to the control that shows it, found by the
// control's object name, and says how the two convert. Showing and storing walk the same rows, so a setting
// on a form is one row.
#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "ombrel/options.h"

class QWidget;

namespace kez::ombrel {

enum class Convert {
    Checked,       // a check box or option button, checked when True
    Unchecked,     // an option button checked when False (shown only: its partner stores)
    Text,          // a text box, stored as typed
    TrimmedText,   // a text box, stored without leading and trailing blanks
    Number,        // a text box in decimal, stored as a whole number (the text is checked before)
    LeadingNumber, // a text box in decimal, stored as the number it starts with
    Position,      // a list whose position i stands for values[i]; an unlisted value shows 0, none stores values[0]
    ListPosition,  // a list whose position is value + 1, 0 the default (-1); beyond the list is run-time error 380
    ItemData,      // a list's entry whose item data is the value; none matching leaves list and value as they are
    Choice,        // option buttons, the i-th for value i; none checked stores the last
    Slider,        // a slider's value
};

using SettingMember = std::variant<std::int16_t OptionsClass::*, std::int32_t OptionsClass::*, bool OptionsClass::*,
                                   std::string OptionsClass::*>;

// Most rows go both ways; some settings are shown or stored by the form's own rule the other way.
enum class Way { Both, ShowOnly, StoreOnly };

struct SettingControl {
    SettingMember member;
    const char* control; // the object name; unused by Choice
    Convert how;
    std::span<const std::int16_t> values = {}; // Position
    std::span<const char* const> options = {}; // Choice
    Way way = Way::Both;
};

// The settings into the controls of `form`, row by row.
void showSettings(const QWidget& form, std::span<const SettingControl> rows, const OptionsClass& options);
// The controls of `form` into the settings, row by row.
void storeSettings(const QWidget& form, std::span<const SettingControl> rows, OptionsClass& options);

} // namespace kez::ombrel
