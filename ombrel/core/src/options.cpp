#include "ombrel/options.h"

#include "kez/reg/write_batch.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"
#include "options_table.h"

namespace kez::ombrel {
namespace {

using detail::Setting;

constexpr std::string_view kSafety = "Safety";
constexpr std::string_view kInitializedProperly = "InitializedProperly";
constexpr std::string_view kAutomaticIP = "111.111.111.111";

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};

// Reads one value into its member; a value that does not fit takes the default and is logged.
void load(OptionsClass& options, const Setting& row, Hive hive, std::string_view defaultText) {
    const auto key = settingsKey(row.subkey);
    const auto read = [&](auto member, auto readValue, auto defaultValue) {
        try {
            options.*member = readValue(hive, key, row.name, defaultValue);
        } catch (const vb::RuntimeError& error) {
            gLogError(error.number(), "OptionsClass.LoadSettings", row.name);
            options.*member = defaultValue;
        }
    };
    std::visit(Overloaded{
                   [&](std::int16_t OptionsClass::*m) { read(m, gGetRegParamInteger, vb::leadingInt16(defaultText)); },
                   [&](std::int32_t OptionsClass::*m) { read(m, gGetRegParamLong, vb::leadingInt32(defaultText)); },
                   [&](bool OptionsClass::*m) { read(m, gGetRegParamBoolean, vb::isTrueText(defaultText)); },
                   [&](std::string OptionsClass::*m) { read(m, gGetRegParamString, std::string(defaultText)); },
               },
               row.member);
}

std::string storedText(const OptionsClass& options, const Setting& row) {
    return std::visit(Overloaded{
                          [&](bool OptionsClass::*m) { return std::string(vb::boolText(options.*m)); },
                          [&](std::string OptionsClass::*m) { return options.*m; },
                          [&](auto m) { return vb::decimalText(options.*m); },
                      },
                      row.member);
}

void save(const OptionsClass& options, int number, Hive hive) {
    const auto& row = detail::setting(number);
    gSetRegParam(hive, settingsKey(row.subkey), row.name, storedText(options, row));
}

// "  - UI - Type" padded so that "=" stands in column 47.
std::string dumpLine(std::string_view label, std::string_view value) {
    std::string line(label);
    line.resize(46, ' ');
    return line.append("= ").append(value);
}

std::string_view flagDigit(bool value) { return value ? "1" : "0"; }

} // namespace

OptionsClass::OptionsClass() : mbMayWriteMachine(bWriteToRegistry()) {}

std::string OptionsClass::sActiveRirovuruzIPAddress() const {
    return bReadIPInfoAutomatically ? std::string(kAutomaticIP) : sOverriddenRirovuruzIPAddress;
}

std::string OptionsClass::sActiveRirovuruzSubnetMask() const {
    return bReadIPInfoAutomatically ? "255.255.255.255" : sOverriddenRirovuruzSubnetMask;
}

std::string OptionsClass::sActiveRirovuruzGateway() const {
    return bReadIPInfoAutomatically ? "0.0.0.0" : sOverriddenRirovuruzGateway;
}

void OptionsClass::LoadSettings() {
    for (const int number : detail::perUserLoadOrder()) {
        const auto& row = detail::setting(number);
        load(*this, row, Hive::LocalMachine, row.defaultText);
    }
    // The user's copy, with the machine's value as its default.
    for (const int number : detail::perUserLoadOrder()) {
        const auto& row = detail::setting(number);
        load(*this, row, Hive::CurrentUser, storedText(*this, row));
    }
    for (const int number : detail::loadOrder()) {
        const auto& row = detail::setting(number);
        load(*this, row, Hive::LocalMachine, row.defaultText);
    }
    setFaceImages(nUIType);
}

void OptionsClass::SaveSettings(bool vbDisplayMsg) {
    bool ignored = false;
    SaveSettings(vbDisplayMsg, ignored);
}

void OptionsClass::SaveSettings(bool vbDisplayMsg, bool& rbErrorOccurred) {
    try {
        reg::WriteBatch batch;
        for (const int number : detail::perUserSaveOrder()) {
            if (mbMayWriteMachine) save(*this, number, Hive::LocalMachine);
            save(*this, number, Hive::CurrentUser);
        }
        for (const int number : detail::saveOrder())
            save(*this, number, Hive::LocalMachine);
        // The writes are saved here: a failed save is the failed write it was before batching.
        if (const auto status = batch.commit(); status == reg::Status::AccessDenied) {
            throw vb::RuntimeError::keyNotCreated();
        } else if (status != reg::Status::Ok) {
            throw vb::RuntimeError::valueNotSet();
        }
    } catch (const vb::RuntimeError& error) {
        if (error.number() != vb::error::kAccessDenied) return;
        rbErrorOccurred = true;
        if (vbDisplayMsg) {
            ui::showMessageBox("Failed to save your settings. Please check your user privileges.", "Error",
                               ui::Icon::Exclamation);
        }
    }
}

bool OptionsClass::bWriteToRegistry() {
    const auto key = settingsKey(kSafety);
    try {
        const bool value = gGetRegParamBoolean(Hive::LocalMachine, key, kInitializedProperly, true);
        gSetRegParamBoolean(Hive::LocalMachine, key, kInitializedProperly, value);
        return true;
    } catch (const vb::RuntimeError&) {
        return false;
    }
}

bool OptionsClass::bInitializedProperly() const {
    const auto key = settingsKey(kSafety);
    const bool machine = gGetRegParamBoolean(Hive::LocalMachine, key, kInitializedProperly, true);
    return gGetRegParamBoolean(Hive::CurrentUser, key, kInitializedProperly, machine);
}

void OptionsClass::bInitializedProperly(bool value) {
    const auto key = settingsKey(kSafety);
    const auto write = [&](Hive hive) {
        try {
            gSetRegParamBoolean(hive, key, kInitializedProperly, value);
        } catch (const vb::RuntimeError&) {
        }
    };
    if (mbMayWriteMachine) write(Hive::LocalMachine);
    // The user's copy is written too: one left by a run without machine rights would hide the machine's.
    write(Hive::CurrentUser);
}

void OptionsClass::DumpSettings() const {
    const auto number = [](auto value) { return vb::decimalText(value); };
    const auto flag = [](bool value) { return std::string(vb::boolText(value)); };
    const auto& images = faceImages();
    gLogMessage("Dump Options START [");
    gLogMessage(dumpLine("  - UI - Type", number(nUIType)));
    gLogMessage(dumpLine("  - UI - Transparent", flagDigit(bDefaultTransparent)));
    gLogMessage(dumpLine("  - UI - Suppress Standby", flagDigit(bSuppressStandby)));
    gLogMessage(dumpLine("  - Communications - VuruvMac", sVuruvMacAddress));
    gLogMessage(dumpLine("  - Communications - VuruvIP", sVuruvIPAddress));
    gLogMessage(dumpLine("  - Communications - RirovuruzIP", sOverriddenRirovuruzIPAddress));
    gLogMessage(dumpLine("  - Communications - RirovuruzNetMask", sOverriddenRirovuruzSubnetMask));
    gLogMessage(dumpLine("  - Communications - RirovuruzGateway", sOverriddenRirovuruzGateway));
    gLogMessage(dumpLine("  - Communications - ForceLayer3", flag(bForceLayer3)));
    gLogMessage(dumpLine("  - Communications - ReadIPInfoAutomatically", flag(bReadIPInfoAutomatically)));
    gLogMessage(dumpLine("  - Communications - nAdapterIndex", number(nAdapterIndex)));
    gLogMessage(dumpLine("  - Communications - AllMulticast", flag(bAllMulticast)));
    gLogMessage(dumpLine("  - Audio - AudioBufferSize", number(lAudioBufferSize)));
    gLogMessage(dumpLine("  - Audio - AudioBufferMultiplier", number(lAudioBufferMultiplier)));
    gLogMessage(dumpLine("  - Audio - ClickDTMF", flag(bClickDTMF)));
    gLogMessage(dumpLine("  - Audio - ControlMixer", flag(bControlMixer)));
    gLogMessage(dumpLine("  - Audio - BeepFrequency", number(lBeepFrequency)));
    gLogMessage(dumpLine("  - Audio - BeepDuration", number(lBeepDuration)));
    gLogMessage(dumpLine("  - GUI - ImagePath", images.ImagePath));
    gLogMessage(dumpLine("  - GUI - BackgroundImage", images.BackgroundImage));
    gLogMessage(dumpLine("  - GUI - AutoLaunch", flag(bLaunchWizard)));
    gLogMessage("] END Dump Options");
}

FaceImages& faceImages() {
    static FaceImages images;
    return images;
}

void setFaceImages(std::int16_t uiType) {
    auto& images = faceImages();
    if (uiType == 1) {
        images = {"\\bitmaps\\bigkzset\\", "Ombrel_100_with shadow.bmp", "Ombrel_100_with red_lcd.bmp"};
        return;
    }
    images.ImagePath = "\\bitmaps\\smallkzset\\";
    images.BackgroundImage = "Ombrel_75_with shadow.bmp";
    if (uiType == 2) images.RedLCDImage = "Ombrel_75_with red_lcd.bmp";
}

} // namespace kez::ombrel
