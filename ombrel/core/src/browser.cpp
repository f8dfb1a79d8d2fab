#include <sys/stat.h>

#include "kez/ui/launcher.h"
#include "kez/ui/message_boxes.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {

void gLaunchWebBrowser(const std::string& url) {
    switch (ui::Launcher::openInBrowser(url)) {
    case ui::BrowserStart::Started: return;
    case ui::BrowserStart::NoBrowser:
        ui::showMessageBox("Could not find associated Browser.", "Browser Not Found", ui::Icon::Exclamation);
        return;
    case ui::BrowserStart::NotStarted:
        ui::showMessageBox("Web Page not Opened.", "URL Failed", ui::Icon::Exclamation);
        return;
    }
}

bool gFileExists(std::string_view path) {
    if (path.empty() || path.find_first_of("*?") != std::string_view::npos) return false;
    struct stat info {};
    return ::stat(std::string(path).c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

} // namespace kez::ombrel
