// The broker kez-rawsock serving the user nobody (a copy with the raw-socket capability), in
// private namespaces on a veth pair: J5 exchange and memberships through the packet port,
// requests it refuses that never reach the wire (tcpdump in the peer's namespace), only
// frames that came in for this station, its end with its caller, its bounded rate, and one
// user at a time on an adapter.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <thread>

#include "port_links.h"
#include "privileged.h"
#include "process.h"
#include "send_budget.h"
#include "station_claim.h"
#include "unprivileged_copy.h"
#include "wire_capture.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A group the kernel does not join for IPv4 or IPv6 on its own.
constexpr MacAddress kTestGroup{0x01, 0x00, 0x5e, 0x44, 0x44, 0x01};
const std::string kRefused = "fail PermissionDenied " + std::to_string(EPERM);

class BrokerAsNobody : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        link_ = std::make_unique<VethPortLink>();
        if (const auto problem = link_->problem()) KEZ_SKIP_OR_FAIL(*problem);
        if (copy_.folder().empty() || !copy_.copyAs(KEZ_RAWSOCK_PROGRAM, "kez-rawsock-uncapable") ||
            !copy_.grantCapability()) {
            KEZ_SKIP_OR_FAIL("cannot copy or setcap kez-rawsock");
        }
    }

    bool startProbe(std::vector<std::string> environment = {}) {
        return startProbeAs(probe_, "nobody", std::move(environment));
    }

    bool startProbeAs(test::ChildProcess& probe, const std::string& user, std::vector<std::string> environment = {}) {
        environment.push_back("LD_LIBRARY_PATH=" + copy_.folder().string());
        const std::string program = (copy_.folder() / fs::path(KEZ_NET_PROBE).filename()).string();
        return probe.start(link_->first().exec({"setpriv", "--reuid=" + user, "--regid=nogroup", "--clear-groups",
                                                "--inh-caps=-all", program}),
                           environment);
    }

    std::string ask(const std::string& line) { return askOf(probe_, line); }

    static std::string askOf(test::ChildProcess& probe, const std::string& line) {
        EXPECT_TRUE(probe.sendLine(line));
        return probe.readLine(10s).value_or("<no answer>");
    }

    // The probe's own broker on A's adapter: its index and station address.
    std::pair<int, MacAddress> startBroker() {
        std::istringstream opened(ask("broker " + link_->pair().firstName()));
        std::string ok;
        std::string mac;
        int ifindex = 0;
        opened >> ok >> ifindex >> mac;
        EXPECT_EQ(ok, "ok");
        return {ifindex, parseMac(mac).value_or(MacAddress{})};
    }

    std::unique_ptr<VethPortLink> link_;
    test::UnprivilegedCopy copy_{"kez-rawsock", {KEZ_NET_PROBE, KEZ_RAWSOCK_PROGRAM, KEZPLAT_LIBRARY}};
    test::ChildProcess probe_;
};

// A real IPv4/UDP datagram from B to A; true once a listener on A has it.
bool udpDatagramAcross(const VethPortLink& link) {
    constexpr std::uint32_t kAddressA = 0xC6120001; // 198.18.0.1
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(47093);
    address.sin_addr.s_addr = htonl(kAddressA);
    sys::UniqueFd listener;
    link.first().run([&] {
        listener = sys::UniqueFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (::bind(listener.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) listener.reset();
    });
    link.second().run([&] {
        const sys::UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        ::sendto(sender.get(), "udp", 3, 0, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    });
    char datagram[8];
    return listener && ::recv(listener.get(), datagram, sizeof datagram, 0) == 3;
}

TEST_F(BrokerAsNobody, ExchangesJ5FramesAndTakesMembershipsThroughThePort) {
    ASSERT_TRUE(startProbe());
    const std::string fdsBefore = ask("fds");
    const std::string opened = ask("open " + link_->pair().firstName());
    ASSERT_EQ(opened.rfind("ok ", 0), 0u) << opened;
    const MacAddress probeMac = *parseMac(opened.substr(3));
    EXPECT_EQ(ask("packetsockets"), "packetsockets 0") << "the broker keeps the packet socket";
    EXPECT_EQ(ask("filter 32"), "fail Unsupported 0");
    ASSERT_EQ(ask("mcast " + formatMac(kTestGroup)), "ok");
    ASSERT_EQ(ask("filter 15"), "ok");
    EXPECT_NE(link_->showA("maddr").find("link  " + formatMac(kTestGroup)), std::string::npos);
    EXPECT_EQ(link_->counterOfA("allmulti"), 1);
    EXPECT_EQ(link_->counterOfA("promiscuity"), 0);

    ASSERT_TRUE(udpDatagramAcross(*link_));
    OpenedPort peer = link_->openB();
    ASSERT_TRUE(peer.status.ok() && peer.port->setPacketFilter(PacketFilter::Directed).ok());
    const Bytes in = taggedFrame(probeMac, peer.port->macAddress(), 0x2005);
    ASSERT_TRUE(peer.port->writeFrame(in).ok());
    EXPECT_EQ(ask("recv 5000"), "frame " + toHex(in)) << "ARP and IPv4 went first and never came through";
    const Bytes out = snapFrame(peer.port->macAddress(), probeMac, true, 0x4855, 5); // the VLAN the peer sent on
    EXPECT_EQ(ask("send " + toHex(out)), "ok");
    EXPECT_EQ(receive(*peer.port), out);
    EXPECT_EQ(ask("recv 300"), "timeout");

    EXPECT_EQ(ask("close"), "ok");
    EXPECT_EQ(link_->showA("maddr").find(formatMac(kTestGroup)), std::string::npos);
    EXPECT_EQ(link_->counterOfA("allmulti"), 0);
    EXPECT_EQ(ask("release"), "ok");
    EXPECT_EQ(ask("fds"), fdsBefore);
    probe_.sendLine("quit");
    EXPECT_EQ(probe_.wait(), 0);
}

TEST_F(BrokerAsNobody, RefusedRequestsNeverReachTheWire) {
    const test::VethPair other(link_->first(), link_->second());
    ASSERT_TRUE(other.valid()) << other.error();
    int otherIndex = 0;
    ASSERT_TRUE(
        link_->first().run([&] { otherIndex = static_cast<int>(::if_nametoindex(other.firstName().c_str())); }));
    ASSERT_TRUE(startProbe());
    const auto [ifindex, own] = startBroker();
    const MacAddress peer = *parseMac(test::linkAddress(link_->second(), link_->pair().secondName()).value_or(""));
    test::WireCapture onPeer;
    test::WireCapture onOther;
    ASSERT_TRUE(onPeer.start(link_->second(), link_->pair().secondName(), 1, "not ip6"));
    ASSERT_TRUE(onOther.start(link_->second(), other.secondName(), 1, "not ip6"));

    const auto sendOn = [](int index, const Bytes& frame) {
        return "bsend " + std::to_string(index) + " " + toHex(frame);
    };
    const std::vector<std::pair<const char*, std::string>> refused{
        {"spoofed IPv4", sendOn(ifindex, etherTypeFrame(peer, own, 0x0800))},
        {"ARP", sendOn(ifindex, etherTypeFrame(kBroadcastMac, own, 0x0806))},
        {"another source", sendOn(ifindex, plainFrame(peer, kStranger))},
        {"another adapter", sendOn(otherIndex, plainFrame(kBroadcastMac, own))},
        {"promiscuous mode", "bjoin " + std::to_string(PACKET_MR_PROMISC) + " 00:00:00:00:00:00"},
    };
    for (const auto& [name, request] : refused)
        EXPECT_EQ(ask(request), kRefused) << name;
    EXPECT_EQ(link_->counterOfA("promiscuity"), 0);

    // Markers close both captures: whatever went before them would be their first frame.
    const Bytes marker = plainFrame(peer, own, 46, 9);
    ASSERT_EQ(ask(sendOn(ifindex, marker)), "ok");
    OpenedPort direct = VethPortLink::openIn(link_->first(), other.firstName());
    ASSERT_TRUE(direct.status.ok()) << describe(direct.status);
    const Bytes otherMarker = plainFrame(kBroadcastMac, direct.port->macAddress(), 46, 10);
    ASSERT_TRUE(direct.port->writeFrame(otherMarker).ok());
    for (auto [capture, expected] : {std::pair{&onPeer, marker}, std::pair{&onOther, otherMarker}}) {
        std::string error;
        const auto records = capture->finish(error);
        ASSERT_TRUE(records) << error;
        ASSERT_EQ(records->size(), 1u);
        EXPECT_EQ(toHex(records->front().bytes), toHex(expected));
    }
}

TEST_F(BrokerAsNobody, PassesOnOnlyFramesThatCameInForThisStation) {
    ASSERT_TRUE(startProbe());
    const MacAddress own = startBroker().second;
    OpenedPort peer = link_->openB();
    OpenedPort neighbour = link_->openA(); // another program on the same adapter
    ASSERT_TRUE(peer.status.ok() && neighbour.status.ok());
    ASSERT_TRUE(peer.port->writeFrame(plainFrame(kStranger, peer.port->macAddress(), 46, 1)).ok());
    ASSERT_TRUE(neighbour.port->writeFrame(plainFrame(kBroadcastMac, own, 46, 2)).ok());
    const Bytes marker = plainFrame(own, peer.port->macAddress(), 46, 3);
    ASSERT_TRUE(peer.port->writeFrame(marker).ok());
    EXPECT_EQ(ask("brecv 5000"), "frame " + toHex(marker));
    EXPECT_EQ(ask("brecv 300"), "timeout");
}

// Counted against the time the sends took: never more than the burst and what came in meanwhile.
TEST_F(BrokerAsNobody, SendsNoMoreThanTheBurstAndTheRefill) {
    ASSERT_TRUE(startProbe());
    const auto [ifindex, own] = startBroker();
    constexpr int kFrames = 10 * detail::SendBudget::kBurstFrames;
    const std::string frame = toHex(plainFrame(kBroadcastMac, own));
    const auto begun = std::chrono::steady_clock::now();
    std::istringstream answer(ask("bflood " + std::to_string(kFrames) + " " + std::to_string(ifindex) + " " + frame));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
    std::string word;
    int passed = 0;
    answer >> word >> passed;
    ASSERT_EQ(word, "passed");
    EXPECT_GE(passed, detail::SendBudget::kBurstFrames);
    EXPECT_LE(passed, detail::SendBudget::kBurstFrames + detail::SendBudget::kFramesPerSecond * seconds + 1);
}

// The installed claims folder as Setaid makes it (group nogroup here), on a tmpfs over its
// parent in a mount namespace of this test process: the copies of kez-rawsock run outside
// the build tree and claim there. Nothing of the machine's own folders changes.
std::optional<std::string> privateClaimsFolder() {
    const fs::path claims(KEZ_INSTALLED_CLAIMS_DIR);
    fs::path top = claims.parent_path();
    while (!fs::exists(top) && top.has_parent_path() && top != top.parent_path())
        top = top.parent_path();
    if (::unshare(CLONE_NEWNS) != 0) return "unshare(CLONE_NEWNS): " + std::string(std::strerror(errno));
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        ::mount("kez-claims", top.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "mode=0755") != 0) {
        return "mount: " + std::string(std::strerror(errno));
    }
    std::error_code error;
    fs::create_directories(claims, error);
    if (error || ::chown(claims.c_str(), 0, 65534) != 0 || ::chmod(claims.c_str(), 03770) != 0) {
        return "cannot make " + claims.string();
    }
    return std::nullopt;
}

class BrokerOnAClaimedAdapter : public BrokerAsNobody {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        // Before any thread: a process with threads cannot leave its mount namespace.
        if (const auto problem = privateClaimsFolder()) KEZ_SKIP_OR_FAIL(*problem);
        BrokerAsNobody::SetUp();
    }

    bool opens(test::ChildProcess& probe) { return askOf(probe, "open " + adapter()).rfind("ok ", 0) == 0; }
    std::string adapter() const { return link_->pair().firstName(); }

    const std::string inUse_ = "fail AdapterInUse " + std::to_string(EBUSY);
};

TEST_F(BrokerOnAClaimedAdapter, OneUserAtATimeHoldsTheStation) {
    detail::StationClaim rootsSet;
    ASSERT_TRUE(link_->first().run([&] {
        rootsSet =
            detail::claimStation(KEZ_INSTALLED_CLAIMS_DIR, static_cast<int>(::if_nametoindex(adapter().c_str())), 0);
    }));
    ASSERT_TRUE(rootsSet.lock) << describe(rootsSet.status);
    ASSERT_TRUE(startProbe());
    EXPECT_EQ(ask("open " + adapter()), inUse_) << "root's set holds the adapter";
    rootsSet = {};

    test::ChildProcess holder;
    test::ChildProcess holdersWizard;
    ASSERT_TRUE(startProbeAs(holder, "1234") && startProbeAs(holdersWizard, "1234"));
    ASSERT_TRUE(opens(holder));
    EXPECT_TRUE(opens(holdersWizard)) << "the holder's own second program";
    EXPECT_EQ(ask("open " + adapter()), inUse_) << "another user's";
    for (auto* program : {&holder, &holdersWizard})
        EXPECT_EQ(askOf(*program, "close"), "ok");
    EXPECT_TRUE(opens(probe_)) << "once the holder let go";
}

std::vector<pid_t> childrenOf(pid_t parent) {
    const std::string task = std::to_string(parent);
    std::ifstream list("/proc/" + task + "/task/" + task + "/children");
    return {std::istream_iterator<pid_t>(list), std::istream_iterator<pid_t>()};
}

// Neither gone nor a zombie waiting for a parent that may never reap it.
bool running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    return std::getline(stat, line) && line.find(") Z ") == std::string::npos;
}

TEST_F(BrokerAsNobody, EndsWhenItsCallerDies) {
    ASSERT_TRUE(startProbe());
    ASSERT_EQ(ask("open " + link_->pair().firstName()).rfind("ok ", 0), 0u);
    const std::vector<pid_t> brokers = childrenOf(probe_.pid());
    ASSERT_EQ(brokers.size(), 1u);
    ASSERT_TRUE(running(brokers.front()));
    ::kill(probe_.pid(), SIGKILL);
    EXPECT_EQ(probe_.wait(), 128 + SIGKILL);
    for (int attempt = 0; attempt < 100 && running(brokers.front()); ++attempt)
        std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(running(brokers.front()));
}

TEST_F(BrokerAsNobody, WithoutTheHelperOpenFailsCleanly) {
    ASSERT_TRUE(startProbe({"KEZ_RAWSOCK=" + (copy_.folder() / "missing" / "kez-rawsock").string()}));
    const std::string fdsBefore = ask("fds");
    EXPECT_EQ(ask("open " + link_->pair().firstName()), "fail HelperUnavailable " + std::to_string(ENOENT));
    EXPECT_EQ(ask("fds"), fdsBefore);
}

TEST_F(BrokerAsNobody, HelperWithoutTheCapabilityIsRefused) {
    ASSERT_TRUE(startProbe({"KEZ_RAWSOCK=" + (copy_.folder() / "kez-rawsock-uncapable").string()}));
    const std::string fdsBefore = ask("fds");
    EXPECT_EQ(ask("open " + link_->pair().firstName()), "fail PermissionDenied " + std::to_string(EPERM));
    EXPECT_EQ(ask("open kznone0"), "fail NoSuchAdapter " + std::to_string(ENODEV));
    EXPECT_EQ(ask("fds"), fdsBefore);
}

} // namespace
} // namespace kez::net
