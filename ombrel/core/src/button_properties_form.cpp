#include "ombrel/button_properties_form.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {

ButtonPropertiesForm::ButtonPropertiesForm(QWidget* parent)
    : QDialog(parent), lblLabel_(new QLabel(QStringLiteral("Button text:"))), txtLabel_(new QLineEdit),
      txtDescription_(new QLineEdit) {
    setWindowTitle(QStringLiteral("Button Properties..."));
    txtLabel_->setObjectName(QStringLiteral("txtLabel"));
    lblLabel_->setObjectName(QStringLiteral("lblLabel"));
    txtDescription_->setObjectName(QStringLiteral("txtDescription"));
    auto* frame = new QGroupBox;
    auto* fields = new QVBoxLayout(frame);
    fields->addWidget(lblLabel_);
    fields->addWidget(txtLabel_);
    fields->addWidget(new QLabel(QStringLiteral("Tooltip text:")));
    fields->addWidget(txtDescription_);
    auto* cmdOk = new QPushButton(QStringLiteral("&OK"));
    auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOk->setDefault(true);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdOk, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addWidget(buttons);
    connect(cmdOk, &QPushButton::clicked, this, &ButtonPropertiesForm::cmdOk_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void ButtonPropertiesForm::InitializeForButton(std::shared_ptr<ButtonInterface> button, QLineEdit* labelBox) {
    button_ = std::move(button);
    labelBox_ = labelBox;
    const bool labels = button_->bSupportLabels();
    txtLabel_->setEnabled(labels);
    lblLabel_->setEnabled(labels);
    txtLabel_->setText(QString::fromStdString(button_->sCaption()));
    txtDescription_->setText(QString::fromStdString(button_->sUserDescription()));
}

void ButtonPropertiesForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    gCenterForm(*this);
}

void ButtonPropertiesForm::cmdOk_Click() {
    if (button_) {
        button_->sCaption(txtLabel_->text().toStdString());
        button_->sUserDescription(txtDescription_->text().toStdString());
        button_->RefreshButton(labelBox_.data());
    }
    accept();
}

} // namespace kez::ombrel
