#include "ombrel/shut_down_form.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {

ShutDownForm::ShutDownForm(bool trayIconShown, QWidget* parent)
    : QDialog(parent), optShutDown_(new QRadioButton(QStringLiteral("Shut down the telephone"))) {
    setWindowTitle(QStringLiteral("Close KEZ Ombrel"));
    auto* optMinimise = new QRadioButton(QStringLiteral("Keep it running in the system tray"));
    optShutDown_->setObjectName(QStringLiteral("optShutDown"));
    optMinimise->setObjectName(QStringLiteral("optMinimise"));
    optMinimise->setEnabled(trayIconShown);
    (trayIconShown ? optMinimise : optShutDown_)->setChecked(true);
    auto* cmdOkay = new QPushButton(QStringLiteral("&OK"));
    auto* cmdCancel = new QPushButton(QStringLiteral("&Cancel"));
    cmdOkay->setObjectName(QStringLiteral("cmdOkay"));
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    cmdOkay->setDefault(true);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(cmdOkay, QDialogButtonBox::AcceptRole);
    buttons->addButton(cmdCancel, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(optShutDown_);
    layout->addWidget(optMinimise);
    layout->addWidget(buttons);
    connect(cmdOkay, &QPushButton::clicked, this, [this] { done(optShutDown_->isChecked() ? kShutDown : kMinimise); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { done(kCancelled); });
}

void ShutDownForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    gCenterForm(*this);
}

} // namespace kez::ombrel
