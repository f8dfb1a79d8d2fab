// The discovery and IP dialogs end to end: the wizard's window offscreen on the real engine (registered in the
// hive as an installation registers it, run by wizard_net_probe) in its own namespace at 198.18.0.2 with a
// default route through 198.18.0.1, the peer namespace across the veth. There kezsim announces call servers on
// Ethernet and over UDP, and a web server may stand for the call server's. Root's runs and one as the user
// nobody, whose raw socket comes from the broker kez-rawsock.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "eventually.h"
#include "net_namespace.h"
#include "ombrel_test_env.h"
#include "privileged.h"
#include "process.h"
#include "simulated_call_server.h"
#include "unprivileged_copy.h"
#include "wire_capture.h"

namespace kez::wizard::test {
namespace {

namespace fs = std::filesystem;
using kez::test::ChildProcess;
using namespace std::chrono_literals;

constexpr auto kLimit = 30s;
// Several announcement periods: time for a repeated or a 21st call server to show up, were it listed.
constexpr auto kSeveralPeriods = 1500ms;
const std::string kEthernetServer = "02:53:49:4d:00:01";
const std::string kUdpServer = "02:53:49:4d:00:10";

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, separator);)
        parts.push_back(part);
    return parts;
}

std::string upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
    return text;
}

class WizardOnVeth : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        if (const auto problem = link_.problem()) KEZ_SKIP_OR_FAIL(*problem);
        ASSERT_TRUE(wizardSpace().ip("route add default via 198.18.0.1"));
    }
    void TearDown() override {
        if (probe_.pid() != 0 && probe_.sendLine("quit")) {
            EXPECT_EQ(probe_.wait(kLimit), 0);
        }
    }

    const kez::test::NetNamespace& peerSpace() const { return link_.first(); }
    const kez::test::NetNamespace& wizardSpace() const { return link_.second(); }
    const std::string& wizardAdapter() const { return link_.pair().secondName(); }

    // kezsim's `count` call servers from `mac` on, on Ethernet ("eth") or over UDP ("udp").
    void announce(const std::string& road, int count, const std::string& mac) {
        const std::string wire = road == "eth" ? "eth:" + link_.pair().firstName() : "udp:198.18.0.1";
        auto& server = servers_.emplace_back();
        ASSERT_TRUE(server.start(wire, mac, {"announce", "--count", std::to_string(count), "--period", "0.1"},
                                 peerSpace().exec({})))
            << server.seen();
    }

    // The engine of the build tree, registered in this test's hive.
    void registerEngine(const std::vector<std::string>& libraries) {
        for (const auto& library : libraries) {
            const auto registered = kez::test::runCommand({KEZREGSVR_PATH, library});
            ASSERT_TRUE(registered.ok()) << registered.err;
        }
    }

    void startProbe(const std::string& probe, std::vector<std::string> prefix = {},
                    std::vector<std::string> environment = {}) {
        prefix.push_back(probe);
        environment.insert(environment.end(), {"KEZ_ADAPTERS=" + wizardAdapter(), "KEZ_AUDIO_DEVICES="});
        ASSERT_TRUE(probe_.start(wizardSpace().exec(prefix), environment));
        ASSERT_EQ(probe_.readLine(kLimit), "ready");
    }

    std::string ask(const std::string& command) {
        EXPECT_TRUE(probe_.sendLine(command));
        return probe_.readLine(kLimit).value_or("<no answer>");
    }
    std::string text(const std::string& control) { return ask("text " + control).substr(5); }
    std::vector<std::string> lines() { return split(ask("lines").substr(6), '|'); }

    // Presses "Aut&o Discover ...": the lines once `count` are listed, sorted.
    std::vector<std::string> discover(std::size_t count) {
        EXPECT_EQ(ask("click cmdAutoDiscover"), "ok");
        EXPECT_TRUE(kez::test::eventually([&] { return lines().size() >= count; }, kLimit)) << ask("lines");
        std::this_thread::sleep_for(kSeveralPeriods);
        auto listed = lines();
        std::sort(listed.begin(), listed.end());
        return listed;
    }
    // Selects the line that starts with `mac`; the two address boxes after it.
    std::pair<std::string, std::string> select(const std::string& mac) {
        const auto listed = lines();
        const auto row = std::find_if(listed.begin(), listed.end(), [&](const auto& l) { return l.starts_with(mac); });
        EXPECT_NE(row, listed.end()) << mac;
        EXPECT_EQ(ask("select " + std::to_string(row - listed.begin())), "ok");
        EXPECT_EQ(ask("dialog"), "dialog none");
        return {text("txtVuruvMacAddress"), text("txtVuruvIPAddress")};
    }

    kez::test::VethLink link_{"wz", {"198.18.0.1/24", "198.18.0.2/24"}};
    ombrel::test::OmbrelWorld world_;
    std::vector<kez::test::SimulatedCallServer> servers_;
    ChildProcess probe_;
};

const std::vector<std::string> kBuiltEngine{CORVANE_LIBRARY, LINKOR_LIBRARY, SONWELL_LIBRARY};

TEST_F(WizardOnVeth, ListsCallServersHeardOnEthernetAndOverUdpOnceEachAndSendsNothingButIgmp) {
    const std::string wizardMac = kez::test::linkAddress(wizardSpace(), wizardAdapter()).value_or("");
    kez::test::WireCapture fromWizard;
    ASSERT_TRUE(fromWizard.start(peerSpace(), link_.pair().firstName(), 1,
                                 "ether src " + wizardMac + " and not ip6 and not arp and not igmp"));
    announce("eth", 1, kEthernetServer);
    announce("udp", 1, kUdpServer);
    registerEngine(kBuiltEngine);
    startProbe(WIZARD_NET_PROBE);
    ASSERT_TRUE(ask("set txtVuruvIPAddress 198.18.7.7").ends_with("ok"));

    const std::string ethernetLine = upper(kEthernetServer);
    const std::string udpLine = upper(kUdpServer) + "   198.18.0.1";
    EXPECT_EQ(discover(2), (std::vector<std::string>{ethernetLine, udpLine}));
    EXPECT_TRUE(wizardSpace().joinedGroup({224, 2, 224, 22})) << wizardSpace().ipv4Groups();
    EXPECT_EQ(select(upper(kEthernetServer)), std::pair(ethernetLine, std::string("198.18.7.7")));
    EXPECT_EQ(discover(2), (std::vector<std::string>{ethernetLine, udpLine})) << "a second run lists them anew";
    EXPECT_EQ(select(upper(kUdpServer)), std::pair(upper(kUdpServer), std::string("198.18.0.1")));

    // A datagram from the wizard's side closes the capture: anything the discovery sent would come first.
    ASSERT_TRUE(kez::test::runCommand(wizardSpace().exec({KEZ_PYTHON, "-c",
                                                          "import socket; socket.socket(socket.AF_INET, "
                                                          "socket.SOCK_DGRAM).sendto(b'marker', ('198.18.0.1', 9))"}))
                    .ok());
    std::string error;
    const auto frames = fromWizard.finish(error);
    ASSERT_TRUE(frames) << error;
    ASSERT_EQ(frames->size(), 1U);
    const auto& frame = frames->front().bytes;
    ASSERT_GE(frame.size(), 38U);
    EXPECT_EQ(frame[23], 17) << "UDP";
    EXPECT_EQ((frame[36] << 8) | frame[37], 9) << "the marker's port";
}

TEST_F(WizardOnVeth, ListsTwentyOfTwentyOneCallServers) {
    announce("udp", 21, "02:53:49:4d:01:00");
    registerEngine(kBuiltEngine);
    startProbe(WIZARD_NET_PROBE);
    const auto listed = discover(20);
    EXPECT_EQ(listed.size(), 20U);
    EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()).size(), 20U);
    EXPECT_EQ(ask("press cmdCancel"), "ok");
}

TEST_F(WizardOnVeth, AsNobodyListsTheSameCallServersThroughTheBroker) {
    kez::test::UnprivilegedCopy copy("kez-wizard", {WIZARD_NET_PROBE, CORVANE_LIBRARY, LINKOR_LIBRARY, SONWELL_LIBRARY,
                                                    RALNET_LIBRARY, KEZPLAT_LIBRARY, KEZ_RAWSOCK_PROGRAM});
    if (!copy.grantCapability()) KEZ_SKIP_OR_FAIL("cannot setcap the copy of kez-rawsock");
    // nobody's own world: hives, state and runtime folders, the engine registered from the copies.
    const kez::test::TempDir home("kez-nobody");
    const std::vector<std::string> world{"KEZ_REGISTRY_DIR=" + (home / "registry").string(),
                                         "XDG_CONFIG_HOME=" + (home / "config").string(),
                                         "XDG_STATE_HOME=" + (home / "state").string(),
                                         "XDG_RUNTIME_DIR=" + (home / "run").string(),
                                         "KEZ_UI_BOX_LOG=",
                                         "LD_LIBRARY_PATH=" + copy.folder().string()};
    for (const auto* library : {CORVANE_LIBRARY, LINKOR_LIBRARY, SONWELL_LIBRARY}) {
        const auto copied = copy.folder() / fs::path(library).filename();
        ASSERT_TRUE(kez::test::runCommand({KEZREGSVR_PATH, copied.string()}, world).ok());
    }
    fs::create_directories(home / "run");
    fs::permissions(home / "run", fs::perms::owner_all);
    ASSERT_TRUE(kez::test::runCommand({"chown", "-R", "nobody:nogroup", home.path().string()}).ok());

    announce("eth", 1, kEthernetServer);
    announce("udp", 1, kUdpServer);
    startProbe((copy.folder() / fs::path(WIZARD_NET_PROBE).filename()).string(),
               {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--inh-caps=-all"}, world);
    EXPECT_EQ(discover(2), (std::vector<std::string>{upper(kEthernetServer), upper(kUdpServer) + "   198.18.0.1"}));
    std::ifstream children("/proc/" + std::to_string(probe_.pid()) + "/task/" + std::to_string(probe_.pid()) +
                           "/children");
    std::set<std::string> helpers;
    for (pid_t child = 0; children >> child;)
        helpers.insert(kez::test::readFile("/proc/" + std::to_string(child) + "/comm"));
    EXPECT_EQ(helpers, std::set<std::string>{"kez-rawsock\n"});
    EXPECT_EQ(ask("press cmdCancel"), "ok");
}

// What the kernel holds for the wizard's side: its address and mask, then its default gateway.
std::vector<std::string> addressesByIp(const kez::test::NetNamespace& space, const std::string& adapter) {
    const auto address = kez::test::runCommand(
        kez::test::shellCommand("ip -j -4 -n \"$1\" addr show dev \"$2\" | \"$3\" -c 'import json, sys\n"
                                "a = json.load(sys.stdin)[0][\"addr_info\"][0]\n"
                                "m = (0xFFFFFFFF << (32 - a[\"prefixlen\"])) & 0xFFFFFFFF\n"
                                "print(a[\"local\"], \".\".join(str(m >> s & 255) for s in (24, 16, 8, 0)))'",
                                {space.name(), adapter, KEZ_PYTHON}));
    const auto gateway = kez::test::runCommand(
        kez::test::shellCommand("ip -j -n \"$1\" route show default | \"$2\" -c 'import json, sys\n"
                                "print(json.load(sys.stdin)[0][\"gateway\"])'",
                                {space.name(), KEZ_PYTHON}));
    auto found = split(address.out.substr(0, address.out.find('\n')), ' ');
    found.push_back(gateway.out.substr(0, gateway.out.find('\n')));
    return found;
}

class AutoIpOnVeth : public WizardOnVeth {
protected:
    void SetUp() override {
        WizardOnVeth::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        registerEngine(kBuiltEngine);
        startProbe(WIZARD_NET_PROBE);
    }
    // Presses "&Test ..." toward `server` and waits for the dialog.
    void test(const std::string& server) {
        ASSERT_EQ(ask("set txtVuruvIPAddress " + server), "ok");
        ASSERT_EQ(ask("click cmdTestAutoRetrieve"), "ok");
        ASSERT_TRUE(kez::test::eventually([&] { return ask("dialog") == "dialog AutoIPConfigForm"; }, kLimit));
    }
    bool ended() {
        return kez::test::eventually([&] { return text("cmdOK") == "OK"; }, kLimit);
    }
    std::vector<std::string> fields() { return {text("txtIPAddress"), text("txtSubnet"), text("txtGateway")}; }
    std::vector<std::string> boxes() const {
        std::vector<std::string> titles;
        for (const auto& line : world_.boxLog())
            titles.push_back(split(line, '\t').at(2));
        return titles;
    }
};

TEST_F(AutoIpOnVeth, ShowsTheAddressMaskAndGatewayOfTheWayToTheCallServer) {
    ChildProcess web;
    ASSERT_TRUE(web.start(peerSpace().exec({KEZ_PYTHON, "-u", "-m", "http.server", "--bind", "198.18.0.1", "80"})));
    ASSERT_TRUE(web.readLine(kLimit).value_or("").starts_with("Serving HTTP on 198.18.0.1 port 80"));
    test("198.18.0.1");
    ASSERT_TRUE(ended());
    EXPECT_EQ(fields(), addressesByIp(wizardSpace(), wizardAdapter()));
    EXPECT_EQ(fields(), (std::vector<std::string>{"198.18.0.2", "255.255.255.0", "198.18.0.1"}));
    EXPECT_EQ(ask("press cmdOK"), "ok");
    EXPECT_EQ(ask("dialog"), "dialog none");
    EXPECT_TRUE(boxes().empty());
}

TEST_F(AutoIpOnVeth, WithoutAListenerTheConnectionFails) {
    test("198.18.0.1");
    ASSERT_TRUE(ended());
    EXPECT_EQ(fields(), std::vector<std::string>(3, ""));
    EXPECT_EQ(boxes(), (std::vector<std::string>{"Internal engine error", "Error"}));
    const auto log = world_.boxLog();
    ASSERT_EQ(log.size(), 2U);
    EXPECT_NE(log[1].find("Error message: connect failed 111\\r\\nContext: Auto IP Configuration"), std::string::npos)
        << log[1];
    EXPECT_EQ(ask("press cmdOK"), "ok");
}

TEST_F(AutoIpOnVeth, BehindABlackholeRouteCancelEndsTheProbeAndItsThread) {
    // The peer forwards toward 198.18.9.9 into a blackhole: the connection never completes.
    ASSERT_TRUE(kez::test::runCommand(peerSpace().exec({"sysctl", "-qw", "net.ipv4.ip_forward=1"})).ok());
    ASSERT_TRUE(peerSpace().ip("route add blackhole 198.18.9.9"));
    EXPECT_EQ(ask("threads Auto IP"), "threads");
    test("198.18.9.9");
    EXPECT_EQ(text("cmdOK"), "Cancel");
    EXPECT_TRUE(kez::test::eventually([&] { return ask("threads Auto IP") != "threads"; }, kLimit))
        << "the probe's thread waits";
    EXPECT_EQ(ask("press cmdOK"), "ok");
    EXPECT_EQ(ask("dialog"), "dialog none");
    EXPECT_EQ(ask("threads Auto IP"), "threads");
    EXPECT_TRUE(boxes().empty());
}

} // namespace
} // namespace kez::wizard::test
