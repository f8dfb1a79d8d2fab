// The Options dialog's controls, their loading from the settings and the tracking of changes.
#include "ombrel/options_dialog_form.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "kez/ui/message_boxes.h"
#include "kez/ui/named.h"
#include "ombrel/key_text_filter.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/setting_controls.h"

namespace kez::ombrel {

using ui::named;

namespace {

QLineEdit* textBox(const char* name, int maxLength = 0) {
    auto* box = named(new QLineEdit, name);
    if (maxLength > 0) box->setMaxLength(maxLength);
    return box;
}

QString text(const std::string& value) { return QString::fromStdString(value); }

std::int16_t digitsAndBackspace(std::int16_t key) { return (key >= '0' && key <= '9') || key == 8 ? key : 0; }

} // namespace

std::span<const SettingControl> OptionsDialogForm::settingsTable() {
    using O = OptionsClass;
    static constexpr const char* kLooks[] = {"optWindows", "optLargeKzSet", "optSmallKzSet"};
    static constexpr std::int16_t kVersions[] = {1, 2, 3, 4}; // "(None)", "R2.X.X", "R3.X.X", "R4.X.X"
    static constexpr std::int16_t kPriorities[] = {1, 2, 3};  // "Normal", "High", "Real-Time"
    // The rows with a list of values, or that go one way only, come last.
    static const SettingControl kRows[] = {
        {&O::bDefaultTransparent, "chkTransparent", Convert::Checked},
        {&O::bSuppressStandby, "chkSuppressStandby", Convert::Checked},
        {&O::sVuruvMacAddress, "txtVuruvMacAddress", Convert::Text},
        {&O::sVuruvIPAddress, "txtVuruvIPAddress", Convert::Text},
        {&O::bForceLayer3, "chkForceLayer3", Convert::Checked},
        {&O::bAllMulticast, "chkAllMulticasts", Convert::Checked},
        {&O::bReadIPInfoAutomatically, "optReadIPInfoAutomatically", Convert::Checked},
        {&O::lAudioBufferSize, "txtAudioBufferSize", Convert::Number},
        {&O::lAudioBufferMultiplier, "txtMultiplier", Convert::Number},
        {&O::bClickDTMF, "chkClickDTMF", Convert::Checked},
        {&O::bControlMixer, "chkMixerControl", Convert::Checked},
        {&O::lBeepFrequency, "txtBeepFrequency", Convert::LeadingNumber},
        {&O::lBeepDuration, "txtBeepDuration", Convert::LeadingNumber},
        {&O::nShutDownDelay, "txtSharedDelayTime", Convert::LeadingNumber},
        {&O::lToneVolume, "sldDTMFVolume", Convert::Slider},
        {&O::bDisplayIncomingPopUp, "chkDisplayPopup", Convert::Checked},
        {&O::bShareWave, "chkShareWave", Convert::Checked},
        {&O::bUseKEZSystemTime, "chkUseKEZTime", Convert::Checked},
        {&O::nUIType, nullptr, Convert::Choice, {}, kLooks},
        {&O::nXAVVersion, "cboXAVVersion", Convert::Position, kVersions},
        {&O::bReadIPInfoAutomatically, "optOverrideIPInfo", Convert::Unchecked, {}, {}, Way::ShowOnly},
        {&O::nProcessPriorityLevel, "cboPriority", Convert::Position, kPriorities},
    };
    return kRows;
}

OptionsDialogForm::OptionsDialogForm(QWidget* parent)
    : QDialog(parent), tabOptions_(named(new QTabWidget, "tabOptions")),
      optWindows_(named(new QRadioButton(QStringLiteral("&Windows style")), "optWindows")),
      optLargeKzSet_(named(new QRadioButton(QStringLiteral("&Large KzSet style")), "optLargeKzSet")),
      optSmallKzSet_(named(new QRadioButton(QStringLiteral("&Small KzSet style")), "optSmallKzSet")),
      chkTransparent_(named(new QCheckBox(QStringLiteral("Default to transparent background?")), "chkTransparent")),
      chkUseKEZTime_(named(new QCheckBox(QStringLiteral("LCD uses KEZ system time and date")), "chkUseKEZTime")),
      chkDisplayPopup_(
          named(new QCheckBox(QStringLiteral("Pop-up for incoming calls (Win 9x && NT)")), "chkDisplayPopup")),
      chkClickDTMF_(named(new QCheckBox(QStringLiteral("Substitute For DTMF Tones")), "chkClickDTMF")),
      chkSuppressStandby_(
          named(new QCheckBox(QStringLiteral("Prevent Machine From Entering Standby Mode")), "chkSuppressStandby")),
      optReadIPInfoAutomatically_(
          named(new QRadioButton(QStringLiteral("Read automatically from computer (recommended)")),
                "optReadIPInfoAutomatically")),
      optOverrideIPInfo_(
          named(new QRadioButton(QStringLiteral("Override IP info with the following:")), "optOverrideIPInfo")),
      txtRirovuruzIPAddress_(textBox("txtRirovuruzIPAddress")),
      txtRirovuruzSubnetMask_(textBox("txtRirovuruzSubnetMask")), txtRirovuruzGateway_(textBox("txtRirovuruzGateway")),
      txtVuruvMacAddress_(textBox("txtVuruvMacAddress", 17)), txtVuruvIPAddress_(textBox("txtVuruvIPAddress", 15)),
      cboPriority_(named(new QComboBox, "cboPriority")), txtBeepFrequency_(textBox("txtBeepFrequency")),
      txtBeepDuration_(textBox("txtBeepDuration")),
      cmdBeepTest_(named(new QPushButton(QStringLiteral("Test")), "cmdBeepTest")),
      chkShareWave_(named(new QCheckBox(QStringLiteral("Share audio hardware")), "chkShareWave")),
      txtSharedDelayTime_(textBox("txtSharedDelayTime", 1)),
      chkMixerControl_(named(new QCheckBox(QStringLiteral("Control Mixer")), "chkMixerControl")),
      cmdCaptureMixer_(named(new QPushButton(QStringLiteral("Save Mixer Settings")), "cmdCaptureMixer")),
      sldDTMFVolume_(named(new QSlider(Qt::Horizontal), "sldDTMFVolume")),
      lblVolLevel_(named(new QLabel, "lblVolLevel")), txtAudioBufferSize_(textBox("txtAudioBufferSize", 2)),
      txtMultiplier_(textBox("txtMultiplier", 2)), cboXAVVersion_(named(new QComboBox, "cboXAVVersion")),
      chkAllMulticasts_(named(new QCheckBox(QStringLiteral("Accept All Multicasts")), "chkAllMulticasts")),
      chkForceLayer3_(named(new QCheckBox(QStringLiteral("Force Layer 3 (IP)")), "chkForceLayer3")) {
    setWindowTitle(QStringLiteral("Options..."));
    tabOptions_->addTab(displayTab(), QStringLiteral("&Display"));
    tabOptions_->addTab(networkTab(), QStringLiteral("&Network"));
    tabOptions_->addTab(advancedTab(), QStringLiteral("&Advanced"));
    auto* cmdOkay = named(new QPushButton(QStringLiteral("&OK")), "cmdOkay");
    auto* cmdCancel = named(new QPushButton(QStringLiteral("&Cancel")), "cmdCancel");
    auto* cmdWizard = named(new QPushButton(QStringLiteral("Configuration Wi&zard...")), "cmdWizard");
    cmdWizard->setToolTip(QStringLiteral("Launch wizard"));
    cmdOkay->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(cmdWizard);
    buttons->addStretch();
    buttons->addWidget(cmdOkay);
    buttons->addWidget(cmdCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabOptions_);
    layout->addLayout(buttons);
    connect(cmdOkay, &QPushButton::clicked, this, &OptionsDialogForm::cmdOkay_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &OptionsDialogForm::reject);
    connect(cmdWizard, &QPushButton::clicked, this, &OptionsDialogForm::cmdWizard_Click);
    connect(cmdBeepTest_, &QPushButton::clicked, this, &OptionsDialogForm::cmdBeepTest_Click);
    connect(cmdCaptureMixer_, &QPushButton::clicked, this, &OptionsDialogForm::cmdCaptureMixer_Click);
    connectChanges();
}

QWidget* OptionsDialogForm::displayTab() {
    auto* frame = new QGroupBox(QStringLiteral("Look and feel:"));
    auto* rows = new QVBoxLayout(frame);
    for (QWidget* control :
         std::initializer_list<QWidget*>{optWindows_, optLargeKzSet_, optSmallKzSet_, chkTransparent_, chkUseKEZTime_,
                                         chkDisplayPopup_, chkClickDTMF_, chkSuppressStandby_})
        rows->addWidget(control);
    auto* lblUIStyle =
        named(new QLabel(QStringLiteral(
                  "Use this setting to switch between \"traditional Windows\" and KzSet telephone styles.  "
                  "You will need to stop and restart KEZ Ombrel for your selection to become active.")),
              "lblUIStyle");
    lblUIStyle->setWordWrap(true);
    rows->addWidget(lblUIStyle);
    return frame;
}

QWidget* OptionsDialogForm::networkTab() {
    auto* page = new QWidget;
    auto* own = new QGroupBox(QStringLiteral("KEZ Ombrel Network Information"));
    auto* ownRows = new QFormLayout(own);
    ownRows->addRow(optReadIPInfoAutomatically_);
    ownRows->addRow(optOverrideIPInfo_);
    ownRows->addRow(QStringLiteral("IP address:"), txtRirovuruzIPAddress_);
    ownRows->addRow(QStringLiteral("Subnet mask:"), txtRirovuruzSubnetMask_);
    ownRows->addRow(QStringLiteral("Default gateway:"), txtRirovuruzGateway_);
    auto* system = new QGroupBox(QStringLiteral("KEZ system Network Information"));
    auto* systemRows = new QFormLayout(system);
    systemRows->addRow(new QLabel(QStringLiteral("Enter the address information for the KEZ system.")));
    systemRows->addRow(QStringLiteral("KEZ system MAC address:"), txtVuruvMacAddress_);
    systemRows->addRow(QStringLiteral("KEZ system IP address:"), txtVuruvIPAddress_);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(own);
    layout->addWidget(system);
    for (QLineEdit* box : {txtVuruvIPAddress_, txtRirovuruzIPAddress_, txtRirovuruzSubnetMask_, txtRirovuruzGateway_})
        filterKeyText(*box, gFilterIPKeyAscii);
    filterKeyText(*txtVuruvMacAddress_, gFilterMacKeyAscii);
    return page;
}

QWidget* OptionsDialogForm::advancedTab() {
    auto* page = new QWidget;
    auto* priority = new QGroupBox(QStringLiteral("Application Priority Level"));
    auto* priorityRow = new QHBoxLayout(priority);
    priorityRow->addWidget(cboPriority_);
    priorityRow->addWidget(new QLabel(QStringLiteral("(Windows NT,2000, XP)")));
    auto* beep = new QGroupBox(QStringLiteral("PC Speaker Audio Warning Setup"));
    auto* beepRows = new QFormLayout(beep);
    beepRows->addRow(QStringLiteral("Frequency:"), txtBeepFrequency_);
    beepRows->addRow(QStringLiteral("Duration:"), txtBeepDuration_);
    beepRows->addRow(cmdBeepTest_);
    auto* wave = new QGroupBox(QStringLiteral("Audio wave settings"));
    auto* waveRows = new QFormLayout(wave);
    waveRows->addRow(chkShareWave_);
    waveRows->addRow(QStringLiteral("Shared shutdown delay (sec.):"), txtSharedDelayTime_);
    waveRows->addRow(chkMixerControl_, cmdCaptureMixer_);
    auto* volume = new QHBoxLayout;
    volume->addWidget(sldDTMFVolume_);
    volume->addWidget(lblVolLevel_);
    waveRows->addRow(QStringLiteral("Tone Volume:"), volume);
    sldDTMFVolume_->setRange(0, 100);
    auto* buffer = new QGroupBox(QStringLiteral("Audio buffer pool size"));
    auto* bufferRows = new QFormLayout(buffer);
    bufferRows->addRow(QStringLiteral("Delay:"), txtAudioBufferSize_);
    bufferRows->addRow(QStringLiteral("Multiplier:"), txtMultiplier_);
    auto* strategy = new QGroupBox(QStringLiteral("Communications strategy"));
    auto* strategyRows = new QFormLayout(strategy);
    strategyRows->addRow(named(new QLabel(QStringLiteral("KEZ system Version:")), "lblXAVVersion"), cboXAVVersion_);
    strategyRows->addRow(chkAllMulticasts_);
    strategyRows->addRow(chkForceLayer3_);
    cboXAVVersion_->addItems(
        {QStringLiteral("(None)"), QStringLiteral("R2.X.X"), QStringLiteral("R3.X.X"), QStringLiteral("R4.X.X")});
    auto* layout = new QGridLayout(page);
    layout->addWidget(priority, 0, 0);
    layout->addWidget(beep, 1, 0);
    layout->addWidget(buffer, 2, 0);
    layout->addWidget(wave, 0, 1, 2, 1);
    layout->addWidget(strategy, 2, 1);
    for (QLineEdit* box : {txtAudioBufferSize_, txtMultiplier_, txtBeepFrequency_, txtBeepDuration_})
        filterKeyText(*box, gFilterIPKeyAscii);
    filterKeyText(*txtSharedDelayTime_, digitsAndBackspace, [this](std::int16_t) { bDirty = true; });
    return page;
}

void OptionsDialogForm::connectChanges() {
    const auto machine = [this] { bDirty = true; };
    const auto perUser = [this] { bDirtyUserHKCU = true; };
    for (QLineEdit* box : {txtAudioBufferSize_, txtMultiplier_, txtBeepFrequency_, txtBeepDuration_, txtVuruvIPAddress_,
                           txtVuruvMacAddress_, txtRirovuruzIPAddress_, txtRirovuruzSubnetMask_, txtRirovuruzGateway_})
        connect(box, &QLineEdit::textChanged, this, machine);
    // The face is chosen here but only applied at OK.
    for (QAbstractButton* box :
         std::initializer_list<QAbstractButton*>{chkTransparent_, chkSuppressStandby_, chkClickDTMF_, chkAllMulticasts_,
                                                 chkUseKEZTime_, optWindows_, optLargeKzSet_, optSmallKzSet_})
        connect(box, &QAbstractButton::toggled, this, machine);
    connect(cboXAVVersion_, &QComboBox::currentIndexChanged, this, machine);
    connect(chkDisplayPopup_, &QCheckBox::toggled, this, perUser);
    connect(chkMixerControl_, &QCheckBox::toggled, this, perUser);
    connect(sldDTMFVolume_, &QSlider::valueChanged, this, [this](int value) {
        lblVolLevel_->setText(QString::number(value));
        bDirtyUserHKCU = true;
    });
    connect(optOverrideIPInfo_, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        showPcAddresses(false);
        bDirty = true;
    });
    connect(optReadIPInfoAutomatically_, &QRadioButton::toggled, this, [this](bool on) {
        if (!on) return;
        showPcAddresses(true);
        bDirty = true;
    });
    const auto warning = [this](bool warn, std::string_view text, ui::Icon icon) {
        if (loading_) return;
        if (warn) ui::showMessageBox(text, {}, icon);
        bDirty = true;
    };
    connect(cboPriority_, &QComboBox::currentIndexChanged, this, [warning](int index) {
        warning(index > 0,
                "Changing the priority level of Ombrel will allow it to get more \r\nCPU time which may cause other "
                "applications to run slower.",
                ui::Icon::Exclamation);
    });
    connect(chkShareWave_, &QCheckBox::toggled, this, [warning](bool on) {
        warning(on,
                "This option is only required when you are recording audio with another application while running "
                "Ombrel.\r\nWarning: If you are recording audio with another application you can not perform normal "
                "operations with Ombrel such as dialing a phone number or receiving incoming calls etc. until you "
                "stop recording with the other application.\r\nWindows XP supports shared audio recording as part of "
                "the operating system. Checking or unchecking this item on XP does nothing.",
                ui::Icon::Exclamation);
    });
    connect(chkForceLayer3_, &QCheckBox::toggled, this, [warning](bool on) {
        warning(on,
                "Selecting \"Force Layer 3\" should only be done when Ombrel is on a different subnet.\r\nWith Force "
                "Layer 3 checked the Ombrel initialization process will be faster.",
                ui::Icon::Information);
    });
}

bool OptionsDialogForm::bInitialize(OptionsOwner& roUI) {
    roUI_ = &roUI;
    options_ = &roUI.oOptions();
    cboPriority_->clear();
    cboPriority_->addItems({QStringLiteral("Normal"), QStringLiteral("High"), QStringLiteral("Real-Time")});
    cboPriority_->setCurrentIndex(0);
    load();
    const bool engine = roUI.bEngineExists();
    cmdBeepTest_->setEnabled(engine);
    cmdCaptureMixer_->setEnabled(engine);
    tabOptions_->setCurrentIndex(0);
    bDirtyUserHKCU = bDirty = bLaunchWizard = bCancel = false;
    return true;
}

void OptionsDialogForm::load() {
    const OptionsClass& o = *options_;
    // Set from here, the priority, the shared wave and forcing IP warn of nothing.
    loading_ = true;
    showSettings(*this, settingsTable(), o);
    loading_ = false;
    showPcAddresses(o.bReadIPInfoAutomatically);
    lblVolLevel_->setText(QString::number(o.lToneVolume));
}

void OptionsDialogForm::showPcAddresses(bool automatic) {
    const OptionsClass& o = *options_;
    txtRirovuruzIPAddress_->setText(text(automatic ? o.sLocalIP : o.sOverriddenRirovuruzIPAddress));
    txtRirovuruzSubnetMask_->setText(text(automatic ? o.sSubnet : o.sOverriddenRirovuruzSubnetMask));
    txtRirovuruzGateway_->setText(text(automatic ? o.sGateway : o.sOverriddenRirovuruzGateway));
    for (QLineEdit* box : {txtRirovuruzIPAddress_, txtRirovuruzSubnetMask_, txtRirovuruzGateway_})
        box->setEnabled(!automatic);
}

void OptionsDialogForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    gCenterForm(*this);
}

} // namespace kez::ombrel
