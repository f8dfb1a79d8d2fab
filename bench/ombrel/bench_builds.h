#pragma once
// Which builds of the program a bench measures: folders of release builds, each with bin/ombrel and the three
// servers it loads (its own, registered into the bench's private hive before each of its runs), so that one
// bench compares a build before a change with the build after it, runs interleaved.
//   --build DIR (repeatable) or OMBREL_BENCH_BUILDS=DIR:DIR; without either, this build.
#include <string>
#include <vector>

namespace kez::bench {

struct Build {
    std::string folder;
    std::string program() const { return folder + "/bin/ombrel"; }
};

// The builds named on the command line (other arguments are left in `arguments`) or in the environment; throws
// std::runtime_error when one lacks a part.
std::vector<Build> chosenBuilds(std::vector<std::string>& arguments);
// Registers the build's servers in the hive the environment names; throws when one fails.
void registerServers(const Build& build);
// The value after `--name` in the arguments (removed from them), or `fallback`.
int intOption(std::vector<std::string>& arguments, const std::string& name, int fallback);

} // namespace kez::bench
