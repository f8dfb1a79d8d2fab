// A virtual wire across two processes through the hub: the peer is the probe program.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <future>
#include <optional>
#include <thread>

#include "hub_address.h"
#include "port_links.h"
#include "privileged.h"
#include "process.h"
#include "temp_dir.h"

namespace kez::net {
namespace {

using namespace testing;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

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

// A process of the user may listen on a hub's name first. One that takes ports and never
// reads or accepts must not hold up their owners for good.
class StalledHub {
public:
    explicit StalledHub(const std::string& name, int backlog = 8) : name_(name) {
        hub_ = detail::hubAddress(name, detail::HubFolder::Create);
        const detail::HubAddress& hub = hub_;
        listener_ = sys::UniqueFd(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
        bound_ = listener_ &&
                 ::bind(listener_.get(), reinterpret_cast<const sockaddr*>(&hub.address), hub.length) == 0 &&
                 ::listen(listener_.get(), backlog) == 0;
    }
    ~StalledHub() {
        if (bound_) ::unlinkat(hub_.folder.get(), name_.c_str(), 0);
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
    std::string name_;
    detail::HubAddress hub_;
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
    const detail::HubAddress address = detail::hubAddress(name, detail::HubFolder::Existing);
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

// XDG_RUNTIME_DIR set to a folder of the test's own while it lives.
class RuntimeFolder {
public:
    RuntimeFolder() { ::setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1); }
    ~RuntimeFolder() { ::unsetenv("XDG_RUNTIME_DIR"); }
    fs::path hubs() const { return dir_ / "kez-vhub"; }

private:
    test::TempDir dir_{"kez-run"};
};

bool isSocket(const fs::path& path) { return fs::is_socket(fs::symlink_status(path)); }

TEST(HubFolder, HubSocketLivesInTheUsersPrivateFolder) {
    const std::string name = test::uniqueName("f");
    for (const bool runtime : {true, false}) {
        std::optional<RuntimeFolder> folder;
        if (runtime) folder.emplace();
        const fs::path hubs = runtime ? folder->hubs() : fs::path("/tmp/kez-vhub-" + std::to_string(::geteuid()));
        VirtualWireHub hub(name);
        ASSERT_TRUE(hub.start().ok());
        EXPECT_TRUE(isSocket(hubs / name)) << hubs;
        EXPECT_EQ(fs::status(hubs).permissions(), fs::perms::owner_all) << hubs;
        EXPECT_TRUE(openPacketPort("vhub:" + name).status.ok()) << hubs;
        hub.stop();
        EXPECT_FALSE(fs::exists(fs::symlink_status(hubs / name))) << "the name goes with its hub";
    }
}

TEST(HubFolder, TakesOverTheNameOfAHubThatEndedWithoutRemovingIt) {
    const RuntimeFolder folder;
    const std::string name = test::uniqueName("t");
    {
        const detail::HubAddress address = detail::hubAddress(name, detail::HubFolder::Create);
        const sys::UniqueFd ended(::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0));
        ASSERT_EQ(::bind(ended.get(), reinterpret_cast<const sockaddr*>(&address.address), address.length), 0);
    }
    ASSERT_TRUE(isSocket(folder.hubs() / name));
    VirtualWireHub hub(name);
    EXPECT_TRUE(hub.start().ok()) << "a name nobody listens on";
    EXPECT_EQ(VirtualWireHub(name).start().code, PortCode::AlreadyOpen) << "a name a hub listens on";
}

TEST(HubFolder, AFolderNotPrivateToTheUserIsRefusedBothWays) {
    struct Case {
        const char* name;
        fs::perms mode;
        bool otherOwner; // needs root to give it away
        PortCode code;
    };
    const std::vector<Case> cases{
        {"group may enter", fs::perms(0750), false, PortCode::PermissionDenied},
        {"others may enter", fs::perms(0701), false, PortCode::PermissionDenied},
        {"another user's", fs::perms(0700), true, PortCode::PermissionDenied},
    };
    for (const auto& c : cases) {
        if (c.otherOwner && ::geteuid() != 0) {
            if (test::privilegedRequired()) ADD_FAILURE() << c.name << ": needs root";
            continue;
        }
        const RuntimeFolder folder;
        fs::create_directory(folder.hubs());
        fs::permissions(folder.hubs(), c.mode);
        if (c.otherOwner) {
            ASSERT_EQ(::chown(folder.hubs().c_str(), 65534, 65534), 0);
        }
        const std::string name = test::uniqueName("u");
        EXPECT_EQ(VirtualWireHub(name).start().code, c.code) << c.name;
        EXPECT_EQ(openPacketPort("vhub:" + name).status.code, c.code) << c.name;
        EXPECT_FALSE(fs::exists(fs::symlink_status(folder.hubs() / name))) << c.name;
    }
    const RuntimeFolder linked;
    const test::TempDir elsewhere("kez-hubs");
    fs::permissions(elsewhere.path(), fs::perms::owner_all);
    fs::create_directory_symlink(elsewhere.path(), linked.hubs());
    EXPECT_FALSE(VirtualWireHub("linked").start().ok()) << "a link to a private folder";
}

} // namespace
} // namespace kez::net
