#pragma once
// KzSetPhoneForm: the graphical telephone set. A window with the face's menus over a canvas that shows the
// bitmap of the large or the small set, its 131 key, LED and logo pictures, the two display lines, the 18 label
// boxes of the programmable keys and the hidden box that holds the keyboard focus. The controller drives it
// through the phone-form contract.
#include <QMainWindow>

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <span>
#include <string>
#include <tuple>

#include "form/face_outline.h"
#include "layout/button_table.h"
#include "layout/face_types.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;

namespace kez::ombrel {

class FaceCanvas;
class OptionsClass;
class PictureItem;

// "KEZ Ombrel (TM)  (Version: R<major>.<minor>.<revision>)".
std::string faceCaption(int major, int minor, int revision);

class KzSetPhoneForm : public QMainWindow {
    Q_OBJECT

public:
    static constexpr int kLabelBoxes = 18;

    explicit KzSetPhoneForm(QWidget* parent = nullptr);
    ~KzSetPhoneForm() override;

    // Keeps the settings object, loads the face for its size and sets the caption.
    void loadFor(OptionsClass& options);

    // The phone-form contract.
    void SetPhoneBusy(bool bEnable);
    // Both trim the caller's texts of leading and trailing blanks, in place.
    void SetDisplay(std::string& sLine1, std::string& sLine2);
    void SetDisplayLine1(std::string& sLine1);
    void FlipLCDState();
    void RestoreLCDState();
    QLineEdit* oTextboxFromID(face::KeyId nKeyId) const;

    // The outline switch of the double click and the Tools menu.
    void mToggleClippingRegion();

    // The controls, by name and index; null when the face has none such.
    PictureItem* picture(face::PictureRef ref) const;
    QLabel* lblDisplay(int line) const { return line == 1 ? lblDisplay1_ : lblDisplay2_; }
    QLineEdit* txtLineLabels(int index) const;
    QLineEdit* txtDummyTextbox() const { return txtDummyTextbox_; }
    FaceCanvas& canvas() const { return *canvas_; }
    const FaceOutline& outline() const { return outline_; }
    bool isNormalLCD() const { return mbNormalLCD_; }
    int systemFontSize() const { return mnSystemFontSize_; }
    QAction* mnuToolsOptions() const { return mnuToolsOptions_; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createMenus();
    void createControls();
    void Form_Load();

    // Set-up of the controls at load.
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

    FaceCanvas* canvas_ = nullptr;
    std::map<std::tuple<face::Control, face::Side, int>, PictureItem*> pictures_;
    QLabel* lblDisplay1_ = nullptr;
    QLabel* lblDisplay2_ = nullptr;
    std::array<QLineEdit*, kLabelBoxes> txtLineLabels_{};
    QLineEdit* txtDummyTextbox_ = nullptr;

    QMenu* mnuFileMenu_ = nullptr;
    QAction* mnuFileExit_ = nullptr;
    QMenu* mnuToolsMenu_ = nullptr;
    QAction* mnuToolsToggleBackground_ = nullptr;
    QAction* mnuToolsOptions_ = nullptr;
    QMenu* mnuHelpMenu_ = nullptr;
    QAction* mnuHelpContents_ = nullptr;
    QAction* mnuHelpReleaseNotes_ = nullptr;
    QAction* mnuHelpAbout_ = nullptr;
    QMenu* mnuSysMenu_ = nullptr;
    QAction* mnuSysOptions_ = nullptr;
    QAction* mnuSysRestore_ = nullptr;
    QAction* mnuSysExit_ = nullptr;
};

} // namespace kez::ombrel
