#include "manifest.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <sstream>

#include "kez/sys/ascii.h"

namespace kez::setaid {
namespace {

constexpr std::size_t kManifestLimit = 64 * 1024;

std::string trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return std::string(text.substr(first, last - first + 1));
}

// A comment starts a line with ';' or '#', or follows blanks.
std::string withoutComment(const std::string& line) {
    for (std::size_t at = 0; at < line.size(); ++at) {
        const bool marker = line[at] == ';' || line[at] == '#';
        if (marker && (at == 0 || line[at - 1] == ' ' || line[at - 1] == '\t')) return line.substr(0, at);
    }
    return line;
}

bool same(const std::string& a, const char* b) { return sys::equalsNoCase(a, b); }

// A portable group name, which groupadd can never take for an option.
bool isGroupName(const std::string& name) {
    const auto allowed = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
    };
    return name.size() <= 32 && (name.front() == '_' || (name.front() >= 'a' && name.front() <= 'z')) &&
           std::all_of(name.begin(), name.end(), allowed);
}

int apply(const std::string& section, const std::string& name, const std::string& value,
          const std::filesystem::path& folder, Manifest& out) {
    if (value.empty()) return EINVAL;
    if (same(section, "Service") && same(name, "DisplayName")) {
        out.displayName = value;
    } else if (same(section, "Service") && same(name, "Capability")) {
        if (!same(value, "cap_net_raw")) return EINVAL;
        out.capability = "cap_net_raw";
    } else if (same(section, "Bind") && same(name, "Program")) {
        const std::filesystem::path program(value);
        out.programs.push_back((program.is_absolute() ? program : folder / program).lexically_normal().string());
    } else if (same(section, "Bind") && same(name, "Group")) {
        if (!isGroupName(value)) return EINVAL;
        out.group = value;
    }
    return 0;
}

} // namespace

int parseManifest(const std::string& text, const std::filesystem::path& folder, Manifest& out) {
    Manifest manifest;
    std::istringstream lines(text);
    std::string line;
    std::string section;
    while (std::getline(lines, line)) {
        const std::string content = trim(withoutComment(line));
        if (content.empty()) continue;
        if (content.front() == '[') {
            if (content.back() != ']') return EINVAL;
            section = trim(std::string_view(content).substr(1, content.size() - 2));
            continue;
        }
        const auto equals = content.find('=');
        if (equals == std::string::npos || section.empty()) return EINVAL;
        const int error = apply(section, trim(std::string_view(content).substr(0, equals)),
                                trim(content.substr(equals + 1)), std::filesystem::absolute(folder), manifest);
        if (error != 0) return error;
    }
    if (manifest.programs.empty()) return EINVAL;
    out = std::move(manifest);
    return 0;
}

int readManifest(const std::filesystem::path& file, Manifest& out) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) return errno != 0 ? errno : ENOENT;
    std::string text;
    text.resize(kManifestLimit + 1);
    stream.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (stream.bad()) return EIO;
    text.resize(static_cast<std::size_t>(stream.gcount()));
    if (text.size() > kManifestLimit) return EFBIG;
    return parseManifest(text, file.parent_path(), out);
}

} // namespace kez::setaid
