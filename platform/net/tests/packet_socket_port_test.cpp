// The AF_PACKET backend against the real kernel, in private namespaces on a veth pair:
// memberships, tags from an independent sender, adapter listing, and the helper path
// for an unprivileged user.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <regex>

#include "kez/net/adapters.h"
#include "kez/net/receive_filter.h"
#include "packet_socket.h"
#include "port_links.h"
#include "privileged.h"
#include "process.h"
#include "unprivileged_copy.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Groups the kernel does not join for IPv4 or IPv6 on its own.
constexpr MacAddress kTestGroup1{0x01, 0x00, 0x5e, 0x44, 0x44, 0x01};
constexpr MacAddress kTestGroup2{0x03, 0x00, 0x00, 0x44, 0x44, 0x02};
constexpr MacAddress kTestGroup3{0x01, 0x00, 0x5e, 0x44, 0x44, 0x03};

class PacketSocketPort : public ::testing::Test {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        link_ = std::make_unique<VethLink>();
        if (const auto problem = link_->problem()) KEZ_SKIP_OR_FAIL(*problem);
    }

    std::string ipOutput(const std::string& what) {
        const auto shown =
            test::runCommand({"ip", "-n", link_->first().name(), what, "show", "dev", link_->pair().firstName()});
        EXPECT_TRUE(shown.ok()) << shown.err;
        return shown.out;
    }

    int linkCounter(const std::string& name) {
        const auto shown = test::runCommand(
            {"ip", "-n", link_->first().name(), "-d", "link", "show", "dev", link_->pair().firstName()});
        std::smatch match;
        const std::regex counter(" " + name + " (\\d+)");
        if (!std::regex_search(shown.out, match, counter)) return -1;
        return std::stoi(match[1].str());
    }

    std::unique_ptr<PacketPort> openA() {
        OpenedPort opened = link_->openA();
        EXPECT_TRUE(opened.status.ok()) << describe(opened.status);
        return std::move(opened.port);
    }

    std::unique_ptr<VethLink> link_;
};

TEST_F(PacketSocketPort, MembershipsShowInIpAndFollowTheSettings) {
    auto port = openA();
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->setMulticastList(std::vector{kTestGroup1, kTestGroup2}).ok());
    std::string maddr = ipOutput("maddr");
    EXPECT_NE(maddr.find("link  " + formatMac(kTestGroup1)), std::string::npos) << maddr;
    EXPECT_NE(maddr.find("link  " + formatMac(kTestGroup2)), std::string::npos) << maddr;

    ASSERT_TRUE(port->setMulticastList(std::vector{kTestGroup3}).ok());
    maddr = ipOutput("maddr");
    EXPECT_EQ(maddr.find(formatMac(kTestGroup1)), std::string::npos) << maddr;
    EXPECT_EQ(maddr.find(formatMac(kTestGroup2)), std::string::npos) << maddr;
    EXPECT_NE(maddr.find("link  " + formatMac(kTestGroup3)), std::string::npos) << maddr;

    // Memberships count in the device's allmulti and promiscuity counters (ip -d link).
    ASSERT_TRUE(port->setPacketFilter(0x0D).ok());
    EXPECT_EQ(linkCounter("allmulti"), 1);
    ASSERT_TRUE(port->setPacketFilter(0x29).ok());
    EXPECT_EQ(linkCounter("allmulti"), 0);
    EXPECT_EQ(linkCounter("promiscuity"), 1);

    port->close();
    EXPECT_EQ(ipOutput("maddr").find(formatMac(kTestGroup3)), std::string::npos);
    EXPECT_EQ(linkCounter("promiscuity"), 0);
}

TEST_F(PacketSocketPort, TaggedFrameFromAnIndependentSenderKeepsItsTag) {
    auto port = openA();
    ASSERT_TRUE(port);
    ASSERT_TRUE(port->setPacketFilter(PacketFilter::Directed).ok());
    const MacAddress own = port->macAddress();
    const Bytes part = j5Part(40, 7);
    const std::string script = "import sys\n"
                               "from scapy.all import Ether, Dot1Q, Raw, sendp\n"
                               "frame = Ether(dst=sys.argv[1], src='02:00:00:00:00:0b', type=0x8100) / "
                               "Dot1Q(prio=3, vlan=5, type=0x88B5) / Raw(bytes.fromhex(sys.argv[2]))\n"
                               "sendp(frame, iface=sys.argv[3], verbose=False)\n";
    const auto sent = test::runCommand(
        link_->second().exec({KEZ_PYTHON, "-c", script, formatMac(own), toHex(part), link_->pair().secondName()}));
    ASSERT_TRUE(sent.ok()) << sent.err;

    Bytes expected;
    appendMac(expected, own);
    appendMac(expected, kStationB);
    append16(expected, 0x8100);
    append16(expected, 3 << 13 | 5);
    append16(expected, 0x88B5);
    expected.insert(expected.end(), part.begin(), part.end());
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = port->readFrame(buffer, 5s);
    ASSERT_EQ(read.outcome, ReadOutcome::Frame);
    buffer.resize(read.length);
    EXPECT_EQ(toHex(buffer), toHex(expected)) << "veth does not pad, so the frame is exactly what scapy built";
}

// A frame to everyone from B behind the given tag protocols (each with TCI 5), ending
// in `mark` so that it can be told apart after the kernel took a tag off.
Bytes behindTags(std::initializer_list<unsigned> tagTypes, unsigned type, std::uint8_t mark) {
    Bytes frame;
    appendMac(frame, kBroadcastMac);
    appendMac(frame, kStationB);
    for (const unsigned tagType : tagTypes) {
        append16(frame, tagType);
        append16(frame, 5);
    }
    append16(frame, type);
    const Bytes part = j5Part(45);
    frame.insert(frame.end(), part.begin(), part.end());
    frame.push_back(mark);
    return frame;
}

// The kernel takes the outer tag (802.1Q or 802.1ad) off before the socket filter runs;
// the filter must still pass exactly what isJ5Frame passes with that tag in place.
TEST_F(PacketSocketPort, LockedSocketPassesOnlyJ5FramesWhateverTagTheKernelTookOff) {
    detail::PacketSocket locked;
    ASSERT_TRUE(link_->first().run(
        [&] { locked = detail::openPacketSocket(link_->pair().firstName(), detail::FilterLock::Locked); }));
    ASSERT_TRUE(locked.status.ok()) << describe(locked.status);
    OpenedPort sender = VethLink::openIn(link_->second(), link_->pair().secondName());
    ASSERT_TRUE(sender.status.ok()) << describe(sender.status);

    const std::vector<Bytes> frames{
        behindTags({}, 0x88B5, 1),
        behindTags({0x8100}, 0x88B5, 2),
        behindTags({0x88A8}, 0x88B5, 3),
        behindTags({0x8100, 0x8100}, 0x88B5, 4),
        behindTags({0x88A8, 0x8100}, 0x88B5, 5),
        behindTags({0x8100}, 0x0800, 6),
        behindTags({0x9100}, 0x88B5, 7),
        behindTags({0x8100, 0x88A8}, 0x88B5, 8),
    };
    std::vector<int> expected;
    for (const Bytes& frame : frames) {
        if (isJ5Frame(frame)) expected.push_back(frame.back());
        ASSERT_TRUE(sender.port->writeFrame(frame).ok());
    }
    constexpr std::uint8_t kLast = 99;
    ASSERT_TRUE(sender.port->writeFrame(behindTags({}, 0x88B5, kLast)).ok());
    expected.push_back(kLast);

    std::vector<int> passed;
    while (passed.empty() || passed.back() != kLast) {
        pollfd waiting{locked.fd.get(), POLLIN, 0};
        ASSERT_EQ(::poll(&waiting, 1, 5000), 1) << "the last frame never came";
        Bytes buffer(2048);
        const ssize_t length = ::recv(locked.fd.get(), buffer.data(), buffer.size(), 0);
        ASSERT_GT(length, 0);
        passed.push_back(buffer[static_cast<std::size_t>(length) - 1]);
    }
    EXPECT_EQ(passed, expected);
}

TEST_F(PacketSocketPort, AdapterListingSeesOnlyItsNamespace) {
    std::vector<AdapterInfo> all;
    std::vector<AdapterInfo> withoutLoopback;
    ASSERT_TRUE(link_->first().run([&] {
        EXPECT_TRUE(listAdapters(all, {.includeLoopback = true}).ok());
        EXPECT_TRUE(listAdapters(withoutLoopback).ok());
    }));
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].name, "lo");
    EXPECT_TRUE(all[0].loopback);
    EXPECT_FALSE(all[0].ethernet);
    ASSERT_EQ(withoutLoopback.size(), 1u);
    const AdapterInfo& veth = withoutLoopback[0];
    EXPECT_EQ(veth.name, link_->pair().firstName());
    EXPECT_EQ(std::optional(formatMac(veth.mac)), test::linkAddress(link_->first(), veth.name));
    EXPECT_TRUE(veth.ethernet && veth.up && veth.running);
    EXPECT_EQ(veth.mtu, 1500u);
    ASSERT_EQ(veth.ipv4.size(), 1u);
    EXPECT_EQ(veth.ipv4[0].address, 0xC6120001u);
    EXPECT_EQ(veth.ipv4[0].netmask, 0xFFFFFF00u);
}

TEST_F(PacketSocketPort, OpenReportsAdapterProblems) {
    ASSERT_TRUE(link_->first().run([] {
        EXPECT_EQ(openPacketPort("lo").status.code, PortCode::NotEthernet);
        EXPECT_EQ(openPacketPort("kznone0").status.code, PortCode::NoSuchAdapter);
        EXPECT_EQ(openPacketPort("../kz").status.code, PortCode::InvalidName);
    }));
}

class AsNobody : public PacketSocketPort {
protected:
    void SetUp() override {
        PacketSocketPort::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (copy_.folder().empty() || !copy_.copyAs(KEZ_RAWSOCK_PROGRAM, "kez-rawsock-uncapable") ||
            !copy_.grantCapability()) {
            KEZ_SKIP_OR_FAIL("cannot copy or setcap kez-rawsock");
        }
    }

    bool startProbe(std::vector<std::string> environment = {}) {
        environment.push_back("LD_LIBRARY_PATH=" + copy_.folder().string());
        const std::string probe = (copy_.folder() / fs::path(KEZ_NET_PROBE).filename()).string();
        return probe_.start(link_->first().exec({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups",
                                                 "--inh-caps=-all", probe}),
                            environment);
    }

    std::string ask(const std::string& line) {
        EXPECT_TRUE(probe_.sendLine(line));
        return probe_.readLine(10s).value_or("<no answer>");
    }

    test::UnprivilegedCopy copy_{"kez-rawsock", {KEZ_NET_PROBE, KEZ_RAWSOCK_PROGRAM, KEZPLAT_LIBRARY}};
    test::ChildProcess probe_;
};

sys::UniqueFd boundUdpSocket(std::uint32_t address, std::uint16_t port) {
    sys::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(port);
    local.sin_addr.s_addr = htonl(address);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) fd.reset();
    return fd;
}

TEST_F(AsNobody, OpensThroughTheHelperAndSeesOnlyJ5Frames) {
    ASSERT_TRUE(startProbe());
    const std::string fdsBefore = ask("fds");
    const std::string opened = ask("open " + link_->pair().firstName());
    ASSERT_EQ(opened.rfind("ok ", 0), 0u) << opened;
    ASSERT_EQ(ask("filter 32"), "ok");
    const MacAddress probeMac = *parseMac(opened.substr(3));

    // A real IPv4/UDP datagram across the link; the listener proves it arrived.
    constexpr std::uint32_t kProbeAddress = 0xC6120001; // 198.18.0.1
    sys::UniqueFd listener;
    ASSERT_TRUE(link_->first().run([&] { listener = boundUdpSocket(kProbeAddress, 47093); }));
    ASSERT_TRUE(listener);
    ASSERT_TRUE(link_->second().run([&] {
        const sys::UniqueFd sender(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(47093);
        to.sin_addr.s_addr = htonl(kProbeAddress);
        EXPECT_EQ(::sendto(sender.get(), "udp", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to), 3);
    }));
    char datagram[8];
    ASSERT_EQ(::recv(listener.get(), datagram, sizeof datagram, 0), 3);

    OpenedPort peer = link_->openB();
    ASSERT_TRUE(peer.status.ok()) << describe(peer.status);
    const Bytes j5 = plainFrame(probeMac, peer.port->macAddress());
    ASSERT_TRUE(peer.port->writeFrame(j5).ok());
    EXPECT_EQ(ask("rawrecv 5000"), "frame " + toHex(j5)) << "ARP and IPv4 went first and never reached the socket";
    EXPECT_EQ(ask("rawrecv 300"), "timeout");
    EXPECT_EQ(ask("detach"), "fail " + std::to_string(EPERM));
    EXPECT_EQ(ask("close"), "ok");
    EXPECT_EQ(ask("release"), "ok");
    EXPECT_EQ(ask("fds"), fdsBefore);
    probe_.sendLine("quit");
    EXPECT_EQ(probe_.wait(), 0);
}

// The holder of a helper socket may bind it again (that needs no capability); it must
// still see the frames of its own adapter only.
TEST_F(AsNobody, HelperSocketBoundElsewhereSeesNoOtherAdapter) {
    const test::VethPair other(link_->first(), link_->second());
    ASSERT_TRUE(other.valid()) << other.error();
    ASSERT_TRUE(startProbe());
    ASSERT_EQ(ask("open " + link_->pair().firstName()).rfind("ok ", 0), 0u);
    OpenedPort own = link_->openB();
    ASSERT_TRUE(own.status.ok()) << describe(own.status);
    OpenedPort elsewhere = VethLink::openIn(link_->second(), other.secondName());
    ASSERT_TRUE(elsewhere.status.ok()) << describe(elsewhere.status);

    const Bytes foreign = plainFrame(kBroadcastMac, kStationB, 46, 1);
    const Bytes local = plainFrame(kBroadcastMac, kStationB, 46, 2);
    ASSERT_EQ(ask("rebind " + other.firstName()), "ok");
    ASSERT_TRUE(elsewhere.port->writeFrame(foreign).ok());
    EXPECT_EQ(ask("rawrecv 300"), "timeout") << "bound to another adapter";

    ASSERT_EQ(ask("rebind 0"), "ok");
    ASSERT_TRUE(elsewhere.port->writeFrame(foreign).ok());
    ASSERT_TRUE(own.port->writeFrame(local).ok());
    EXPECT_EQ(ask("rawrecv 5000"), "frame " + toHex(local)) << "bound to every adapter";
    EXPECT_EQ(ask("rawrecv 300"), "timeout") << "bound to every adapter";
}

TEST_F(AsNobody, WithoutTheHelperOpenFailsCleanly) {
    ASSERT_TRUE(startProbe({"KEZ_RAWSOCK=" + (copy_.folder() / "missing" / "kez-rawsock").string()}));
    const std::string fdsBefore = ask("fds");
    EXPECT_EQ(ask("open " + link_->pair().firstName()), "fail HelperUnavailable " + std::to_string(ENOENT));
    EXPECT_EQ(ask("fds"), fdsBefore);
}

TEST_F(AsNobody, HelperWithoutTheCapabilityIsRefused) {
    ASSERT_TRUE(startProbe({"KEZ_RAWSOCK=" + (copy_.folder() / "kez-rawsock-uncapable").string()}));
    const std::string fdsBefore = ask("fds");
    EXPECT_EQ(ask("open " + link_->pair().firstName()), "fail PermissionDenied " + std::to_string(EPERM));
    EXPECT_EQ(ask("open kznone0"), "fail NoSuchAdapter " + std::to_string(ENODEV));
    EXPECT_EQ(ask("fds"), fdsBefore);
}

} // namespace
} // namespace kez::net
