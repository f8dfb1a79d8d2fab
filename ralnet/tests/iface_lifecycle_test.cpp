// Opening, starting and closing interfaces on a virtual wire: result codes, the remembered
// context, and that a close leaves no thread, descriptor or memory behind, even while a
// caller is blocked in a receive or still holds a packet.
#include "eventually.h"
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "iface/retired_pools.h"
#include "link_cases.h"
#include "link_test_support.h"
#include "net_namespace.h"

#include "kez/net/packet_port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <future>
#include <thread>

#include <unistd.h>

namespace ralnet::test {
namespace {

using namespace std::chrono_literals;

class InterfaceLifecycle : public ::testing::Test {
protected:
    // Sanitizer run-times start a thread of their own with the first thread of the process.
    // The first thread made starts the run time's own helpers (ThreadSanitizer's among them). A joined thread
    // can still be listed for a moment while the kernel reaps it: wait until it is gone, so the count taken
    // next is the steady one.
    static void startRunTimeHelpers() {
        pid_t tid = 0;
        std::thread([&tid] { tid = ::gettid(); }).join();
        const auto task = std::filesystem::path("/proc/self/task") / std::to_string(tid);
        EXPECT_TRUE(kez::test::eventually([&] { return !std::filesystem::exists(task); }));
    }

    std::string adapter(const char* mac = "02:00:00:00:00:01") const { return "vwire:" + wire_ + "@" + mac; }

    void TearDown() override { J5Close(&ctx_); }

    std::string wire_ = kez::test::uniqueName("lc");
    J5NetIf ctx_{};
};

TEST_F(InterfaceLifecycle, ResultCodesOfTheStartSequence) {
    EXPECT_EQ(J5Init(nullptr), J5_FAILED);
    EXPECT_EQ(J5Start(nullptr, nullptr, nullptr), J5_FAILED);
    EXPECT_EQ(J5Start(nullptr, &ctx_, nullptr), J5_NOT_CONFIGURED) << "not configured yet";
    EXPECT_EQ(J5InitConfiguration(nullptr, nullptr, nullptr, nullptr), J5_FAILED);

    EXPECT_EQ(J5Init(&ctx_), J5_OK);
    EXPECT_EQ(pSavedJ5NetIf, &ctx_);
    EXPECT_EQ(J5InitConfiguration(nullptr, adapter().c_str(), &ctx_, nullptr), J5_OK);
    EXPECT_EQ(ctx_.state, J5_STATE_CONFIGURED);
    EXPECT_EQ(J5InitConfiguration(nullptr, adapter().c_str(), &ctx_, nullptr), J5_NOT_CONFIGURED);
    EXPECT_EQ(J5Init(&ctx_), J5_FAILED) << "state is not 0";
    EXPECT_EQ(J5Start(nullptr, &ctx_, nullptr), J5_OK);
    EXPECT_EQ(ctx_.state, J5_STATE_STARTED);
    EXPECT_EQ(J5Start(nullptr, &ctx_, nullptr), J5_NOT_CONFIGURED);
    EXPECT_EQ(J5InitDefault(adapter().c_str(), &ctx_, nullptr, nullptr), J5_FAILED) << "already configured";

    J5Close(&ctx_);
    EXPECT_EQ(ctx_.state, J5_STATE_CLOSED);
    EXPECT_EQ(pSavedJ5NetIf, nullptr) << "a closed context is no longer remembered";
    EXPECT_EQ(J5Start(nullptr, &ctx_, nullptr), J5_NOT_CONFIGURED);
}

TEST_F(InterfaceLifecycle, DefaultsAndTheSmallerCallServerConfiguration) {
    const std::uint8_t given[6] = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
    ASSERT_EQ(J5InitNTVuruv(adapter().c_str(), &ctx_, given, nullptr), J5_OK);
    const auto iface = iface::acquireInterface(&ctx_);
    ASSERT_TRUE(iface);
    EXPECT_EQ(iface->config.connections, 150);
    EXPECT_EQ(iface->sizes.queueEntries, 14 * 150 + 80);
    EXPECT_EQ(iface->sizes.pools.large, 1580u);
    const J5IpSettings zero{};
    EXPECT_EQ(std::memcmp(&iface->ipSettings, &zero, sizeof zero), 0) << "null settings leave zeros";
    std::uint8_t mac[6] = {};
    J5GetSourceMACAddr(nullptr, mac);
    EXPECT_EQ(std::memcmp(mac, given, 6), 0) << "a given MAC replaces the adapter's";
    const std::uint8_t other[6] = {0x02, 9, 9, 9, 9, 9};
    J5SetSourceMACAddr(&ctx_, other);
    J5GetSourceMACAddr(&ctx_, mac);
    EXPECT_EQ(std::memcmp(mac, other, 6), 0);

    J5Close(&ctx_);
    J5NetIf second{};
    J5IpSettings settings{};
    settings.ownIp[0] = 198;
    settings.ownIp[1] = 18;
    ASSERT_EQ(J5InitDefault(adapter("02:00:00:00:00:07").c_str(), &second, nullptr, &settings), J5_OK);
    const auto secondIface = iface::acquireInterface(&second);
    ASSERT_TRUE(secondIface);
    EXPECT_EQ(secondIface->config.connections, 300);
    EXPECT_EQ(secondIface->sizes.queueEntries, 4280);
    EXPECT_EQ(secondIface->ipSettings.ownIp[0], 198);
    J5GetSourceMACAddr(&second, mac);
    EXPECT_EQ(kez::net::formatMac({mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]}), "02:00:00:00:00:07")
        << "the adapter's address";
    J5Close(&second);
}

TEST_F(InterfaceLifecycle, FailedOpensLeaveNothingBehind) {
    startRunTimeHelpers();
    const std::size_t threads = threadCount();
    const auto fds = openDescriptors();
    J5Configuration tooFew = iface::defaultConfiguration();
    tooFew.connections = 3;
    EXPECT_EQ(J5InitConfiguration(&tooFew, adapter().c_str(), &ctx_, nullptr), J5_FAILED);
    EXPECT_EQ(ctx_.state, J5_STATE_CLOSED);
    EXPECT_EQ(J5InitDefault("vwire:bad name!", &ctx_, nullptr, nullptr), J5_FAILED);
    testing::internal::CaptureStdout();
    EXPECT_EQ(J5InitDefault("kznosuch0", &ctx_, nullptr, nullptr), J5_FAILED);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "the stack's own build prints nothing";
    EXPECT_EQ(ctx_.state, J5_STATE_CLOSED);
    EXPECT_FALSE(iface::acquireInterface(&ctx_));
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(openDescriptors(), fds);
    J5Close(&ctx_);
    J5Close(&ctx_);
    EXPECT_EQ(J5InitDefault(adapter().c_str(), &ctx_, nullptr, nullptr), J5_OK) << "usable after failures";
}

TEST_F(InterfaceLifecycle, CallsOnAClosedInterfaceAnswerWithoutTouchingIt) {
    const std::uint8_t peer[6] = {2, 0, 0, 0, 0, 2};
    EXPECT_EQ(J5AudioSend(&ctx_, peer, nullptr, 0, 0x0009, nullptr, nullptr, 0, 0, 0), J5_ERR_NOT_STARTED);
    EXPECT_EQ(J5AudioSend(nullptr, peer, nullptr, 0, 0x0009, nullptr, nullptr, 0, 0, 0), J5_ERR_BAD_ARGUMENT)
        << "no context remembered";
    EXPECT_EQ(J5ReceiveObj(&ctx_, 0, 0), nullptr);
    EXPECT_EQ(J5AudioReceiveObj(&ctx_, 0, 0), nullptr);
    EXPECT_EQ(J5SetPacketFilter(&ctx_, 13), 0);
    EXPECT_EQ(J5SetMultiCastAddresses(&ctx_, peer, 6), 0);
    J5EnableAudioPacketsToApp(&ctx_, 0);
    J5Close(nullptr);

    ASSERT_EQ(J5Init(&ctx_), J5_OK);
    ASSERT_EQ(J5InitConfiguration(nullptr, adapter().c_str(), &ctx_, nullptr), J5_OK);
    EXPECT_EQ(J5AudioSend(nullptr, peer, nullptr, 0, 0x0009, nullptr, nullptr, 0, 0, 0), J5_ERR_NOT_STARTED)
        << "configured but not started";
    J5Close(nullptr);
    EXPECT_EQ(ctx_.state, J5_STATE_CLOSED) << "null closes the remembered context";
}

TEST_F(InterfaceLifecycle, CloseWakesABlockedReceiverWhichGetsNull) {
    ASSERT_EQ(J5InitDefault(adapter().c_str(), &ctx_, nullptr, nullptr), J5_OK);
    auto data = std::async(std::launch::async, [this] { return J5ReceiveObj(&ctx_, 0, 0); });
    auto audio = std::async(std::launch::async, [this] { return J5AudioReceiveObj(&ctx_, 0, 0); });
    EXPECT_EQ(data.wait_for(100ms), std::future_status::timeout) << "blocks while nothing arrives";
    J5Close(&ctx_);
    ASSERT_EQ(data.wait_for(10s), std::future_status::ready);
    ASSERT_EQ(audio.wait_for(10s), std::future_status::ready);
    EXPECT_EQ(data.get(), nullptr);
    EXPECT_EQ(audio.get(), nullptr);
}

// A packet lent to the application outlives the interface: its pools stay until it is back.
TEST_F(InterfaceLifecycle, PacketsLentAtCloseComeBackSafely) {
    ASSERT_EQ(J5InitDefault(adapter().c_str(), &ctx_, nullptr, nullptr), J5_OK);
    kez::net::OpenedPort peer = kez::net::openPacketPort(adapter("02:00:00:00:00:02"));
    ASSERT_TRUE(peer.status.ok());
    ASSERT_TRUE(peer.port->setPacketFilter(0x09).ok());
    ASSERT_TRUE(waitForReceiveFilter(&ctx_));
    const std::uint8_t frame[60] = {2, 0, 0, 0, 0, 1, 2, 0, 0, 0, 0, 2, 0x88, 0xB5, 'H', 'U'};
    ASSERT_TRUE(peer.port->writeFrame(frame).ok());
    J5PacketObj* lent = receiveWithin(&ctx_, false, 5s);
    ASSERT_NE(lent, nullptr);
    const std::size_t retiredBefore = iface::retiredPoolCount();
    J5Close(&ctx_);
    EXPECT_EQ(iface::retiredPoolCount(), retiredBefore + 1);
    EXPECT_EQ(lent->length, 60 - 14 - 18);
    J5FreePacketObj(nullptr, lent);
    EXPECT_EQ(iface::retiredPoolCount(), retiredBefore);
}

TEST_F(InterfaceLifecycle, HundredCyclesLeaveNoThreadOrDescriptor) {
    startRunTimeHelpers();
    const std::size_t threads = threadCount();
    const auto fds = openDescriptors();
    for (int cycle = 0; cycle < 100; ++cycle) {
        J5NetIf ctx{};
        ASSERT_EQ(J5InitDefault(adapter().c_str(), &ctx, nullptr, nullptr), J5_OK) << "cycle " << cycle;
        ASSERT_EQ(threadCount(), threads + 7);
        if (cycle % 10 == 0) {
            auto blocked = std::async(std::launch::async, [&ctx] { return J5ReceiveObj(&ctx, 0, 0); });
            std::this_thread::sleep_for(5ms);
            J5Close(&ctx);
            ASSERT_EQ(blocked.get(), nullptr);
        } else {
            J5Close(&ctx);
        }
        J5Close(&ctx);
    }
    EXPECT_EQ(threadCount(), threads);
    EXPECT_EQ(openDescriptors(), fds);
}

} // namespace
} // namespace ralnet::test
