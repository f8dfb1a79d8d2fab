// The Debian package as `cpack -G DEB` makes it from this build: every runtime file in place and owned by root,
// nothing in it privileged (no capability, no set-id bit: the maintainer scripts give kez-rawsock its group and
// right), the helper's manifest naming the installed helper, dependencies found by dpkg-shlibdeps, and lintian's
// verdict without errors.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>

#include "process.h"
#include "temp_dir.h"

namespace kez::install::test {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using kez::test::runCommand;

struct Entry {
    std::string mode;
    std::string owner;
};

// `dpkg-deb -c`: path (without the leading "./") to mode and owner.
std::map<std::string, Entry> contents(const std::string& listing) {
    std::map<std::string, Entry> entries;
    for (const auto& line : kez::test::linesOf(listing)) {
        std::istringstream fields(line);
        Entry entry;
        std::string size, date, time, path;
        fields >> entry.mode >> entry.owner >> size >> date >> time >> std::ws;
        std::getline(fields, path); // names may hold blanks
        if (path.starts_with("./")) entries[path.substr(2)] = entry;
    }
    return entries;
}

std::string privateFile(const char* name) { return fs::path(KEZ_PRIVATE_LIBDIR).relative_path() / name; }

TEST(DebianPackage, CarriesEveryRuntimeFileUnprivilegedAndPassesLintian) {
    const kez::test::TempDir dir("kez-package");
    const auto made = runCommand(
        {"cpack", "-G", "DEB", "-B", dir.path().string(), "--config", KEZ_BINARY_DIR "/CPackConfig.cmake"}, 240s);
    ASSERT_TRUE(made.ok()) << made.out << made.err;
    const auto architecture = runCommand({"dpkg", "--print-architecture"}).out;
    const auto deb = dir / ("kez-ombrel_" KEZ_VERSION "_" + architecture.substr(0, architecture.find('\n')) + ".deb");
    ASSERT_TRUE(fs::exists(deb)) << made.out;

    const auto entries = contents(runCommand({"dpkg-deb", "-c", deb.string()}).out);
    const std::string runtimeFiles[] = {"usr/bin/ombrel",
                                        "usr/bin/wizard",
                                        "usr/bin/adapterprobe",
                                        "usr/bin/recorderprobe",
                                        "usr/bin/kezreg",
                                        "usr/bin/kezregsvr",
                                        "usr/sbin/setaid",
                                        privateFile("libkezplat.so"),
                                        privateFile("libralnet.so"),
                                        privateFile("liblinkor.so"),
                                        privateFile("libsonwell.so"),
                                        privateFile("libcorvane.so"),
                                        privateFile("libsetaid.so"),
                                        privateFile("kez-rawsock"),
                                        privateFile("register-servers"),
                                        "usr/share/kez-ombrel/setup/KEZPacket.inf",
                                        "usr/share/kez-ombrel/help/english/index.html",
                                        "usr/share/kez-ombrel/bitmaps/bigkzset/Ombrel_100_with shadow.bmp",
                                        "usr/share/applications/kez-ombrel.desktop",
                                        "usr/share/applications/kez-ombrel-wizard.desktop",
                                        "usr/share/icons/hicolor/48x48/apps/kez-ombrel.png",
                                        "usr/share/icons/hicolor/256x256/apps/kez-ombrel.png",
                                        "usr/share/doc/kez-ombrel/copyright",
                                        "usr/share/doc/kez-ombrel/changelog.gz"};
    for (const auto& file : runtimeFiles)
        EXPECT_TRUE(entries.contains(file)) << file;
    for (const auto& [path, entry] : entries) {
        EXPECT_EQ(entry.owner, "root/root") << path;
        EXPECT_EQ(entry.mode.find_first_of("sS"), std::string::npos) << path << " " << entry.mode;
    }
    EXPECT_EQ(entries.at(privateFile("kez-rawsock")).mode, "-rwxr-xr-x");

    const auto tree = dir / "tree";
    fs::create_directories(tree);
    ASSERT_TRUE(runCommand(kez::test::shellCommand("dpkg-deb --fsys-tarfile \"$1\" | tar --xattrs "
                                                   "--xattrs-include='*' -xf - -C \"$2\"",
                                                   {deb.string(), tree.string()}))
                    .ok());
    EXPECT_EQ(runCommand({"getcap", "-r", tree.string()}).out, "") << "no file capability in the package";
    for (const char* pixels : {"48", "256"}) {
        const auto icon =
            tree / "usr/share/icons/hicolor" / (std::string(pixels) + "x" + pixels) / "apps/kez-ombrel.png";
        EXPECT_EQ(runCommand({"identify", "-format", "%m %wx%h", icon.string()}).out,
                  std::string("PNG ") + pixels + "x" + pixels);
    }
    EXPECT_NE(kez::test::readFile(tree / "usr/share/kez-ombrel/setup/KEZPacket.inf")
                  .find("Program=" KEZ_PRIVATE_LIBDIR "/kez-rawsock\n"),
              std::string::npos);

    const auto depends = runCommand({"dpkg-deb", "-f", deb.string(), "Depends"}).out;
    for (const char* package : {"libc6", "libqt6widgets6", "libasound2", "libcap2", "passwd"})
        EXPECT_NE(depends.find(package), std::string::npos) << package << " in " << depends;

    const auto lintian = runCommand({"lintian", "--fail-on", "error", deb.string()}, 240s);
    EXPECT_TRUE(lintian.ok()) << lintian.out << lintian.err;
}

} // namespace
} // namespace kez::install::test
