#include "layout/button_table.h"

#include <algorithm>
#include <vector>

namespace kez::ombrel::face {
namespace {

constexpr int kLineKeys = 12; // the feature keys' label boxes follow the line keys' ones

Control keyFamily(KeyPanel panel) {
    switch (panel) {
    case KeyPanel::DialPad: return Control::DTMF;
    case KeyPanel::Line: return Control::LBUTTONS;
    case KeyPanel::Feature: return Control::FButton;
    case KeyPanel::Fixed: return Control::FIXED;
    case KeyPanel::Call: return Control::BFBUTTON;
    case KeyPanel::Display: return Control::DISPLAY;
    }
    return Control::DTMF;
}

std::optional<Control> ledFamily(LedPanel panel) {
    switch (panel) {
    case LedPanel::None: return std::nullopt;
    case LedPanel::Line: return Control::LBUTTON;
    case LedPanel::Program: return Control::Program;
    case LedPanel::Fixed: return Control::ChkFixed;
    case LedPanel::Speaker: return Control::ChkSpeaker;
    }
    return std::nullopt;
}

std::optional<int> labelBox(const KeyInfo& key) {
    if (key.panel == KeyPanel::Line) return key.index;
    if (key.panel == KeyPanel::Feature) return kLineKeys + key.index;
    return std::nullopt;
}

std::vector<ButtonRow> buildRows() {
    std::vector<ButtonRow> rows;
    for (const KeyInfo& key : keyTable()) {
        rows.push_back({key.key, key.type, keyFamily(key.panel), key.index, ledFamily(key.led), key.ledIndex,
                        labelBox(key), key.description, key.keyHelpTopic, key.ledHelpTopic});
    }
    return rows;
}

} // namespace

std::span<const ButtonRow> buttonRows() {
    static const std::vector<ButtonRow> rows = buildRows();
    return rows;
}

const ButtonRow* buttonRow(KeyId key) {
    const auto rows = buttonRows();
    const auto row = std::ranges::find(rows, key, &ButtonRow::key);
    return row == rows.end() ? nullptr : &*row;
}

} // namespace kez::ombrel::face
