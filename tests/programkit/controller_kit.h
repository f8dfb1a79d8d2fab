#pragma once
// The controller under test: a private world (hives, log, box log, program folder), recorded boxes, the
// stand-in engine behind the real engine wrapper, a phone form and dialogs that record what the controller
// does with them, a clock the test sets, and stand-ins for the wizard and the screen saver that note their
// arguments.
#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMenu>
#include <QPointer>

#include "eventually.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/button_base.h"
#include "ombrel/controller_dialogs.h"
#include "ombrel/phone_form.h"
#include "ombrel/testing/fake_engine.h"
#include "ombrel/ui_wrapper.h"
#include "ombrel_test_env.h"
#include "scoped_registry.h"
#include "stub_programs.h"
#include "temp_dir.h"

namespace kez::ombrel::test {

using Calls = std::vector<std::string>;

// A key object that notes its picture changes in the form's log and keeps what it was told.
class RecordingButton final : public ButtonBase {
public:
    RecordingButton(const KeyInfo& key, Calls& log);
    void ImagePushDown() override;
    void ImagePushUp() override;
    void RefreshButton(QLineEdit*) override {}
    void bEnabled(bool enabled) override { enabled_ = enabled; }
    bool enabled() const { return enabled_; }
    // Lit or dark as the last blink step showed it; nothing before any.
    std::optional<bool> lit() const { return lit_; }

private:
    void showLed(bool lit) override { lit_ = lit; }

    Calls& log_;
    bool enabled_ = true;
    std::optional<bool> lit_;
};

// A phone form that makes one RecordingButton per key and notes every call of the contract.
class RecordingForm final : public PhoneForm {
public:
    RecordingForm();
    void Initialize(PhoneFormOwner& owner, ButtonCollection& buttons, ButtonCollection& leds) override;
    void SetPhoneBusy(bool optionsAllowed) override;
    void SetDisplay(const std::string& line1, const std::string& line2) override;
    void SetDisplayLine1(const std::string& line1) override;
    void FlipLCDState() override { calls.emplace_back("FlipLCDState"); }
    void RestoreLCDState() override { calls.emplace_back("RestoreLCDState"); }
    // The label box of key 65, as the face has for its labelled keys.
    QLineEdit* oTextboxFromID(KeyId key) override;
    QMenu& mnuSysMenu() override { return menu_; }
    QAction& mnuSysRestore() override { return *restore_; }

    Calls calls;
    std::string line1, line2;
    QLineEdit* labelBox = nullptr;

private:
    QMenu menu_;
    QAction* restore_;
};

// Dialogs that answer from a script and note how they were asked.
class ScriptedDialogs final : public ControllerDialogs {
public:
    OptionsOutcome showOptions(UIWrapperClass& owner) override;
    void cancelOptions() override { calls.emplace_back("cancelOptions"); }
    CloseChoice queryClose(bool trayIconShown) override;
    void showButtonProperties(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox) override;

    std::deque<OptionsOutcome> options;
    CloseChoice close = CloseChoice::Cancel;
    Calls calls;
};

class ControllerWorld {
public:
    // The controller makes recording forms, or the forms `forms` makes; its engine is the stand-in unless
    // `realEngine`, when the registered one is made.
    explicit ControllerWorld(PhoneFormFactory forms = {}, bool realEngine = false);
    ~ControllerWorld();

    // A controller with the services below.
    UIWrapperClass& controller();
    // bInitialize(false) of a new controller, and its result.
    bool start();
    void destroyController();
    // The form the controller made last.
    RecordingForm& form() const { return *made_.back(); }
    std::size_t formsMade() const { return made_.size(); }
    // The types the graphical factory was asked for, and how often the simple one was.
    const std::vector<std::int16_t>& graphicalTypes() const { return graphicalTypes_; }
    int simpleForms() const { return simpleForms_; }
    testing::FakeEngine& engine() const { return *engineClass_->created(); }
    testing::FakeEngineClass& engineClass() { return *engineClass_; }
    ScriptedDialogs& dialogs() { return *dialogs_; }
    RecordingButton& button(KeyId key);
    // "text" of every box shown; its title, icon and buttons through `boxes()`.
    std::vector<std::string> boxTexts() const;
    std::vector<ui::MessageBox> boxes() const { return boxes_->shown(); }
    void answerBoxes(std::deque<ui::Answer> answers);
    // Each start of the stand-in wizard, as its arguments joined by blanks; the same for xdg-screensaver.
    std::vector<std::string> wizardStarts() const;
    std::vector<std::string> screenSaverCalls() const;
    int programEnds() const { return programEnds_; }
    OmbrelWorld& world() { return world_; }
    const std::filesystem::path& dataFolder() const { return data_.path(); }

    // The clock the controller reads.
    com::Date now{};

private:
    PhoneFormFactory forms_;
    OmbrelWorld world_;
    kez::test::StubPrograms programs_;
    kez::test::TempDir data_;
    kez::test::ScopedEnv programDir_;
    kez::test::ScopedEnv dataDir_;
    std::shared_ptr<ui::RecordingMessageBoxes> boxes_ = std::make_shared<ui::RecordingMessageBoxes>();
    std::optional<testing::FakeEngineClass> engineClass_;
    std::shared_ptr<ScriptedDialogs> dialogs_ = std::make_shared<ScriptedDialogs>();
    std::unique_ptr<UIWrapperClass> controller_;
    std::vector<QPointer<RecordingForm>> made_;
    std::vector<std::int16_t> graphicalTypes_;
    int simpleForms_ = 0;
    int programEnds_ = 0;
};

// An automation date from its calendar parts.
com::Date dateOf(int year, int month, int day, int hour, int minute, int second = 0);
// The settings key's value, as the user hive or the machine hive holds it.
void setMachineValue(const std::string& subkey, const std::string& name, const std::string& value);
// Whether the engine was called so (a call as FakeEngine writes it: "Start()").
bool called(const testing::FakeEngine& engine, const std::string& call);
// Processes Qt's deferred deletions, as the event loop would.
void deleteDeferred();

} // namespace kez::ombrel::test
