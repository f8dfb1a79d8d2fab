// The face's menus: the menu bar and the tray's pop-up menu, which the menu bar does not show, and what their
// entries do. Help, Contents and Tools, Options fail silently; every other entry reports its failure.
#include <QMenu>
#include <QMenuBar>

#include <functional>

#include "form/kz_set_phone_form.h"
#include "form/procedure_errors.h"
#include "kez/ui/launcher.h"
#include "ombrel/about_form.h"
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

void KzSetPhoneForm::createMenus() {
    QMenuBar& bar = *menuBar();
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

    mnuSysMenu_ = new QMenu(QStringLiteral("SystemTray (hidden)"), this);
    mnuSysMenu_->setObjectName(QStringLiteral("mnuSysMenu"));
    mnuSysOptions_ = addEntry(*mnuSysMenu_, "mnuSysOptions", "&Options...");
    mnuSysRestore_ = addEntry(*mnuSysMenu_, "mnuSysRestore", "&Restore");
    mnuSysExit_ = addEntry(*mnuSysMenu_, "mnuSysExit", "&Exit");
}

void KzSetPhoneForm::connectMenus() {
    const auto reported = [this](QAction* entry, const char* name, std::function<void()> body) {
        connect(entry, &QAction::triggered, this, [name, body = std::move(body)] { runReported(name, body); });
    };
    const auto options = [this] { runSilently([this] { emit DisplayOptions(); }); };
    const auto exit = [this] {
        if (moUIWrapper_ != nullptr) moUIWrapper_->UserFileExit();
    };
    // The tray's Restore and Options bring the window back whatever "IncomingCallPopup" says.
    const auto restore = [this] {
        if (moUIWrapper_ != nullptr) moUIWrapper_->ActivateUI(true);
    };
    reported(mnuFileExit_, "mnuFileExit_Click", exit);
    reported(mnuToolsToggleBackground_, "mnuToolsToggleBackground_Click", [this] { mToggleClippingRegion(); });
    connect(mnuToolsOptions_, &QAction::triggered, this, options);
    connect(mnuHelpContents_, &QAction::triggered, this,
            [] { runSilently([] { ui::Launcher::openHelp(gHelpFileForCountry()); }); });
    reported(mnuHelpReleaseNotes_, "mnuHelpReleaseNotes_Click", [this] {
        if (moUIWrapper_ != nullptr) moUIWrapper_->LaunchReleaseNotes();
    });
    reported(mnuHelpAbout_, "mnuHelpAbout_Click", [this] { showAbout(); });
    reported(mnuSysOptions_, "mnuSysOptions_Click", [restore, options] {
        restore();
        options();
    });
    reported(mnuSysRestore_, "mnuSysRestore_Click", restore);
    reported(mnuSysExit_, "mnuSysExit_Click", exit);
}

void KzSetPhoneForm::showAbout() {
    if (!about_) about_ = new AboutForm;
    about_->show();
    about_->raise();
    about_->activateWindow();
}

} // namespace kez::ombrel
