#include "kez/ui/instance_beacon.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QThread>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "kez/sys/paths.h"

namespace kez::ui {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kActivate = "activate\n";
constexpr std::size_t kLongestLine = 64;
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
fs::path socketPath(const fs::path& folder, const std::string& stem) { return folder / (stem + ".socket"); }

// The socket's address; false when the path does not fit one.
bool socketAddress(const fs::path& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    const std::string& text = path.native();
    if (text.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return true;
}

sys::UniqueFd streamSocket() { return sys::UniqueFd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)); }

// One later copy's connection to the holder: its lines until it hangs up or sends a line too long.
class RequestReader : public QObject {
public:
    RequestReader(sys::UniqueFd peer, InstanceBeacon& beacon, std::function<void()> activate)
        : QObject(&beacon), peer_(std::move(peer)), ready_(peer_.get(), QSocketNotifier::Read),
          activate_(std::move(activate)) {
        connect(&ready_, &QSocketNotifier::activated, this, [this] { readLines(); });
    }

private:
    void readLines() {
        char chunk[4096];
        const ssize_t got = ::recv(peer_.get(), chunk, sizeof chunk, MSG_DONTWAIT);
        if (got < 0 && (errno == EAGAIN || errno == EINTR)) return;
        if (got <= 0) return finish();
        pending_.append(chunk, static_cast<std::size_t>(got));
        for (auto end = pending_.find('\n'); end != std::string::npos; end = pending_.find('\n')) {
            if (std::string_view(pending_).substr(0, end + 1) == kActivate) activate_();
            pending_.erase(0, end + 1);
        }
        // A peer that sends a long line without an end is cut off rather than buffered.
        if (pending_.size() > kLongestLine) finish();
    }

    void finish() {
        ready_.setEnabled(false);
        deleteLater();
    }

    sys::UniqueFd peer_;
    QSocketNotifier ready_;
    std::function<void()> activate_;
    std::string pending_;
};

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

InstanceBeacon::~InstanceBeacon() = default;

bool InstanceBeacon::tryLock() {
    first_ = ::flock(lock_.get(), LOCK_EX | LOCK_NB) == 0;
    return first_;
}

bool InstanceBeacon::connectToHolder() {
    sockaddr_un address{};
    if (!socketAddress(socketPath(folder_, stem_), address)) return false;
    sys::UniqueFd socket = streamSocket();
    // A local stream connects at once or not at all: refused while the holder is not yet listening.
    if (!socket || ::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        return false;
    }
    holder_ = std::move(socket);
    return true;
}

void InstanceBeacon::serve() {
    const fs::path path = socketPath(folder_, stem_);
    sockaddr_un address{};
    if (!socketAddress(path, address)) {
        error_ = "cannot serve the instance socket: its path is too long";
        return;
    }
    // A socket file left by a holder that was killed answers nobody; the flag proves it is ours to replace.
    ::unlink(path.c_str());
    sys::UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    const bool bound = socket && ::bind(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    // The folder is the user's alone, so nobody else could reach the file before it is made the user's too.
    if (!bound || ::chmod(path.c_str(), 0700) != 0 || ::listen(socket.get(), SOMAXCONN) != 0) {
        error_ = "cannot serve the instance socket: " + std::string(std::strerror(errno));
        return;
    }
    server_ = std::move(socket);
    serverReady_ = std::make_unique<QSocketNotifier>(server_.get(), QSocketNotifier::Read);
    connect(serverReady_.get(), &QSocketNotifier::activated, this, &InstanceBeacon::acceptRequests);
}

void InstanceBeacon::acceptRequests() {
    for (;;) {
        sys::UniqueFd peer(::accept4(server_.get(), nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK));
        if (!peer) return;
        new RequestReader(std::move(peer), *this, [this] { emit activateRequested(); }); // owned as our child
    }
}

bool InstanceBeacon::requestActivation() {
    if (first_ || !holder_) return false;
    const timeval limit{kIoLimitMs / 1000, (kIoLimitMs % 1000) * 1000};
    ::setsockopt(holder_.get(), SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    // A holder that went away meanwhile is a failed request, not a SIGPIPE.
    const bool sent = ::send(holder_.get(), kActivate.data(), kActivate.size(), MSG_NOSIGNAL) ==
                      static_cast<ssize_t>(kActivate.size());
    holder_.reset();
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
