// The page "Country": the country chooses the tones and cadences and the help language, unless the
// advanced settings choose the two apart.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "config_wizard_form.h"
#include "country_form.h"
#include "country_lists.h"
#include "dialog_layout.h"

namespace kez::wizard {

QWidget* ConfigWizardForm::buildCountryPage() {
    cboCountry = namedComboBox("cboCountry");
    chkAdvanced = namedCheckBox("chkAdvanced", QStringLiteral("&Use Advanced Settings"));
    cmdAdvanced = namedButton("cmdAdvanced", QStringLiteral("Ad&vanced ..."));
    cmdAdvanced->setEnabled(false);
    cmdHelp = launcherButton("cmdHelp", QStringLiteral("Test Help ..."), &ConfigWizardForm::cmdHelp_Click);
    connect(chkAdvanced, &QCheckBox::clicked, this, [this] { chkAdvanced_Click(); });
    connect(cmdAdvanced, &QPushButton::clicked, this, [this] { cmdAdvanced_Click(); });

    auto* advanced = new QHBoxLayout;
    advanced->addWidget(chkAdvanced);
    advanced->addStretch(1);
    advanced->addWidget(cmdAdvanced);
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
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
    return page;
}

void ConfigWizardForm::mFillCountryList() {
    // As filled, no country is chosen; the stored one is selected when the settings are shown.
    fillCountryList(*cboCountry, mainCountryList());
}

void ConfigWizardForm::chkAdvanced_Click() {
    const bool advanced = chkAdvanced->isChecked();
    cboCountry->setEnabled(!advanced);
    moOptions->lAdvanced = advanced ? 1 : 0;
    cmdAdvanced->setEnabled(advanced);
}

void ConfigWizardForm::cmdAdvanced_Click() {
    CountryForm dialog(this);
    dialog.glDocumentation = moOptions->lDocumention;
    dialog.glTonesCadences = moOptions->lTonesCadences;
    dialog.exec();
    if (dialog.gCanceled) return;
    moOptions->lDocumention = dialog.glDocumentation;
    moOptions->lTonesCadences = dialog.glTonesCadences;
}

} // namespace kez::wizard
