#include "kez/ui/instance_beacon.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "kez/sys/paths.h"

namespace kez::ui {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kActivate = "activate\n";
constexpr int kIoLimitMs = 2000;
// How long a later copy keeps trying to reach a holder that is still starting up.
constexpr auto kFindHolderLimit = std::chrono::seconds(5);
constexpr unsigned long kRetryPauseMs = 20;

// A folder only this user may enter: made 0700, and refused when it is anyone else's or open to others.
bool makePrivateFolder(const fs::path& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    return info.st_uid == ::geteuid() && (info.st_mode & 077) == 0;
}

fs::path lockPath(const fs::path& folder, const std::string& stem) { return folder / (stem + ".lock"); }
QString socketPath(const fs::path& folder, const std::string& stem) {
    return QString::fromStdString((folder / (stem + ".socket")).string());
}

} // namespace

InstanceBeacon::InstanceBeacon(std::string title, QObject* parent)
    : QObject(parent), stem_(stem(title)), folder_(folder()) {
    if (folder_.empty()) {
        error_ = "no private folder for the instance flag";
        first_ = true;
        return;
    }
    lock_ = sys::UniqueFd(::open(lockPath(folder_, stem_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock_) {
        error_ = "cannot open the instance flag: " + std::string(std::strerror(errno));
        first_ = true;
        return;
    }
    // The holder may still be starting (flag taken, socket not yet served), and a partner check may hold
    // the flag shared for a moment: try both ways until one answers.
    const auto end = Clock::now() + kFindHolderLimit;
    while (!tryLock() && !connectToHolder() && Clock::now() < end)
        QThread::msleep(kRetryPauseMs);
    if (first_) serve();
}

InstanceBeacon::~InstanceBeacon() {
    if (server_) server_->close();
}

bool InstanceBeacon::tryLock() {
    first_ = ::flock(lock_.get(), LOCK_EX | LOCK_NB) == 0;
    return first_;
}

bool InstanceBeacon::connectToHolder() {
    auto socket = std::make_unique<QLocalSocket>();
    socket->connectToServer(socketPath(folder_, stem_));
    if (!socket->waitForConnected(kIoLimitMs)) return false;
    holder_ = std::move(socket);
    return true;
}

void InstanceBeacon::serve() {
    const QString path = socketPath(folder_, stem_);
    // A socket file left by a holder that was killed answers nobody; the flag proves it is ours to replace.
    QLocalServer::removeServer(path);
    server_ = std::make_unique<QLocalServer>();
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(path)) {
        error_ = "cannot serve the instance socket: " + server_->errorString().toStdString();
        return;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, &InstanceBeacon::readRequest);
}

void InstanceBeacon::readRequest() {
    while (QLocalSocket* client = server_->nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            while (client->canReadLine()) {
                if (client->readLine(64) == kActivate) emit activateRequested();
            }
            // A peer that sends a long line without an end is cut off rather than buffered.
            if (client->bytesAvailable() > 64) client->abort();
        });
    }
}

bool InstanceBeacon::requestActivation() {
    if (first_ || !holder_) return false;
    holder_->write(kActivate);
    const bool sent = holder_->waitForBytesWritten(kIoLimitMs);
    holder_->disconnectFromServer();
    return sent;
}

bool InstanceBeacon::isRunning(std::string_view title) {
    const auto base = folder();
    if (base.empty()) return false;
    const sys::UniqueFd fd(::open(lockPath(base, stem(title)).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
    if (!fd) return false;
    // A shared lock conflicts only with a holder's exclusive one.
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) return errno == EWOULDBLOCK;
    ::flock(fd.get(), LOCK_UN);
    return false;
}

std::string InstanceBeacon::stem(std::string_view title) {
    std::string result;
    bool gap = false;
    for (const char c : title) {
        const bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (!keep) {
            gap = true;
            continue;
        }
        if (gap && !result.empty()) result += '-';
        gap = false;
        result += c;
    }
    return result;
}

std::filesystem::path InstanceBeacon::folder() {
    fs::path ours = sys::stateDir() / "run";
    if (const char* runtime = ::secure_getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime == '/') {
        ours = fs::path(runtime) / "kez-ombrel";
    }
    return makePrivateFolder(ours) ? ours : fs::path();
}

} // namespace kez::ui
