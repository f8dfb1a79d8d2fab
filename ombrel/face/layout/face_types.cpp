#include "layout/face_types.h"

#include <array>

namespace kez::ombrel::face {
namespace {

struct ControlNames {
    Control control;
    std::string_view up;
    std::string_view down; // empty for controls without a pressed picture
};

constexpr std::array kNames{
    ControlNames{Control::DTMF, "imgDTMFup", "imgDTMFdn"},
    ControlNames{Control::LBUTTONS, "imgLBUTTONSup", "imgLBUTTONSdn"},
    ControlNames{Control::LBUTTON, "imgLBUTTONup", "imgLBUTTONdn"},
    ControlNames{Control::FButton, "imgFButtonUp", "imgFButtonDn"},
    ControlNames{Control::FIXED, "imgFIXEDup", "imgFIXEDdn"},
    ControlNames{Control::Program, "imgProgramUp", "imgProgramDn"},
    ControlNames{Control::ChkFixed, "imgChkFixedup", "imgChkFixeddn"},
    ControlNames{Control::BFBUTTON, "imgBFBUTTONup", "imgBFBUTTONdn"},
    ControlNames{Control::ChkSpeaker, "imgChkSpeakerUp", "imgChkSpeakerDn"},
    ControlNames{Control::DISPLAY, "imgDISPLAYup", "imgDISPLAYdn"},
    ControlNames{Control::KEZLogo, "imgKEZLogo", ""},
    ControlNames{Control::LineLabels, "txtLineLabels", ""},
    ControlNames{Control::DummyTextbox, "txtDummyTextbox", ""},
};

} // namespace

bool isPictureFamily(Control control) { return control != Control::LineLabels && control != Control::DummyTextbox; }

bool isSingle(Control family) {
    return family == Control::Program || family == Control::ChkSpeaker || family == Control::KEZLogo ||
           family == Control::DummyTextbox;
}

bool isLed(Control family) {
    return family == Control::LBUTTON || family == Control::Program || family == Control::ChkFixed ||
           family == Control::ChkSpeaker;
}

std::string_view controlName(Control control, Side side) {
    for (const auto& names : kNames) {
        if (names.control == control) return side == Side::Down && !names.down.empty() ? names.down : names.up;
    }
    return {};
}

} // namespace kez::ombrel::face
