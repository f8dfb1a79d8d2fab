// The wizard's hand-overs to programs outside it: the help of the chosen country (a debugging aid), the call
// server's Sarvik pages, the release notes, and the desktop's system-information, sound, network and volume
// tools. None of them changes the wizard's state, the help test's save of the settings apart.
#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "config_wizard_form.h"
#include "dialog_layout.h"
#include "kez/sys/paths.h"
#include "kez/ui/desktop_tools.h"
#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "kez/ui/named.h"
#include "launcher_icons.h"
#include "ombrel/rirovuruz_globals.h"
#include "wizard_main.h"

namespace kez::wizard {
namespace {

constexpr int kPictureSide = 32;

QToolButton* pictureButton(const char* name, LauncherPicture picture, const QString& tip) {
    auto* button = ui::named(new QToolButton, name);
    button->setIcon(launcherIcon(picture));
    button->setIconSize(QSize(kPictureSide, kPictureSide));
    button->setToolTip(tip);
    button->setAutoRaise(true);
    return button;
}

} // namespace

QPushButton* ConfigWizardForm::launcherButton(const char* name, const QString& caption,
                                              void (ConfigWizardForm::*handler)()) {
    auto* button = namedButton(name, caption);
    connect(button, &QPushButton::clicked, this, handler);
    return button;
}

void ConfigWizardForm::addFrameLaunchers(QBoxLayout& row) {
    const std::pair<QToolButton*, void (ConfigWizardForm::*)()> buttons[] = {
        {pictureButton("cmdLaunchSysInfo", LauncherPicture::SystemInformation, QStringLiteral("System Information")),
         &ConfigWizardForm::cmdLaunchSysInfo_Click},
        {pictureButton("cmdMultimedia", LauncherPicture::Multimedia, QStringLiteral("Multimedia Control Panel")),
         &ConfigWizardForm::cmdMultimedia_Click},
        {pictureButton("cmdNetwork", LauncherPicture::Network, QStringLiteral("Network control panel")),
         &ConfigWizardForm::cmdNetwork_Click},
        {pictureButton("cmdSound", LauncherPicture::Volume, QStringLiteral("Volume control")),
         &ConfigWizardForm::cmdSound_Click},
    };
    int position = row.indexOf(lblVersion) + 1;
    for (const auto& [button, handler] : buttons) {
        connect(button, &QToolButton::clicked, this, handler);
        row.insertWidget(position++, button);
    }
}

void ConfigWizardForm::cmdHelp_Click() {
    moOptions->lCountry = selectedCountry();
    // The help file is chosen from the registry, so the country must be there first.
    moOptions->SaveSettings(false);
    const std::string file = ombrel::gHelpFileForCountry();
    const std::int32_t tones = chkAdvanced->isChecked() ? moOptions->lTonesCadences : moOptions->lCountry;
    ui::showMessageBox("Help file: " + file + " ,  " +
                       "T.T Value: " + std::to_string(ombrel::gCountryToToneTable(tones)));
    ombrel::gLaunchWebBrowser(ui::Launcher::helpPage(file).string());
}

void ConfigWizardForm::launchSarvik(std::string_view invalidMessage) {
    const std::string address = txtVuruvIPAddress->text().toStdString();
    if (!ombrel::gIsValidIPAddress(address)) {
        ui::showMessageBox(invalidMessage, {}, ui::Icon::Information);
        return;
    }
    ombrel::gLaunchWebBrowser("http://" + address);
}

void ConfigWizardForm::cmdLaunchSarvik_Click() {
    launchSarvik("You must enter a valid KEZ system IP Address prior to launching Sarvik.");
}

void ConfigWizardForm::cmdTestXAVIP_Click() { launchSarvik("You must enter a valid KEZ system IP Address."); }

void ConfigWizardForm::cmdReleaseNotes_Click() { ombrel::gLaunchWebBrowser(gsReadmePath.string()); }

void ConfigWizardForm::cmdLaunchSysInfo_Click() {
    if (ui::startSystemInformation("KEZ Ombrel DLL's", sys::programFile().parent_path())) return;
    ui::showMessageBox("System Information Is Unavailable At This Time.");
}

void ConfigWizardForm::cmdMultimedia_Click() { ui::startDesktopTool(ui::DesktopTool::SoundSettings); }

void ConfigWizardForm::cmdNetwork_Click() { ui::startDesktopTool(ui::DesktopTool::NetworkSettings); }

void ConfigWizardForm::cmdSound_Click() { ui::startDesktopTool(ui::DesktopTool::VolumeControl); }

} // namespace kez::wizard
