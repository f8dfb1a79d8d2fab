#include "country_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "country_form.h"
#include "country_lists.h"
#include "dialog_layout.h"
#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "launchers.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"
#include "wizard_page_host.h"

namespace kez::wizard {

CountryPage::CountryPage(WizardPageHost& host)
    : host_(host), cboCountry(namedComboBox("cboCountry")),
      chkAdvanced(namedCheckBox("chkAdvanced", QStringLiteral("&Use Advanced Settings"))),
      cmdAdvanced(namedButton("cmdAdvanced", QStringLiteral("Ad&vanced ..."))),
      cmdHelp(launcherButton("cmdHelp", QStringLiteral("Test Help ..."), [this] { cmdHelp_Click(); })) {
    cmdAdvanced->setEnabled(false);
    connect(chkAdvanced, &QCheckBox::clicked, this, [this] { chkAdvanced_Click(); });
    connect(cmdAdvanced, &QPushButton::clicked, this, [this] { cmdAdvanced_Click(); });

    auto* advanced = new QHBoxLayout;
    advanced->addWidget(chkAdvanced);
    advanced->addStretch(1);
    advanced->addWidget(cmdAdvanced);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(pageText(QStringLiteral("This step determines the regional settings for Ombrel call progress "
                                              "tones and cadences and the language for online help."),
                               "lblCountryPur"));
    layout->addWidget(pageText(QStringLiteral("Please select your country and language:"), "lblCountry"));
    layout->addWidget(cboCountry);
    layout->addLayout(advanced);
    layout->addWidget(pageText(QStringLiteral("To further customize your tones and cadences and the language for "
                                              "online help documentation, select Use Advanced Settings and click "
                                              "Advanced"),
                               "lblCountryTab"));
    layout->addStretch(1);
    layout->addLayout(buttonRow({cmdHelp}));
}

void CountryPage::Form_Load() {
    cmdHelp->setVisible(ombrel::gDebugHelp());
    // As filled, no country is chosen; the stored one is selected when the settings are shown.
    fillCountryList(*cboCountry, mainCountryList());
}

void CountryPage::showAdvanced(std::int32_t lAdvanced) {
    chkAdvanced->setChecked(lAdvanced != 0);
    cboCountry->setEnabled(lAdvanced == 0);
    cmdAdvanced->setEnabled(lAdvanced != 0);
}

void CountryPage::chkAdvanced_Click() {
    const bool advanced = chkAdvanced->isChecked();
    cboCountry->setEnabled(!advanced);
    host_.oOptions()->lAdvanced = advanced ? 1 : 0;
    cmdAdvanced->setEnabled(advanced);
}

void CountryPage::cmdAdvanced_Click() {
    auto& options = *host_.oOptions();
    CountryForm dialog(this);
    dialog.glDocumentation = options.lDocumention;
    dialog.glTonesCadences = options.lTonesCadences;
    dialog.exec();
    if (dialog.gCanceled) return;
    options.lDocumention = dialog.glDocumentation;
    options.lTonesCadences = dialog.glTonesCadences;
}

// A debugging aid: the help of the chosen country, with the tone table it selects.
void CountryPage::cmdHelp_Click() {
    auto& options = *host_.oOptions();
    options.lCountry = selectedCountry();
    // The help file is chosen from the registry, so the country must be there first.
    options.SaveSettings(false);
    const std::string file = ombrel::gHelpFileForCountry();
    const std::int32_t tones = chkAdvanced->isChecked() ? options.lTonesCadences : options.lCountry;
    ui::showMessageBox("Help file: " + file + " ,  " +
                       "T.T Value: " + std::to_string(ombrel::gCountryToToneTable(tones)));
    ombrel::gLaunchWebBrowser(ui::Launcher::helpPage(file).string());
}

std::int32_t CountryPage::selectedCountry() const {
    // No entry selected (a stored code the list does not offer): the stored code stays.
    const int position = cboCountry->currentIndex();
    return position < 0 ? host_.oOptions()->lCountry : cboCountry->itemData(position).toInt();
}

} // namespace kez::wizard
