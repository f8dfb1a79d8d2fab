// Receiving: the event of every (packet type, message type) pair, the thread and order of events,
// and that Close or a final release gives every packet back to Ralnet and ends the threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "endpoint/end_point_object.h"
#include "endpoint_fixture.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/class_registry.h"
#include "linkor/audio_interfaces.h"
#include "packet_ledger.h"

namespace kez::linkor::test {
namespace {

struct Pair {
    std::uint16_t type, jipType;
    com::DispId event; // 0: dropped
    const char* className;
};

constexpr Pair kPairs[] = {
    {J5_TYPE_HR, 0x0011, kDispIdSlaveCommandReceived, "CommandMsg"},
    {J5_TYPE_HR, 0x0012, kDispIdPlayDTMFMsgReceived, "PlayDTMFMsg"},
    {J5_TYPE_HR, 0x0083, kDispIdReliableAudioReceived, "ReliableAudioMsg"},
    {J5_TYPE_HR, 0x0201, kDispIdKzSetInitReceived, "KzSetInitMsg"},
    {J5_TYPE_HR, 0x0202, kDispIdKzSetUIStateControlReceived, "UIStateControlMsg"},
    {J5_TYPE_HR, 0x0203, kDispIdKzSetCallStateControlReceived, "CallStateControlMsg"},
    {J5_TYPE_HR, 0x0204, kDispIdLEDMappingReceived, "LEDMappingMsg"},
    {J5_TYPE_HU, 0x0001, kDispIdSystemStateReceived, "SystemStateMsg"},
    {J5_TYPE_HU, 0x0015, kDispIdSlavePageCmdReceived, "SlavePageCmdMsg"},
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
    // "HU" and "HA" packets from the far station as fast as it can, until the object goes.
    struct Flood {
        explicit Flood(FarStation& far)
            : thread([this, &far] {
                  for (std::uint16_t i = 0; !stop; ++i)
                      far.send(J5_TYPE_HU, kOwnMac, 0x0001, i), far.sendAudio(kOwnMac, i);
              }) {}
        ~Flood() { stop = true, thread.join(); }
        std::atomic<bool> stop{false};
        std::thread thread;
    };

    FarStation far_{wire_};
};

TEST_F(EndPointReceive, EveryPairRaisesItsEventOrIsDroppedAndCounted) {
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    const auto endPoint = std::dynamic_pointer_cast<EndPoint>(endPoint_);
    std::size_t events = 0, drops = 0;
    for (std::uint16_t i = 0; i < std::size(kPairs); ++i) {
        const Pair& pair = kPairs[i];
        SCOPED_TRACE(pair.className ? pair.className : "dropped");
        far_.send(pair.type, kOwnMac, pair.jipType, i);
        pair.event ? ++events : ++drops;
        ASSERT_TRUE(pumpUntil([&] { return log_->count() == events && endPoint->droppedPackets() == drops; }));
        if (!pair.event) continue;
        const Event event = log_->events().back();
        std::int16_t type = 0;
        com::query<IJIPMessage>(event.message)->get_nMsgType(type);
        EXPECT_EQ(event.id, pair.event);
        EXPECT_EQ(std::dynamic_pointer_cast<JIPMessageBase>(event.message)->progId(),
                  std::string("Linkor.") + pair.className + ".1");
        EXPECT_EQ(static_cast<std::uint16_t>(type), pair.type);
        EXPECT_EQ(event.handle(), i);
        EXPECT_EQ(event.thread, std::this_thread::get_id());
    }
}

TEST_F(EndPointReceive, ControlEventsFireOnTheCreatingThreadInArrivalOrder) {
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    constexpr std::uint16_t kCount = 60;
    for (std::uint16_t i = 0; i < kCount; ++i)
        far_.send(J5_TYPE_HR, kOwnMac, kPairs[i % 7].jipType, i);
    ASSERT_TRUE(pumpUntilEvents(kCount));
    for (std::uint16_t i = 0; const auto& event : log_->events()) {
        EXPECT_EQ(event.handle(), i++);
        EXPECT_EQ(event.thread, std::this_thread::get_id());
    }
}

TEST_F(EndPointReceive, AudioFiresOnTheAudioThreadOrOnTheCreatingOne) {
    for (const bool useThread : {true, false}) {
        SCOPED_TRACE(useThread);
        ASSERT_TRUE(endPoint_ = makeEndPoint(log_ = std::make_shared<EventLog>()));
        endPoint_->put_bUseThread(useThread ? com::VARIANT_TRUE : com::VARIANT_FALSE);
        ASSERT_EQ(endPoint_->Open(), com::S_OK);
        for (std::uint16_t seq = 0; seq < 5; ++seq)
            far_.sendAudio(kOwnMac, seq);
        ASSERT_TRUE(pumpUntilEvents(5));
        far_.send(J5_TYPE_HR, kOwnMac, 0x0011, 9);
        ASSERT_TRUE(pumpUntilEvents(6));
        const auto events = log_->events();
        for (std::int16_t seq = 0; seq < 5; ++seq) {
            std::int16_t frameSeq = -1;
            com::query<IRealTimeAudioMsg>(events[seq].message)->get_nFrameSeq(0, frameSeq);
            EXPECT_EQ(frameSeq, seq);
            EXPECT_EQ(events[seq].id, kDispIdAudioReceived);
            EXPECT_EQ(events[seq].threadName, useThread ? "linkor-audio" : events[5].threadName);
        }
        EXPECT_EQ(events[5].thread, std::this_thread::get_id());
        ASSERT_EQ(endPoint_->Close(), com::S_OK);
    }
}

TEST_F(EndPointReceive, CloseWhileFramesFlowGivesEveryPacketBack) {
    endPoint_->put_bUseThread(com::VARIANT_FALSE);
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    std::size_t raised = 0;
    {
        const Flood flood(far_);
        ASSERT_TRUE(pumpUntilEvents(50));
        std::this_thread::sleep_for(100ms); // packets pile up, posted and not handled
        EXPECT_EQ(endPoint_->Close(), com::S_OK);
        raised = log_->count();
    }
    EXPECT_GT(ledger().lent, raised);
    EXPECT_EQ(ledger().outstanding, 0u);
    EXPECT_EQ(ledger().strayReturns, 0u);
    EXPECT_FALSE(pumpUntil([&] { return log_->count() > raised; }, 200ms)) << "an event after Close";
}

TEST_F(EndPointReceive, AFinalReleaseWithoutCloseEndsTheThreadsAndGivesEveryPacketBack) {
    for (const bool elsewhere : {false, true}) {
        SCOPED_TRACE(elsewhere ? "released on another thread" : "released on the creating thread");
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEndPoint, endPoint_), com::S_OK);
        ASSERT_EQ(endPoint_->Open(), com::S_OK);
        const Flood flood(far_);
        EXPECT_TRUE(pumpUntil([] { return linkorThreads() == 2; }));
        const apt::WindowHandle window = apt::findWindow("EndPointWindow");
        std::this_thread::sleep_for(100ms);
        if (elsewhere) std::thread([last = std::move(endPoint_)]() mutable { last.reset(); }).join();
        endPoint_.reset();
        EXPECT_EQ(linkorThreads(), 0u);
        EXPECT_FALSE(window.alive());
        EXPECT_EQ(ledger().outstanding, 0u);
    }
}

} // namespace
} // namespace kez::linkor::test
