#include "ombrel/desktop_notice.h"

#include <QDBusMessage>
#include <QDBusReply>
#include <QStringList>
#include <QVariantMap>

#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

// The ringing waits for this at most before the balloon shows instead.
constexpr int kCallLimitMs = 2000;
constexpr int kServersDefaultExpiry = -1;

QDBusMessage notificationsCall(const QString& method) {
    return QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Notifications"),
                                          QStringLiteral("/org/freedesktop/Notifications"),
                                          QStringLiteral("org.freedesktop.Notifications"), method);
}

} // namespace

DesktopNotice::DesktopNotice(const QDBusConnection& bus) : bus_(bus) {}

DesktopNotice::~DesktopNotice() { close(); }

bool DesktopNotice::show(const QString& title, const QString& text) {
    QString failure = QStringLiteral("no session bus");
    if (bus_.isConnected()) {
        auto call = notificationsCall(QStringLiteral("Notify"));
        call << QStringLiteral("KEZ Ombrel") << id_ << QString() << title << text << QStringList() << QVariantMap()
             << kServersDefaultExpiry;
        const QDBusReply<quint32> reply = bus_.call(call, QDBus::Block, kCallLimitMs);
        if (reply.isValid()) {
            id_ = reply.value();
            return true;
        }
        failure = reply.error().message();
    }
    if (!failureLogged_) {
        failureLogged_ = true;
        gLogMessage("Notices show in the tray's balloon: " + failure.toStdString());
    }
    return false;
}

void DesktopNotice::close() {
    if (id_ == 0) return;
    auto call = notificationsCall(QStringLiteral("CloseNotification"));
    call << id_;
    // Nothing waits for the answer: a notice the user already closed is no failure.
    bus_.send(call);
    id_ = 0;
}

} // namespace kez::ombrel
