#include "kez/vb/log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>

#include "kez/sys/fd.h"
#include "kez/sys/paths.h"
#include "kez/vb/conversions.h"

namespace kez::vb {
namespace {

std::mutex gLogMutex;

// A log the user made read-only (their own file) is made writable again, as the
// programs have always done; anyone else's file is left alone.
void clearReadOnly(const std::filesystem::path& file) {
    struct stat info {};
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    if (info.st_uid != ::geteuid() || (info.st_mode & S_IWUSR) != 0) return;
    ::chmod(file.c_str(), (info.st_mode & 07777) | S_IWUSR);
}

} // namespace

std::string logLine(std::string_view text, const DateTime& when) {
    std::string line = formatDate(when, kLogStampFormat);
    line.append(" - ").append(text);
    return line;
}

std::string errorLogText(std::int32_t number, std::string_view context, std::string_view message) {
    std::string text = "ERROR:  ";
    text.append(context).append(" [").append(hex(number)).append("H] - ").append(message);
    return text;
}

bool LogFile::append(std::string_view text) const noexcept {
    try {
        return append(text, localNow());
    } catch (...) {
        return false;
    }
}

bool LogFile::append(std::string_view text, const DateTime& when) const noexcept {
    try {
        std::string line = logLine(text, when);
        line.push_back('\n');
        std::lock_guard lock(gLogMutex);
        clearReadOnly(file_);
        // One write per line on an O_APPEND descriptor: lines from several processes never interleave.
        sys::UniqueFd fd(::open(file_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666));
        return fd && sys::writeAll(fd.get(), line) == 0;
    } catch (...) {
        return false;
    }
}

std::filesystem::path programLogPath() { return sys::stateDir() / kLogFileName; }

bool logMessage(std::string_view text) noexcept {
    try {
        return LogFile(programLogPath()).append(text);
    } catch (...) {
        return false;
    }
}

} // namespace kez::vb
