#pragma once
// The face's menus: the menu bar and the tray's pop-up menu, which the menu bar does not show, and what their
// entries do. Help, Contents and Tools, Options fail silently; every other entry reports its failure.
#include <functional>

class QAction;
class QMainWindow;
class QMenu;

namespace kez::ombrel {

class FaceMenus {
public:
    // What the entries ask of the form and its controller.
    struct Commands {
        std::function<void()> exit;
        std::function<void()> toggleBackground;
        std::function<void()> options;
        std::function<void()> releaseNotes;
        std::function<void()> about;
        std::function<void()> restore; // brings the window back whatever "IncomingCallPopup" says
    };

    FaceMenus(QMainWindow& window, Commands commands);

    QMenu& sysMenu() const { return *mnuSysMenu_; }
    QAction& sysRestore() const { return *mnuSysRestore_; }
    QAction& toolsOptions() const { return *mnuToolsOptions_; }

private:
    void connectEntries(QMainWindow& window, Commands commands);

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
