#pragma once
// SimplePhoneForm: the plain telephone window: a menu bar, two display lines, a push button for each of the 47
// keys and a check box as the LED of each key that has one. Mouse presses on the keys and the keyboard's
// shortcuts become ButtonDown and ButtonUp; the menus call the owner. The form keeps the keyboard itself: no key
// button takes the focus, and every key event is the form's but Alt with a letter (the menu bar's).
//
// Closing: the close box asks the owner (UserFileExit) and keeps the window; any other close (the session's
// end, a close() call) calls the owner's Shutdown once and lets the window go, so an owner ends the form by
// deleting it. Minimising hides the window while the owner's tray icon shows. While it shows and the setting
// "SuppressStandby" is True, the system's standby is refused.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include <QPointer>
#include <QTimer>

#include "ombrel/key_translation.h"
#include "ombrel/phone_form.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace kez::ombrel {

class AboutForm;

// The dynamic property that carries a key control's tag, its key number.
inline constexpr char kTagProperty[] = "tag";

class SimplePhoneForm : public PhoneForm {
public:
    explicit SimplePhoneForm(QWidget* parent = nullptr);
    ~SimplePhoneForm() override;

    void Initialize(PhoneFormOwner& owner, ButtonCollection& buttons, ButtonCollection& leds) override;
    void SetPhoneBusy(bool optionsAllowed) override;
    // The texts as they come, blanks included.
    void SetDisplay(const std::string& line1, const std::string& line2) override;
    void SetDisplayLine1(const std::string& line1) override;
    void FlipLCDState() override;
    void RestoreLCDState() override;
    // The simple form has no label boxes.
    QLineEdit* oTextboxFromID(KeyId) override { return nullptr; }
    QMenu& mnuSysMenu() override { return *mnuSysMenu_; }
    QAction& mnuSysRestore() override { return *mnuSysRestore_; }

    // The About dialog, shown modeless; one at a time.
    void showAbout();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void createMenus();
    void createControls();
    void layOut();
    void buildKeys(ButtonCollection& buttons, ButtonCollection& leds);
    QPushButton* keyControl(const KeyInfo& key) const;
    QCheckBox* ledControl(const KeyInfo& key) const;
    void raiseStroke(const KeyStroke& stroke);
    void releaseHeldKeys();
    void shutdownOnce();
    void focusHidden();
    void paintDisplay(const QColor& colour);
    void openHelpContents();

    PhoneFormOwner* owner_ = nullptr;
    OptionsClass* options_ = nullptr;
    KeyTranslation keys_;
    QTimer releaseTimer_; // takes a held-back release once no repeat followed it
    QColor normalColour_;
    bool normalLcd_ = true;
    bool shutdownCalled_ = false;
    QPointer<AboutForm> about_;

    QLabel* lblDisplay1_ = nullptr;
    QLabel* lblDisplay2_ = nullptr;
    QLabel* imgKEZLogo_ = nullptr;
    std::array<QPushButton*, 16> cmdDTMF_{}; // indexes 0-9, 14 and 15
    std::array<QPushButton*, 7> cmdFixed_{};
    std::array<QPushButton*, 5> cmdBFButton_{};
    std::array<QPushButton*, 5> cmdDisplay_{};
    std::array<QPushButton*, 12> cmdLButtons_{};
    std::array<QPushButton*, 6> cmdFButton_{};
    std::array<QCheckBox*, 12> chkLButtons_{};
    std::array<QCheckBox*, 4> chkFixed_{};
    QCheckBox* chkProgram_ = nullptr;
    QCheckBox* chkSpeaker_ = nullptr;

    QAction* mnuToolsOptions_ = nullptr;
    QMenu* mnuSysMenu_ = nullptr;
    QAction* mnuSysRestore_ = nullptr;
};

} // namespace kez::ombrel
