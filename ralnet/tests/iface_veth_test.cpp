// The interface on a real kernel link: a veth pair between two private namespaces. What
// Ralnet sends is captured by tcpdump in the peer's namespace and checked byte for byte and
// through tshark; the peer injects frames from a packet socket of its own; the memberships
// show in `ip maddr`; and an unprivileged user opens through the raw-socket helper.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_cases.h"
#include "link_test_support.h"
#include "privileged.h"
#include "process.h"
#include "temp_dir.h"
#include "unprivileged_copy.h"
#include "veth_stacks.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace ralnet::test {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> entriesOf(const char* list) {
    std::vector<std::string> out;
    for (const char* at = list; *at; at += std::strlen(at) + 1)
        out.emplace_back(at);
    return out;
}

class VethInterface : public VethStacksTest {
protected:
    VethInterface() : VethStacksTest("r") {}

    void openRalnet() {
        ASSERT_EQ(stack_.open(), J5_OK);
        ASSERT_TRUE(waitForReceiveFilter(&ctx_));
    }

    void peerSends(const std::vector<Bytes>& frames) {
        std::vector<std::string> argv{KEZ_PYTHON, linkPeerScript().string(), "send", peerInterface_};
        for (const auto& frame : frames)
            argv.push_back(toHex(frame));
        const auto sent = runCommand(second_.exec(argv));
        ASSERT_TRUE(sent.ok()) << sent.err;
    }

    std::string ipShow(const char* what) {
        return runCommand({"ip", "-n", first_.name(), what, "show", "dev", ownInterface_}).out;
    }

    const NetNamespace& first_ = *stack_.space;
    const NetNamespace& second_ = *peer_.space;
    const std::string& ownInterface_ = stack_.interface;
    const std::string& peerInterface_ = peer_.interface;
    const std::string& ownMac_ = stack_.mac;
    const std::string& peerMac_ = peer_.mac;
    J5NetIf& ctx_ = stack_.ctx;
    const TempDir scratch_;
};

TEST_F(VethInterface, TakesTheAdapterAddressAndListsTheNamespaceAdapters) {
    const VethPair inside(first_, first_);
    ASSERT_TRUE(inside.valid()) << inside.error();
    char names[1024];
    char descriptions[4096];
    int listed = 0;
    ASSERT_TRUE(
        first_.run([&] { listed = J5GetAdapterNames(names, sizeof names, descriptions, sizeof descriptions); }));
    ASSERT_EQ(listed, 1);
    std::vector<std::string> found = entriesOf(names);
    const std::string firstListed = found.empty() ? "" : found.front();
    std::sort(found.begin(), found.end());
    std::vector<std::string> expected{ownInterface_, inside.firstName(), inside.secondName()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(found, expected) << "exactly the namespace's Ethernet adapters, no loopback";
    EXPECT_EQ(entriesOf(descriptions), std::vector<std::string>(3, "veth"));

    const auto fits = static_cast<std::uint32_t>(firstListed.size() + 2);
    ASSERT_TRUE(first_.run([&] { listed = J5GetAdapterNames(names, fits, descriptions, sizeof descriptions); }));
    EXPECT_EQ(entriesOf(names), std::vector<std::string>{firstListed}) << "the list ends at what fits";
    EXPECT_EQ(entriesOf(descriptions).size(), 1u);
    ASSERT_TRUE(first_.run([&] { listed = J5GetAdapterNames(names, 0, nullptr, 0); }));
    EXPECT_EQ(listed, 0) << "no room even for the end of the list";

    const std::string chosen = firstListed;
    J5Result result = J5_FAILED;
    ASSERT_TRUE(first_.run([&] { result = J5InitDefault(nullptr, &ctx_, nullptr, nullptr); }));
    ASSERT_EQ(result, J5_OK);
    std::uint8_t mac[6];
    J5GetSourceMACAddr(&ctx_, mac);
    EXPECT_EQ(toHex(mac, ":"), linkAddress(first_, chosen).value_or("?"))
        << "the default adapter is the first listed, and its address is ours";
}

TEST_F(VethInterface, OpensTheNamedAdapterWithItsAddress) {
    openRalnet();
    std::uint8_t mac[6];
    J5GetSourceMACAddr(&ctx_, mac);
    EXPECT_EQ(toHex(mac, ":"), ownMac_);
}

TEST_F(VethInterface, SentFramesAreByteExactOnTheWire) {
    openRalnet();
    const CaseSet set = makeCases(sendSpecs(ownMac_, peerMac_), scratch_.path());
    ASSERT_TRUE(set.error.empty()) << set.error;
    const fs::path pcap = scratch_.path() / "wire.pcap";
    ChildProcess tcpdump;
    ASSERT_TRUE(tcpdump.start(
        second_.exec({"sh", "-c",
                      "exec tcpdump -n -Z root -U -i " + peerInterface_ + " -c " + std::to_string(set.cases.size()) +
                          " -w " + pcap.string() + " 'not ip and not ip6 and not arp' 2>&1"})));
    const auto listening = tcpdump.readLine(10s);
    ASSERT_TRUE(listening && listening->find("listening on") != std::string::npos) << listening.value_or("nothing");
    for (const auto& c : set.cases)
        ASSERT_EQ(sendThroughRalnet(&ctx_, c), J5_SENT) << c.request.name;
    EXPECT_EQ(tcpdump.wait(10s), 0) << "tcpdump did not see every frame";
    EXPECT_EQ(verifyCapture(set.file, pcap), "ok");
}

TEST_F(VethInterface, InjectedFramesComeBackInEveryFraming) {
    openRalnet();
    const CaseSet set = makeCases(receiveSpecs(ownMac_, peerMac_), scratch_.path());
    ASSERT_TRUE(set.error.empty()) << set.error;
    std::vector<Bytes> frames;
    for (const auto& c : set.cases)
        frames.push_back(c.frame);
    peerSends(frames);
    for (const auto& c : set.cases) {
        J5PacketObj* packet = receiveWithin(&ctx_, c.request.type == "HA", 5s);
        ASSERT_NE(packet, nullptr) << c.request.name;
        EXPECT_EQ(compareReceived(*packet, c), "");
        J5FreePacketObj(&ctx_, packet);
    }
}

TEST_F(VethInterface, FilterAndMulticastListShowInTheKernel) {
    openRalnet();
    const std::uint8_t groups[12] = {0x03, 0x5A, 0x4E, 0, 0, 1, 0x03, 0x5A, 0x4E, 0, 0, 2};
    ASSERT_EQ(J5SetMultiCastAddresses(&ctx_, groups, 12), 1);
    std::string maddr = ipShow("maddr");
    EXPECT_NE(maddr.find("link  03:5a:4e:00:00:01"), std::string::npos) << maddr;
    EXPECT_NE(maddr.find("link  03:5a:4e:00:00:02"), std::string::npos) << maddr;
    ASSERT_EQ(J5SetMultiCastAddresses(&ctx_, groups + 6, 6), 1);
    maddr = ipShow("maddr");
    EXPECT_EQ(maddr.find("03:5a:4e:00:00:01"), std::string::npos) << maddr;
    EXPECT_NE(maddr.find("link  03:5a:4e:00:00:02"), std::string::npos) << maddr;

    ASSERT_EQ(J5SetPacketFilter(&ctx_, 11), 1);
    const auto own = stack_.macAddress();
    const auto peer = peer_.macAddress();
    const kez::net::MacAddress listed{0x03, 0x5A, 0x4E, 0, 0, 2};
    const kez::net::MacAddress unlisted{0x03, 0x5A, 0x4E, 0, 0, 1};
    peerSends({huFrame(unlisted, peer, 1), huFrame(listed, peer, 2), huFrame(own, peer, 3)});
    for (const int expected : {2, 3}) {
        J5PacketObj* packet = receiveWithin(&ctx_, false, 5s);
        EXPECT_EQ(markerOf(packet), expected);
        J5FreePacketObj(&ctx_, packet);
    }

    J5Close(&ctx_);
    maddr = ipShow("maddr");
    EXPECT_EQ(maddr.find("03:5a:4e"), std::string::npos) << "memberships end with the interface";
}

TEST_F(VethInterface, ReceivingResumesAfterTheLinkWentDown) {
    openRalnet();
    const auto own = stack_.macAddress();
    const auto peer = peer_.macAddress();
    ASSERT_TRUE(first_.ip("link set " + ownInterface_ + " down"));
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(first_.ip("link set " + ownInterface_ + " up"));
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (runCommand({"ip", "-n", first_.name(), "link", "show", ownInterface_}).out.find("LOWER_UP") !=
            std::string::npos) {
            break;
        }
        std::this_thread::sleep_for(100ms);
    }
    peerSends({huFrame(own, peer, 0x33)});
    J5PacketObj* packet = receiveWithin(&ctx_, false, 5s);
    EXPECT_EQ(markerOf(packet), 0x33) << "the receiver is not deaf after the link came back";
    J5FreePacketObj(&ctx_, packet);
    EXPECT_GE(iface::acquireInterface(&ctx_)->counters.readFailures.load(), 1u) << "the read did fail meanwhile";
}

class VethAsNobody : public VethInterface {
protected:
    void SetUp() override {
        VethInterface::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (copy_.folder().empty() || !copy_.grantCapability()) KEZ_SKIP_OR_FAIL("cannot copy or setcap kez-rawsock");
    }

    bool startProbe(std::vector<std::string> environment = {}) {
        environment.push_back("LD_LIBRARY_PATH=" + copy_.folder().string());
        const std::string probe = (copy_.folder() / fs::path(RALNET_PROBE).filename()).string();
        return probe_.start(
            first_.exec({"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--inh-caps=-all", probe}),
            environment);
    }

    std::string ask(const std::string& line) {
        EXPECT_TRUE(probe_.sendLine(line));
        return probe_.readLine(15s).value_or("<no answer>");
    }

    UnprivilegedCopy copy_{"ralnet-probe", {RALNET_PROBE, RALNET_LIBRARY, KEZPLAT_LIBRARY, KEZ_RAWSOCK_PROGRAM}};
    ChildProcess probe_;
};

TEST_F(VethAsNobody, OpensThroughTheHelperAndHearsOnlyJ5) {
    ASSERT_TRUE(startProbe());
    const std::string before = ask("usage");
    EXPECT_EQ(ask("open " + ownInterface_), "ok " + ownMac_);

    // An IPv4 datagram and a frame of another EtherType to our address, then a J5 frame.
    ASSERT_TRUE(second_.run([] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(47093);
        to.sin_addr.s_addr = htonl(0xC6120001); // 198.18.0.1
        ::sendto(fd, "udp", 3, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        ::close(fd);
    }));
    const auto own = stack_.macAddress();
    const auto peer = peer_.macAddress();
    Bytes other = huFrame(own, peer, 0x41);
    other[13] = 0xB6;
    peerSends({other, huFrame(own, peer, 0x42)});
    const std::string heard = ask("recv 5000");
    EXPECT_EQ(heard.rfind("packet 0011 42", 0), 0u) << heard;
    EXPECT_EQ(ask("recv 300"), "none");
    EXPECT_EQ(ask("usage"), before) << "the close left no thread or descriptor";
    probe_.sendLine("quit");
    EXPECT_EQ(probe_.wait(), 0);
}

TEST_F(VethAsNobody, WithoutTheHelperTheOpenFailsAndLeavesNothing) {
    ASSERT_TRUE(startProbe({"KEZ_RAWSOCK=" + (copy_.folder() / "missing" / "kez-rawsock").string()}));
    const std::string before = ask("usage");
    EXPECT_EQ(ask("open " + ownInterface_), "fail 0000");
    EXPECT_EQ(ask("usage"), before);
    EXPECT_EQ(ask("open " + ownInterface_), "fail 0000") << "and can be tried again";
    probe_.sendLine("quit");
    EXPECT_EQ(probe_.wait(), 0);
}

} // namespace
} // namespace ralnet::test
