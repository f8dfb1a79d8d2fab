#include "launchers.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QToolButton>

#include "dialog_layout.h"
#include "kez/sys/paths.h"
#include "kez/ui/desktop_tools.h"
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

void cmdLaunchSysInfo_Click() {
    if (ui::startSystemInformation("KEZ Ombrel DLL's", sys::programFile().parent_path())) return;
    ui::showMessageBox("System Information Is Unavailable At This Time.");
}

} // namespace

QPushButton* launcherButton(const char* name, const QString& caption, std::function<void()> handler) {
    auto* button = namedButton(name, caption);
    QObject::connect(button, &QPushButton::clicked, button, [handler = std::move(handler)] { handler(); });
    return button;
}

void addFrameLaunchers(QBoxLayout& row, int position) {
    const std::pair<QToolButton*, void (*)()> buttons[] = {
        {pictureButton("cmdLaunchSysInfo", LauncherPicture::SystemInformation, QStringLiteral("System Information")),
         cmdLaunchSysInfo_Click},
        {pictureButton("cmdMultimedia", LauncherPicture::Multimedia, QStringLiteral("Multimedia Control Panel")),
         [] { ui::startDesktopTool(ui::DesktopTool::SoundSettings); }},
        {pictureButton("cmdNetwork", LauncherPicture::Network, QStringLiteral("Network control panel")),
         [] { ui::startDesktopTool(ui::DesktopTool::NetworkSettings); }},
        {pictureButton("cmdSound", LauncherPicture::Volume, QStringLiteral("Volume control")),
         [] { ui::startDesktopTool(ui::DesktopTool::VolumeControl); }},
    };
    for (const auto& [button, handler] : buttons) {
        QObject::connect(button, &QToolButton::clicked, button, handler);
        row.insertWidget(position++, button);
    }
}

void launchSarvik(const QString& address, std::string_view invalidMessage) {
    const std::string text = address.toStdString();
    if (!ombrel::gIsValidIPAddress(text)) {
        ui::showMessageBox(invalidMessage, {}, ui::Icon::Information);
        return;
    }
    ombrel::gLaunchWebBrowser("http://" + text);
}

void showReleaseNotes() { ombrel::gLaunchWebBrowser(gsReadmePath.string()); }

} // namespace kez::wizard
