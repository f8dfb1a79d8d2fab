// The face's menus: the menu bar and the tray's pop-up menu, which the menu bar does not show.
#include <QMenu>
#include <QMenuBar>

#include "form/kz_set_phone_form.h"

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

} // namespace kez::ombrel
