#pragma once
// The programs' shared log "Ombrel.log": one line per entry, "yyyy/mm/dd hh:nn:ss - text", appended.
// What others send can reach it, so it is bounded: control bytes and bytes that are not UTF-8 are
// written escaped, a line repeated at once is counted rather than written again, and the file turns
// over to one older copy ("Ombrel.log.1") at its cap. It is private to its user (0600) and never
// written through a symbolic link. Writing never throws; a log that cannot be written loses the line
// and reports false.
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "kez/vb/date_format.h"

namespace kez::vb {

inline constexpr std::string_view kLogFileName = "Ombrel.log";
// The most one file holds; the older copy holds as much again.
inline constexpr std::uint64_t kLogCapBytes = 1024 * 1024;
// The most of one entry's text that is kept.
inline constexpr std::size_t kLogTextLimit = 4096;

class LogFile {
public:
    explicit LogFile(std::filesystem::path file) : file_(std::move(file)) {}

    const std::filesystem::path& path() const { return file_; }

    // Safe from several threads and processes: each line goes out in one append. A text equal to the one
    // before is only counted; the count is written ("last line repeated N times") when another text
    // comes, or at the program's end.
    bool append(std::string_view text) const noexcept;
    bool append(std::string_view text, const DateTime& when) const noexcept;

private:
    std::filesystem::path file_;
};

// The line as it is written, without its line end.
std::string logLine(std::string_view text, const DateTime& when);

// The text with bytes below 0x20, 0x7F, the C1 controls and bytes that are not UTF-8 written as \xNN.
std::string escapeLogText(std::string_view text);

// The entry that ends a run of one repeated text.
std::string repeatedLogText(std::uint64_t repeats);

// The error entry: "ERROR:  " context " [" number in hexadecimal "H] - " message.
std::string errorLogText(std::int32_t number, std::string_view context, std::string_view message);

// The log in the per-user state folder.
std::filesystem::path programLogPath();
bool logMessage(std::string_view text) noexcept;

} // namespace kez::vb
