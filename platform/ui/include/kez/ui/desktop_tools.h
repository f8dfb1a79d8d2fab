#pragma once
// The desktop's own tools that the programs hand the user over to, in one table for all of them: each tool a
// row of programs with their arguments, the first that starts serving; and the system-information tool an
// installer names in the machine hive. Every start is detached and takes an argument list, never a shell.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "kez/reg/types.h"

namespace kez::ui {

enum class DesktopTool { SoundSettings, VolumeControl, NetworkSettings };

struct ProgramCall {
    std::string program;
    std::vector<std::string> arguments;
};

// The tool's programs, best first: the sound settings pavucontrol, else alsamixer in a terminal; the volume
// control pavucontrol on its output devices, else the same; the network settings nm-connection-editor, else
// GNOME's network panel.
const std::vector<ProgramCall>& desktopToolRow(DesktopTool tool);
// Starts the first program of the tool's row that can be started. When none can, tells the user "Could not
// start <the row's first program>." and returns false.
bool startDesktopTool(DesktopTool tool);

// A text value unchanged, or a 32-bit value in decimal, of a key opened for reading only; another type leaves
// `value` as it came. False, with `value` empty, when the key cannot be opened or the value not read (larger
// than 1024 bytes included).
bool GetKeyValue(reg::Hive root, std::string_view keyName, std::string_view valueName, std::string& value);

// Starts the system-information tool the machine names in its root-only store: "PATH" of
// "SOFTWARE\Microsoft\Shared Tools\MSINFO", else "MSINFO32.EXE" in the folder that "MSINFO" of
// "SOFTWARE\Microsoft\Shared Tools Location" names, when that file is there. With a category the tool is given
// "/c", "[<category>]" and `folder`. False when no tool is named, when the tool or its folder may have been
// changed by someone other than root or this user (the reason goes to standard error), or it did not start; the
// caller tells the user.
bool startSystemInformation(std::string_view category = {}, const std::filesystem::path& folder = {});

} // namespace kez::ui
