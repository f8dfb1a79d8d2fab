#include "controller_kit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLineEdit>

#include <algorithm>

#include "kez/vb/conversions.h"
#include "ombrel/registry.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel::test {

RecordingButton::RecordingButton(const KeyInfo& key, Calls& log) : ButtonBase("RecordingButton"), log_(log) {
    keep(key.key, key.type, std::string(key.description), "");
}

void RecordingButton::ImagePushDown() { log_.push_back("ImagePushDown(" + keyTag(nKeyId()) + ")"); }

void RecordingButton::ImagePushUp() { log_.push_back("ImagePushUp(" + keyTag(nKeyId()) + ")"); }

RecordingForm::RecordingForm() : restore_(menu_.addAction(QStringLiteral("&Restore"))) {
    labelBox = new QLineEdit(this);
}

void RecordingForm::Initialize(PhoneFormOwner&, ButtonCollection& buttons, ButtonCollection& leds) {
    calls.emplace_back("Initialize");
    for (const auto& key : keyTable()) {
        auto button = std::make_shared<RecordingButton>(key, calls);
        buttons.add(keyTag(key.key), button);
        if (key.hasLed()) leds.add(keyTag(key.key), button);
    }
}

void RecordingForm::SetPhoneBusy(bool optionsAllowed) {
    calls.push_back("SetPhoneBusy(" + std::string(vb::boolText(optionsAllowed)) + ")");
}

void RecordingForm::SetDisplay(const std::string& first, const std::string& second) {
    line1 = first;
    line2 = second;
    calls.push_back("SetDisplay(" + first + "|" + second + ")");
}

void RecordingForm::SetDisplayLine1(const std::string& first) {
    line1 = first;
    calls.push_back("SetDisplayLine1(" + first + ")");
}

QLineEdit* RecordingForm::oTextboxFromID(KeyId key) { return key == 65 ? labelBox : nullptr; }

OptionsOutcome ScriptedDialogs::showOptions(UIWrapperClass&) {
    calls.emplace_back("showOptions");
    if (options.empty()) return {};
    const auto outcome = options.front();
    options.pop_front();
    return outcome;
}

CloseChoice ScriptedDialogs::queryClose(bool trayIconShown) {
    calls.push_back("queryClose(" + std::string(vb::boolText(trayIconShown)) + ")");
    return close;
}

void ScriptedDialogs::showButtonProperties(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox) {
    calls.push_back("showButtonProperties(" + keyTag(button->nKeyId()) + (labelBox != nullptr ? ", box)" : ")"));
}

ControllerWorld::ControllerWorld(PhoneFormFactory forms, bool realEngine)
    : forms_(std::move(forms)), programDir_("KEZ_PROGRAM_DIR", programs_.folder().string()),
      dataDir_("KEZ_DATA_DIR", data_.path().string()) {
    if (!realEngine) engineClass_.emplace();
    programs_.add("wizard");
    programs_.add("xdg-screensaver");
    ui::setMessageBoxes(boxes_);
    gSetDebugHelp(false);
    // A set that was set up before: no wizard at start.
    setMachineValue("Wizard", "AutoLaunch", "False");
}

ControllerWorld::~ControllerWorld() {
    destroyController();
    ui::setMessageBoxes(nullptr);
}

UIWrapperClass& ControllerWorld::controller() {
    if (controller_) return *controller_;
    UIWrapperServices services;
    services.forms.simple = [this] {
        ++simpleForms_;
        auto form = std::make_unique<RecordingForm>();
        made_.push_back(form.get());
        return std::unique_ptr<PhoneForm>(std::move(form));
    };
    services.forms.graphical = [this](std::int16_t type) {
        graphicalTypes_.push_back(type);
        auto form = std::make_unique<RecordingForm>();
        made_.push_back(form.get());
        return std::unique_ptr<PhoneForm>(std::move(form));
    };
    if (forms_.simple) services.forms = forms_;
    services.dialogs = dialogs_;
    services.clock = [this] { return now; };
    services.endProgram = [this] { ++programEnds_; };
    controller_ = std::make_unique<UIWrapperClass>(std::move(services));
    return *controller_;
}

bool ControllerWorld::start() {
    destroyController();
    return controller().bInitialize(false);
}

void ControllerWorld::destroyController() {
    controller_.reset();
    deleteDeferred();
    made_.erase(std::remove_if(made_.begin(), made_.end(), [](const auto& form) { return form.isNull(); }),
                made_.end());
}

RecordingButton& ControllerWorld::button(KeyId key) {
    return dynamic_cast<RecordingButton&>(*controller().colButtons().item(keyTag(key)));
}

std::vector<std::string> ControllerWorld::boxTexts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes_->shown())
        texts.push_back(box.text);
    return texts;
}

void ControllerWorld::answerBoxes(std::deque<ui::Answer> answers) {
    boxes_ = std::make_shared<ui::RecordingMessageBoxes>(std::move(answers));
    ui::setMessageBoxes(boxes_);
}

std::vector<std::string> ControllerWorld::wizardStarts() const { return starts(programs_, "wizard"); }

std::vector<std::string> ControllerWorld::screenSaverCalls() const { return starts(programs_, "xdg-screensaver"); }

com::Date dateOf(int year, int month, int day, int hour, int minute, int second) {
    return com::dateFromCalendar({year, month, day, hour, minute, second, 0}).value();
}

void setMachineValue(const std::string& subkey, const std::string& name, const std::string& value) {
    gSetRegParam(Hive::LocalMachine, settingsKey(subkey), name, value);
}

bool called(const testing::FakeEngine& engine, const std::string& call) {
    const auto calls = engine.calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
}

void deleteDeferred() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace kez::ombrel::test
