// setaid install <infName> <setupFolder> | setaid uninstall [--flag N]: the installer's road to
// libsetaid from a package script or a console. Exit status 0, 1 or 2 for the results 0, -1 and -8000.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "setaid/setaid.h"

namespace {

constexpr int kUsage = 64;

int usage() {
    std::fputs("usage: setaid install <infName> <setupFolder>\n"
               "       setaid uninstall [--flag N]    (N 0 keeps everything; default 1 removes)\n",
               stderr);
    return kUsage;
}

int exitStatus(int32_t result) {
    if (result == 0) return 0;
    return result == -8000 ? 2 : 1;
}

bool parseFlag(std::string_view text, long& flag) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), flag);
    return error == std::errc() && end == text.data() + text.size();
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string_view command = argv[1];
    if (command == "install" && argc == 4) return exitStatus(InstallPacketDriver(argv[2], argv[3], nullptr));
    if (command != "uninstall") return usage();
    long flag = 1;
    if (argc == 4 && std::strcmp(argv[2], "--flag") == 0) {
        if (!parseFlag(argv[3], flag)) return usage();
    } else if (argc != 2) {
        return usage();
    }
    return exitStatus(UninstUnInitialize(nullptr, 0, static_cast<intptr_t>(flag)));
}
