#include "modal_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace kez::wizard::test {

WhenModalShows::WhenModalShows(std::function<void(QDialog&)> act) : act_(std::move(act)) {
    poll_.setInterval(0);
    QObject::connect(&poll_, &QTimer::timeout, [this] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        poll_.stop();
        ran_ = true;
        act_(*dialog);
        if (!dialog->isVisible()) return;
        ADD_FAILURE() << dialog->objectName().toStdString() << " left open";
        dialog->hide();
    });
    poll_.start();
}

} // namespace kez::wizard::test
