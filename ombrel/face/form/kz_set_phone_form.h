#pragma once
// KzSetPhoneForm: the graphical telephone set. A window with the face's menus over a canvas that shows the
// bitmap of the large or the small set, its 131 key, LED and logo pictures, the two display lines, the 18 label
// boxes of the programmable keys and the hidden box that holds the keyboard focus. The controller drives it
// through the phone-form contract.
//
// Input: a press or release on a key's picture, or its keyboard shortcut while no label is being edited, is
// ButtonDown or ButtonUp with the key's number; the background is dragged with the left button and pops up the
// tray menu with the right one. A label box's text is stored for its key when it loses the focus. Closing from
// the window manager asks the controller; any other close shuts it down, once. While the face shows and
// "SuppressStandby" is True, the system's standby is refused.

#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <tuple>

#include <QPointer>

#include "form/face_drag.h"
#include "form/face_keyboard.h"
#include "form/face_labels.h"
#include "form/face_menus.h"
#include "form/face_outline.h"
#include "layout/button_table.h"
#include "layout/face_types.h"
#include "ombrel/about_form.h"
#include "ombrel/phone_form.h"

class QAction;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;

namespace kez::ombrel {

class FaceCanvas;
class OptionsClass;
class PictureItem;
class StandbyInhibitor;

// "KEZ Ombrel (TM)  (Version: R<major>.<minor>.<revision>)".
std::string faceCaption(int major, int minor, int revision);

class KzSetPhoneForm : public PhoneForm {
    Q_OBJECT

public:
    static constexpr int kLabelBoxes = FaceLabels::kBoxes;
    static constexpr int kLabelTypingLimit = FaceLabels::kTypingLimit;

    explicit KzSetPhoneForm(QWidget* parent = nullptr);
    ~KzSetPhoneForm() override;

    // The phone-form contract.
    void Initialize(PhoneFormOwner& owner, ButtonCollection& colButtons, ButtonCollection& colLEDs) override;
    void SetPhoneBusy(bool bEnable) override;
    // Both show the texts without their leading and trailing blanks.
    void SetDisplay(const std::string& sLine1, const std::string& sLine2) override;
    void SetDisplayLine1(const std::string& sLine1) override;
    void FlipLCDState() override;
    void RestoreLCDState() override;
    QLineEdit* oTextboxFromID(KeyId key) override;
    QMenu& mnuSysMenu() override { return menus_.sysMenu(); }
    QAction& mnuSysRestore() override { return menus_.sysRestore(); }

    // Keeps the settings object, loads the face for its size and sets the caption: the first steps of
    // Initialize.
    void loadFor(OptionsClass& options);
    // Makes the button objects of `rows` into the two collections; a row naming a picture or label box the
    // face has not ends the build there.
    void mInitializeButtonsAndLEDS(ButtonCollection& colButtons, ButtonCollection& colLEDs,
                                   std::span<const face::ButtonRow> rows = face::buttonRows());

    // The outline switch of the double click and the Tools menu.
    void mToggleClippingRegion();

    // The About dialog, modeless and without owner; one at a time, closed with the face.
    void showAbout();
    AboutForm* aboutForm() const { return about_; }

    // The controls, by name and index; null when the face has none such.
    PictureItem* picture(face::PictureRef ref) const;
    QLabel* lblDisplay(int line) const { return line == 1 ? lblDisplay1_ : lblDisplay2_; }
    QLineEdit* txtLineLabels(int index) const { return labels_->box(index); }
    QLineEdit* txtDummyTextbox() const { return txtDummyTextbox_; }
    FaceCanvas& canvas() const { return *canvas_; }
    const FaceOutline& outline() const { return outline_; }
    bool isNormalLCD() const { return mbNormalLCD_; }
    int systemFontSize() const { return mnSystemFontSize_; }
    QAction* mnuToolsOptions() const { return &menus_.toolsOptions(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FaceMenus::Commands menuCommands();
    void createControls();
    void Form_Load();

    // The keyboard: the shortcuts while the focus is on no label box being edited.
    bool Form_KeyEvent(const QKeyEvent& key);
    bool faceTakesKeys() const;

    // The keys (face_buttons.cpp): presses on their pictures, by the key of the up picture with the same
    // index, and by their shortcuts.
    void connectPointer();
    void imageMouseDown(face::PictureRef picture, std::int16_t button);
    void imageMouseUp(face::PictureRef picture);
    void pressKey(KeyId key, bool down);

    // Set-up of the controls at load (face_setup.cpp).
    void mDetermineSystemFontSize();
    void mLoadAndPositionControls();
    void mTextboxSetup();
    void mLabelSetup();
    void mLoadControlBitmaps();
    void mPositionControls(face::FaceSize size);
    void applyWindowSize(face::Size twips);

    // The display flash: the background from the face's folder.
    void showBackgroundFile(const std::string& file);
    std::filesystem::path faceFile(const std::string& file) const;
    void focusDummy();
    void shutdownOnce();

    // The controls one row of the button table names.
    struct RowControls {
        PictureItem& up;
        PictureItem& down;
        PictureItem* ledOff;
        PictureItem* ledOn;
        QLineEdit* labelBox;
    };
    // Run-time error 9 when the face has no such picture or label box.
    RowControls rowControls(const face::ButtonRow& row) const;
    PictureItem& rowPicture(face::Control family, face::Side side, int index) const;
    void mCreateAndAddButton(ButtonCollection& colButtons, ButtonCollection& colLEDs, const face::ButtonRow& row,
                             const RowControls& controls);

    PhoneFormOwner* moUIWrapper_ = nullptr;
    OptionsClass* moOptions_ = nullptr;
    face::FaceSize size_ = face::FaceSize::Large;
    // Captured at load from the face's own size, so later changes of the settings never mix sizes.
    std::filesystem::path imageFolder_;
    std::string backgroundImage_;
    std::string redLcdImage_;
    bool mbNormalLCD_ = true;
    bool lcdFailureShown_ = false; // one box per flash cycle; every failure is logged
    int mnSystemFontSize_ = 1;
    FaceOutline outline_;
    FaceMenus menus_;
    FaceKeyboard keyboard_;
    FaceDrag drag_;
    bool shutdownCalled_ = false;
    StandbyInhibitor* standby_ = nullptr;
    QPointer<AboutForm> about_;

    FaceCanvas* canvas_ = nullptr;
    std::map<std::tuple<face::Control, face::Side, int>, PictureItem*> pictures_;
    QLabel* lblDisplay1_ = nullptr;
    QLabel* lblDisplay2_ = nullptr;
    FaceLabels* labels_ = nullptr; // the canvas's child
    QLineEdit* txtDummyTextbox_ = nullptr;
};

} // namespace kez::ombrel
