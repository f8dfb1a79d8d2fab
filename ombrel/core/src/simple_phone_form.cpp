#include "ombrel/simple_phone_form.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "kez/ui/metrics.h"
#include "kez/ui/named.h"
#include "kez/ui/plain_text.h"
#include "ombrel/about_form.h"
#include "ombrel/kez_logo.h"
#include "ombrel/options.h"
#include "ombrel/simple_button.h"
#include "ombrel/standby_inhibitor.h"
#include "ombrel/titles.h"

namespace kez::ombrel {
namespace {

constexpr int kFormHeightTwips = 5536;
constexpr int kDisplayCharacters = 16;
constexpr int kLogoHeight = 28;
constexpr int kDialPadKeys[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 14, 0, 15}; // as the pad shows them

QPushButton* keyButton(QWidget* parent, const QString& name, int index, QObject* filter) {
    auto* button = new QPushButton(parent);
    button->setObjectName(name + QLatin1Char('_') + QString::number(index));
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoDefault(false);
    button->installEventFilter(filter);
    return button;
}

QCheckBox* ledBox(QWidget* parent, const QString& name, int index) {
    auto* led = new QCheckBox(parent);
    led->setObjectName(index < 0 ? name : name + QLatin1Char('_') + QString::number(index));
    led->setFocusPolicy(Qt::NoFocus);
    return led;
}

// A key with its LED in front, as one cell.
QWidget* withLed(QCheckBox* led, QPushButton* button) {
    auto* cell = new QWidget;
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    row->addWidget(led ? static_cast<QWidget*>(led) : new QWidget);
    row->addWidget(button, 1);
    return cell;
}

QLabel* displayLine(const QString& name) {
    auto* line = new QLabel;
    line->setObjectName(name);
    ui::showPlainText(*line); // the call server's text, never markup
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    line->setFont(font);
    line->setMinimumWidth(QFontMetrics(font).horizontalAdvance(QString(kDisplayCharacters, QLatin1Char('M'))));
    return line;
}

} // namespace

SimplePhoneForm::SimplePhoneForm(QWidget* parent) : PhoneForm(parent) {
    setObjectName(QStringLiteral("SimplePhoneForm"));
    setFocusPolicy(Qt::StrongFocus);
    createMenus();
    createControls();
    layOut();
    normalColour_ = lblDisplay1_->palette().color(QPalette::WindowText);
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(kRepeatWindowMs);
    connect(&releaseTimer_, &QTimer::timeout, this, [this] {
        if (const auto stroke = keys_.takePendingRelease()) raiseStroke(*stroke);
    });
    new StandbyInhibitor(*this, [this] { return options_ != nullptr && options_->bSuppressStandby; });
    connect(static_cast<QGuiApplication*>(QCoreApplication::instance()), &QGuiApplication::commitDataRequest, this,
            [this] { shutdownOnce(); });
}

SimplePhoneForm::~SimplePhoneForm() {
    if (about_) about_->close();
}

void SimplePhoneForm::createMenus() {
    const auto action = [this](QMenu& menu, const char* name, const char* caption, auto slot) {
        QAction* item = ui::named(menu.addAction(QString::fromUtf8(caption)), name);
        connect(item, &QAction::triggered, this, slot);
        return item;
    };
    const auto owner = [this](auto call) {
        return [this, call] {
            if (owner_) call(*owner_);
        };
    };
    QMenu& file = *menuBar()->addMenu(QStringLiteral("&File"));
    action(file, "mnuFileExit", "&Exit", owner([](PhoneFormOwner& o) { o.UserFileExit(); }));
    QMenu& tools = *menuBar()->addMenu(QStringLiteral("&Tools"));
    mnuToolsOptions_ = action(tools, "mnuToolsOptions", "&Options...", [this] { emit DisplayOptions(); });
    QMenu& help = *menuBar()->addMenu(QStringLiteral("&Help"));
    action(help, "mnuHelpContents", "&Contents...", [this] { openHelpContents(); });
    action(help, "mnuHelpReleaseNotes", "Release &Notes...", owner([](PhoneFormOwner& o) { o.LaunchReleaseNotes(); }));
    help.addSeparator();
    action(help, "mnuHelpAbout", "&About...", [this] { showAbout(); });

    // The tray's menu; the owner pops it up. What the user asks for from the tray is forced to the front.
    mnuSysMenu_ = new QMenu(this);
    mnuSysMenu_->setObjectName(QStringLiteral("mnuSysMenu"));
    action(*mnuSysMenu_, "mnuSysOptions", "&Options...", [this] {
        if (owner_) owner_->ActivateUI(true);
        emit DisplayOptions();
    });
    mnuSysRestore_ =
        action(*mnuSysMenu_, "mnuSysRestore", "&Restore", owner([](PhoneFormOwner& o) { o.ActivateUI(true); }));
    action(*mnuSysMenu_, "mnuSysExit", "&Exit", owner([](PhoneFormOwner& o) { o.UserFileExit(); }));
}

void SimplePhoneForm::createControls() {
    auto* central = new QWidget;
    setCentralWidget(central);
    for (const int key : kDialPadKeys)
        cmdDTMF_[key] = keyButton(central, QStringLiteral("cmdDTMF"), key, this);
    for (int i = 0; i < 7; ++i)
        cmdFixed_[i] = keyButton(central, QStringLiteral("cmdFixed"), i, this);
    for (int i = 0; i < 5; ++i) {
        cmdBFButton_[i] = keyButton(central, QStringLiteral("cmdBFButton"), i, this);
        cmdDisplay_[i] = keyButton(central, QStringLiteral("cmdDisplay"), i, this);
    }
    for (int i = 0; i < 12; ++i) {
        cmdLButtons_[i] = keyButton(central, QStringLiteral("cmdLButtons"), i, this);
        chkLButtons_[i] = ledBox(central, QStringLiteral("chkLButtons"), i);
    }
    for (int i = 0; i < 6; ++i)
        cmdFButton_[i] = keyButton(central, QStringLiteral("cmdFButton"), i, this);
    for (int i = 0; i < 4; ++i)
        chkFixed_[i] = ledBox(central, QStringLiteral("chkFixed"), i);
    chkProgram_ = ledBox(central, QStringLiteral("chkProgram"), -1);
    chkSpeaker_ = ledBox(central, QStringLiteral("chkSpeaker"), -1);
    QFont small(QStringLiteral("Small Fonts"));
    small.setPointSize(7);
    for (auto* button : cmdLButtons_)
        button->setFont(small);
    for (auto* button : cmdFButton_)
        button->setFont(small);
    lblDisplay1_ = displayLine(QStringLiteral("lblDisplay1"));
    lblDisplay2_ = displayLine(QStringLiteral("lblDisplay2"));
    imgKEZLogo_ = new QLabel(central);
    imgKEZLogo_->setObjectName(QStringLiteral("imgKEZLogo"));
    imgKEZLogo_->setPixmap(kezLogo(kLogoHeight));
    imgKEZLogo_->installEventFilter(this);
}

void SimplePhoneForm::layOut() {
    auto* display = new QFrame;
    display->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* lines = new QVBoxLayout(display);
    lines->setContentsMargins(6, 2, 6, 2);
    lines->addWidget(lblDisplay1_);
    lines->addWidget(lblDisplay2_);
    auto* top = new QHBoxLayout;
    top->addWidget(display, 1);
    top->addWidget(imgKEZLogo_);
    auto* soft = new QHBoxLayout;
    for (auto* button : cmdDisplay_)
        soft->addWidget(button);

    auto* lineKeys = new QGridLayout;
    for (int i = 0; i < 12; ++i)
        lineKeys->addWidget(withLed(chkLButtons_[i], cmdLButtons_[i]), i % 6, i / 6);
    auto* fraKeypad = new QGroupBox;
    fraKeypad->setObjectName(QStringLiteral("fraKeypad"));
    auto* pad = new QGridLayout(fraKeypad);
    for (int i = 0; i < 12; ++i) {
        cmdDTMF_[kDialPadKeys[i]]->setParent(fraKeypad);
        pad->addWidget(cmdDTMF_[kDialPadKeys[i]], i / 3, i % 3);
    }
    const std::array<QCheckBox*, 7> fixedLeds{chkProgram_, chkFixed_[0], chkFixed_[1], chkFixed_[2], chkFixed_[3]};
    auto* fixed = new QVBoxLayout;
    for (int i = 0; i < 7; ++i)
        fixed->addWidget(withLed(fixedLeds[i], cmdFixed_[i]));
    auto* call = new QVBoxLayout;
    call->addWidget(withLed(chkSpeaker_, cmdBFButton_[0]));
    for (int i = 1; i < 5; ++i)
        call->addWidget(withLed(nullptr, cmdBFButton_[i]));
    call->addStretch();
    auto* keys = new QHBoxLayout;
    keys->addLayout(lineKeys);
    keys->addWidget(fraKeypad);
    keys->addLayout(fixed);
    keys->addLayout(call);
    auto* features = new QHBoxLayout;
    for (auto* button : cmdFButton_)
        features->addWidget(button);

    auto* form = new QVBoxLayout(centralWidget());
    form->setSpacing(4);
    form->addLayout(top);
    form->addLayout(soft);
    form->addLayout(keys);
    form->addLayout(features);
    const QSize size = sizeHint();
    setFixedSize(size.width(), std::max(size.height(), kFormHeightTwips / ui::Metrics::twipsPerPixel()));
}

void SimplePhoneForm::Initialize(PhoneFormOwner& owner, ButtonCollection& buttons, ButtonCollection& leds) {
    owner_ = &owner;
    options_ = &owner.oOptions();
    setWindowTitle(QString::fromUtf8(kOmbrelCaption.data(), static_cast<qsizetype>(kOmbrelCaption.size())));
    buildKeys(buttons, leds);
}

QPushButton* SimplePhoneForm::keyControl(const KeyInfo& key) const {
    const auto index = static_cast<std::size_t>(key.index);
    switch (key.panel) {
    case KeyPanel::DialPad: return cmdDTMF_.at(index);
    case KeyPanel::Line: return cmdLButtons_.at(index);
    case KeyPanel::Feature: return cmdFButton_.at(index);
    case KeyPanel::Fixed: return cmdFixed_.at(index);
    case KeyPanel::Call: return cmdBFButton_.at(index);
    case KeyPanel::Display: return cmdDisplay_.at(index);
    }
    return nullptr;
}

QCheckBox* SimplePhoneForm::ledControl(const KeyInfo& key) const {
    const auto index = static_cast<std::size_t>(key.ledIndex);
    switch (key.led) {
    case LedPanel::None: return nullptr;
    case LedPanel::Line: return chkLButtons_.at(index);
    case LedPanel::Program: return chkProgram_;
    case LedPanel::Fixed: return chkFixed_.at(index);
    case LedPanel::Speaker: return chkSpeaker_;
    }
    return nullptr;
}

void SimplePhoneForm::buildKeys(ButtonCollection& buttons, ButtonCollection& leds) {
    for (const KeyInfo& key : keyTable()) {
        QPushButton* control = keyControl(key);
        QCheckBox* led = ledControl(key);
        auto button = std::make_shared<SimpleButtonClass>();
        button->Initialize(key.key, key.type, *control, led, std::string(key.caption), std::string(key.description),
                           std::string(), key.keyHelpTopic, key.ledHelpTopic);
        const std::string tag = keyTag(key.key);
        control->setProperty(kTagProperty, int{key.key});
        buttons.add(tag, button);
        if (led) {
            led->setProperty(kTagProperty, int{key.key});
            leds.add(tag, button);
        }
    }
}

void SimplePhoneForm::SetPhoneBusy(bool optionsAllowed) { mnuToolsOptions_->setEnabled(optionsAllowed); }

void SimplePhoneForm::SetDisplay(const std::string& line1, const std::string& line2) {
    lblDisplay1_->setText(QString::fromStdString(line1));
    lblDisplay2_->setText(QString::fromStdString(line2));
}

void SimplePhoneForm::SetDisplayLine1(const std::string& line1) {
    lblDisplay1_->setText(QString::fromStdString(line1));
}

void SimplePhoneForm::FlipLCDState() {
    paintDisplay(normalLcd_ ? QColor(255, 0, 0) : normalColour_);
    normalLcd_ = !normalLcd_;
}

void SimplePhoneForm::RestoreLCDState() {
    paintDisplay(normalColour_);
    normalLcd_ = true;
}

void SimplePhoneForm::paintDisplay(const QColor& colour) {
    for (QLabel* line : {lblDisplay1_, lblDisplay2_}) {
        QPalette palette = line->palette();
        palette.setColor(QPalette::WindowText, colour);
        line->setPalette(palette);
    }
}

} // namespace kez::ombrel
