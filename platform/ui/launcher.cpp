#include "kez/ui/launcher.h"

#include <QProcess>
#include <QStringList>

#include <cstdlib>

#include "kez/sys/paths.h"

namespace kez::ui {
namespace {

constexpr int kQueryLimitMs = 5000;

QStringList qtArguments(const std::vector<std::string>& arguments) {
    QStringList list;
    for (const auto& argument : arguments)
        list << QString::fromStdString(argument);
    return list;
}

} // namespace

std::string Launcher::defaultBrowser() {
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/html")});
    if (!query.waitForFinished(kQueryLimitMs)) {
        query.kill();
        query.waitForFinished();
        return {};
    }
    if (query.exitStatus() != QProcess::NormalExit || query.exitCode() != 0) return {};
    return QString::fromLocal8Bit(query.readAllStandardOutput()).trimmed().toStdString();
}

BrowserStart Launcher::openInBrowser(const std::string& target) {
    // Without a handler of the desktop's, xdg-open falls back to the browser $BROWSER names.
    const char* named = ::secure_getenv("BROWSER");
    if ((named == nullptr || *named == '\0') && defaultBrowser().empty()) return BrowserStart::NoBrowser;
    return startDetached("xdg-open", {target}) ? BrowserStart::Started : BrowserStart::NotStarted;
}

bool Launcher::startDetached(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    return QProcess::startDetached(QString::fromStdString(program.string()), qtArguments(arguments));
}

std::filesystem::path Launcher::helpPage(std::string_view helpFile) {
    std::string path(helpFile);
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    const auto stem = std::filesystem::path(path).stem();
    return sys::dataDir() / "help" / stem / "index.html";
}

bool Launcher::openHelp(std::string_view helpFile) {
    const auto page = helpPage(helpFile);
    std::error_code error;
    if (!std::filesystem::is_regular_file(page, error)) return false;
    return startDetached("xdg-open", {page.string()});
}

std::filesystem::path Launcher::partnerProgram(std::string_view name) {
    if (const char* folder = ::secure_getenv("KEZ_PROGRAM_DIR"); folder != nullptr && *folder != '\0') {
        return std::filesystem::path(folder) / name;
    }
    return sys::programFile().parent_path() / name;
}

} // namespace kez::ui
