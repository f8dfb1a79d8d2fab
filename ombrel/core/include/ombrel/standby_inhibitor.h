#pragma once
// Refusing the system's standby while the telephone runs, so that it stays reachable for calls: a "block"
// inhibitor lock on sleep, taken from logind over the system bus and held until released. Without a bus or a
// logind that grants it, standby is not refused, and the log says so once.
#include <functional>

#include <QDBusConnection>
#include <QObject>

#include "kez/sys/fd.h"

class QWidget;

namespace kez::ombrel {

class StandbyInhibitor : public QObject {
public:
    // Holds the lock from the time `form` first shows while `wanted()` says so (the setting "SuppressStandby"),
    // through its time hidden in the tray, until it goes.
    StandbyInhibitor(QWidget& form, std::function<bool()> wanted,
                     const QDBusConnection& bus = QDBusConnection::systemBus());

    void setHeld(bool held);
    bool isHeld() const { return static_cast<bool>(lock_); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    sys::UniqueFd take();

    std::function<bool()> wanted_;
    QDBusConnection bus_;
    sys::UniqueFd lock_;
    bool failureLogged_ = false;
};

} // namespace kez::ombrel
