#include "sarvik_page.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"
#include "ip_info_page.h"
#include "launchers.h"

namespace kez::wizard {

SarvikPage::SarvikPage(const IpInfoPage& ipInfo) {
    auto* layout = pageColumn(
        *this,
        {
            QStringLiteral("Before Ombrel can work as a telephone set, the KEZ system must know this PC."),
            QStringLiteral("Log into the Sarvik utility as the administrator and add a new telephone set for this "
                           "PC, giving the MAC address of this PC's network adapter. The Sarvik utility opens in "
                           "your web browser at the IP address of the KEZ system."),
            QStringLiteral("When the KEZ system knows this PC, press Next."),
        });
    layout->addLayout(buttonRow({launcherButton("cmdLaunchSarvik", QStringLiteral("&Launch Sarvik ..."), [&ipInfo] {
        launchSarvik(ipInfo.serverAddress(), "You must enter a valid KEZ system IP Address prior to launching Sarvik.");
    })}));
    layout->addStretch(1);
}

} // namespace kez::wizard
