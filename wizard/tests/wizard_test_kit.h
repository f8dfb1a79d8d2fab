#pragma once
// The wizard's main window under test, made and initialised as the program makes it: a private world (hives,
// log, box log, an empty program folder), recording message boxes and the stand-in engine, which lists two
// network adapters and one play and one record device unless a test prepares it otherwise.
#include <QWidget>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "config_wizard_form.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/testing/fake_engine.h"
#include "ombrel_test_env.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::wizard::test {

struct StoredValue {
    std::string subkey; // "Communications"
    std::string name;   // "Adapter"
    std::string text;   // "5"
};

class WizardWorld : public ombrel::test::OmbrelWorld {
public:
    WizardWorld();
    ~WizardWorld();

    // Writes the values under the machine's settings key with kezreg, as an installer or an earlier run would.
    void seed(const std::vector<StoredValue>& values) const;
    // The machine's settings key as kezreg exports it: "Communications\Adapter" -> "-1".
    std::map<std::string, std::string> stored() const;
    std::string machineBytes() const { return kez::test::readFile(machineFile()); }
    std::string userBytes() const { return kez::test::readFile(userFile()); }

    std::vector<ui::MessageBox> boxes() const { return boxes_->shown(); }
    void clearBoxes() const { boxes_->clear(); }
    std::shared_ptr<ombrel::testing::FakeEngine> engine() const { return engines.created(); }

    ombrel::testing::FakeEngineClass engines;
    kez::test::TempDir programFolder{"kez-wizard-programs"};

private:
    kez::test::ScopedEnv programDir_{"KEZ_PROGRAM_DIR", programFolder.path().string()};
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_ = std::make_shared<ui::RecordingMessageBoxes>();
    std::shared_ptr<ui::MessageBoxes> previous_;
};

// The window after bInitialize; `ended` counts the wizard's ends.
struct OpenedWizard {
    OpenedWizard();
    ConfigWizardForm form;
    bool initialised = false;
    int ended = 0;
};

// The named control of `root` (its objectName is the forms' name); throws when there is none.
template <class Control>
Control& control(const QWidget& root, const char* name) {
    auto* found = root.findChild<Control*>(QString::fromLatin1(name));
    if (found == nullptr) throw std::logic_error(std::string("no control ") + name);
    return *found;
}

// The texts of the boxes, in order.
std::vector<std::string> boxTexts(const std::vector<ui::MessageBox>& boxes);

} // namespace kez::wizard::test
