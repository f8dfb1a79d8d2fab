#pragma once
// What both button classes share: the key's fields, its log line, the LED blink step, and the label and user
// description of a labelled key, loaded from and stored under the settings key's "ButtonCaptions" and
// "ButtonDescriptions" (value name: the key number). Members that fail log the error under
// "<class>.<member>" and leave the button as far as it got.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "ombrel/button_interface.h"

namespace kez::ombrel {

class ButtonBase : public ButtonInterface {
public:
    void RefreshLEDForStep(std::int16_t step) override;

    bool bButtonPressed() const override { return mbButtonPressed; }
    void bButtonPressed(bool pressed) override { mbButtonPressed = pressed; }
    bool bSupportLabels() const override { return true; }
    LEDState eLEDState() const override { return meLEDState; }
    void eLEDState(LEDState state) override { meLEDState = state; }
    ButtonType eButtonType() const override { return meButtonType; }
    void eButtonType(ButtonType type) override { meButtonType = type; }
    KeyId nKeyId() const override { return mnKeyId; }
    void nKeyId(KeyId key) override { mnKeyId = key; }
    std::string sCaption() const override { return msCaption; }
    void sCaption(std::string caption) override { msCaption = std::move(caption); }
    std::string sDescription() const override { return msDescription; }
    void sDescription(std::string description) override { msDescription = std::move(description); }
    std::string sDump() const override;
    std::string sUserDescription() const override { return msUserDescription; }
    void sUserDescription(std::string description) override { msUserDescription = std::move(description); }

protected:
    // "SimpleButtonClass" or "BitmapButtonClass", the first part of every error context.
    explicit ButtonBase(std::string_view className) : className_(className) {}

    // Keeps what both Initialize calls are given; the LED off and the key not pressed.
    void keep(KeyId key, ButtonType type, std::string description, std::string userDescription);
    bool isLabelled() const { return meButtonType == ButtonType::Programmable; }
    // The user's description, or the built-in one when the user gave none.
    std::string toolTip() const;
    // The stored label and user description: the machine's, each replaced by the user's where it has one.
    void loadLabel();
    // Under the machine's settings key when it may be written, and then the user's too (so that an old
    // user copy cannot hide it); else under the user's only.
    void storeLabel() const;

    // Shows the LED lit or dark.
    virtual void showLed(bool lit) = 0;

    // Runs `body`; an error ends it and is logged under "<class>.<member>".
    void guarded(std::string_view member, const std::function<void()>& body) const noexcept;

private:
    std::string_view className_;
    KeyId mnKeyId = 0;
    ButtonType meButtonType = ButtonType::DialPad;
    std::string msCaption;
    std::string msDescription;
    std::string msUserDescription;
    LEDState meLEDState = LEDState::Off;
    bool mbButtonPressed = false;
};

} // namespace kez::ombrel
