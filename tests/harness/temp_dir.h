#pragma once
// A fresh private folder for a test, removed with everything in it at the end, and whole-file
// reads and writes.
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kez::test {

class TempDir {
public:
    // Under the system's temporary folder, or under `base` when given. Throws when it cannot be made.
    explicit TempDir(std::string_view prefix = "kez-test", const std::filesystem::path& base = {});
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The whole file; empty when it cannot be read.
std::string readFile(const std::filesystem::path& file);
std::vector<std::uint8_t> readBytes(const std::filesystem::path& file);
// Replaces the file's content; false when it cannot be written.
bool writeFile(const std::filesystem::path& file, std::string_view content);
bool writeFile(const std::filesystem::path& file, std::span<const std::uint8_t> content);

// Files in `folder` whose name starts with `prefix`.
std::vector<std::filesystem::path> filesStartingWith(const std::filesystem::path& folder, std::string_view prefix);

} // namespace kez::test
