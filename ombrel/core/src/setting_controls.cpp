#include "ombrel/setting_controls.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSlider>

#include <algorithm>
#include <stdexcept>
#include <type_traits>

#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"

namespace kez::ombrel {
namespace {

template <class Control>
Control& control(const QWidget& form, const char* name) {
    auto* found = form.findChild<Control*>(QString::fromLatin1(name));
    // A table naming a control its form lacks is the program's own fault, found by the first showing.
    if (found == nullptr) throw std::logic_error(std::string("no settings control ") + name);
    return *found;
}

// Every member as a whole number, to show; and a whole number back into a member of its width.
std::int32_t number(const OptionsClass& options, const SettingMember& member) {
    return std::visit(
        [&options](auto pointer) -> std::int32_t {
            using Value = std::remove_cvref_t<decltype(options.*pointer)>;
            if constexpr (std::is_same_v<Value, std::string>) {
                return 0;
            } else {
                return static_cast<std::int32_t>(options.*pointer);
            }
        },
        member);
}

void setNumber(OptionsClass& options, const SettingMember& member, std::int32_t value) {
    std::visit(
        [&options, value](auto pointer) {
            using Value = std::remove_cvref_t<decltype(options.*pointer)>;
            if constexpr (std::is_same_v<Value, bool>) {
                options.*pointer = value != 0;
            } else if constexpr (!std::is_same_v<Value, std::string>) {
                options.*pointer = static_cast<Value>(value);
            }
        },
        member);
}

bool isWide(const SettingMember& member) { return std::holds_alternative<std::int32_t OptionsClass::*>(member); }

const std::string& text(const OptionsClass& options, const SettingMember& member) {
    return options.*std::get<std::string OptionsClass::*>(member);
}

void showRow(const QWidget& form, const SettingControl& row, const OptionsClass& options) {
    const std::int32_t value = number(options, row.member);
    switch (row.how) {
    case Convert::Checked: control<QAbstractButton>(form, row.control).setChecked(value != 0); break;
    case Convert::Unchecked: control<QAbstractButton>(form, row.control).setChecked(value == 0); break;
    case Convert::Text:
    case Convert::TrimmedText:
        control<QLineEdit>(form, row.control).setText(QString::fromStdString(text(options, row.member)));
        break;
    case Convert::Number:
    case Convert::LeadingNumber: control<QLineEdit>(form, row.control).setText(QString::number(value)); break;
    case Convert::Position: {
        const auto listed = std::ranges::find(row.values, value);
        control<QComboBox>(form, row.control)
            .setCurrentIndex(listed == row.values.end() ? 0 : static_cast<int>(listed - row.values.begin()));
        break;
    }
    case Convert::ListPosition: {
        auto& list = control<QComboBox>(form, row.control);
        if (value + 1 < 0 || value + 1 >= list.count()) throw vb::RuntimeError(vb::error::kInvalidPropertyValue);
        list.setCurrentIndex(value + 1);
        break;
    }
    case Convert::ItemData: {
        auto& list = control<QComboBox>(form, row.control);
        for (int position = 0; position < list.count(); ++position) {
            if (list.itemData(position).toInt() == value) list.setCurrentIndex(position);
        }
        break;
    }
    case Convert::Choice:
        for (std::size_t option = 0; option < row.options.size(); ++option)
            control<QAbstractButton>(form, row.options[option]).setChecked(value == static_cast<std::int32_t>(option));
        break;
    case Convert::Slider: control<QSlider>(form, row.control).setValue(value); break;
    }
}

void storeRow(const QWidget& form, const SettingControl& row, OptionsClass& options) {
    const auto lineText = [&] { return control<QLineEdit>(form, row.control).text().toStdString(); };
    switch (row.how) {
    case Convert::Checked:
        setNumber(options, row.member, control<QAbstractButton>(form, row.control).isChecked());
        break;
    case Convert::Unchecked: break;
    case Convert::Text: options.*std::get<std::string OptionsClass::*>(row.member) = lineText(); break;
    case Convert::TrimmedText: options.*std::get<std::string OptionsClass::*>(row.member) = vb::trim(lineText()); break;
    case Convert::Number: setNumber(options, row.member, vb::cint(lineText())); break;
    case Convert::LeadingNumber:
        setNumber(options, row.member,
                  isWide(row.member) ? vb::leadingInt32(lineText()) : vb::leadingInt16(lineText()));
        break;
    case Convert::Position: {
        const int position = control<QComboBox>(form, row.control).currentIndex();
        const bool listed = position >= 0 && position < static_cast<int>(row.values.size());
        setNumber(options, row.member, row.values[listed ? static_cast<std::size_t>(position) : 0]);
        break;
    }
    case Convert::ListPosition:
        setNumber(options, row.member, std::max(control<QComboBox>(form, row.control).currentIndex(), 0) - 1);
        break;
    case Convert::ItemData: {
        const auto& list = control<QComboBox>(form, row.control);
        if (list.currentIndex() >= 0) setNumber(options, row.member, list.currentData().toInt());
        break;
    }
    case Convert::Choice: {
        const auto checked = std::ranges::find_if(
            row.options, [&form](const char* option) { return control<QAbstractButton>(form, option).isChecked(); });
        const auto last = row.options.size() - 1;
        setNumber(options, row.member,
                  static_cast<std::int32_t>(checked == row.options.end() ? last : checked - row.options.begin()));
        break;
    }
    case Convert::Slider: setNumber(options, row.member, control<QSlider>(form, row.control).value()); break;
    }
}

} // namespace

void showSettings(const QWidget& form, std::span<const SettingControl> rows, const OptionsClass& options) {
    for (const auto& row : rows) {
        if (row.way != Way::StoreOnly) showRow(form, row, options);
    }
}

void storeSettings(const QWidget& form, std::span<const SettingControl> rows, OptionsClass& options) {
    for (const auto& row : rows) {
        if (row.way != Way::ShowOnly) storeRow(form, row, options);
    }
}

} // namespace kez::ombrel
