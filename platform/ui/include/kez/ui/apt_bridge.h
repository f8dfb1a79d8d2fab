#pragma once
// Runs the GUI thread's apartment inside Qt's event loop: messages posted to the GUI thread's hidden
// windows (engine events) are delivered by the Qt loop, and nested waits of the apartment keep the
// Qt loop turning, so windows repaint and timers fire while a call waits for its own messages.
#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace kez::ui {

class AptBridge : public QObject {
    Q_OBJECT

public:
    // Bridges the calling thread's apartment; make it on the GUI thread, once.
    explicit AptBridge(QObject* parent = nullptr);
    ~AptBridge() override;
    AptBridge(const AptBridge&) = delete;
    AptBridge& operator=(const AptBridge&) = delete;

    // False when the apartment could not be set up.
    bool bridged() const { return static_cast<bool>(notifier_); }

private:
    void pumpQt(int milliseconds);

    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace kez::ui
