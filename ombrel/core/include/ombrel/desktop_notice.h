#pragma once
// A notice on the desktop that can be taken back: shown by the desktop's notification service
// (org.freedesktop.Notifications on the session bus), which gives it an id, and closed by that id. A tray
// balloon cannot be withdrawn, so an "Incoming Call" shown that way would outlive the ringing. Without a
// service that answers, show() says so, and the log says once why.
#include <QDBusConnection>
#include <QString>

namespace kez::ombrel {

class DesktopNotice {
public:
    explicit DesktopNotice(const QDBusConnection& bus);
    ~DesktopNotice();
    DesktopNotice(const DesktopNotice&) = delete;
    DesktopNotice& operator=(const DesktopNotice&) = delete;

    // Shows the notice, in place of the one shown before; false when no notification service took it.
    bool show(const QString& title, const QString& text);
    // Takes the shown notice back; nothing when none is shown.
    void close();

private:
    QDBusConnection bus_;
    quint32 id_ = 0;
    bool failureLogged_ = false;
};

} // namespace kez::ombrel
