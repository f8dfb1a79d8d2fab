#include "ombrel/button_base.h"

#include <exception>

#include "kez/com/hresult.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/options.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

constexpr std::string_view kCaptions = "ButtonCaptions";
constexpr std::string_view kDescriptions = "ButtonDescriptions";

} // namespace

void ButtonBase::keep(KeyId key, ButtonType type, std::string description, std::string userDescription) {
    mnKeyId = key;
    meButtonType = type;
    msDescription = std::move(description);
    msUserDescription = std::move(userDescription);
    meLEDState = LEDState::Off;
    mbButtonPressed = false;
}

std::string ButtonBase::sDump() const { return keyTag(mnKeyId) + " - " + msDescription; }

std::string ButtonBase::toolTip() const { return msUserDescription.empty() ? msDescription : msUserDescription; }

void ButtonBase::RefreshLEDForStep(std::int16_t step) {
    guarded("ButtonInterface_RefreshLEDForStep", [&] {
        if (const auto lit = ledLitForStep(meLEDState, step)) showLed(*lit);
    });
}

void ButtonBase::loadLabel() {
    guarded("mGetButtonCaptionInfo", [&] {
        const auto name = keyTag(mnKeyId);
        msCaption = gGetRegParamString(Hive::LocalMachine, settingsKey(kCaptions), name, "");
        msUserDescription = gGetRegParamString(Hive::LocalMachine, settingsKey(kDescriptions), name, "");
        msCaption = gGetRegParamString(Hive::CurrentUser, settingsKey(kCaptions), name, msCaption);
        msUserDescription = gGetRegParamString(Hive::CurrentUser, settingsKey(kDescriptions), name, msUserDescription);
    });
}

void ButtonBase::storeLabel() const {
    const auto name = keyTag(mnKeyId);
    const auto store = [&](Hive hive) {
        gSetRegParam(hive, settingsKey(kCaptions), name, msCaption);
        gSetRegParam(hive, settingsKey(kDescriptions), name, msUserDescription);
    };
    if (OptionsClass().bWriteToRegistry()) store(Hive::LocalMachine);
    store(Hive::CurrentUser);
}

void ButtonBase::guarded(std::string_view member, const std::function<void()>& body) const noexcept {
    gRunLogged(std::string(className_) + "." + std::string(member), body);
}

} // namespace kez::ombrel
