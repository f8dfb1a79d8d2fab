// The pages around the network and audio ones: the greeting, the call server's Sarvik utility and the last
// page, whose box starts ombrel after Finish.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config_wizard_form.h"
#include "dialog_layout.h"

namespace kez::wizard {
namespace {

QWidget* textPage(std::initializer_list<QString> texts) {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    for (const auto& text : texts)
        layout->addWidget(pageText(text));
    layout->addStretch(1);
    return page;
}

// A row with `button` below the page's texts.
void addPageButton(QWidget& page, QPushButton* button) {
    auto* layout = static_cast<QVBoxLayout*>(page.layout());
    layout->insertLayout(layout->count() - 1, buttonRow({button}));
}

} // namespace

QWidget* ConfigWizardForm::buildWelcomePage() {
    auto* page = textPage({
        QStringLiteral("<b>Welcome to the KEZ Ombrel Configuration Wizard.</b>"),
        QStringLiteral("This wizard prepares this PC to work as a telephone set of your KEZ system. It takes you "
                       "through the sound card, the microphone, the connection to the KEZ system and your "
                       "country, one page at a time. Press Next to go on; you can go back at any time, or go "
                       "straight to a page by its tab."),
        QStringLiteral("Before you begin, make sure that this PC has:"),
        QStringLiteral("-  a sound card that plays and records at the same time, with speakers or a headset and a "
                       "microphone;"),
        QStringLiteral("-  a network connection to the same network as the KEZ system."),
    });
    addPageButton(*page, launcherButton("cmdReleaseNotes", QStringLiteral("View latest KEZ Ombrel release notes..."),
                                        &ConfigWizardForm::cmdReleaseNotes_Click));
    return page;
}

QWidget* ConfigWizardForm::buildSarvikPage() {
    auto* page = textPage({
        QStringLiteral("Before Ombrel can work as a telephone set, the KEZ system must know this PC."),
        QStringLiteral("Log into the Sarvik utility as the administrator and add a new telephone set for this PC, "
                       "giving the MAC address of this PC's network adapter. The Sarvik utility opens in your "
                       "web browser at the IP address of the KEZ system."),
        QStringLiteral("When the KEZ system knows this PC, press Next."),
    });
    addPageButton(*page, launcherButton("cmdLaunchSarvik", QStringLiteral("&Launch Sarvik ..."),
                                        &ConfigWizardForm::cmdLaunchSarvik_Click));
    return page;
}

QWidget* ConfigWizardForm::buildDonePage() {
    chkLaunchOmbrel = namedCheckBox("chkLaunchOmbrel", QStringLiteral("&Start Ombrel when the wizard finishes"));
    auto* page = textPage({
        QStringLiteral("The wizard has all it needs."),
        QStringLiteral("Press Finish to save your settings. You can run this wizard again at any time from the "
                       "Options dialog of Ombrel."),
    });
    auto* layout = static_cast<QVBoxLayout*>(page->layout());
    layout->insertWidget(layout->count() - 1, chkLaunchOmbrel);
    return page;
}

} // namespace kez::wizard
