#pragma once
// The page "Country": the country chooses the tones and cadences and the help language, unless the advanced
// settings choose the two apart.
#include <QWidget>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QPushButton;

namespace kez::wizard {

class WizardPageHost;

class CountryPage : public QWidget {
    Q_OBJECT

public:
    explicit CountryPage(WizardPageHost& host);

    // The window's load: the country list filled, nothing chosen; the help test shown only when debugging help.
    void Form_Load();
    // The advanced choice as stored: any value but 0 means it, whatever a hand-edited registry holds.
    void showAdvanced(std::int32_t lAdvanced);

private:
    void chkAdvanced_Click();
    void cmdAdvanced_Click();
    void cmdHelp_Click();
    std::int32_t selectedCountry() const;

    WizardPageHost& host_;
    QComboBox* cboCountry;
    QCheckBox* chkAdvanced;
    QPushButton* cmdAdvanced;
    QPushButton* cmdHelp;
};

} // namespace kez::wizard
