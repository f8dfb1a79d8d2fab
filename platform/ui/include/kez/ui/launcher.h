#pragma once
// Starting other programs: the partner program, the desktop's browser and the help pages. Every start is
// detached (the started program outlives us and is reaped by the system) and takes an argument list,
// never a shell command line.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kez::ui {

enum class BrowserStart { Started, NoBrowser, NotStarted };

class Launcher {
public:
    // The desktop's handler of web pages (`xdg-mime query default text/html`); empty when there is none.
    static std::string defaultBrowser();
    // Opens a web address or a local file in the default browser through xdg-open, `target` as one argument;
    // NoBrowser when the desktop has no handler of web pages and $BROWSER names none.
    static BrowserStart openInBrowser(const std::string& target);
    // False when the program could not be started.
    static bool startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments);

    // "Help\<stem>.hlp" (any case of "Help", a leading backslash allowed) as the HTML page that stands for
    // it: <data folder>/help/<stem>/index.html.
    static std::filesystem::path helpPage(std::string_view helpFile);
    // Opens that page; false when it is missing or could not be opened.
    static bool openHelp(std::string_view helpFile);

    // A program of the set: in $KEZ_PROGRAM_DIR, else beside this program's own executable.
    static std::filesystem::path partnerProgram(std::string_view name);
};

} // namespace kez::ui
