// The engine window: each message number fires its event with the arguments unpacked, in
// posting order, on the creating thread, whichever thread posted; a failing sink does not keep
// the others from an event.
#include <gtest/gtest.h>

#include <thread>

#include "engine_fixture.h"
#include "engine_window.h"
#include "kez/apt/hidden_window.h"
#include "linkor/incoming_interfaces.h"

namespace kez::corvane::test {
namespace {

using apt::WM_USER;

struct WindowCase {
    apt::MessageId id;
    std::uint64_t w;
    std::int64_t l;
    std::function<apt::Payload()> payload;
    std::string fired;
};

apt::Payload none() { return {}; }
template <class T>
std::function<apt::Payload()> carrying(T value) {
    return [value] { return apt::Payload::of(value); };
}

TEST_F(EngineTest, EachWindowMessageFiresItsEvent) {
    LedBlock leds{};
    for (std::size_t i = 0; i < leds.size(); ++i)
        leds[i] = static_cast<std::int16_t>(i % 16);
    const std::vector<WindowCase> cases{
        {WM_USER + 101, 0, 0, none, "InitReceived"},
        {WM_USER + 105, 0x80043006u, 0, carrying(std::string("Invalid Protocol UI State")),
         "Error 0x80043006 Invalid Protocol UI State"},
        {WM_USER + 105, 0x80004005u, 0, none, "Error 0x80004005 "},
        {WM_USER + 106, 0, 0, none, "ResetReceived"},
        {WM_USER + 107, 0, 0, carrying(CallProgressTone{17, -1, 3}), "CallProgressUpdate 17 -1 3"},
        {WM_USER + 108, 0, 0, carrying(AlertSignal{5, 2, 1, 4}), "AlertUpdate 5 2 1 4"},
        {WM_USER + 109, 0, 0, carrying(DisplayBlock{3, "Line one", "Ext 201", 1}),
         "DisplayUpdate 3 [Line one] [Ext 201] 1"},
        {WM_USER + 110, 0x0303, 0, none, "KeyControlUpdate 0 0 -1 0 0 -1"},
        {WM_USER + 110, 0x3C30, 0, none, "KeyControlUpdate -1 0 0 -1 -1 0"},
        {WM_USER + 111, 0, 0, carrying(leds), "LEDUpdate 0 1 2 3 4 from 1: 5 6 7 8 9 10 11 12 13 14 15 0"},
        {WM_USER + 112, 0, 0, carrying(DiscoveredServer{kServerMac, std::nullopt}), "XAVDiscovered 0253494d0001 empty"},
        {WM_USER + 112, 0, 0, carrying(DiscoveredServer{kServerMac, kServerIp}), "XAVDiscovered 0253494d0001 c6120002"},
        {WM_USER + 113, 0, 0, none, "AutoIPComplete"},
        {WM_USER + 102, 0, 0, none, "SystemDateUpdate 1899-12-30 00:00:00.000"},
        {WM_USER + 104, 0, 0, none, ""},
        {WM_USER + 114, 0, 0, none, ""},
        {WM_USER + 115, 0, 0, none, ""},
    };
    const apt::WindowHandle window = apt::findWindow("EngineWindow");
    std::vector<std::string> expected;
    for (const auto& c : cases) {
        ASSERT_TRUE(window.post({c.id, c.w, c.l, c.payload()}));
        if (!c.fired.empty()) expected.push_back(c.fired);
    }
    pump();
    EXPECT_EQ(events_->lines(), expected);
}

TEST_F(EngineTest, PlayDtmfFiresTheMessagesOwnValues) {
    auto message = linkor::makeMessage(linkor::MessageClass::PlayDTMFMsg);
    auto dtmf = com::query<linkor::IPlayDTMFMsg>(message);
    dtmf->put_nSequenceID(42);
    dtmf->put_varCodes(byteArray({1, 2, 3}));
    dtmf->put_varTimes(byteArray({10, 20, 30}));
    com::Variant codes, times;
    dtmf->get_varCodes(codes);
    dtmf->get_varTimes(times);
    apt::findWindow("EngineWindow").post({WM_USER + 103, 0, 0, apt::Payload::of(com::Ptr<com::Object>(message))});
    pump();
    EXPECT_EQ(events_->lines(), std::vector<std::string>{"PlayDTMFReceived 42 " + FakeEndPoint::hexOf(codes) + " " +
                                                         FakeEndPoint::hexOf(times)});
}

// Every event fails; InitReceived throws.
class FailingSink final : public EachEngineEvent<FailingSink> {
public:
    template <EngineEventId id>
    HRESULT handle(const char*, const auto&) {
        if constexpr (id == kDispIdInitReceived) throw std::runtime_error("sink fault");
        return com::E_FAIL;
    }
};

TEST_F(EngineTest, EventsFireOnTheCreatingThreadInPostingOrderPastAFailingSink) {
    auto container = com::query<com::IConnectionPointContainer>(engine_);
    com::Cookie failing = 0, later = 0;
    ASSERT_EQ(container->Unadvise(kIidIEngineEvents, 1), com::S_OK);
    ASSERT_EQ(container->Advise(kIidIEngineEvents, std::make_shared<FailingSink>(), failing), com::S_OK);
    ASSERT_EQ(container->Advise(kIidIEngineEvents, events_, later), com::S_OK);
    EXPECT_EQ(container->Advise(linkor::kIidIEndPointEvents, events_, later), com::CONNECT_E_NOCONNECTION);
    const apt::WindowHandle window = apt::findWindow("EngineWindow");
    constexpr int kThreads = 4, kEach = 50;
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t)
        posters.emplace_back([&window, t] {
            for (int i = 0; i < kEach; ++i)
                window.post(
                    {WM_USER + 107, 0, 0, apt::Payload::of(CallProgressTone{std::int16_t(t), std::int16_t(i)})});
        });
    for (auto& poster : posters)
        poster.join();
    window.post({WM_USER + 101, 0, 0, {}});
    pump();
    const auto fired = events_->fired();
    ASSERT_EQ(fired.size(), static_cast<std::size_t>(kThreads * kEach + 1));
    std::vector<int> nextOfThread(kThreads, 0);
    for (std::size_t i = 0; i + 1 < fired.size(); ++i) {
        EXPECT_EQ(fired[i].thread, std::this_thread::get_id());
        int tone = 0, mode = 0;
        std::sscanf(fired[i].line.c_str(), "CallProgressUpdate %d %d", &tone, &mode);
        EXPECT_EQ(mode, nextOfThread[tone]++) << "in order per poster";
    }
    EXPECT_EQ(fired.back().line, "InitReceived") << "after the sink that threw";
}

} // namespace
} // namespace kez::corvane::test
