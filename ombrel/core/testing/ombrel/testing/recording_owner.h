#pragma once
// The controller as a phone form sees it: it records every call the form makes on it, in order.
#include <string>
#include <vector>

#include "ombrel/options.h"
#include "ombrel/phone_form.h"

namespace kez::ombrel::testing {

class RecordingOwner : public PhoneFormOwner {
public:
    explicit RecordingOwner(OptionsClass& options) : options_(options) {}

    OptionsClass& oOptions() override { return options_; }
    ButtonCollection& colButtons() override { return buttons; }
    void UserFileExit() override { calls.emplace_back("UserFileExit"); }
    void Shutdown() override { calls.emplace_back("Shutdown"); }
    void ActivateUI(bool bForce) override { calls.push_back(bForce ? "ActivateUI(True)" : "ActivateUI(False)"); }
    void PopupSysMenu(bool bShowRestore) override {
        calls.push_back(bShowRestore ? "PopupSysMenu(True)" : "PopupSysMenu(False)");
    }
    void LaunchReleaseNotes() override { calls.emplace_back("LaunchReleaseNotes"); }
    bool bTrayIconShown() const override { return trayIconShown; }

    ButtonCollection buttons;
    ButtonCollection leds;
    std::vector<std::string> calls;
    bool trayIconShown = true;

private:
    OptionsClass& options_;
};

} // namespace kez::ombrel::testing
