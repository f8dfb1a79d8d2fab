// Our Ralnet interface, playing the set, against the simulated call server (kezsim stack-peer,
// whose contract is at the top of stack_peer.py): reliable messages both ways, and the server's
// system state and set initialisation loaded as Linkor message objects. By Ethernet and by UDP on
// a veth pair between two namespaces (root), and on the cross-process virtual wire (any user).
#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "kez/com/array_routines.h"
#include "kez/com/date.h"
#include "kez/net/mac_address.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/message_factory.h"
#include "linkor/outgoing_interfaces.h"
#include "net_namespace.h"
#include "privileged.h"
#include "process.h"
#include "ralnet/j5.h"

namespace {

using namespace std::chrono_literals;
using kez::com::Ptr;
using kez::com::query;
using kez::com::Variant;
using kez::linkor::JIPMessageBase;
using kez::linkor::MessageClass;
using kez::net::formatMac;
using Clock = std::chrono::steady_clock;
using Mac = std::array<std::uint8_t, 6>;

constexpr int kCount = 20; // messages each way, kezsim stack-peer's default
constexpr std::int16_t kHandle = 1;
constexpr std::int16_t kStatusPeriod = 7;                                // its default status period
constexpr std::array<std::int16_t, 8> kKeys{1, 2, 3, 17, 22, 65, 0, 15}; // as stack_peer.KEYS
constexpr Mac kVirtualServerMac{0x02, 0x53, 0x49, 0x4d, 0x00, 0x01};
constexpr std::array<std::uint8_t, 4> kSystemStateGroup{224, 2, 224, 22};

Variant bytesVariant(std::span<const std::uint8_t> bytes) {
    Variant value;
    kez::com::MakeSafeArray(kez::com::ElementType::UI1, bytes, value);
    return value;
}

// Every control packet the interface delivers, loaded into the message object of its class.
class Inbox {
public:
    explicit Inbox(J5NetIf* ctx) : ctx_(ctx), thread_([this] { run(); }) {}
    // The interface must be closed first: that ends the receive loop.
    ~Inbox() { thread_.join(); }
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    Ptr<JIPMessageBase> next(MessageClass wanted, Clock::duration limit) {
        std::unique_lock lock(mutex_);
        Ptr<JIPMessageBase> found;
        arrived_.wait_for(lock, limit, [&] {
            for (auto it = messages_.begin(); it != messages_.end(); ++it) {
                if (it->first != wanted) continue;
                found = it->second;
                messages_.erase(it);
                return true;
            }
            return false;
        });
        return found;
    }

private:
    void run() {
        while (J5PacketObj* packet = J5ReceiveObj(ctx_, 0, 0)) {
            const std::uint16_t type = static_cast<std::uint16_t>(packet->headerRef[0] << 8 | packet->headerRef[1]);
            const std::uint16_t jip =
                packet->length >= 2 ? static_cast<std::uint16_t>(packet->dataRef[0] << 8 | packet->dataRef[1]) : 0;
            if (const auto cls = kez::linkor::receivedMessageClass(type, jip)) {
                auto message = kez::linkor::makeMessage(*cls);
                message->LoadFromPacket(packet);
                std::lock_guard lock(mutex_);
                messages_.emplace_back(*cls, std::move(message));
                arrived_.notify_all();
            }
            J5FreePacketObj(ctx_, packet);
        }
    }

    J5NetIf* ctx_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::deque<std::pair<MessageClass, Ptr<JIPMessageBase>>> messages_;
    std::thread thread_;
};

class StackExchange : public ::testing::Test {
protected:
    void TearDown() override {
        J5Close(&ctx_);
        inbox_.reset();
    }

    // Opens the stack on `adapter` (inside `space` when given) once the peer is ready.
    void openStack(const std::string& adapter, const kez::test::NetNamespace* space,
                   const std::optional<J5IpSettings>& ip = std::nullopt) {
        auto open = [&] { result_ = J5InitDefault(adapter.c_str(), &ctx_, nullptr, ip ? &*ip : nullptr); };
        if (space) {
            ASSERT_TRUE(space->run(open));
        } else {
            open();
        }
        ASSERT_EQ(result_, J5_OK);
        J5GetSourceMACAddr(&ctx_, ownMac_.data());
        inbox_ = std::make_unique<Inbox>(&ctx_);
    }

    void startPeer(const std::vector<std::string>& launch, const std::string& wire) {
        std::vector<std::string> argv = launch;
        const std::string kezsim = std::string(KEZ_SOURCE_DIR) + "/tests/callserver/kezsim";
        argv.insert(argv.end(), {KEZ_PYTHON, kezsim, "stack-peer", "--wire", wire, "--mac", formatMac(serverMac_)});
        ASSERT_TRUE(peer_.start(argv));
        ASSERT_EQ(peer_.readLine(20s).value_or("no line"), "READY");
    }

    // Sends a message object the way the endpoint does: its type, VDNs and lDataLen payload bytes.
    void send(const Ptr<JIPMessageBase>& message) {
        std::int16_t type = 0, dst = 0, src = 0;
        std::int32_t length = 0;
        Variant data;
        message->get_nMsgType(type);
        message->get_nDestVDN(dst);
        message->get_nSrcVDN(src);
        message->get_lDataLen(length);
        message->get_varData(data);
        std::vector<std::uint8_t> bytes;
        ASSERT_EQ(kez::com::GetSafeArrayEx(data, bytes), kez::com::S_OK);
        const J5Result result =
            J5IntrinsicSend(&ctx_, static_cast<std::uint16_t>(type), serverMac_.data(), static_cast<std::uint16_t>(dst),
                            static_cast<std::uint16_t>(src), bytes.data(), static_cast<std::uint16_t>(length), bitmap_,
                            udp_ ? serverIp_.data() : nullptr, nullptr, 0, 0);
        EXPECT_TRUE(result == J5_SENT || (result & 0xFF00) == J5_QUEUED) << std::hex << result;
    }

    void sendStatus() {
        auto message = kez::linkor::makeMessage(MessageClass::StatusMsg);
        auto status = query<kez::linkor::IStatusMsg>(message);
        status->InitPacket();
        status->put_nDeviceHandle(-1);
        status->put_nDeviceType(0x0200);
        status->put_varMacAddress(bytesVariant(ownMac_));
        status->put_nDeviceLocation(1);
        if (udp_) status->put_varMyIP(bytesVariant(ownIp_));
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
        if (udp_) report->put_varMyIP(bytesVariant(ownIp_));
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

    void expectSystemState() {
        auto state = query<kez::linkor::ISystemStateMsg>(inbox_->next(MessageClass::SystemStateMsg, 10s));
        ASSERT_TRUE(state) << "no system state";
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
        auto init = query<kez::linkor::IKzSetInitMsg>(inbox_->next(MessageClass::KzSetInitMsg, 15s));
        ASSERT_TRUE(init) << "no set initialisation";
        std::int16_t handle = 0, period = 0, bits = 0;
        init->get_nDeviceHandle(handle);
        init->get_nStatusUpdatePeriod(period);
        init->get_nControlHeaderBits(bits);
        EXPECT_EQ(handle, kHandle);
        EXPECT_EQ(period, kStatusPeriod);
        EXPECT_EQ(bits, bitmap_);
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
            auto ui = query<kez::linkor::IUIStateControlMsg>(inbox_->next(MessageClass::UIStateControlMsg, 10s));
            ASSERT_TRUE(ui) << "UI state " << i << " missing";
            std::string line;
            ui->get_sDisplayLine(1, line);
            EXPECT_EQ(line, "Line " + std::to_string(i));
        }
        std::optional<std::string> verdict;
        while (auto line = peer_.readLine(40s))
            if (!line->empty() && line->front() == '{') verdict = line;
        ASSERT_TRUE(verdict) << "no verdict from the simulated call server";
        EXPECT_NE(verdict->find("\"ok\": true"), std::string::npos) << *verdict;
    }

    J5NetIf ctx_{};
    J5Result result_ = J5_FAILED;
    std::unique_ptr<Inbox> inbox_; // after ctx_: closed by TearDown before it is joined
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
    openStack("vhub:" + wire + "@02:00:00:00:00:05", nullptr);
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

    kez::test::NetNamespace stackSpace_{"cs"};
    kez::test::NetNamespace peerSpace_{"cp"};
    std::unique_ptr<kez::test::VethPair> pair_;
};

TEST_F(StackExchangeOnVeth, ByEthernet) {
    startPeer(peerSpace_.exec({}), "eth:" + pair_->secondName());
    openStack(pair_->firstName(), &stackSpace_);
    exchange();
}

TEST_F(StackExchangeOnVeth, ByUdp) {
    udp_ = true;
    bitmap_ = 0x0071;
    startPeer(peerSpace_.exec({}), "udp:198.18.0.2");
    J5IpSettings ip{{198, 18, 0, 1}, {255, 255, 255, 0}, {198, 18, 0, 0}, {198, 18, 0, 254}, {198, 18, 0, 2}};
    openStack(pair_->firstName(), &stackSpace_, ip);
    ASSERT_EQ(IGMPJoinGroupToRcv(&ctx_, kSystemStateGroup.data(), 0, 0), 1);
    exchange();
}

} // namespace
