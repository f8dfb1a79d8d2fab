// The virtual wires' fault and capture options: refused option text, each fault's effect,
// the seed, delays paced by the platform clock, frames lost at close, and the capture.
#include <gtest/gtest.h>
#include <poll.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <sstream>

#include "kez/sys/tick.h"
#include "pcap.h"
#include "port_links.h"
#include "temp_dir.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;

constexpr auto kSettle = 300ms;

// Frame `mark` from A to B: its first payload byte (16) is the mark.
Bytes markedFrame(int mark) { return plainFrame(kStationB, kStationA, 46, static_cast<std::uint8_t>(mark - 2)); }

// Two ports on a fresh wire: A with `options`, B plain and listening to A.
struct Ends {
    explicit Ends(const std::string& options) {
        a = openPacketPort(link.adapter(kStationA, options));
        b = openPacketPort(link.adapter(kStationB, ""));
        if (b.port) b.port->setPacketFilter(PacketFilter::Directed);
    }
    bool ok() const { return a.port && b.port; }

    // The marks B reads, in order, until the wire is quiet.
    std::vector<int> marksAtB() {
        std::vector<int> marks;
        Bytes buffer(kMaxFrameLength);
        while (b.port->readFrame(buffer, kSettle).outcome == ReadOutcome::Frame)
            marks.push_back(buffer[16]);
        return marks;
    }

    LocalWireLink link;
    OpenedPort a;
    OpenedPort b;
};

std::vector<int> sendMarks(Ends& ends, int count) {
    for (int mark = 0; mark < count; ++mark)
        EXPECT_TRUE(ends.a.port->writeFrame(markedFrame(mark)).ok());
    return ends.marksAtB();
}

TEST(WireOptions, BadOptionTextFailsTheOpenClearly) {
    const std::string wire = "vwire:" + test::uniqueName("o");
    std::istringstream refused("? ?drop ?drop= ?drop=abc ?drop=-1 ?drop=+1 ?drop=101 ?drop=100.0001 ?dup=1.23456 "
                               "?reorder=1. ?delay=60001 ?delay=1e3 ?seed=2e32 ?seed=4294967296 ?colour=red "
                               "?drop=1&drop=2 ?drop=1& ?pcap= @02:00:00:00:00:0a?dup=x");
    for (std::string options; refused >> options;) {
        const OpenedPort opened = openPacketPort(wire + options);
        EXPECT_EQ(opened.status.code, PortCode::InvalidOption) << options;
        EXPECT_FALSE(opened.port) << options;
    }
    EXPECT_EQ(openPacketPort("vhub:" + test::uniqueName("o") + "?reorder=200").status.code, PortCode::InvalidOption)
        << "checked before the hub is sought";
    EXPECT_EQ(openPacketPort(wire + "?pcap=/nonexistent-kez-folder/wire.pcap").status,
              portError(PortCode::SystemError, ENOENT));
    EXPECT_TRUE(openPacketPort(wire + "?drop=100.0000&dup=0.0001&reorder=0&delay=60000&seed=4294967295").port);
    EXPECT_EQ(VirtualWireHub("h?drop=1").start().code, PortCode::InvalidName) << "no options in wire names";
}

TEST(WireOptions, EachFaultAtFullRateShowsItsEffect) {
    struct Case {
        std::string options;
        std::vector<int> arriving;
        PortCounters faults;
    };
    const std::vector<Case> table{
        {"", {0, 1, 2, 3, 4}, {}},
        {"?drop=100", {}, {.framesDropped = 5}},
        {"?dup=100", {0, 0, 1, 1, 2, 2, 3, 3, 4, 4}, {.framesDuplicated = 5}},
        {"?reorder=100", {1, 0, 3, 2, 4}, {.framesReordered = 3}}, // the last leaves when its hold runs out
        {"?reorder=100&dup=100", {1, 1, 0, 0, 3, 3, 2, 2, 4, 4}, {.framesDuplicated = 5, .framesReordered = 3}},
        {"?delay=5", {0, 1, 2, 3, 4}, {}},
    };
    for (const Case& c : table) {
        Ends ends(c.options);
        ASSERT_TRUE(ends.ok()) << c.options;
        EXPECT_EQ(sendMarks(ends, 5), c.arriving) << c.options;
        const PortCounters counted = ends.a.port->counters();
        EXPECT_EQ(counted.framesDropped, c.faults.framesDropped) << c.options;
        EXPECT_EQ(counted.framesDuplicated, c.faults.framesDuplicated) << c.options;
        EXPECT_EQ(counted.framesReordered, c.faults.framesReordered) << c.options;
    }
}

TEST(WireOptions, TheSeedAloneDecidesWhichFramesAreLost) {
    constexpr int kFrames = 200;
    const auto survivors = [](const std::string& options) {
        Ends ends(options);
        EXPECT_TRUE(ends.ok()) << options;
        const std::vector<int> marks = ends.ok() ? sendMarks(ends, kFrames) : std::vector<int>{};
        return std::set<int>(marks.begin(), marks.end());
    };
    const std::set<int> first = survivors("?drop=50&seed=7");
    EXPECT_GT(first.size(), 60u);
    EXPECT_LT(first.size(), 140u);
    EXPECT_EQ(survivors("?drop=50&seed=7"), first);
    EXPECT_EQ(survivors("?seed=7&drop=50&dup=30&reorder=20"), first) << "other faults leave the losses alone";
    EXPECT_NE(survivors("?drop=50&seed=8"), first);
}

TEST(WireOptions, DelaysArePacedByThePlatformClock) {
    sys::TestClock clock(0xFFFFFFF0); // the delay runs across the wrap of the tick
    Ends ends("?delay=20");
    ASSERT_TRUE(ends.ok());
    const Bytes frame = markedFrame(1);
    ASSERT_TRUE(ends.a.port->writeFrame(frame).ok());
    const auto arrivedWithin = [&](int ms) {
        pollfd waiting{ends.b.port->pollFd(), POLLIN, 0};
        return ::poll(&waiting, 1, ms) == 1;
    };
    EXPECT_FALSE(arrivedWithin(100));
    clock.advance(19);
    EXPECT_FALSE(arrivedWithin(100));
    clock.advance(1);
    ASSERT_TRUE(arrivedWithin(5000));
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = ends.b.port->readFrame(buffer, 0ms);
    ASSERT_EQ(read.outcome, ReadOutcome::Frame);
    buffer.resize(read.length);
    EXPECT_EQ(buffer, frame);
}

TEST(WireOptions, FramesStillOnTheLineAreLostWhenThePortCloses) {
    Ends ends("?delay=60000");
    ASSERT_TRUE(ends.ok());
    for (int mark = 0; mark < 3; ++mark)
        ASSERT_TRUE(ends.a.port->writeFrame(markedFrame(mark)).ok());
    ends.a.port->close();
    EXPECT_EQ(ends.a.port->writeFrame(markedFrame(3)).code, PortCode::NotOpen);
    EXPECT_EQ(ends.marksAtB(), std::vector<int>{});
    ASSERT_TRUE(ends.a.port->open(ends.link.adapter(kStationA, "?dup=100")).ok()) << "reopened with other options";
    EXPECT_EQ(sendMarks(ends, 1), (std::vector<int>{0, 0}));
}

TEST(WireOptions, TheCaptureHoldsWhatThePortPutOnTheWireAndRead) {
    const test::TempDir folder("kez-capture");
    const std::filesystem::path pcap = folder / "wire.pcap";
    Ends ends("?dup=100&reorder=100&pcap=" + pcap.string());
    ASSERT_TRUE(ends.ok());
    ASSERT_TRUE(ends.a.port->setPacketFilter(PacketFilter::Directed).ok());
    for (int mark = 1; mark <= 2; ++mark)
        ASSERT_TRUE(ends.a.port->writeFrame(markedFrame(mark)).ok());
    const Bytes reply = plainFrame(kStationA, kStationB, 100, 9);
    ASSERT_TRUE(ends.b.port->writeFrame(reply).ok());
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = ends.a.port->readFrame(buffer, 5s);
    ASSERT_EQ(read.outcome, ReadOutcome::Frame) << describe(read.status);

    std::string error;
    const auto records = test::readPcap(pcap, error);
    ASSERT_TRUE(records) << error;
    std::vector<Bytes> captured;
    for (const auto& record : *records)
        captured.push_back(record.bytes);
    EXPECT_EQ(captured, (std::vector{markedFrame(2), markedFrame(2), markedFrame(1), markedFrame(1), reply}))
        << "in wire order, the frame read last";
    const OpenedPort second = openPacketPort(ends.link.adapter(kStranger, "?pcap=" + pcap.string()));
    EXPECT_EQ(second.status, portError(PortCode::SystemError, EBUSY)) << "one capture file, one writer";
    ends.a.port->close();
    EXPECT_TRUE(openPacketPort(ends.link.adapter(kStranger, "?pcap=" + pcap.string())).port) << "free again";
}

} // namespace
} // namespace kez::net
