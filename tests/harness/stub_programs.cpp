#include "stub_programs.h"

#include <cstdlib>

#include "eventually.h"

namespace kez::test {
namespace {

namespace fs = std::filesystem;

std::string searchPath(const fs::path& stubs, StubPrograms::Path path) {
    const char* system = std::getenv("PATH");
    if (path == StubPrograms::Path::Only || system == nullptr || *system == '\0') return stubs.string();
    return stubs.string() + ":" + system;
}

fs::path callsFile(const fs::path& program) { return program.string() + ".calls"; }

// One line a start, each argument ended by the unit separator; a line is complete once its end is written.
std::vector<std::vector<std::string>> parseCalls(const std::string& text) {
    std::vector<std::vector<std::string>> calls;
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos; end = text.find('\n', start)) {
        std::vector<std::string> arguments;
        for (std::size_t field = start; field < end;) {
            const std::size_t separator = text.find('\x1f', field);
            arguments.push_back(text.substr(field, separator - field));
            field = separator + 1;
        }
        calls.push_back(std::move(arguments));
        start = end + 1;
    }
    return calls;
}

} // namespace

StubPrograms::StubPrograms(Path path) : path_("PATH", searchPath(folder_.path(), path)) {}

void StubPrograms::add(std::string_view name, std::string_view script) {
    const fs::path program = folder_ / name;
    const std::string calls = callsFile(program).string();
    writeFile(program, "#!/bin/sh\nif [ $# -gt 0 ]; then printf '%s\\037' \"$@\" >> '" + calls +
                           "'; fi\nprintf '\\n' >> '" + calls + "'\n" + std::string(script) + "\n");
    fs::permissions(program, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
}

void StubPrograms::addBrowser(std::string_view name) {
    add(name);
    add("run-mailcap", "exit 1");
    desktop_.emplace_back("BROWSER", (folder_ / name).string());
    for (const char* variable :
         {"DISPLAY", "WAYLAND_DISPLAY", "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
          "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "DBUS_SESSION_BUS_ADDRESS"})
        desktop_.emplace_back(variable, std::nullopt);
}

std::vector<std::vector<std::string>> StubPrograms::calls(std::string_view name) const {
    return parseCalls(readFile(callsFile(folder_ / name)));
}

std::optional<std::vector<std::string>> StubPrograms::awaitCall(std::string_view name,
                                                                std::chrono::milliseconds limit) const {
    if (!eventually([&] { return !calls(name).empty(); }, limit)) return std::nullopt;
    return calls(name).front();
}

} // namespace kez::test
