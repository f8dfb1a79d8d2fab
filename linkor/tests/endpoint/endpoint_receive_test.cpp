// Receiving: the class and event of every (packet type, message type) pair, the thread and order
// of the events, and that Close or a final release hands every packet back to Ralnet.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "endpoint/end_point_object.h"
#include "endpoint_fixture.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "linkor/audio_interfaces.h"
#include "linkor/message_base.h"
#include "packet_ledger.h"

namespace kez::linkor::test {
namespace {

struct Pair {
    std::uint16_t type;
    std::uint16_t jipType;
    com::DispId event; // 0: dropped
    const char* className;
};

constexpr Pair kPairs[] = {
    {J5_TYPE_HU, 0x0001, kDispIdSystemStateReceived, "SystemStateMsg"},
    {J5_TYPE_HU, 0x0015, kDispIdSlavePageCmdReceived, "SlavePageCmdMsg"},
    {J5_TYPE_HR, 0x0011, kDispIdSlaveCommandReceived, "CommandMsg"},
    {J5_TYPE_HR, 0x0012, kDispIdPlayDTMFMsgReceived, "PlayDTMFMsg"},
    {J5_TYPE_HR, 0x0083, kDispIdReliableAudioReceived, "ReliableAudioMsg"},
    {J5_TYPE_HR, 0x0201, kDispIdKzSetInitReceived, "KzSetInitMsg"},
    {J5_TYPE_HR, 0x0202, kDispIdKzSetUIStateControlReceived, "UIStateControlMsg"},
    {J5_TYPE_HR, 0x0203, kDispIdKzSetCallStateControlReceived, "CallStateControlMsg"},
    {J5_TYPE_HR, 0x0204, kDispIdLEDMappingReceived, "LEDMappingMsg"},
    {J5_TYPE_HR, 0x0205, 0, nullptr}, // a type the set only sends
    {J5_TYPE_HR, 0x0001, 0, nullptr}, // system state comes unreliably
    {J5_TYPE_HU, 0x0013, 0, nullptr},
    {J5_TYPE_HU, 0x0202, 0, nullptr},
};

std::size_t linkorThreads() {
    std::size_t count = 0;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::string name;
        std::getline(std::ifstream(task.path() / "comm"), name);
        count += name.starts_with("linkor-");
    }
    return count;
}

class EndPointReceive : public EndPointOnWire {
protected:
    std::uint64_t dropped() const { return std::dynamic_pointer_cast<EndPoint>(endPoint_)->droppedPackets(); }

    // HU and HA frames from the far station, as fast as it can, until stopped.
    void flood() {
        flooding_ = std::thread([this] {
            for (std::uint16_t i = 0; !stopFlood_; ++i) {
                far_.send(J5_TYPE_HU, kOwnMac, 0x0001, i);
                far_.sendAudio(kOwnMac, i);
            }
        });
    }
    void stopFlood() {
        stopFlood_ = true;
        flooding_.join();
    }

    FarStation far_{wire_};
    std::atomic<bool> stopFlood_{false};
    std::thread flooding_;
};

TEST_F(EndPointReceive, EveryPairRaisesItsEventOrIsDroppedAndCounted) {
    ASSERT_TRUE(far_.opened());
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    std::size_t events = 0;
    std::uint64_t drops = 0;
    for (std::uint16_t i = 0; i < std::size(kPairs); ++i) {
        const Pair& pair = kPairs[i];
        SCOPED_TRACE(std::to_string(pair.type) + "/" + std::to_string(pair.jipType));
        far_.send(pair.type, kOwnMac, pair.jipType, i);
        pair.event ? ++events : ++drops;
        ASSERT_TRUE(pumpUntil([&] { return log_->count() == events && dropped() == drops; }));
        if (!pair.event) continue;
        const Event event = log_->events().back();
        EXPECT_EQ(event.id, pair.event);
        EXPECT_EQ(std::dynamic_pointer_cast<JIPMessageBase>(event.message)->progId(),
                  std::string("Linkor.") + pair.className + ".1");
        std::int16_t type = 0;
        com::query<IJIPMessage>(event.message)->get_nMsgType(type);
        EXPECT_EQ(static_cast<std::uint16_t>(type), pair.type);
        EXPECT_EQ(handleOf(event), i);
    }
}

TEST_F(EndPointReceive, ControlEventsFireOnTheCreatingThreadInArrivalOrder) {
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    constexpr std::uint16_t kCount = 60;
    for (std::uint16_t i = 0; i < kCount; ++i)
        far_.send(J5_TYPE_HR, kOwnMac, kPairs[2 + i % 7].jipType, i);
    ASSERT_TRUE(pumpUntilEvents(kCount));
    const auto events = log_->events();
    for (std::uint16_t i = 0; i < kCount; ++i) {
        EXPECT_EQ(handleOf(events[i]), i);
        EXPECT_EQ(events[i].thread, std::this_thread::get_id());
    }
}

TEST_F(EndPointReceive, AudioFiresOnTheAudioThreadOrOnTheCreatingOne) {
    for (const bool useThread : {true, false}) {
        SCOPED_TRACE(useThread ? "bUseThread set" : "bUseThread cleared");
        log_ = std::make_shared<EventLog>();
        ASSERT_TRUE(endPoint_ = makeEndPoint(log_));
        endPoint_->put_bUseThread(useThread ? com::VARIANT_TRUE : com::VARIANT_FALSE);
        ASSERT_EQ(endPoint_->Open(), com::S_OK);
        for (std::uint16_t i = 0; i < 5; ++i)
            far_.sendAudio(kOwnMac, i);
        ASSERT_TRUE(pumpUntilEvents(5));
        far_.send(J5_TYPE_HR, kOwnMac, 0x0011, 9);
        ASSERT_TRUE(pumpUntilEvents(6));
        const auto events = log_->events();
        for (std::uint16_t i = 0; i < 5; ++i) {
            EXPECT_EQ(events[i].id, kDispIdAudioReceived);
            if (useThread) {
                EXPECT_EQ(events[i].threadName, "linkor-audio");
            }
            EXPECT_EQ(events[i].thread == std::this_thread::get_id(), !useThread);
            std::int16_t seq = -1;
            com::query<IRealTimeAudioMsg>(events[i].message)->get_nFrameSeq(0, seq);
            EXPECT_EQ(seq, i);
        }
        EXPECT_EQ(events[5].thread, std::this_thread::get_id());
        ASSERT_EQ(endPoint_->Close(), com::S_OK);
    }
}

TEST_F(EndPointReceive, CloseWhileFramesFlowGivesEveryPacketBack) {
    endPoint_->put_bUseThread(com::VARIANT_FALSE);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    flood();
    ASSERT_TRUE(pumpUntilEvents(50));
    std::this_thread::sleep_for(100ms); // packets pile up, posted and not handled
    EXPECT_EQ(endPoint_->Close(), com::S_OK);
    const std::size_t raised = log_->count();
    stopFlood();
    const LedgerCounts counts = ledger();
    EXPECT_GT(counts.lent, raised);
    EXPECT_EQ(counts.outstanding, 0u);
    EXPECT_EQ(counts.strayReturns, 0u);
    EXPECT_FALSE(pumpUntil([&] { return log_->count() > raised; }, 200ms)) << "an event after Close";
}

TEST_F(EndPointReceive, AFinalReleaseWithoutCloseEndsTheThreadsAndGivesEveryPacketBack) {
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "released on another thread" : "released on the creating thread");
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEndPoint, endPoint_), com::S_OK);
        ASSERT_EQ(endPoint_->Open(), com::S_OK);
        stopFlood_ = false;
        flood();
        EXPECT_TRUE(pumpUntil([] { return linkorThreads() == 2; }));
        const apt::WindowHandle window = apt::findWindow("EndPointWindow");
        std::this_thread::sleep_for(100ms);
        if (elsewhere) {
            std::thread([last = std::move(endPoint_)]() mutable { last.reset(); }).join();
        } else {
            endPoint_.reset();
        }
        stopFlood();
        EXPECT_EQ(linkorThreads(), 0u);
        EXPECT_FALSE(window.alive());
        EXPECT_EQ(ledger().outstanding, 0u);
    }
}

} // namespace
} // namespace kez::linkor::test
