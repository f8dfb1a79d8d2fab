#pragma once
// Measures the windows' benchmarks share: the process's resident memory, its age, and a watch for a window's
// first paint.
#include <unistd.h>

#include <QEvent>
#include <QObject>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

namespace kez::bench {

// "VmRSS" of /proc/self/status, in MiB; -1 when it cannot be read.
inline double residentMiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024;
    }
    return -1;
}

// Milliseconds since this process was started (exec included), at the kernel's clock-tick resolution.
inline double processAgeMs() {
    std::ifstream statFile("/proc/self/stat");
    const std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    // The fields after the command's closing parenthesis; the start time is the 22nd field of the line.
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i < 22; ++i)
        fields >> field;
    double startTicks = 0;
    fields >> startTicks;
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return uptime * 1000 - startTicks * 1000 / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

// Installed on a widget, tells whether it has painted since.
class FirstPaint : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        painted = painted || event->type() == QEvent::Paint;
        return false;
    }
};

} // namespace kez::bench
