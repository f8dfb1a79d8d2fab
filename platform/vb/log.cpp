#include "kez/vb/log.h"

#include <map>
#include <mutex>
#include <utility>

#include "kez/sys/paths.h"
#include "kez/vb/conversions.h"
#include "log_store.h"

namespace kez::vb {
namespace {

// A flood of one line (a call server repeating a bad message) writes it once and then how often it came.
struct Run {
    bool started = false;
    std::string text;
    std::uint64_t repeats = 0;
};

// The run of each log this process writes; a run still open at the program's end is written out then.
class Runs {
public:
    ~Runs() {
        std::lock_guard lock(mutex);
        for (auto& [file, run] : byFile)
            endRun(file, run, localNow());
    }

    // Writes the count of a finished run; false when that line was lost.
    static bool endRun(const std::filesystem::path& file, Run& run, const DateTime& when) {
        if (run.repeats == 0) return true;
        const auto repeats = std::exchange(run.repeats, 0);
        return writeLine(file, repeatedLogText(repeats), when);
    }
    static bool writeLine(const std::filesystem::path& file, std::string_view text, const DateTime& when) {
        std::string line = logLine(text, when);
        line.push_back('\n');
        return detail::appendToLog(file, line, kLogCapBytes);
    }

    std::mutex mutex;
    std::map<std::filesystem::path, Run> byFile;
};

Runs gRuns;

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

std::string repeatedLogText(std::uint64_t repeats) {
    return "last line repeated " + std::to_string(repeats) + " times";
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
        std::string escaped = escapeLogText(text.substr(0, kLogTextLimit));
        std::lock_guard lock(gRuns.mutex);
        Run& run = gRuns.byFile[file_];
        if (run.started && run.text == escaped) {
            ++run.repeats;
            return true;
        }
        const bool counted = Runs::endRun(file_, run, when);
        run.started = true;
        run.text = escaped;
        return Runs::writeLine(file_, escaped, when) && counted;
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
