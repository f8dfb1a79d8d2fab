#include "temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace kez::test {
namespace fs = std::filesystem;

TempDir::TempDir(std::string_view prefix, const fs::path& base) {
    std::string pattern = ((base.empty() ? fs::temp_directory_path() : base) / prefix).string() + "-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a folder like " + pattern);
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

std::string readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> readBytes(const fs::path& file) {
    const std::string content = readFile(file);
    return {content.begin(), content.end()};
}

bool writeFile(const fs::path& file, std::string_view content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return static_cast<bool>(out);
}

bool writeFile(const fs::path& file, std::span<const std::uint8_t> content) {
    return writeFile(file, std::string_view(reinterpret_cast<const char*>(content.data()), content.size()));
}

std::vector<fs::path> filesStartingWith(const fs::path& folder, std::string_view prefix) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().starts_with(prefix)) found.push_back(entry.path());
    }
    return found;
}

} // namespace kez::test
