#pragma once
// One running copy per program and user. The previous-instance flag is an exclusive lock on
// $XDG_RUNTIME_DIR/kez-ombrel/<title stem>.lock (else in the private folder "run" of the state folder): the
// kernel drops it with its holder, so it is never stale, and it is the user's own, whatever network
// namespace the program runs in. The holder serves a local socket beside it on which a later copy asks
// it to come to the front, one line "activate" a request. Plain sockets: the program needs no network library
// loaded at its start for this.
#include <QObject>
#include <QSocketNotifier>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "kez/sys/fd.h"

namespace kez::ui {

class InstanceBeacon : public QObject {
    Q_OBJECT

public:
    // Takes the flag of the program named `title`, or finds the copy that holds it. Needs a
    // QCoreApplication on this thread.
    explicit InstanceBeacon(std::string title, QObject* parent = nullptr);
    ~InstanceBeacon() override;

    // True when this copy holds the flag (also when no flag could be set up: see error()).
    bool isFirst() const { return first_; }
    // Asks the holder to come to the front; false when it could not be reached. Only for a later copy.
    bool requestActivation();
    // Why the flag could not be set up; empty when it was.
    const std::string& error() const { return error_; }

    // Whether a copy of the program named `title` holds its flag; neither takes nor disturbs it.
    static bool isRunning(std::string_view title);
    // "KEZ Ombrel (TM)" -> "KEZ-Ombrel-TM": letters and digits, other runs as one '-'.
    static std::string stem(std::string_view title);
    // The folder of the flags; empty when it cannot be made private.
    static std::filesystem::path folder();

signals:
    // A later copy asked this one to come to the front.
    void activateRequested();

private:
    bool tryLock();
    bool connectToHolder();
    void serve();
    void acceptRequests();

    std::string stem_;
    std::filesystem::path folder_;
    sys::UniqueFd lock_;
    bool first_ = false;
    std::string error_;
    sys::UniqueFd server_;
    std::unique_ptr<QSocketNotifier> serverReady_;
    sys::UniqueFd holder_;
};

} // namespace kez::ui
