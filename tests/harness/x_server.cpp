#include "x_server.h"

#include <signal.h>

#include <stdexcept>

#include "eventually.h"
#include "temp_dir.h"

namespace kez::test {

XServer::XServer(bool windowManager, const std::string& rootColour) {
    // The server writes the display number it found free to the descriptor -displayfd names.
    if (!server_.start({"Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"})) {
        throw std::runtime_error("Xvfb did not start");
    }
    const auto number = server_.readLine(20s);
    if (!number || number->empty()) throw std::runtime_error("Xvfb gave no display");
    display_ = ":" + *number;
    if (!run({"xsetroot", "-solid", rootColour}).ok()) throw std::runtime_error("xsetroot failed");
    if (!windowManager) return;
    if (!windowManager_.start({"openbox", "--sm-disable"}, {"DISPLAY=" + display_})) {
        throw std::runtime_error("openbox did not start");
    }
    if (!eventually([this] {
            return run({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}).out.find("window id") != std::string::npos;
        })) {
        throw std::runtime_error("openbox did not take the screen");
    }
}

XServer::~XServer() {
    // Ended by SIGTERM, the server removes its lock and socket.
    for (ChildProcess* child : {&windowManager_, &server_}) {
        if (child->pid() == 0) continue;
        ::kill(child->pid(), SIGTERM);
        child->wait(5s);
    }
}

std::vector<std::string> XServer::environment() const { return {"DISPLAY=" + display_, "QT_QPA_PLATFORM=xcb"}; }

CommandResult XServer::run(const std::vector<std::string>& argv) const {
    return runCommand(argv, {"DISPLAY=" + display_});
}

bool XServer::grab(const std::filesystem::path& file) const {
    return run({"import", "-window", "root", file.string()}).ok();
}

std::string XServer::awaitWindow(const std::string& namePattern, std::chrono::milliseconds limit) const {
    std::string window;
    eventually(
        [&] {
            const auto found = linesOf(run({"xdotool", "search", "--onlyvisible", "--name", namePattern}).out);
            window = found.size() == 1 ? found.front() : "";
            return !window.empty();
        },
        limit);
    return window;
}

bool XServer::awaitNoWindow(const std::string& namePattern, std::chrono::milliseconds limit) const {
    return eventually(
        [&] {
            return run({"xdotool", "search", "--onlyvisible", "--name", namePattern}).out.empty();
        },
        limit);
}

bool XServer::pressKey(const std::string& window, const std::string& key) const {
    return run({"xdotool", "windowactivate", "--sync", window, "key", "--clearmodifiers", key}).ok();
}

std::string XServer::settledPicture(const std::string& window, const std::filesystem::path& file,
                                    const std::string& unlike, std::chrono::milliseconds limit) const {
    std::string last;
    const bool settled = eventually(
        [&] {
            if (!run({"import", "-window", window, file.string()}).ok()) return false;
            const auto now = readFile(file);
            const bool still = !now.empty() && now == last && now != unlike;
            last = now;
            return still;
        },
        limit);
    return settled ? last : std::string();
}

} // namespace kez::test
