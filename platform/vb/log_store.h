#pragma once
// The log file on disk: opened afresh for every line, never through a symbolic link, kept private to its
// user, and turned over to one older copy (the name with ".1") before a line would take it past its cap.
#include <cstdint>
#include <filesystem>
#include <string_view>

namespace kez::vb::detail {

// Appends `line` (with its line end) to `file` in one write under an exclusive lock, so lines from several
// processes stay whole and only one of them turns the file over. False when the line could not be written.
bool appendToLog(const std::filesystem::path& file, std::string_view line, std::uint64_t capBytes) noexcept;

} // namespace kez::vb::detail
