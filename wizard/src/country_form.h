#pragma once
// CountryForm, "Advanced Country Settings": the tones-and-cadences country and the documentation language
// chosen apart. Made afresh for each showing; the main window sets the two codes before it shows the dialog
// and reads them, unless cancelled, after it has closed.
#include <QDialog>

#include <cstdint>

class QComboBox;
class QPushButton;

namespace kez::wizard {

class CountryForm : public QDialog {
    Q_OBJECT

public:
    // Loads the dialog: not cancelled, both lists filled, centred.
    explicit CountryForm(QWidget* parent = nullptr);

    std::int32_t glDocumentation = 1;
    std::int32_t glTonesCadences = 1;
    // Set by Cancel only: the close box leaves it false, so the codes as last selected count.
    bool gCanceled = false;

protected:
    // Codes below 1 count as 1; each list then selects the entry of its code, or none.
    void showEvent(QShowEvent* event) override;
    // Escape: Cancel.
    void reject() override { cmdCancel_Click(); }
    // The close box: the dialog goes without Cancel.
    void closeEvent(QCloseEvent* event) override;

private:
    void mFillAdvancedLists();
    void cmdOK_Click();
    void cmdCancel_Click();

    QComboBox* cboToneCadences;
    QComboBox* cboDocumentation;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
};

} // namespace kez::wizard
