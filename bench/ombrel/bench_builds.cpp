#include "bench_builds.h"

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <stdexcept>

#include "process.h"

namespace kez::bench {
namespace {

namespace fs = std::filesystem;

constexpr const char* kServers[] = {"linkor/liblinkor.so", "sonwell/libsonwell.so", "corvane/libcorvane.so"};
constexpr const char* kRegistrar = "tools/kezregsvr/kezregsvr";

Build checked(const std::string& folder) {
    Build build{fs::absolute(folder).lexically_normal().string()};
    if (!build.folder.empty() && build.folder.back() == '/') build.folder.pop_back();
    std::vector<std::string> parts{build.program(), build.folder + "/" + kRegistrar};
    for (const char* server : kServers)
        parts.push_back(build.folder + "/" + server);
    for (const auto& part : parts)
        if (!fs::exists(part)) throw std::runtime_error("the build " + folder + " has no " + part);
    return build;
}

} // namespace

std::vector<Build> chosenBuilds(std::vector<std::string>& arguments) {
    std::vector<Build> builds;
    for (auto at = arguments.begin(); at != arguments.end();) {
        if (*at != "--build") {
            ++at;
            continue;
        }
        if (at + 1 == arguments.end()) throw std::runtime_error("--build needs a build folder");
        builds.push_back(checked(*(at + 1)));
        at = arguments.erase(at, at + 2);
    }
    if (const char* named = std::getenv("OMBREL_BENCH_BUILDS"); builds.empty() && named != nullptr) {
        std::istringstream folders(named);
        for (std::string folder; std::getline(folders, folder, ':');)
            if (!folder.empty()) builds.push_back(checked(folder));
    }
    if (builds.empty()) builds.push_back(checked(KEZ_BINARY_DIR));
    return builds;
}

void registerServers(const Build& build) {
    for (const char* server : kServers) {
        const auto result = kez::test::runCommand({build.folder + "/" + kRegistrar, build.folder + "/" + server});
        if (!result.ok()) throw std::runtime_error("kezregsvr " + std::string(server) + ": " + result.err);
    }
}

int intOption(std::vector<std::string>& arguments, const std::string& name, int fallback) {
    for (auto at = arguments.begin(); at != arguments.end(); ++at) {
        if (*at != name) continue;
        if (at + 1 == arguments.end()) throw std::runtime_error(name + " needs a number");
        const int value = std::stoi(*(at + 1));
        arguments.erase(at, at + 2);
        return value;
    }
    return fallback;
}

} // namespace kez::bench
