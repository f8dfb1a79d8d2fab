#pragma once
// A private X server (Xvfb) for tests of windows on a real display: its own display number, a root window of
// one colour, optionally a window manager (openbox), and screenshots of the root window by ImageMagick.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "process.h"

namespace kez::test {

class XServer {
public:
    // 1280x1024, 24 bits. Throws when the server or the window manager does not come up.
    explicit XServer(bool windowManager = false, const std::string& rootColour = "#FF00FF");
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const std::string& display() const { return display_; }
    // Entries that put a child on this server through Qt's X11 platform.
    std::vector<std::string> environment() const;
    // Runs an X client (xdotool, xwininfo, xprop) on this server.
    CommandResult run(const std::vector<std::string>& argv) const;
    // The whole screen as `import -window root` sees it, written to `file` (its extension names the format).
    bool grab(const std::filesystem::path& file) const;

    // The one visible window whose name matches the pattern, once there is exactly one; empty at the limit.
    std::string awaitWindow(const std::string& namePattern, std::chrono::milliseconds limit) const;
    // Whether no visible window's name matches the pattern by the limit.
    bool awaitNoWindow(const std::string& namePattern, std::chrono::milliseconds limit) const;
    // Raises the window and types the key (xdotool's names: "alt+n", "Return").
    bool pressKey(const std::string& window, const std::string& key) const;
    // The window's picture once two grabs in a row agree and differ from `unlike`, written to `file`; empty at
    // the limit. A program repaints in its own time, so one grab may catch it half drawn.
    std::string settledPicture(const std::string& window, const std::filesystem::path& file, const std::string& unlike,
                               std::chrono::milliseconds limit) const;

private:
    ChildProcess server_;
    ChildProcess windowManager_;
    std::string display_;
};

} // namespace kez::test
