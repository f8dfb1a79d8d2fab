#pragma once
// The telephone window as the controller sees it, whichever form is shown (the simple one or the graphical
// face): the calls it makes (PhoneFormInterface), the events a form raises (PhoneForm's signals, delivered
// directly, in the order the user acted) and the calls a form makes on its controller (PhoneFormOwner).
#include <cstdint>
#include <string>

#include <QMainWindow>

#include "ombrel/button_interface.h"

class QAction;
class QMenu;

namespace kez::ombrel {

class OptionsClass;

// What a phone form calls on the controller that owns it.
class PhoneFormOwner {
public:
    virtual ~PhoneFormOwner() = default;

    // The controller's settings, created on first use.
    virtual OptionsClass& oOptions() = 0;
    // The set's buttons in the order the form added them; positions count from 1.
    virtual ButtonCollection& colButtons() = 0;
    // Asks the user: shut down, minimise to the tray, or cancel.
    virtual void UserFileExit() = 0;
    // Ends the program without asking.
    virtual void Shutdown() = 0;
    // Restores the phone window and brings it to the front; without `bForce` only when pop-ups are wanted.
    virtual void ActivateUI(bool bForce) = 0;
    // Pops up the form's mnuSysMenu at the pointer, its Restore entry shown or not.
    virtual void PopupSysMenu(bool bShowRestore) = 0;
    virtual void LaunchReleaseNotes() = 0;
    // Whether the tray icon shows: a minimised window hides only then, or it could not be got back.
    virtual bool bTrayIconShown() const = 0;
};

class PhoneFormInterface {
public:
    virtual ~PhoneFormInterface() = default;

    // Keeps the owner, sets the caption, makes one button object per key and adds it to `buttons` under its
    // key tag, and those with an LED a second time to `leds`.
    virtual void Initialize(PhoneFormOwner& owner, ButtonCollection& buttons, ButtonCollection& leds) = 0;
    // Despite its name the flag means "Options allowed": Tools, Options is offered only while it is True.
    // The controller passes True on hook and False off hook.
    virtual void SetPhoneBusy(bool optionsAllowed) = 0;
    virtual void SetDisplay(const std::string& line1, const std::string& line2) = 0;
    virtual void SetDisplayLine1(const std::string& line1) = 0;
    // Toggles the display between its normal and its flashing colour (an incoming call).
    virtual void FlipLCDState() = 0;
    // The normal colour again; the next flip shows the flashing one.
    virtual void RestoreLCDState() = 0;
    // The label box of the key; null when the form has none for it.
    virtual QLineEdit* oTextboxFromID(KeyId key) = 0;
};

// Mouse buttons in ButtonDown.
inline constexpr std::int16_t kLeftMouseButton = 1;
inline constexpr std::int16_t kRightMouseButton = 2;
inline constexpr std::int16_t kMiddleMouseButton = 4;

// The forms language's number of a mouse button; 0 for any but the three.
std::int16_t mouseButtonNumber(Qt::MouseButton button);

// The base of both phone forms: a top-level window with the events the controller sinks and the window
// operations it uses (show, hide and pos/move come from QWidget).
class PhoneForm : public QMainWindow, public PhoneFormInterface {
    Q_OBJECT

public:
    using QMainWindow::QMainWindow;

    // Back from minimised or hidden, in front of the other windows.
    void restoreWindow();

    // The pop-up menu the controller shows from the tray icon, and its Restore entry.
    virtual QMenu& mnuSysMenu() = 0;
    virtual QAction& mnuSysRestore() = 0;

signals:
    // A key pressed with the mouse (kLeftMouseButton, kRightMouseButton) or by its keyboard shortcut (left).
    void ButtonDown(std::int16_t button, KeyId key);
    void ButtonUp(KeyId key);
    // The user chose Tools, Options.
    void DisplayOptions();
};

} // namespace kez::ombrel
