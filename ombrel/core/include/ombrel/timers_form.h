#pragma once
// TimersForm: the controller's hidden host of its timers and of the tray icon. Timer 0 checks the mixer
// switch, 1 steps the LED blink, 2 writes the clock, 3 flashes the display while a call rings, and the
// scrambled-audio wait covers the first failure of an automatic IP configuration. The tray icon's clicks
// arrive here and leave as Activate (left button, double click) or PopupMenu (context menu). The icon's balloon
// is a desktop notice where the desktop has a notification service.
#include <array>
#include <string>

#include <QDBusConnection>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

#include "ombrel/delete_later.h"
#include "ombrel/desktop_notice.h"

namespace kez::ombrel {

inline constexpr int kMixerTimer = 0; // never started: the mixer follows changes of the active window
inline constexpr int kBlinkTimer = 1;
inline constexpr int kClockTimer = 2;
inline constexpr int kFlashTimer = 3;
inline constexpr int kBlinkPeriodMs = 400;

class TimersForm : public QObject {
    Q_OBJECT

public:
    static constexpr int kTimers = 4;

    // `bus` carries the desktop notices.
    explicit TimersForm(QObject* parent = nullptr, const QDBusConnection& bus = QDBusConnection::sessionBus());
    ~TimersForm() override;

    QTimer& tmrArray(int index) { return timers_.at(static_cast<std::size_t>(index)); }
    QTimer& tmrScrambledWait() { return scrambledWait_; }
    void stopTimers();

    // The icon with the tip "KEZ Ombrel"; false when the desktop has no tray to show it in.
    bool addTrayIcon();
    void removeTrayIcon();
    bool trayIconShown() const;
    // The balloon: shown with a title and a text, taken back by empty ones. Shown as a desktop notice, or,
    // without a notification service, as the tray's own balloon, which cannot be taken back and times out.
    void modifyTrayIcon(const std::string& title, const std::string& text);
    QSystemTrayIcon* trayIcon() const { return tray_.get(); }

    // What each timer and the tray icon raise; public so that tests raise them without waiting.
    void tmrArray_Timer(int index) { emit Timeout(index); }
    void tmrScrambledWait_Timer() { emit ScrambledAudioTimer(); }
    void trayActivated(QSystemTrayIcon::ActivationReason reason);

signals:
    void Timeout(int index);
    void Activate();
    void PopupMenu();
    void ScrambledAudioTimer();

private:
    std::array<QTimer, kTimers> timers_;
    QTimer scrambledWait_;
    LaterPtr<QSystemTrayIcon> tray_;
    DesktopNotice notice_;
};

// The set's own tray and window icon: a handset over a dial pad, drawn at run time.
QIcon ombrelIcon();

} // namespace kez::ombrel
