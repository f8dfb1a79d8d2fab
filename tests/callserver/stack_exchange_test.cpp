// Our endpoint, playing the set, against the simulated call server (kezsim stack-peer, whose
// contract is at the top of stack_peer.py): reliable messages both ways, the server's system state,
// set initialisation, UI states and real-time audio raised as Linkor events, and the set's messages
// sent with SendPacket. By Ethernet and by UDP on a veth pair between two namespaces (root), and on
// the cross-process virtual wire (any user).
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "endpoint_fixture.h"
#include "kez/com/array_routines.h"
#include "kez/com/date.h"
#include "kez/net/mac_address.h"
#include "linkor/audio_interfaces.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/message_factory.h"
#include "linkor/outgoing_interfaces.h"
#include "net_namespace.h"
#include "privileged.h"
#include "process.h"

namespace {

using namespace std::chrono_literals;
using kez::com::Ptr;
using kez::com::query;
using kez::com::Variant;
using kez::linkor::JIPMessageBase;
using kez::linkor::MessageClass;
using kez::linkor::test::byteArray;
using kez::linkor::test::bytesOf;
using kez::linkor::test::Event;
using kez::linkor::test::EventLog;
using kez::net::formatMac;
using Bytes = std::vector<std::uint8_t>;
using Mac = std::array<std::uint8_t, 6>;

constexpr int kCount = 20; // messages each way, kezsim stack-peer's default
constexpr std::int16_t kHandle = 1;
constexpr std::int16_t kStatusPeriod = 7;                                // its default status period
constexpr std::array<std::int16_t, 8> kKeys{1, 2, 3, 17, 22, 65, 0, 15}; // as stack_peer.KEYS
constexpr Mac kVirtualServerMac{0x02, 0x53, 0x49, 0x4d, 0x00, 0x01};
constexpr std::array<std::uint8_t, 4> kSystemStateGroup{224, 2, 224, 22};
constexpr const char* kSystemStateGroupInIgmp = "16E002E0"; // as /proc/net/igmp writes 224.2.224.22

class StackExchange : public ::testing::Test {
protected:
    void TearDown() override {
        if (endPoint_) {
            EXPECT_EQ(endPoint_->Close(), kez::com::S_OK);
        }
    }

    // Opens the endpoint on `adapter`, the only one offered (inside `space` when given), once
    // the peer is ready.
    void openEndPoint(const std::string& adapter, const kez::test::NetNamespace* space) {
        const kez::linkor::test::ScopedAdapters only(adapter);
        ASSERT_TRUE(endPoint_ = kez::linkor::test::makeEndPoint(log_));
        kez::com::HRESULT opened = kez::com::E_FAIL;
        auto open = [&] { opened = endPoint_->Open(); };
        if (space) {
            ASSERT_TRUE(space->run(open));
        } else {
            open();
        }
        ASSERT_EQ(opened, kez::com::S_OK);
        Variant own;
        endPoint_->get_varSourceMac(own);
        const Bytes mac = bytesOf(own);
        std::copy(mac.begin(), mac.end(), ownMac_.begin());
    }

    void startPeer(const std::vector<std::string>& launch, const std::string& wire) {
        std::vector<std::string> argv = launch;
        const std::string kezsim = std::string(KEZ_SOURCE_DIR) + "/tests/callserver/kezsim";
        argv.insert(argv.end(), {KEZ_PYTHON, kezsim, "stack-peer", "--wire", wire, "--mac", formatMac(serverMac_)});
        ASSERT_TRUE(peer_.start(argv));
        ASSERT_EQ(peer_.readLine(20s).value_or("no line"), "READY");
    }

    // The next event `id`, pumping the creating thread until it comes.
    std::optional<Event> next(kez::com::DispId id, std::chrono::milliseconds limit) {
        std::optional<Event> event;
        kez::linkor::test::pumpUntil([&] { return (event = log_->take(id)).has_value(); }, limit);
        return event;
    }

    // Addressed to the server as the engine addresses its messages, then SendPacket.
    void send(const Ptr<JIPMessageBase>& message) {
        message->put_varDestMac(byteArray(serverMac_));
        if (udp_) message->put_varDestIP(byteArray(serverIp_));
        message->put_nHeaderBitMap(static_cast<std::int16_t>(bitmap_));
        EXPECT_EQ(endPoint_->SendPacket(message), kez::com::S_OK);
    }

    void sendStatus() {
        auto message = kez::linkor::makeMessage(MessageClass::StatusMsg);
        auto status = query<kez::linkor::IStatusMsg>(message);
        status->InitPacket();
        status->put_nDeviceHandle(-1);
        status->put_nDeviceType(0x0200);
        status->put_varMacAddress(byteArray(ownMac_));
        status->put_nDeviceLocation(1);
        if (udp_) status->put_varMyIP(byteArray(ownIp_));
        for (const std::int16_t vdn : {2, 3})
            status->AddDevice(0x0205, vdn, 1);
        status->AddDevice(0x0207, 5, 1);
        send(message);
    }

    void sendReport() {
        auto message = kez::linkor::makeMessage(MessageClass::ReportIPInfoMsg);
        auto report = query<kez::linkor::IReportIPInfoMsg>(message);
        report->InitPacket();
        report->put_nDeviceHandle(kHandle);
        report->put_nDeviceType(0x0200);
        report->put_nDeviceLocation(1);
        report->put_nDiscoveryState(2);
        if (udp_) report->put_varMyIP(byteArray(ownIp_));
        send(message);
    }

    void sendKey(std::int16_t key) {
        auto message = kez::linkor::makeMessage(MessageClass::KzSetEventMsg);
        auto event = query<kez::linkor::IKzSetEventMsg>(message);
        event->InitPacket();
        event->put_nDeviceHandle(kHandle);
        event->put_nEventID(3);
        event->put_nEventInfo1(key);
        send(message);
    }

    // Where a message from the server came from, and by which path.
    void expectFromServer(const Ptr<kez::com::Object>& message) {
        auto jip = query<kez::linkor::IJIPMessage>(message);
        Variant sourceMac, sourceIp;
        std::int16_t bits = 0;
        jip->get_varSourceMac(sourceMac);
        jip->get_varSourceIP(sourceIp);
        jip->get_nHeaderBitMap(bits);
        EXPECT_EQ(bytesOf(sourceMac), Bytes(serverMac_.begin(), serverMac_.end()));
        EXPECT_EQ(bytesOf(sourceIp), udp_ ? Bytes(serverIp_.begin(), serverIp_.end()) : Bytes(4, 0));
        EXPECT_EQ(bits, udp_ ? 0x0071 : 0x0011) << "the path flags";
    }

    void expectSystemState() {
        const auto event = next(kez::linkor::kDispIdSystemStateReceived, 10s);
        ASSERT_TRUE(event) << "no system state";
        auto state = query<kez::linkor::ISystemStateMsg>(event->message);
        kez::com::Date now;
        ASSERT_EQ(state->get_dtCurrent(now), kez::com::S_OK);
        const auto calendar = kez::com::calendarFromDate(now);
        ASSERT_TRUE(calendar);
        EXPECT_GE(calendar->year, 2024);
        Variant leds;
        state->get_varKzSetLEDStates(leds);
        EXPECT_EQ(kez::com::ArrayByteLength(leds), 8u);
    }

    void expectSetInit() {
        const auto event = next(kez::linkor::kDispIdKzSetInitReceived, 15s);
        ASSERT_TRUE(event) << "no set initialisation";
        expectFromServer(event->message);
        auto init = query<kez::linkor::IKzSetInitMsg>(event->message);
        std::int16_t handle = 0, period = 0, bits = 0;
        init->get_nDeviceHandle(handle);
        init->get_nStatusUpdatePeriod(period);
        init->get_nControlHeaderBits(bits);
        EXPECT_EQ(handle, kHandle);
        EXPECT_EQ(period, kStatusPeriod);
        EXPECT_EQ(bits, bitmap_);
    }

    // Real-time audio fires on the audio receive thread, in order.
    void expectAudio() {
        for (std::int16_t seq = 1; seq <= kCount; ++seq) {
            const auto event = next(kez::linkor::kDispIdAudioReceived, 10s);
            ASSERT_TRUE(event) << "audio frame " << seq << " missing";
            EXPECT_EQ(event->threadName, "linkor-audio");
            auto audio = query<kez::linkor::IRealTimeAudioMsg>(event->message);
            std::int16_t format = 0, frameSeq = 0;
            Variant data;
            audio->get_nFormat(0, format);
            audio->get_nFrameSeq(0, frameSeq);
            audio->get_varAudioData(0, data);
            EXPECT_EQ(format, 1);
            EXPECT_EQ(frameSeq, seq);
            EXPECT_EQ(kez::com::ArrayByteLength(data), 192u);
        }
    }

    // The whole exchange of the peer's contract, then its verdict.
    void exchange() {
        sendStatus();
        expectSetInit();
        expectSystemState();
        sendReport();
        for (int i = 0; i < kCount; ++i)
            sendKey(kKeys[i % kKeys.size()]);
        for (int i = 0; i < kCount; ++i) {
            const auto event = next(kez::linkor::kDispIdKzSetUIStateControlReceived, 10s);
            ASSERT_TRUE(event) << "UI state " << i << " missing";
            EXPECT_EQ(event->thread, std::this_thread::get_id());
            std::string line;
            query<kez::linkor::IUIStateControlMsg>(event->message)->get_sDisplayLine(1, line);
            EXPECT_EQ(line, "Line " + std::to_string(i));
        }
        expectAudio();
        std::optional<std::string> verdict;
        while (auto line = peer_.readLine(40s))
            if (!line->empty() && line->front() == '{') verdict = line;
        ASSERT_TRUE(verdict) << "no verdict from the simulated call server";
        EXPECT_NE(verdict->find("\"ok\": true"), std::string::npos) << *verdict;
    }

    Ptr<EventLog> log_ = std::make_shared<EventLog>();
    Ptr<kez::linkor::IEndPoint> endPoint_;
    kez::test::ChildProcess peer_;
    Mac ownMac_{};
    Mac serverMac_ = kVirtualServerMac;
    std::array<std::uint8_t, 4> ownIp_{198, 18, 0, 1};
    std::array<std::uint8_t, 4> serverIp_{198, 18, 0, 2};
    J5HeaderBitMap bitmap_ = 0x0011;
    bool udp_ = false;
};

TEST_F(StackExchange, OnTheVirtualWire) {
    const std::string wire = kez::test::uniqueName("cs");
    startPeer({}, "vhub:" + wire);
    openEndPoint("vhub:" + wire + "@02:00:00:00:00:05", nullptr);
    exchange();
}

class StackExchangeOnVeth : public StackExchange {
protected:
    void SetUp() override {
        KEZ_REQUIRE_PRIVILEGED();
        if (!stackSpace_.valid() || !peerSpace_.valid()) KEZ_SKIP_OR_FAIL("namespace: " + stackSpace_.error());
        pair_ = std::make_unique<kez::test::VethPair>(stackSpace_, peerSpace_,
                                                      kez::test::VethOptions{"198.18.0.1/24", "198.18.0.2/24"});
        if (!pair_->valid()) KEZ_SKIP_OR_FAIL("veth: " + pair_->error());
        const auto mac = kez::net::parseMac(kez::test::linkAddress(peerSpace_, pair_->secondName()).value_or(""));
        ASSERT_TRUE(mac);
        serverMac_ = *mac;
    }

    // The stack's namespace's IP multicast memberships, as the kernel lists them.
    std::string igmpGroups() const { return kez::test::runCommand(stackSpace_.exec({"cat", "/proc/net/igmp"})).out; }

    kez::test::NetNamespace stackSpace_{"cs"};
    kez::test::NetNamespace peerSpace_{"cp"};
    std::unique_ptr<kez::test::VethPair> pair_;
};

TEST_F(StackExchangeOnVeth, ByEthernet) {
    startPeer(peerSpace_.exec({}), "eth:" + pair_->secondName());
    openEndPoint(pair_->firstName(), &stackSpace_);
    exchange();
}

TEST_F(StackExchangeOnVeth, ByUdp) {
    udp_ = true;
    bitmap_ = 0x0071;
    startPeer(peerSpace_.exec({}), "udp:198.18.0.2");
    openEndPoint(pair_->firstName(), &stackSpace_);
    ASSERT_EQ(endPoint_->AddMulticastIP(byteArray(kSystemStateGroup)), kez::com::S_OK);
    EXPECT_NE(igmpGroups().find(kSystemStateGroupInIgmp), std::string::npos) << igmpGroups();
    exchange();
    ASSERT_EQ(endPoint_->Close(), kez::com::S_OK);
    EXPECT_EQ(igmpGroups().find(kSystemStateGroupInIgmp), std::string::npos) << "Close leaves the group";
}

} // namespace
