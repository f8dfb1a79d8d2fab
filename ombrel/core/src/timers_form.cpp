#include "ombrel/timers_form.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace kez::ombrel {
namespace {

constexpr char kTrayTip[] = "KEZ Ombrel";

} // namespace

TimersForm::TimersForm(QObject* parent, const QDBusConnection& bus) : QObject(parent), notice_(bus) {
    for (int index = 0; index < kTimers; ++index) {
        connect(&tmrArray(index), &QTimer::timeout, this, [this, index] { tmrArray_Timer(index); });
    }
    connect(&scrambledWait_, &QTimer::timeout, this, &TimersForm::tmrScrambledWait_Timer);
}

TimersForm::~TimersForm() = default;

void TimersForm::stopTimers() {
    for (auto& timer : timers_)
        timer.stop();
    scrambledWait_.stop();
}

bool TimersForm::addTrayIcon() {
    if (!tray_) {
        tray_.reset(new QSystemTrayIcon(ombrelIcon()));
        tray_->setToolTip(QString::fromLatin1(kTrayTip));
        connect(tray_.get(), &QSystemTrayIcon::activated, this, &TimersForm::trayActivated);
    }
    tray_->show();
    return trayIconShown();
}

void TimersForm::removeTrayIcon() {
    if (!tray_) return;
    notice_.close();
    tray_->hide();
    tray_.reset();
}

bool TimersForm::trayIconShown() const {
    return tray_ && tray_->isVisible() && QSystemTrayIcon::isSystemTrayAvailable();
}

void TimersForm::modifyTrayIcon(const std::string& title, const std::string& text) {
    if (!tray_) return;
    tray_->setToolTip(QString::fromLatin1(kTrayTip));
    if (title.empty() && text.empty()) return notice_.close();
    const auto balloonTitle = QString::fromStdString(title), balloonText = QString::fromStdString(text);
    if (!notice_.show(balloonTitle, balloonText)) tray_->showMessage(balloonTitle, balloonText);
}

void TimersForm::trayActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
    case QSystemTrayIcon::Trigger:
    case QSystemTrayIcon::DoubleClick: emit Activate(); return;
    case QSystemTrayIcon::Context: emit PopupMenu(); return;
    default: return;
    }
}

QIcon ombrelIcon() {
    QPixmap picture(32, 32);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    // The body of the set.
    painter.setPen(QPen(QColor(40, 40, 40), 1));
    painter.setBrush(QColor(70, 110, 160));
    painter.drawRoundedRect(QRectF(3.5, 11.5, 25, 19), 4, 4);
    // The handset across its top.
    QPainterPath handset;
    handset.moveTo(2, 9);
    handset.cubicTo(6, 1, 26, 1, 30, 9);
    handset.lineTo(24, 11);
    handset.cubicTo(20, 7, 12, 7, 8, 11);
    handset.closeSubpath();
    painter.setBrush(QColor(30, 30, 30));
    painter.drawPath(handset);
    // Nine keys.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(235, 235, 235));
    for (int row = 0; row < 3; ++row) {
        for (int column = 0; column < 3; ++column)
            painter.drawRect(QRectF(9 + column * 5.5, 15 + row * 5, 3.5, 3));
    }
    painter.end();
    return QIcon(picture);
}

} // namespace kez::ombrel
