// What every packet-port backend must do alike: exchange, filter bits, multicast list,
// own frames, close and bad requests. The virtual wires also run it with every frame going
// through the fault middleware's delay line.
#include <gtest/gtest.h>
#include <poll.h>

#include <atomic>
#include <set>
#include <thread>

#include "port_links.h"
#include "privileged.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;

// Long enough for any frame in flight to arrive; only a missing frame waits it out.
constexpr auto kSettle = 300ms;

// The seed that makes byte 16 of a test frame (the first payload byte) equal `mark`.
std::uint8_t seedFor(std::size_t mark) { return static_cast<std::uint8_t>(mark - 2); }

constexpr auto kDelayed = "?delay=1";

std::unique_ptr<PortLink> makeLink(const std::string& backend) {
    if (backend == "vwire") return std::make_unique<LocalWireLink>();
    if (backend == "vhub") return std::make_unique<HubWireLink>();
    if (backend == "vwire_delayed") return std::make_unique<LocalWireLink>(kDelayed);
    if (backend == "vhub_delayed") return std::make_unique<HubWireLink>(kDelayed);
    return std::make_unique<VethPortLink>();
}

class PortConformance : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        if (GetParam() == "veth") KEZ_REQUIRE_PRIVILEGED();
        link_ = makeLink(GetParam());
        if (const auto problem = link_->problem()) {
            if (link_->needsPrivileges()) KEZ_SKIP_OR_FAIL(*problem);
            FAIL() << *problem;
        }
        OpenedPort a = link_->openA();
        OpenedPort b = link_->openB();
        ASSERT_TRUE(a.status.ok()) << describe(a.status);
        ASSERT_TRUE(b.status.ok()) << describe(b.status);
        a_ = std::move(a.port);
        b_ = std::move(b.port);
    }

    // Destinations (by the frame's seed byte) of everything `port` receives until quiet.
    std::set<int> seedsReceived(PacketPort& port) {
        std::set<int> seeds;
        while (auto frame = receive(port, kSettle))
            seeds.insert((*frame)[16]);
        return seeds;
    }

    std::unique_ptr<PortLink> link_;
    std::unique_ptr<PacketPort> a_;
    std::unique_ptr<PacketPort> b_;
};

TEST_P(PortConformance, ExchangesFramesByteExactInEveryFraming) {
    ASSERT_TRUE(b_->setPacketFilter(PacketFilter::Directed).ok());
    const MacAddress to = b_->macAddress();
    const MacAddress from = a_->macAddress();
    const std::vector<Bytes> frames{plainFrame(to, from, 46),           plainFrame(to, from, 1500, 9),
                                    taggedFrame(to, from, 0x2005),      taggedFrame(to, from, 0x0000),
                                    snapFrame(to, from, false, 0x88B5), snapFrame(to, from, false, 0x88B5, 0xE00F),
                                    snapFrame(to, from, true, 0x444C),  snapFrame(to, from, true, 0x4855, 12)};
    for (const Bytes& frame : frames) {
        ASSERT_TRUE(a_->writeFrame(frame).ok());
        EXPECT_EQ(receive(*b_), frame) << toHex(frame);
    }
    EXPECT_EQ(b_->counters().framesRead, frames.size());
}

TEST_P(PortConformance, FilterBitsChooseDestinationsAsNdisDoes) {
    ASSERT_TRUE(b_->setMulticastList(std::vector{kGroup1}).ok());
    // Seeds name the destinations: 1 own, 2 stranger, 3 broadcast, 4 listed group, 5 other group.
    const std::vector<MacAddress> destinations{b_->macAddress(), kStranger, kBroadcastMac, kGroup1, kGroup2};
    const std::vector<std::pair<std::uint32_t, std::set<int>>> table{
        {0x00, {}}, {0x01, {1}}, {0x09, {1, 3}}, {0x0B, {1, 3, 4}}, {0x0D, {1, 3, 4, 5}}, {0x20, {1, 2, 3, 4, 5}}};
    for (const auto& [bits, expected] : table) {
        ASSERT_TRUE(b_->setPacketFilter(bits).ok());
        EXPECT_EQ(b_->packetFilter(), bits);
        for (std::size_t i = 0; i < destinations.size(); ++i) {
            ASSERT_TRUE(a_->writeFrame(plainFrame(destinations[i], a_->macAddress(), 46, seedFor(i + 1))).ok());
        }
        EXPECT_EQ(seedsReceived(*b_), expected) << "filter " << bits;
    }
}

TEST_P(PortConformance, MulticastListIsReplacedWhole) {
    ASSERT_TRUE(b_->setPacketFilter(PacketFilter::Directed | PacketFilter::Multicast | PacketFilter::Broadcast).ok());
    const auto sendTo = [&](const std::vector<MacAddress>& groups) {
        for (std::size_t i = 0; i < groups.size(); ++i) {
            ASSERT_TRUE(a_->writeFrame(plainFrame(groups[i], a_->macAddress(), 46, seedFor(i + 1))).ok());
        }
    };
    ASSERT_TRUE(b_->setMulticastList(std::vector{kGroup1, kGroup2}).ok());
    sendTo({kGroup1, kGroup2, kGroup3});
    EXPECT_EQ(seedsReceived(*b_), (std::set<int>{1, 2}));

    ASSERT_TRUE(b_->setMulticastList(std::vector{kGroup3}).ok());
    sendTo({kGroup1, kGroup2, kGroup3});
    EXPECT_EQ(seedsReceived(*b_), (std::set<int>{3}));

    EXPECT_EQ(b_->setMulticastList(std::vector{kGroup1, kStranger}).code, PortCode::InvalidArgument);
    sendTo({kGroup1, kGroup2, kGroup3});
    EXPECT_EQ(seedsReceived(*b_), (std::set<int>{3})) << "a refused list leaves the previous one";
}

TEST_P(PortConformance, OwnFramesAreNotReadBack) {
    ASSERT_TRUE(a_->setPacketFilter(PacketFilter::Promiscuous).ok());
    ASSERT_TRUE(b_->setPacketFilter(PacketFilter::Broadcast).ok());
    const Bytes frame = plainFrame(kBroadcastMac, a_->macAddress());
    ASSERT_TRUE(a_->writeFrame(frame).ok());
    EXPECT_EQ(receive(*b_), frame);
    EXPECT_EQ(receive(*a_, kSettle), std::nullopt);
}

TEST_P(PortConformance, OnlyJ5FramesArrive) {
    ASSERT_TRUE(b_->setPacketFilter(PacketFilter::Promiscuous).ok());
    const Bytes ipv4 = etherTypeFrame(b_->macAddress(), a_->macAddress(), 0x0800);
    const Bytes makerHr = snapFrame(b_->macAddress(), a_->macAddress(), true, 0x4852);
    const Bytes j5 = plainFrame(b_->macAddress(), a_->macAddress());
    ASSERT_TRUE(a_->writeFrame(ipv4).ok());
    ASSERT_TRUE(a_->writeFrame(makerHr).ok());
    ASSERT_TRUE(a_->writeFrame(j5).ok());
    EXPECT_EQ(receive(*b_), j5) << "frames arrive in order, so the others were never delivered";
}

TEST_P(PortConformance, PollFdShowsAWaitingFrame) {
    ASSERT_TRUE(b_->setPacketFilter(PacketFilter::Directed).ok());
    const Bytes frame = plainFrame(b_->macAddress(), a_->macAddress());
    ASSERT_TRUE(a_->writeFrame(frame).ok());
    pollfd waiting{b_->pollFd(), POLLIN, 0};
    ASSERT_EQ(::poll(&waiting, 1, 5000), 1);
    EXPECT_EQ(receive(*b_, 0ms), frame);
}

TEST_P(PortConformance, CloseWakesABlockedReader) {
    std::atomic<bool> reading{false};
    FrameRead result;
    std::thread reader([&] {
        Bytes buffer(kMaxFrameLength);
        reading = true;
        result = b_->readFrame(buffer, sys::kInfinite);
    });
    for (int i = 0; i < 1000 && !reading; ++i)
        std::this_thread::sleep_for(1ms);
    b_->close();
    reader.join();
    EXPECT_EQ(result.outcome, ReadOutcome::Closed);
    EXPECT_FALSE(b_->isOpen());
    EXPECT_EQ(b_->pollFd(), -1);
}

TEST_P(PortConformance, RefusesBadRequestsAndWorkAfterClose) {
    EXPECT_EQ(a_->writeFrame(Bytes(13, 0)).code, PortCode::InvalidArgument);
    EXPECT_EQ(a_->setPacketFilter(0x10).code, PortCode::Unsupported);
    Bytes tiny(10);
    EXPECT_EQ(a_->readFrame(tiny, 0ms).status.code, PortCode::InvalidArgument);
    a_->close();
    a_->close();
    EXPECT_EQ(a_->writeFrame(plainFrame(kBroadcastMac, kStationA)).code, PortCode::NotOpen);
    EXPECT_EQ(a_->setPacketFilter(PacketFilter::Directed).code, PortCode::NotOpen);
    EXPECT_EQ(a_->setMulticastList(std::vector{kGroup1}).code, PortCode::NotOpen);
    Bytes buffer(kMaxFrameLength);
    EXPECT_EQ(a_->readFrame(buffer, 0ms).outcome, ReadOutcome::Closed);
}

TEST_P(PortConformance, ConcurrentReaderWriterAndSettingsLoseNoDirectedFrame) {
    constexpr int kFrames = 100;
    ASSERT_TRUE(b_->setPacketFilter(PacketFilter::Directed).ok());
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; !done && i < 10000; ++i) {
            b_->setMulticastList(i % 2 == 0 ? std::vector{kGroup1} : std::vector{kGroup2, kGroup3});
            b_->setPacketFilter(i % 2 == 0 ? 0x09u : 0x0Du);
            std::this_thread::sleep_for(1ms);
        }
    });
    std::thread writer([&] {
        for (int i = 0; i < kFrames; ++i) {
            a_->writeFrame(plainFrame(b_->macAddress(), a_->macAddress(), 46, static_cast<std::uint8_t>(i)));
            if (i % 10 == 9) std::this_thread::sleep_for(2ms);
        }
    });
    int received = 0;
    while (received < kFrames && receive(*b_))
        ++received;
    done = true;
    writer.join();
    changer.join();
    EXPECT_EQ(received, kFrames);
}

// The kernel backend runs in the privileged test program, the virtual wires everywhere.
#ifdef KEZ_NET_KERNEL_BACKEND
INSTANTIATE_TEST_SUITE_P(Kernel, PortConformance, ::testing::Values("veth"),
                         [](const auto& info) { return info.param; });
#else
INSTANTIATE_TEST_SUITE_P(VirtualWires, PortConformance,
                         ::testing::Values("vwire", "vhub", "vwire_delayed", "vhub_delayed"),
                         [](const auto& info) { return info.param; });
#endif

} // namespace
} // namespace kez::net
