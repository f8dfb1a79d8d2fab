#include "wizard_test_kit.h"

#include <gtest/gtest.h>

#include <sstream>

#include "kez/com/safe_array.h"
#include "ombrel/rirovuruz_globals.h"
#include "process.h"

namespace kez::wizard::test {
namespace {

const std::string kMachineSettings = "HKLM\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel";
// How the export names the key's subkeys: "[HKEY_LOCAL_MACHINE\...\KEZ Ombrel\Communications]".
const std::string kExportedSubkey = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\";

void listDevices(ombrel::testing::FakeEngine& engine) {
    engine.setProperty("varAdapters", com::SafeArray::fromTexts({"Intel PRO/1000 MT", "Realtek RTL8139"}));
    engine.setProperty("varPlayAdapters", com::SafeArray::fromTexts({"HDA Intel PCH: ALC3246 Analog"}));
    engine.setProperty("varRecordAdapters", com::SafeArray::fromTexts({"USB Headset: Audio"}));
}

} // namespace

WizardWorld::WizardWorld() : previous_(ui::setMessageBoxes(boxes_)) {
    ui::setProgramTitle("OmbrelWizard");
    ombrel::gSetDebugHelp(false);
    engines.prepare(listDevices);
}

WizardWorld::~WizardWorld() { ui::setMessageBoxes(previous_); }

void WizardWorld::seed(const std::vector<StoredValue>& values) const {
    for (const auto& value : values) {
        const auto run = kez::test::runCommand(
            {KEZREG_PATH, "set", kMachineSettings + "\\" + value.subkey, value.name, "REG_SZ", value.text});
        EXPECT_TRUE(run.ok()) << run.err;
    }
    reopen();
}

std::map<std::string, std::string> WizardWorld::stored() const {
    std::map<std::string, std::string> values;
    std::string subkey;
    std::istringstream lines(exportSettings("HKLM"));
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("[")) {
            subkey = line.starts_with(kExportedSubkey)
                         ? line.substr(kExportedSubkey.size(), line.size() - 1 - kExportedSubkey.size())
                         : "";
        } else if (const auto equals = line.find("\"=sz:\""); line.starts_with("\"") && equals != std::string::npos) {
            values[subkey + "\\" + line.substr(1, equals - 1)] = line.substr(equals + 6, line.size() - equals - 7);
        }
    }
    return values;
}

OpenedWizard::OpenedWizard() {
    QObject::connect(&form, &ConfigWizardForm::ended, [this] { ++ended; });
    initialised = form.bInitialize();
}

std::vector<std::string> boxTexts(const std::vector<ui::MessageBox>& boxes) {
    std::vector<std::string> texts;
    for (const auto& box : boxes)
        texts.push_back(box.text);
    return texts;
}

} // namespace kez::wizard::test
