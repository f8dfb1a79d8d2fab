#include "ombrel/standby_inhibitor.h"

#include <fcntl.h>

#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusUnixFileDescriptor>
#include <QEvent>
#include <QWidget>

#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

constexpr int kCallLimitMs = 5000;

} // namespace

StandbyInhibitor::StandbyInhibitor(QWidget& form, std::function<bool()> wanted, const QDBusConnection& bus)
    : QObject(&form), wanted_(std::move(wanted)), bus_(bus) {
    form.installEventFilter(this);
}

bool StandbyInhibitor::eventFilter(QObject*, QEvent* event) {
    if (event->type() == QEvent::Show) setHeld(wanted_());
    return false;
}

void StandbyInhibitor::setHeld(bool held) {
    if (!held) {
        lock_.reset();
    } else if (!lock_) {
        lock_ = take();
    }
}

sys::UniqueFd StandbyInhibitor::take() {
    QString failure = QStringLiteral("no system bus");
    if (bus_.isConnected()) {
        auto call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
            QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("Inhibit"));
        call << QStringLiteral("sleep") << QStringLiteral("KEZ Ombrel")
             << QStringLiteral("The telephone stays reachable for calls") << QStringLiteral("block");
        const QDBusReply<QDBusUnixFileDescriptor> reply = bus_.call(call, QDBus::Block, kCallLimitMs);
        if (reply.isValid() && reply.value().isValid()) {
            return sys::UniqueFd(::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0));
        }
        failure = reply.error().message();
    }
    if (!failureLogged_) {
        failureLogged_ = true;
        gLogMessage("Standby is not refused: " + failure.toStdString());
    }
    return {};
}

} // namespace kez::ombrel
