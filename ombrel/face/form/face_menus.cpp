#include "form/face_menus.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

#include "form/procedure_errors.h"
#include "kez/ui/launcher.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {

namespace {

QAction* addEntry(QMenu& menu, const char* name, const char* caption) {
    QAction* action = menu.addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromUtf8(name));
    return action;
}

QMenu* addMenu(QMenuBar& bar, const char* name, const char* caption) {
    QMenu* menu = bar.addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromUtf8(name));
    return menu;
}

// Runs `body`, a failure ignored.
void runSilently(const std::function<void()>& body) {
    try {
        body();
    } catch (...) {
    }
}

} // namespace

FaceMenus::FaceMenus(QMainWindow& window, Commands commands) {
    QMenuBar& bar = *window.menuBar();
    mnuFileMenu_ = addMenu(bar, "mnuFileMenu", "&File");
    mnuFileExit_ = addEntry(*mnuFileMenu_, "mnuFileExit", "&Exit");

    mnuToolsMenu_ = addMenu(bar, "mnuToolsMenu", "&Tools");
    mnuToolsToggleBackground_ = addEntry(*mnuToolsMenu_, "mnuToolsToggleBackground", "&Hide window background");
    mnuToolsMenu_->addSeparator()->setObjectName(QStringLiteral("mnuToolsSep1"));
    mnuToolsOptions_ = addEntry(*mnuToolsMenu_, "mnuToolsOptions", "&Options...");

    mnuHelpMenu_ = addMenu(bar, "mnuHelpMenu", "&Help");
    mnuHelpContents_ = addEntry(*mnuHelpMenu_, "mnuHelpContents", "&Contents...");
    mnuHelpReleaseNotes_ = addEntry(*mnuHelpMenu_, "mnuHelpReleaseNotes", "Release &Notes...");
    mnuHelpMenu_->addSeparator()->setObjectName(QStringLiteral("mnuHelpSep1"));
    mnuHelpAbout_ = addEntry(*mnuHelpMenu_, "mnuHelpAbout", "&About...");

    mnuSysMenu_ = new QMenu(QStringLiteral("SystemTray (hidden)"), &window);
    mnuSysMenu_->setObjectName(QStringLiteral("mnuSysMenu"));
    mnuSysOptions_ = addEntry(*mnuSysMenu_, "mnuSysOptions", "&Options...");
    mnuSysRestore_ = addEntry(*mnuSysMenu_, "mnuSysRestore", "&Restore");
    mnuSysExit_ = addEntry(*mnuSysMenu_, "mnuSysExit", "&Exit");
    connectEntries(window, std::move(commands));
}

void FaceMenus::connectEntries(QMainWindow& window, Commands commands) {
    const auto reported = [&window](QAction* entry, const char* name, std::function<void()> body) {
        QObject::connect(entry, &QAction::triggered, &window,
                         [name, body = std::move(body)] { runReported(name, body); });
    };
    const auto options = [options = commands.options] { runSilently(options); };
    reported(mnuFileExit_, "mnuFileExit_Click", commands.exit);
    reported(mnuToolsToggleBackground_, "mnuToolsToggleBackground_Click", commands.toggleBackground);
    QObject::connect(mnuToolsOptions_, &QAction::triggered, &window, options);
    QObject::connect(mnuHelpContents_, &QAction::triggered, &window,
                     [] { runSilently([] { ui::Launcher::openHelp(gHelpFileForCountry()); }); });
    reported(mnuHelpReleaseNotes_, "mnuHelpReleaseNotes_Click", commands.releaseNotes);
    reported(mnuHelpAbout_, "mnuHelpAbout_Click", commands.about);
    reported(mnuSysOptions_, "mnuSysOptions_Click", [restore = commands.restore, options] {
        restore();
        options();
    });
    reported(mnuSysRestore_, "mnuSysRestore_Click", commands.restore);
    reported(mnuSysExit_, "mnuSysExit_Click", commands.exit);
}

} // namespace kez::ombrel
