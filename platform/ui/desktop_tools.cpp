#include "kez/ui/desktop_tools.h"

#include <cstdio>
#include <map>
#include <system_error>

#include "kez/reg/key.h"
#include "kez/reg/value_text.h"
#include "kez/sys/trusted_file.h"
#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"

namespace kez::ui {
namespace {

constexpr std::size_t kValueBufferChars = 1024;
constexpr std::string_view kSysInfoKey = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
constexpr std::string_view kSysInfoFolderKey = "SOFTWARE\\Microsoft\\Shared Tools Location";

// The tool's path as the root-only store names it; empty when it names none that is there.
std::filesystem::path systemInformationTool() {
    std::string path;
    if (GetKeyValue(reg::Hive::LocalMachine, kSysInfoKey, "PATH", path)) return path;
    if (!GetKeyValue(reg::Hive::LocalMachine, kSysInfoFolderKey, "MSINFO", path)) return {};
    const std::filesystem::path inFolder = path + "/MSINFO32.EXE";
    std::error_code error;
    return std::filesystem::is_regular_file(inFolder, error) ? inFolder : std::filesystem::path();
}

} // namespace

const std::vector<ProgramCall>& desktopToolRow(DesktopTool tool) {
    static const std::map<DesktopTool, std::vector<ProgramCall>> rows{
        {DesktopTool::SoundSettings, {{"pavucontrol", {}}, {"x-terminal-emulator", {"-e", "alsamixer"}}}},
        {DesktopTool::VolumeControl, {{"pavucontrol", {"--tab=3"}}, {"x-terminal-emulator", {"-e", "alsamixer"}}}},
        {DesktopTool::NetworkSettings, {{"nm-connection-editor", {}}, {"gnome-control-center", {"network"}}}},
    };
    return rows.at(tool);
}

bool startDesktopTool(DesktopTool tool) {
    const auto& programs = desktopToolRow(tool);
    for (const auto& call : programs) {
        if (Launcher::startDetached(call.program, call.arguments)) return true;
    }
    showMessageBox("Could not start " + programs.front().program + ".", {}, Icon::Exclamation);
    return false;
}

bool GetKeyValue(reg::Hive root, std::string_view keyName, std::string_view valueName, std::string& value) {
    reg::Key key;
    reg::Value read;
    if (reg::Key::open(root, keyName, reg::Access::Read, key) != reg::Status::Ok ||
        key.queryValue(valueName, read, kValueBufferChars) != reg::Status::Ok) {
        value.clear();
        return false;
    }
    std::uint32_t number = 0;
    if (read.type == reg::Type::Sz) {
        value = reg::readText(read);
    } else if (reg::readDword(read, number)) {
        value = std::to_string(number);
    }
    return true;
}

bool startSystemInformation(std::string_view category, const std::filesystem::path& folder) {
    const auto tool = systemInformationTool();
    if (tool.empty()) return false;
    // Started by whoever presses the button: only a program no one but root (or this user) can have changed.
    if (const auto trusted = sys::openTrustedFile(tool); !trusted) {
        std::fprintf(stderr, "The system information tool is not started: %s\n", trusted.refusal.c_str());
        return false;
    }
    std::vector<std::string> arguments;
    if (!category.empty()) arguments = {"/c", "[" + std::string(category) + "]", folder.string()};
    return Launcher::startDetached(tool, arguments);
}

} // namespace kez::ui
