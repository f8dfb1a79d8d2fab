// A virtual wire across two processes through the hub: the peer is the probe program.
#include <gtest/gtest.h>

#include <thread>

#include "port_links.h"
#include "process.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;

TEST(HubAcrossProcesses, CarriesFramesBothWaysThroughEachPortsFilter) {
    const std::string name = test::uniqueName("p");
    VirtualWireHub hub(name);
    ASSERT_TRUE(hub.start().ok());
    OpenedPort local = openPacketPort("vhub:" + name + "@" + formatMac(kStationA));
    ASSERT_TRUE(local.status.ok()) << describe(local.status);
    PacketPort& port = *local.port;
    ASSERT_TRUE(port.setPacketFilter(PacketFilter::Directed).ok());

    test::ChildProcess peer;
    ASSERT_TRUE(peer.start({KEZ_NET_PROBE}));
    const auto ask = [&](const std::string& line) {
        EXPECT_TRUE(peer.sendLine(line));
        return peer.readLine().value_or("<no answer>");
    };
    ASSERT_EQ(ask("open vhub:" + name + "@" + formatMac(kStationB)), "ok " + formatMac(kStationB));
    ASSERT_EQ(ask("filter 11"), "ok");
    ASSERT_EQ(ask("mcast " + formatMac(kGroup1)), "ok");
    EXPECT_EQ(hub.attachedPorts(), 2u);

    const Bytes unlisted = plainFrame(kGroup2, kStationA, 46, 1);
    const Bytes listed = plainFrame(kGroup1, kStationA, 46, 2);
    const Bytes directed = snapFrame(kStationB, kStationA, true, 0x444C);
    for (const Bytes* frame : {&unlisted, &listed, &directed}) ASSERT_TRUE(port.writeFrame(*frame).ok());
    EXPECT_EQ(ask("recv 5000"), "frame " + toHex(listed));
    EXPECT_EQ(ask("recv 5000"), "frame " + toHex(directed));

    const Bytes reply = taggedFrame(kStationA, kStationB, 0x1001);
    ASSERT_EQ(ask("send " + toHex(reply)), "ok");
    Bytes buffer(kMaxFrameLength);
    const FrameRead read = port.readFrame(buffer, 5s);
    ASSERT_EQ(read.outcome, ReadOutcome::Frame);
    buffer.resize(read.length);
    EXPECT_EQ(buffer, reply);
    EXPECT_EQ(ask("recv 300"), "timeout") << "the peer does not hear its own frame";

    peer.sendLine("quit");
    EXPECT_EQ(peer.wait(), 0);
    for (int i = 0; i < 500 && hub.attachedPorts() != 1; ++i) std::this_thread::sleep_for(10ms);
    EXPECT_EQ(hub.attachedPorts(), 1u) << "a peer that went away is detached";
}

TEST(HubAcrossProcesses, StoppedHubEndsItsPortsReads) {
    const std::string name = test::uniqueName("s");
    VirtualWireHub hub(name);
    ASSERT_TRUE(hub.start().ok());
    EXPECT_EQ(VirtualWireHub(name).start().code, PortCode::AlreadyOpen) << "one hub per name";
    OpenedPort local = openPacketPort("vhub:" + name);
    ASSERT_TRUE(local.status.ok());
    hub.stop();
    Bytes buffer(kMaxFrameLength);
    EXPECT_EQ(local.port->readFrame(buffer, 5s).outcome, ReadOutcome::Failed);
}

} // namespace
} // namespace kez::net
