#pragma once
// SIGTERM and SIGINT delivered as a Qt signal on the GUI thread, so a program ends through its own
// shut-down road (saving what it saves, releasing the engine) instead of dying where it stands. The
// handler only writes the signal's number into a pipe; a socket notifier reads it in the event loop.
#include <QObject>
#include <QSocketNotifier>

#include <memory>

#include "kez/sys/fd.h"

namespace kez::ui {

class TerminationSignals : public QObject {
    Q_OBJECT

public:
    // Takes over both signals for the process; one object at a time. The old handlers come back with it.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

signals:
    // SIGTERM or SIGINT arrived; once per delivery.
    void received(int signalNumber);

private:
    void readPending();

    sys::UniqueFd readEnd_;
    sys::UniqueFd writeEnd_;
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace kez::ui
