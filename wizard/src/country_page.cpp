// The page "Country": the country chooses the tones and cadences and the help language, unless the
// advanced settings choose the two apart.
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

#include "config_wizard_form.h"
#include "country_lists.h"
#include "dialog_layout.h"

namespace kez::wizard {
namespace {

constexpr std::array<CountryEntry, 18> kMainCountries{{
    {1, "United States (English)"},
    {2, "France (French)"},
    {3, "Great Britain (English)"},
    {4, "Germany (German)"},
    {5, "Italy (Italian)"},
    {6, "Australia (English)"},
    {7, "Mexico (Spanish)"},
    {8, "Spain (Spanish)"},
    {10, "China, General (Mandarin)"},
    {15, "China, Hong Kong (Cantonese)"},
    {11, "Saudi Arabia (English)"},
    {12, "United Arab Emirates (English)"},
    {13, "Egypt (English)"},
    {14, "Russia (English)"},
    {18, "New Zealand (English)"},
    {19, "Brazil (English)"},
    {20, "Argentina (Spanish)"},
    {21, "Israel (English)"},
}};

} // namespace

std::span<const CountryEntry> mainCountryList() { return kMainCountries; }

QWidget* ConfigWizardForm::buildCountryPage() {
    cboCountry = namedComboBox("cboCountry");
    chkAdvanced = namedCheckBox("chkAdvanced", QStringLiteral("&Use Advanced Settings"));
    cmdAdvanced = namedButton("cmdAdvanced", QStringLiteral("Ad&vanced ..."));
    cmdAdvanced->setEnabled(false);
    cmdHelp = namedButton("cmdHelp", QStringLiteral("Test Help ..."));
    connect(chkAdvanced, &QCheckBox::clicked, this, [this] { chkAdvanced_Click(); });

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
    cboCountry->clear();
    for (const auto& country : mainCountryList())
        cboCountry->addItem(QString::fromUtf8(country.text), country.code);
    // As filled, no country is chosen; the stored one is selected when the settings are shown.
    cboCountry->setCurrentIndex(-1);
}

void ConfigWizardForm::chkAdvanced_Click() {
    const bool advanced = chkAdvanced->isChecked();
    cboCountry->setEnabled(!advanced);
    moOptions->lAdvanced = advanced ? 1 : 0;
    cmdAdvanced->setEnabled(advanced);
}

} // namespace kez::wizard
