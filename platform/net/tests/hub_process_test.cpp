// A virtual wire across two processes through the hub: the peer is the probe program.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <atomic>
#include <future>
#include <thread>

#include "hub_address.h"
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
    for (const Bytes* frame : {&unlisted, &listed, &directed})
        ASSERT_TRUE(port.writeFrame(*frame).ok());
    EXPECT_EQ(ask("recv 5000"), "frame " + toHex(listed));
    EXPECT_EQ(ask("recv 5000"), "frame " + toHex(directed));

    const Bytes reply = taggedFrame(kStationA, kStationB, 0x1001);
    ASSERT_EQ(ask("send " + toHex(reply)), "ok");
    EXPECT_EQ(receive(port), reply);
    EXPECT_EQ(ask("recv 300"), "timeout") << "the peer does not hear its own frame";

    peer.sendLine("quit");
    EXPECT_EQ(peer.wait(), 0);
    for (int i = 0; i < 500 && hub.attachedPorts() != 1; ++i)
        std::this_thread::sleep_for(10ms);
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

// Any local process may listen on a hub's name first. One that takes ports and never
// reads or accepts must not hold up their owners for good.
class StalledHub {
public:
    explicit StalledHub(const std::string& name, int backlog = 8) {
        const detail::HubAddress hub = detail::hubAddress(name);
        listener_ = sys::UniqueFd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
        bound_ = listener_ &&
                 ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&hub.address), hub.length) == 0 &&
                 ::listen(listener_.get(), backlog) == 0;
    }
    bool bound() const { return bound_; }
    int listener() const { return listener_.get(); }
    // Takes the next port and tells it that it is attached.
    bool admit() {
        taken_ = sys::UniqueFd(::accept4(listener_.get(), nullptr, nullptr, SOCK_CLOEXEC));
        return taken_ && ::send(taken_.get(), &detail::kHubAttached, 1, 0) == 1;
    }
    void letGo() { taken_.reset(); }

private:
    sys::UniqueFd listener_;
    sys::UniqueFd taken_;
    bool bound_ = false;
};

TEST(HubAcrossProcesses, CloseEndsAWriteThatAStalledHubHoldsUp) {
    const std::string name = test::uniqueName("q");
    StalledHub hub(name);
    ASSERT_TRUE(hub.bound());
    auto opening = std::async(std::launch::async, [&] { return openPacketPort("vhub:" + name); });
    ASSERT_TRUE(hub.admit());
    OpenedPort opened = opening.get();
    ASSERT_TRUE(opened.status.ok()) << describe(opened.status);
    PacketPort& port = *opened.port;

    std::atomic<int> written{0};
    PortStatus last;
    std::thread writer([&] {
        const Bytes frame = plainFrame(kBroadcastMac, kStationA, 1500);
        while ((last = port.writeFrame(frame)).ok())
            ++written;
    });
    // Until the hub's queue is full and the writer waits.
    for (int seen = -1, i = 0; i < 200 && seen != written; ++i) {
        seen = written;
        std::this_thread::sleep_for(50ms);
    }
    auto closing = std::async(std::launch::async, [&] { port.close(); });
    const bool closed = closing.wait_for(10s) == std::future_status::ready;
    EXPECT_TRUE(closed) << "close() waits for a write the hub never takes";
    if (!closed) hub.letGo();
    closing.get();
    writer.join();
    EXPECT_EQ(last.code, PortCode::NotOpen) << describe(last);
}

TEST(HubAcrossProcesses, OpenGivesUpOnAHubThatTakesNoPorts) {
    const std::string name = test::uniqueName("r");
    StalledHub hub(name, 0);
    ASSERT_TRUE(hub.bound());
    const detail::HubAddress address = detail::hubAddress(name);
    const sys::UniqueFd queued(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
    ASSERT_EQ(::connect(queued.get(), reinterpret_cast<const sockaddr*>(&address.address), address.length), 0);

    auto opening = std::async(std::launch::async, [&] { return openPacketPort("vhub:" + name); });
    const bool answered = opening.wait_for(30s) == std::future_status::ready;
    EXPECT_TRUE(answered) << "open() waits for good on a full backlog";
    if (!answered) {
        hub.admit();
        hub.admit();
    }
    EXPECT_EQ(opening.get().status.code, PortCode::NoSuchAdapter);
}

} // namespace
} // namespace kez::net
