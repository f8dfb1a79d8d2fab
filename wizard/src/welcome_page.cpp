#include "welcome_page.h"

#include <QPushButton>
#include <QVBoxLayout>

#include "dialog_layout.h"
#include "launchers.h"

namespace kez::wizard {

WelcomePage::WelcomePage() {
    auto* layout = pageColumn(
        *this,
        {
            QStringLiteral("<b>Welcome to the KEZ Ombrel Configuration Wizard.</b>"),
            QStringLiteral("This wizard prepares this PC to work as a telephone set of your KEZ system. It takes you "
                           "through the sound card, the microphone, the connection to the KEZ system and your "
                           "country, one page at a time. Press Next to go on; you can go back at any time, or go "
                           "straight to a page by its tab."),
            QStringLiteral("Before you begin, make sure that this PC has:"),
            QStringLiteral("-  a sound card that plays and records at the same time, with speakers or a headset and "
                           "a microphone;"),
            QStringLiteral("-  a network connection to the same network as the KEZ system."),
        });
    layout->addLayout(buttonRow({launcherButton(
        "cmdReleaseNotes", QStringLiteral("View latest KEZ Ombrel release notes..."), showReleaseNotes)}));
    layout->addStretch(1);
}

} // namespace kez::wizard
