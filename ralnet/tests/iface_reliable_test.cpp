// Reliable delivery through whole interfaces on a virtual wire: the exports' results, two
// stacks exchanging in both directions (also through a wire that loses, duplicates and
// reorders, captured for tshark), a peer that restarts with packets in flight, and many
// senders while packets arrive and the interface closes under them.
#include "eventually.h"
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "link_cases.h"
#include "link_test_support.h"
#include "net_namespace.h"
#include "process.h"
#include "reliable/reliable_side.h"
#include "reliable_stack_support.h"
#include "temp_dir.h"

#include "kez/net/mac_address.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

namespace ralnet::test {
namespace {

const std::string kFirstText = "02:00:00:00:01:01";
const std::string kSecondText = "02:00:00:00:01:02";

std::array<std::uint8_t, 6> macOf(const std::string& text) { return *kez::net::parseMac(text); }

// One interface on the virtual wire, with a receiver taking its data packets.
struct Station {
    Station(const std::string& wire, const std::string& mac, const std::string& options = "") {
        const std::string adapter = "vwire:" + wire + "@" + mac + options;
        opened = J5InitDefault(adapter.c_str(), &ctx, nullptr, nullptr) == J5_OK && waitForReceiveFilter(&ctx);
        receiver = std::make_unique<PatternReceiver>(&ctx);
    }
    ~Station() { J5Close(&ctx); }

    reliable::ReliableCore& core() { return *reliable::reliableCoreOf(*iface::acquireInterface(&ctx)); }
    kez::net::PortCounters wire() { return iface::acquireInterface(&ctx)->device->port->counters(); }

    J5NetIf ctx{};
    bool opened = false;
    std::unique_ptr<PatternReceiver> receiver;
};

ReliableTarget targetAt(const std::string& mac) {
    ReliableTarget target;
    const auto bytes = macOf(mac);
    std::copy(bytes.begin(), bytes.end(), target.mac);
    return target;
}

// Sends `count` test packets each way at once; both streams must arrive whole, once and in order.
void exchangeBothWays(Station& first, Station& second, std::uint32_t count) {
    const auto deadline = Clock::now() + 120s;
    SendOutcome there;
    std::thread sender([&] { there = sendPatterns(&first.ctx, targetAt(kSecondText), 0, count, deadline); });
    const SendOutcome back = sendPatterns(&second.ctx, targetAt(kFirstText), 0, count, deadline);
    sender.join();
    EXPECT_EQ(there.failure, 0);
    EXPECT_EQ(back.failure, 0);
    EXPECT_TRUE(second.receiver->waitFor(count, 30s));
    EXPECT_TRUE(first.receiver->waitFor(count, 30s));
    EXPECT_EQ(orderProblem(second.receiver->received(), 0, count), "");
    EXPECT_EQ(orderProblem(first.receiver->received(), 0, count), "");
}

class ReliableOnVirtualWire : public ::testing::Test {
protected:
    void SetUp() override {
        first_ = std::make_unique<Station>(wire_, kFirstText);
        second_ = std::make_unique<Station>(wire_, kSecondText);
        ASSERT_TRUE(first_->opened);
        ASSERT_TRUE(second_->opened);
    }

    std::string wire_ = kez::test::uniqueName("rl");
    std::unique_ptr<Station> first_;
    std::unique_ptr<Station> second_;
};

TEST(ReliableExports, AnswerWithTheirResultCodes) {
    const auto peer = macOf(kSecondText);
    const std::uint8_t group[6] = {0x03, 0x5A, 0x4E, 0, 0, 1};
    const Bytes payload = patternPayload(0);
    J5NetIf ctx{};
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, peer.data(), 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0),
              J5_ERR_NOT_STARTED)
        << "a context never opened";
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 2, nullptr), J5_NOT_CONFIGURED);
    EXPECT_EQ(J5ErrorReceiveObj(&ctx), nullptr);
    EXPECT_EQ(JIP_j5_error_handler(&ctx), 0u);

    const std::string wire = kez::test::uniqueName("rx");
    ASSERT_EQ(J5InitConfiguration(nullptr, ("vwire:" + wire + "@" + kFirstText).c_str(), &ctx, nullptr), J5_OK);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, peer.data(), 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0),
              J5_ERR_NOT_STARTED)
        << "configured, not started";
    const std::uint32_t thirty = 30;
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 2, &thirty), 30) << "a 32-bit length as Linkor passes it";
    const std::uint16_t ten = 10;
    EXPECT_EQ(j5SetS2DListLength(&ctx, peer.data(), &ten), 10);
    EXPECT_EQ(j5SetS2DListLength(&ctx, nullptr, &ten), 0);
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 3, &thirty), J5_UNKNOWN_PARAMETER_TYPE);
    const J5ChannelParameters pinBoth{3, 1, 0x0011};
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 1, &pinBoth), J5_OK);
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 1, nullptr), J5_FAILED);
    EXPECT_EQ(J5SetChannelParameters(&ctx, zeroMacAddress, 1, &pinBoth), J5_NO_SEND_CONNECTION);
    const J5ChannelParameters pinReceive{2, 1, 0x0011};
    EXPECT_EQ(J5SetChannelParameters(&ctx, zeroMacAddress, 1, &pinReceive), J5_NO_RECEIVE_CONNECTION);

    ASSERT_EQ(J5Start(nullptr, &ctx, nullptr), J5_OK);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, group, 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0),
              J5_ERR_RELIABLE_MULTICAST);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, peer.data(), 2, 3, payload.data(), 32, 0x0001, nullptr, nullptr, 0, 0),
              J5_ERR_BAD_ARGUMENT)
        << "no full header";
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HT, peer.data(), 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0),
              J5_ERR_BAD_ARGUMENT);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, peer.data(), 2, 3, payload.data(), 32, 0x0071, unZeroIPAddress, nullptr, 0, 0),
              J5_ERR_NO_DEST_IP);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HU, peer.data(), 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0), J5_SENT);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, peer.data(), 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0), 0x2002)
        << "connecting: the packet waits behind the connect request";
    EXPECT_EQ(J5ReSync(&ctx, peer.data(), 0x0011, nullptr, nullptr, 0, 0), 0x1002) << "nothing to resynchronise yet";
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 2, &thirty), 10) << "the window is not empty";

    J5Close(&ctx);
    EXPECT_EQ(J5SetChannelParameters(&ctx, peer.data(), 2, &thirty), J5_NOT_CONFIGURED);
    EXPECT_EQ(J5Send(&ctx, J5_TYPE_HR, peer.data(), 2, 3, payload.data(), 32, 0x0011, nullptr, nullptr, 0, 0),
              J5_ERR_NOT_STARTED);
}

TEST_F(ReliableOnVirtualWire, BothDirectionsDeliverEveryPacketOnceInOrder) {
    constexpr std::uint32_t kCount = 3000;
    exchangeBothWays(*first_, *second_, kCount);

    // Every packet has arrived; the last acknowledgement may still be on its way back.
    const auto inspect = [&] { return first_->core().sender().inspect(macOf(kSecondText).data()); };
    EXPECT_TRUE(kez::test::eventually([&] {
        const auto seen = inspect();
        return seen && seen->waiting == 0;
    }));
    const auto view = inspect();
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->state, 3);
    EXPECT_EQ(view->waiting, 0);
    // A starved peer thread can exhaust the retries and force a reconnect; the count of sequence
    // numbers only holds for an unbroken connection.
    ASSERT_GE(view->counters.connects, 1u);
    if (view->counters.connects == 1) {
        EXPECT_EQ(static_cast<std::uint16_t>(view->lastSequence - view->initialConnectNumber), kCount)
            << "one sequence number per packet after the connect number";
    }
}

// Frames of a capture as tshark decodes them, counted by source, type and the J5 packet type
// ("88b5 HR"); "unreadable" holds tshark's complaint when it could not read the file.
std::map<std::string, std::size_t> tsharkCensus(const std::filesystem::path& pcap) {
    const kez::test::CommandResult decoded = kez::test::runCommand(
        {"tshark", "-r", pcap.string(), "-T", "fields", "-e", "eth.src", "-e", "eth.type", "-e", "data.data"}, 60s);
    if (!decoded.ok()) return {{"unreadable: " + decoded.err, 1}};
    std::map<std::string, std::size_t> census;
    std::istringstream lines(decoded.out);
    std::string source, type, data;
    while (std::getline(lines, source, '\t') && std::getline(lines, type, '\t') && std::getline(lines, data))
        ++census[source + " " + type + " " + data.substr(0, 4)];
    return census;
}

// Each station's port loses, duplicates and holds back some of what it writes; the first
// captures everything it writes and reads.
TEST(ReliableOnFaultyVirtualWire, TenThousandEachWayOnceInOrderAndTsharkReadsTheCapture) {
    constexpr std::uint32_t kCount = 10'000;
    const TempDir scratch;
    const auto pcap = scratch.path() / "wire.pcap";
    const std::string wire = kez::test::uniqueName("rf");
    const std::string faults = "?drop=0.05&dup=1&reorder=1";
    Station first(wire, kFirstText, faults + "&seed=11&pcap=" + pcap.string());
    Station second(wire, kSecondText, faults + "&seed=12");
    ASSERT_TRUE(first.opened);
    ASSERT_TRUE(second.opened);

    exchangeBothWays(first, second, kCount);
    for (Station* station : {&first, &second}) {
        const kez::net::PortCounters counters = station->wire();
        EXPECT_GT(counters.framesDropped, 0u);
        EXPECT_GT(counters.framesDuplicated, 0u);
        EXPECT_GT(counters.framesReordered, 0u);
    }

    const auto census = tsharkCensus(pcap);
    const auto dataFrom = [&](const std::string& mac) {
        const auto found = census.find(mac + " 0x88b5 4852"); // "HR"
        return found == census.end() ? 0 : found->second;
    };
    EXPECT_GE(dataFrom(kFirstText), kCount) << "every packet sent at least once";
    EXPECT_GE(dataFrom(kSecondText), kCount) << "every packet read at least once";
    for (const auto& [kind, count] : census) {
        EXPECT_TRUE(kind.starts_with(kFirstText + " 0x88b5 ") || kind.starts_with(kSecondText + " 0x88b5 ")) << kind;
    }
}

// The receiving station goes away with the connection open and comes back with an empty
// table while packets wait for it: the retransmitted head draws an "HE", and the error handler
// connects anew and sends every held packet again, in order.
TEST_F(ReliableOnVirtualWire, HeldPacketsFollowTheReconnectToARestartedPeer) {
    constexpr std::uint32_t kOpening = 200;
    constexpr std::uint32_t kHeld = 30;
    const auto deadline = Clock::now() + 60s;
    ASSERT_EQ(sendPatterns(&first_->ctx, targetAt(kSecondText), 0, kOpening, deadline).failure, 0);
    ASSERT_TRUE(second_->receiver->waitFor(kOpening, 30s));
    second_.reset();
    ASSERT_EQ(sendPatterns(&first_->ctx, targetAt(kSecondText), kOpening, kHeld, deadline).failure, 0);
    second_ = std::make_unique<Station>(wire_, kSecondText);
    ASSERT_TRUE(second_->opened);

    ASSERT_TRUE(second_->receiver->waitFor(kHeld, 30s));
    EXPECT_EQ(orderProblem(second_->receiver->received(), kOpening, kHeld), "");
    ASSERT_EQ(sendPatterns(&first_->ctx, targetAt(kSecondText), kOpening + kHeld, kOpening, deadline).failure, 0);
    ASSERT_TRUE(second_->receiver->waitFor(kHeld + kOpening, 30s));
    EXPECT_EQ(orderProblem(second_->receiver->received(), kOpening, kHeld + kOpening), "");

    const auto view = first_->core().sender().inspect(macOf(kSecondText).data());
    ASSERT_TRUE(view.has_value());
    EXPECT_EQ(view->counters.connects, 2u) << "the first connect, and one after the peer's error";
    const auto& handled = first_->core().errorHandler().counters();
    EXPECT_EQ(handled.records, 1u);
    EXPECT_EQ(handled.resent, kHeld);
}

// Several application threads send on one connection while the other station sends back,
// the exported error-handler body runs beside the interface's own, and the interface closes
// in the middle. Each thread's packets arrive as an unbroken prefix of what it queued.
TEST_F(ReliableOnVirtualWire, SendersReceiversAndCloseRace) {
    constexpr int kSenders = 4;
    constexpr std::uint32_t kStreamBase = 1'000'000;
    constexpr std::uint32_t kPerSender = 20'000;
    const auto deadline = Clock::now() + 60s;
    std::atomic<bool> stopBack{false};
    std::array<SendOutcome, kSenders> outcomes{};
    std::vector<std::thread> threads;
    for (int s = 0; s < kSenders; ++s) {
        threads.emplace_back([&, s] {
            outcomes[s] =
                sendPatterns(&first_->ctx, targetAt(kSecondText), kStreamBase * (s + 1), kPerSender, deadline);
        });
    }
    std::thread back([&] { sendPatterns(&second_->ctx, targetAt(kFirstText), 0, kPerSender, deadline, &stopBack); });
    std::uint32_t handlerResult = 1;
    std::thread handler([&] { handlerResult = JIP_j5_error_handler(&first_->ctx); });

    ASSERT_TRUE(second_->receiver->waitFor(2000, 30s));
    J5Close(&first_->ctx);
    for (auto& t : threads)
        t.join();
    handler.join();
    stopBack.store(true);
    back.join();
    EXPECT_EQ(handlerResult, 0u);

    const std::vector<std::uint32_t> got = second_->receiver->received();
    std::array<std::uint32_t, kSenders> next{};
    for (const std::uint32_t index : got) {
        const std::uint32_t stream = index / kStreamBase - 1;
        ASSERT_LT(stream, static_cast<std::uint32_t>(kSenders)) << index;
        ASSERT_EQ(index % kStreamBase, next[stream]) << "stream " << stream;
        ++next[stream];
    }
    for (int s = 0; s < kSenders; ++s) {
        EXPECT_EQ(outcomes[s].failure, J5_ERR_NOT_STARTED) << "sender " << s << " ends when the interface closes";
        EXPECT_LE(next[s], outcomes[s].queued);
    }
    const std::vector<std::uint32_t> backGot = first_->receiver->received();
    EXPECT_EQ(orderProblem(backGot, 0, static_cast<std::uint32_t>(backGot.size())), "");
    EXPECT_EQ(second_->receiver->strangers(), 0u);
}

} // namespace
} // namespace ralnet::test
