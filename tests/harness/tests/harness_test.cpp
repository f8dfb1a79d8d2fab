// The harness's own moving parts: pcap files (kez::net's writer, our reader) against scapy,
// child processes, hex text and private registries.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bytes.h"
#include "kez/net/pcap_writer.h"
#include "net_namespace.h"
#include "pcap.h"
#include "privileged.h"
#include "process.h"
#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::test {
namespace {

namespace fs = std::filesystem;

TEST(Pcap, ScapyReadsWhatWeWriteAndWeReadWhatScapyWrites) {
    TempDir folder;
    ASSERT_FALSE(folder.path().empty());
    const fs::path ours = folder.path() / "ours.pcap";
    const fs::path theirs = folder.path() / "theirs.pcap";
    std::vector<std::uint8_t> frame(60);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<std::uint8_t>(i * 7);
    {
        net::PcapWriter writer(ours);
        ASSERT_TRUE(writer.write(frame, {12, 34}));
        ASSERT_TRUE(writer.write(std::vector<std::uint8_t>(14, 0xff)));
    }
    const std::string script = "import sys\n"
                               "from scapy.all import rdpcap, wrpcap, raw\n"
                               "packets = rdpcap(sys.argv[1])\n"
                               "print(len(packets), raw(packets[0]).hex(), packets[0].time)\n"
                               "wrpcap(sys.argv[2], packets[0])\n";
    const CommandResult checked = runCommand({KEZ_PYTHON, "-c", script, ours.string(), theirs.string()});
    ASSERT_TRUE(checked.ok()) << checked.err;
    EXPECT_EQ(checked.out, "2 " + toHex(frame) + " 12.000034\n");

    std::string error;
    const auto records = readPcap(theirs, error);
    ASSERT_TRUE(records) << error;
    ASSERT_EQ(records->size(), 1u);
    EXPECT_EQ((*records)[0].bytes, frame);
    EXPECT_EQ((*records)[0].seconds, 12u);
    EXPECT_EQ((*records)[0].microseconds, 34u);
}

TEST(Pcap, DamagedFilesAreReportedNotRead) {
    TempDir folder;
    const fs::path path = folder.path() / "cut.pcap";
    {
        net::PcapWriter writer(path);
        writer.write(std::vector<std::uint8_t>(60, 1));
    }
    fs::resize_file(path, fs::file_size(path) - 1);
    std::string error;
    EXPECT_FALSE(readPcap(path, error));
    EXPECT_EQ(error, "record longer than the file");
    std::ofstream(path, std::ios::trunc) << "not a capture at all, but long enough";
    EXPECT_FALSE(readPcap(path, error));
    EXPECT_EQ(error, "not a pcap file");
}

TEST(Process, RunsCommandsAndTalksToChildren) {
    const CommandResult ran = runCommand({"sh", "-c", "echo out; echo err >&2; exit 3"});
    EXPECT_EQ(ran.exitCode, 3);
    EXPECT_EQ(ran.out, "out\n");
    EXPECT_EQ(ran.err, "err\n");
    EXPECT_EQ(runCommand({"sleep", "10"}, std::chrono::milliseconds(200)).exitCode, -1);

    ChildProcess child;
    ASSERT_TRUE(
        child.start({"sh", "-c", "read line; echo \"got $line $KEZ_HARNESS_CHECK\""}, {"KEZ_HARNESS_CHECK=yes"}));
    ASSERT_TRUE(child.sendLine("hello"));
    EXPECT_EQ(child.readLine(), "got hello yes");
    EXPECT_EQ(child.wait(), 0);
}

TEST(Process, EnvironmentEntriesReplaceInheritedOnesAndShellArgumentsPassAsTheyAre) {
    const ScopedEnv inherited("KEZ_HARNESS_CHECK", "old");
    const CommandResult ran =
        runCommand(shellCommand("printf '%s|%s|%s' \"$KEZ_HARNESS_CHECK\" \"$1\" \"$2\"", {"a b", "'$x'"}),
                   {"KEZ_HARNESS_CHECK=new"});
    EXPECT_EQ(ran.out, "new|a b|'$x'");
}

TEST(Bytes, HexTextReadsWithSeparatorsAndRefusesMistakes) {
    const struct {
        const char* text;
        std::optional<Bytes> bytes;
    } cases[] = {
        {"", Bytes{}},
        {"-", Bytes{}},
        {"00ff7A", Bytes{0x00, 0xff, 0x7a}},
        {"02:00:5e 88-B5\n01", Bytes{0x02, 0x00, 0x5e, 0x88, 0xb5, 0x01}},
        {"abc", std::nullopt},
        {"a b", std::nullopt},
        {"0g", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseHex(c.text), c.bytes) << c.text;
    EXPECT_THROW(hex("123"), std::invalid_argument);
    EXPECT_EQ(toHex(hex("02 00 5E"), ":"), "02:00:5e");
}

TEST(ScopedRegistry, PointsProgramsAtPrivateHivesAndPutsTheEnvironmentBack) {
    const ScopedEnv outer("KEZ_REGISTRY_DIR", "/nonexistent/outer");
    fs::path folder;
    {
        const ScopedRegistry registry;
        folder = registry.folder();
        EXPECT_STREQ(std::getenv("KEZ_REGISTRY_DIR"), folder.c_str());
        EXPECT_STREQ(std::getenv("XDG_CONFIG_HOME"), folder.c_str());
        const auto stored = runCommand({"sh", "-c", "echo \"$KEZ_REGISTRY_DIR\""}, registry.environment());
        EXPECT_EQ(stored.out, folder.string() + "\n");
    }
    EXPECT_STREQ(std::getenv("KEZ_REGISTRY_DIR"), "/nonexistent/outer");
    EXPECT_FALSE(fs::exists(folder));
}

struct LeftNamespace {
    explicit LeftNamespace(std::string name) : name(std::move(name)) {}
    ~LeftNamespace() { runCommand({"ip", "netns", "del", name}); }
    std::string name;
    bool made = runCommand({"ip", "netns", "add", name}).ok();
};

// A run that was killed leaves its namespaces; a later process with the same id meets
// their names again.
TEST(NetNamespace, ReplacesOneLeftByAKilledRunOfTheSameProcessId) {
    KEZ_REQUIRE_PRIVILEGED();
    const std::string current = uniqueName("");
    const std::string serial = current.substr(current.find('x') + 1);
    const std::string next = current.substr(0, current.find('x') + 1) + std::to_string(std::stoul(serial) + 1);
    const std::string leftName = "kez-st-" + next;
    const LeftNamespace left(leftName);
    ASSERT_TRUE(left.made);
    ASSERT_TRUE(runCommand({"ip", "-n", leftName, "link", "add", "kzleft", "type", "veth", "peer", "kzleftp"}).ok());
    {
        const NetNamespace space("st");
        ASSERT_EQ(space.name(), leftName);
        EXPECT_TRUE(space.valid()) << space.error();
        EXPECT_FALSE(space.ip("link show kzleft")) << "a fresh namespace, not the old one";
    }
    EXPECT_FALSE(fs::exists("/run/netns/" + leftName));
}

} // namespace
} // namespace kez::test
