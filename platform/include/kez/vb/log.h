#pragma once
// The programs' shared log "Ombrel.log": one line per entry, "yyyy/mm/dd hh:nn:ss - text",
// appended and never trimmed. Writing never throws; a log that cannot be written loses
// the line and reports false.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "kez/vb/date_format.h"

namespace kez::vb {

inline constexpr std::string_view kLogFileName = "Ombrel.log";

class LogFile {
public:
    explicit LogFile(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& path() const { return file_; }

    // Safe from several threads and processes: each line goes out in one append.
    bool append(std::string_view text) const noexcept;
    bool append(std::string_view text, const DateTime& when) const noexcept;

private:
    std::filesystem::path file_;
};

// The line as it is written, without its line end.
std::string logLine(std::string_view text, const DateTime& when);

// The error entry: "ERROR:  " context " [" number in hexadecimal "H] - " message.
std::string errorLogText(std::int32_t number, std::string_view context, std::string_view message);

// The log in the per-user state folder.
std::filesystem::path programLogPath();
bool logMessage(std::string_view text) noexcept;

} // namespace kez::vb
