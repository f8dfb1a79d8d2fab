#pragma once
// A notice on the desktop that can be taken back: shown by the desktop's notification service
// (org.freedesktop.Notifications on the session bus), which gives it an id, and closed by that id. A tray
// balloon cannot be withdrawn, so an "Incoming Call" shown that way would outlive the ringing. Without a
// service that answers, show() says so, and the log says once why. The bus is reached only when a notice is
// first shown: connecting (on a desktop without a session bus, launching one) must not delay the start.
#include <functional>
#include <optional>

#include <QDBusConnection>
#include <QString>

namespace kez::ombrel {

class DesktopNotice {
public:
    using BusOpener = std::function<QDBusConnection()>;

    explicit DesktopNotice(BusOpener openBus);
    ~DesktopNotice();
    DesktopNotice(const DesktopNotice&) = delete;
    DesktopNotice& operator=(const DesktopNotice&) = delete;

    // Shows the notice, in place of the one shown before; false when no notification service took it.
    bool show(const QString& title, const QString& text);
    // Takes the shown notice back; nothing when none is shown.
    void close();

private:
    QDBusConnection& bus();

    BusOpener openBus_;
    std::optional<QDBusConnection> bus_;
    quint32 id_ = 0;
    bool failureLogged_ = false;
};

} // namespace kez::ombrel
