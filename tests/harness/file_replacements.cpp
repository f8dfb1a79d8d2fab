#include "file_replacements.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace kez::test {

FileReplacements::FileReplacements(const std::filesystem::path& file)
    : fd_(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), name_(file.filename().string()) {
    std::filesystem::create_directories(file.parent_path());
    // Both ends of each rename: inotify merges an unread event with an equal one queued last.
    if (!fd_ || ::inotify_add_watch(fd_.get(), file.parent_path().c_str(), IN_MOVED_FROM | IN_MOVED_TO) < 0) {
        throw std::runtime_error("inotify refused to watch " + file.parent_path().string());
    }
}

int FileReplacements::count() {
    alignas(inotify_event) char buffer[16384];
    while (true) {
        const auto got = ::read(fd_.get(), buffer, sizeof buffer);
        if (got <= 0) break;
        for (auto at = buffer; at < buffer + got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(at);
            if ((event->mask & IN_MOVED_TO) != 0 && event->len > 0 && name_ == event->name) ++count_;
            at += sizeof(inotify_event) + event->len;
        }
    }
    return count_;
}

} // namespace kez::test
