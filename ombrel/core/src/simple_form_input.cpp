// The simple form's input: mouse presses on the keys, the keyboard's shortcuts, closing and minimising, the
// logo and the help menu.
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/about_form.h"
#include "ombrel/rirovuruz_globals.h"
#include "ombrel/simple_phone_form.h"

namespace kez::ombrel {

bool SimplePhoneForm::event(QEvent* event) {
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        bool menuBar = false;
        for (const KeyStroke& stroke : keys_.translate(static_cast<const QKeyEvent&>(*event))) {
            menuBar = menuBar || stroke.kind == KeyStroke::Kind::MenuBar;
            raiseStroke(stroke);
        }
        if (keys_.hasPendingRelease()) releaseTimer_.start();
        if (menuBar) return PhoneForm::event(event);
        focusHidden();
        return true;
    }
    case QEvent::WindowActivate: focusHidden(); break;
    case QEvent::WindowDeactivate: releaseHeldKeys(); break;
    default: break;
    }
    return PhoneForm::event(event);
}

void SimplePhoneForm::raiseStroke(const KeyStroke& stroke) {
    const auto id = shortcutKeyId(stroke.key);
    if (!id) return;
    if (stroke.kind == KeyStroke::Kind::Down) emit ButtonDown(kLeftMouseButton, *id);
    if (stroke.kind == KeyStroke::Kind::Up) emit ButtonUp(*id);
}

void SimplePhoneForm::releaseHeldKeys() {
    for (const WindowsKey key : keys_.releaseAll()) {
        if (const auto id = shortcutKeyId(key)) emit ButtonUp(*id);
    }
}

bool SimplePhoneForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imgKEZLogo_) {
        if (event->type() == QEvent::MouseButtonRelease) showAbout();
        return false;
    }
    const QVariant tag = watched->property(kTagProperty);
    bool isNumber = false;
    const auto key = static_cast<KeyId>(tag.toInt(&isNumber));
    if (!isNumber) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // a quick second press is a press of its own
        emit ButtonDown(mouseButtonNumber(static_cast<const QMouseEvent&>(*event).button()), key);
        focusHidden();
        break;
    case QEvent::MouseButtonRelease:
        emit ButtonUp(key);
        focusHidden();
        break;
    default: break;
    }
    return false;
}

void SimplePhoneForm::closeEvent(QCloseEvent* event) {
    // The close box or the window menu: the owner asks what to do, the window stays for now.
    if (event->spontaneous() && !shutdownCalled_) {
        event->ignore();
        if (owner_) owner_->UserFileExit();
        return;
    }
    shutdownOnce();
    event->accept();
}

void SimplePhoneForm::shutdownOnce() {
    if (shutdownCalled_) return;
    shutdownCalled_ = true;
    if (owner_) owner_->Shutdown();
}

void SimplePhoneForm::changeEvent(QEvent* event) {
    PhoneForm::changeEvent(event);
    // Hidden only where the tray icon can bring it back.
    if (event->type() == QEvent::WindowStateChange && isMinimized() && owner_ && owner_->bTrayIconShown()) {
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) hide();
        });
    }
}

void SimplePhoneForm::focusHidden() {
    if (isVisible() && isEnabled()) setFocus(Qt::OtherFocusReason);
}

void SimplePhoneForm::showAbout() {
    if (!about_) about_ = new AboutForm;
    about_->show();
    about_->raise();
    about_->activateWindow();
}

void SimplePhoneForm::openHelpContents() {
    const std::string file = gHelpFileForCountry();
    if (ui::Launcher::openHelp(file)) return;
    ui::showMessageBox("The help page " + ui::Launcher::helpPage(file).string() + " cannot be opened.", {},
                       ui::Icon::Exclamation);
}

} // namespace kez::ombrel
