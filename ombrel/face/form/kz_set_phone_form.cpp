#include "form/kz_set_phone_form.h"

#include <QCloseEvent>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>

#include "form/face_canvas.h"
#include "form/picture_files.h"
#include "form/procedure_errors.h"
#include "kez/sys/paths.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "layout/bitmap_files.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/standby_inhibitor.h"
#include "ombrel/titles.h"

// The built-in pictures live in a resource of a static library: registered on first use.
static void initBuiltinPictures() { Q_INIT_RESOURCE(facebuiltin); }

namespace kez::ombrel {

using face::Control;
using face::Side;

std::string faceCaption(int major, int minor, int revision) {
    return std::string(kOmbrelCaption) + "  (Version: R" + std::to_string(major) + "." + std::to_string(minor) + "." +
           std::to_string(revision) + ")";
}

KzSetPhoneForm::KzSetPhoneForm(QWidget* parent)
    : PhoneForm(parent), menus_(*this, menuCommands()),
      keyboard_([this](KeyId key, bool down) { pressKey(key, down); }), drag_(*this, [this] {
          if (moUIWrapper_ != nullptr) moUIWrapper_->PopupSysMenu(false);
      }) {
    initBuiltinPictures();
    canvas_ = new FaceCanvas(this);
    setCentralWidget(canvas_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    createControls();
    connectPointer();
    connect(canvas_, &FaceCanvas::backgroundDoubleClicked, this,
            [this] { runReported("Form_DblClick", [this] { mToggleClippingRegion(); }); });
    standby_ = new StandbyInhibitor(*this, [this] { return moOptions_ != nullptr && moOptions_->bSuppressStandby; });
}

KzSetPhoneForm::~KzSetPhoneForm() {
    if (about_) about_->close();
    // The label boxes' filter calls back into this form: it goes before the canvas's children outlive us.
    delete labels_;
}

FaceMenus::Commands KzSetPhoneForm::menuCommands() {
    return {
        .exit =
            [this] {
                if (moUIWrapper_ != nullptr) moUIWrapper_->UserFileExit();
            },
        .toggleBackground = [this] { mToggleClippingRegion(); },
        .options = [this] { emit DisplayOptions(); },
        .releaseNotes =
            [this] {
                if (moUIWrapper_ != nullptr) moUIWrapper_->LaunchReleaseNotes();
            },
        .about = [this] { showAbout(); },
        .restore =
            [this] {
                if (moUIWrapper_ != nullptr) moUIWrapper_->ActivateUI(true);
            },
    };
}

void KzSetPhoneForm::showAbout() {
    if (!about_) about_ = new AboutForm;
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void KzSetPhoneForm::createControls() {
    // The hidden focus box first: it lies under label box 0, which must take the clicks.
    txtDummyTextbox_ = new QLineEdit(canvas_);
    txtDummyTextbox_->setObjectName(QStringLiteral("txtDummyTextbox"));
    txtDummyTextbox_->setFrame(false);
    txtDummyTextbox_->resize(1, 1);
    txtDummyTextbox_->setAttribute(Qt::WA_InputMethodEnabled, false);
    for (const auto& load : face::pictureLoads()) {
        PictureItem& item = canvas_->addPicture(load.picture);
        item.setPixmap(builtinPicture(load.file));
        item.setVisible(load.picture.side == Side::Up);
        pictures_[{load.picture.family, load.picture.side, load.picture.index}] = &item;
    }
    for (int line = 1; line <= 2; ++line) {
        auto* label = new QLabel(canvas_);
        label->setObjectName(QStringLiteral("lblDisplay%1").arg(line));
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        label->setWordWrap(false);
        label->setAutoFillBackground(false);
        label->installEventFilter(this);
        (line == 1 ? lblDisplay1_ : lblDisplay2_) = label;
    }
    labels_ = new FaceLabels(*canvas_, {.editStarts = [this] { keyboard_.releaseHeld(); },
                                        .editEnds = [this] { focusDummy(); },
                                        .buttons = [this]() -> ButtonCollection* {
                                            return moUIWrapper_ ? &moUIWrapper_->colButtons() : nullptr;
                                        }});
    // As the window is built: the large face at the screen's density, before any file is read.
    QFont displayFont(QStringLiteral("MS Sans Serif"));
    displayFont.setPointSizeF(8.25);
    displayFont.setBold(true);
    lblDisplay1_->setFont(displayFont);
    lblDisplay2_->setFont(displayFont);
    canvas_->setBackground(builtinPicture(face::backgroundFile(face::FaceSize::Large)));
    mPositionControls(face::FaceSize::Large);
}

PictureItem* KzSetPhoneForm::picture(face::PictureRef ref) const {
    const auto found = pictures_.find({ref.family, ref.side, ref.index});
    return found == pictures_.end() ? nullptr : found->second;
}

void KzSetPhoneForm::Initialize(PhoneFormOwner& owner, ButtonCollection& colButtons, ButtonCollection& colLEDs) {
    runReported("PhoneFormInterface_Initialize", [&] {
        moUIWrapper_ = &owner;
        loadFor(owner.oOptions());
        mInitializeButtonsAndLEDS(colButtons, colLEDs);
        if (moOptions_->bDefaultTransparent) mToggleClippingRegion();
    });
}

void KzSetPhoneForm::loadFor(OptionsClass& options) {
    moOptions_ = &options;
    Form_Load();
    setWindowTitle(QString::fromStdString(faceCaption(KEZ_VERSION_MAJOR, KEZ_VERSION_MINOR, KEZ_VERSION_PATCH)));
}

void KzSetPhoneForm::Form_Load() {
    runReported("Form_Load", [this] {
        mbNormalLCD_ = true;
        size_ = face::faceSizeFromType(moOptions_->nUIType);
        imageFolder_ = sys::dataDir() / std::string(face::bitmapFolder(size_));
        backgroundImage_ = face::backgroundFile(size_);
        redLcdImage_ = face::redLcdFile(size_);
        mDetermineSystemFontSize();
        mLoadAndPositionControls();
        // The canvas's place in the window: below the menu bar.
        layout()->activate();
        outline_.build(size_, canvas_->pos());
    });
}

void KzSetPhoneForm::SetPhoneBusy(bool bEnable) { menus_.toolsOptions().setEnabled(bEnable); }

void KzSetPhoneForm::SetDisplay(const std::string& sLine1, const std::string& sLine2) {
    runReported("PhoneFormInterface_SetDisplay", [&] {
        lblDisplay1_->setText(QString::fromStdString(vb::trim(sLine1)));
        lblDisplay2_->setText(QString::fromStdString(vb::trim(sLine2)));
    });
}

void KzSetPhoneForm::SetDisplayLine1(const std::string& sLine1) {
    runReported("PhoneFormInterface_SetDisplayLine1",
                [&] { lblDisplay1_->setText(QString::fromStdString(vb::trim(sLine1))); });
}

std::filesystem::path KzSetPhoneForm::faceFile(const std::string& file) const { return imageFolder_ / file; }

void KzSetPhoneForm::showBackgroundFile(const std::string& file) {
    canvas_->setBackground(loadPicture(faceFile(file)));
}

void KzSetPhoneForm::FlipLCDState() {
    try {
        showBackgroundFile(mbNormalLCD_ ? redLcdImage_ : backgroundImage_);
        mbNormalLCD_ = !mbNormalLCD_;
    } catch (const vb::RuntimeError& error) {
        // The flash repeats every second: a missing file is logged each time but shown once per ringing.
        constexpr std::string_view kProcedure = "PhoneFormInterface_FlipLCDState";
        if (lcdFailureShown_) {
            gLogError(error.number(), kProcedure, error.description());
        } else {
            lcdFailureShown_ = true;
            gReportError(error.number(), kProcedure, error.description(), true);
        }
    }
}

void KzSetPhoneForm::RestoreLCDState() {
    lcdFailureShown_ = false;
    runReported("PhoneFormInterface_RestoreLCDState", [this] {
        showBackgroundFile(backgroundImage_);
        mbNormalLCD_ = true;
    });
}

QLineEdit* KzSetPhoneForm::oTextboxFromID(KeyId key) {
    const face::ButtonRow* row = face::buttonRow(key);
    return row != nullptr && row->labelBox ? txtLineLabels(*row->labelBox) : nullptr;
}

void KzSetPhoneForm::mToggleClippingRegion() {
    runReported("mToggleClippingRegion", [this] { outline_.toggle(*this, *canvas_); });
}

void KzSetPhoneForm::focusDummy() { txtDummyTextbox_->setFocus(Qt::OtherFocusReason); }

void KzSetPhoneForm::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The keys are seen on the window before any control; the window is made anew when the frame comes or
    // goes with the outline, and a second install of the same filter is one.
    windowHandle()->installEventFilter(this);
    focusDummy();
}

void KzSetPhoneForm::closeEvent(QCloseEvent* event) {
    // Closed by the user from the window manager: the controller asks whether to end or go to the tray.
    if (event->spontaneous() && !shutdownCalled_ && moUIWrapper_ != nullptr) {
        event->ignore();
        runReported("Form_QueryUnload", [this] { moUIWrapper_->UserFileExit(); });
        return;
    }
    // Closed by code or at the session's end; the controller's shut-down may close it again.
    shutdownOnce();
    event->accept();
}

void KzSetPhoneForm::shutdownOnce() {
    if (shutdownCalled_ || moUIWrapper_ == nullptr) return;
    shutdownCalled_ = true;
    runReported("Form_QueryUnload", [this] { moUIWrapper_->Shutdown(); });
}

void KzSetPhoneForm::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange) {
        if (!isActiveWindow()) return keyboard_.releaseHeld();
        // A label being edited keeps the focus it had.
        if (faceTakesKeys()) focusDummy();
        // Back from a dialog, the Options among them: the setting may have changed.
        if (isVisible()) standby_->setHeld(moOptions_ != nullptr && moOptions_->bSuppressStandby);
    }
    if (event->type() != QEvent::WindowStateChange || !isMinimized()) return;
    // Minimised, the set lives on in the tray; without a tray icon the window could not be got back.
    runReported("Form_Resize", [this] {
        if (moUIWrapper_ == nullptr || !moUIWrapper_->bTrayIconShown()) return;
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) hide();
        });
    });
}

bool KzSetPhoneForm::faceTakesKeys() const {
    const QWidget* focus = focusWidget();
    return focus == nullptr || focus == txtDummyTextbox_ || qobject_cast<const QLineEdit*>(focus) == nullptr;
}

bool KzSetPhoneForm::Form_KeyEvent(const QKeyEvent& key) {
    if (!faceTakesKeys()) return false;
    keyboard_.take(key);
    focusDummy();
    return true;
}

bool KzSetPhoneForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle()) {
        const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
        return isKey && Form_KeyEvent(static_cast<const QKeyEvent&>(*event));
    }
    // The display lines take their clicks, as the labels they stand for do: a click there starts no drag.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: return true;
    default: return QMainWindow::eventFilter(watched, event);
    }
}

} // namespace kez::ombrel
