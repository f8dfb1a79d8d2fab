// kezreg: reads and changes the registry hives from the command line (installers, support, tests).
#include "command_line.h"
#include "commands.h"

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace {

constexpr int kRegistryError = 1;
constexpr int kUsageError = 2;

constexpr const char* kUsage =
    "usage: kezreg query  HIVE\\path [name]\n"
    "       kezreg set    HIVE\\path name TYPE value\n"
    "       kezreg delete HIVE\\path [name]\n"
    "       kezreg delete --tree HIVE\\path\n"
    "       kezreg export HIVE\\path\n"
    "HIVE: HKLM or HKEY_LOCAL_MACHINE, HKCU or HKEY_CURRENT_USER, HKCR or HKEY_CLASSES_ROOT.\n"
    "name: the value's name; an empty argument (\"\") names the key's unnamed value.\n"
    "TYPE: REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ (non-empty entries separated by \\0), REG_DWORD (decimal or 0x hex),\n"
    "      REG_BINARY (hex digits, commas allowed) or hex(N) (any type number N, hex digits).\n"
    "Values print as in the hive files: \"name\"=sz:\"text\", dword:0000000a, binary:0a,ff, multi_sz:\"a\",\"b\".\n"
    "Exit status: 0 done, 1 registry error (message on standard error), 2 bad arguments.\n";

int usage(const char* problem) {
    std::fprintf(stderr, "kezreg: %s\n%s", problem, kUsage);
    return kUsageError;
}

int finish(kez::reg::Status status, std::string_view where) {
    if (status == kez::reg::Status::Ok) return 0;
    std::fprintf(stderr, "kezreg: %.*s: %s (%d)\n", static_cast<int>(where.size()), where.data(),
                 kez::reg::describe(status), kez::reg::code(status));
    return kRegistryError;
}

int run(const std::vector<std::string_view>& args) {
    const auto command = args[0];
    bool tree = false;
    std::size_t first = 1;
    if (command == "delete" && args.size() > 1 && args[1] == "--tree") {
        tree = true;
        first = 2;
    }
    if (args.size() <= first) return usage("missing key");
    const auto where = args[first];
    const auto key = kez::kezreg::parseKeyName(where);
    if (!key) return usage("the key must start with HKLM, HKCU or HKCR");
    const auto rest = args.size() - first - 1;
    const std::string_view* name = rest >= 1 ? &args[first + 1] : nullptr;

    if (command == "query" && rest <= 1) return finish(kez::kezreg::query(*key, name), where);
    if (command == "export" && rest == 0) return finish(kez::kezreg::exportTree(*key), where);
    if (command == "delete" && rest <= (tree ? 0u : 1u)) return finish(kez::kezreg::remove(*key, name, tree), where);
    if (command == "set" && rest == 3) {
        std::string_view problem;
        const auto value = kez::kezreg::parseValue(args[first + 2], args[first + 3], problem);
        if (!value) return usage(problem.data());
        return finish(kez::kezreg::set(*key, *name, *value), where);
    }
    return usage("unknown command or wrong number of arguments");
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return usage("missing command");
    if (args[0] == "--help" || args[0] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    return run(args);
}
