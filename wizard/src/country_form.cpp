#include "country_form.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "country_lists.h"
#include "dialog_layout.h"
#include "kez/ui/named.h"

namespace kez::wizard {
namespace {

// A label that marks its list's mnemonic, so "&&" shows as one ampersand.
QLabel* listLabel(const QString& text, const char* name, QComboBox* list) {
    auto* label = ui::named(new QLabel(text), name);
    label->setBuddy(list);
    return label;
}

void selectCode(QComboBox& list, std::int32_t code) { list.setCurrentIndex(list.findData(code)); }

// The selected entry's code; `kept` when nothing is selected.
std::int32_t selectedCode(const QComboBox& list, std::int32_t kept) {
    return list.currentIndex() < 0 ? kept : list.currentData().toInt();
}

} // namespace

CountryForm::CountryForm(QWidget* parent)
    : QDialog(parent), cboToneCadences(namedComboBox("cboToneCadences")),
      cboDocumentation(namedComboBox("cboDocumentation")), cmdOK(namedButton("cmdOK", QStringLiteral("&OK"))),
      cmdCancel(namedButton("cmdCancel", QStringLiteral("&Cancel"))) {
    setObjectName(QStringLiteral("CountryForm"));
    setWindowTitle(QStringLiteral("Advanced Country Settings"));
    setModal(true);
    auto* lists = new QFormLayout;
    lists->addRow(listLabel(QStringLiteral("Tones && Cadences:"), "lblTonesCadences", cboToneCadences),
                  cboToneCadences);
    lists->addRow(listLabel(QStringLiteral("Documentation:"), "lblDocumentation", cboDocumentation), cboDocumentation);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(buttonRow({cmdOK, cmdCancel}));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    gCanceled = false;
    mFillAdvancedLists();
    // A selection counts at once, so a later showing keeps the user's choice.
    connect(cboDocumentation, &QComboBox::currentIndexChanged, this,
            [this] { glDocumentation = selectedCode(*cboDocumentation, glDocumentation); });
    connect(cboToneCadences, &QComboBox::currentIndexChanged, this,
            [this] { glTonesCadences = selectedCode(*cboToneCadences, glTonesCadences); });
    centreWhenLoaded(*this);
}

void CountryForm::mFillAdvancedLists() {
    fillCountryList(*cboDocumentation, documentationList());
    fillCountryList(*cboToneCadences, tonesCadencesList());
}

void CountryForm::showEvent(QShowEvent* event) {
    glDocumentation = std::max(glDocumentation, 1);
    glTonesCadences = std::max(glTonesCadences, 1);
    selectCode(*cboDocumentation, glDocumentation);
    selectCode(*cboToneCadences, glTonesCadences);
    QDialog::showEvent(event);
}

void CountryForm::cmdOK_Click() {
    // A list left without a selection (a stored code it does not offer) keeps that code.
    glDocumentation = selectedCode(*cboDocumentation, glDocumentation);
    glTonesCadences = selectedCode(*cboToneCadences, glTonesCadences);
    accept();
}

void CountryForm::cmdCancel_Click() {
    gCanceled = true;
    done(QDialog::Rejected);
}

void CountryForm::closeEvent(QCloseEvent* event) {
    done(QDialog::Rejected);
    event->accept();
}

} // namespace kez::wizard
