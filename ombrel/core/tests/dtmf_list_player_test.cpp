// The timed queue of the call server's DTMF lists: order, completions, the bounds and stopping, stepped by hand.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <string>
#include <vector>

#include "eventually.h"
#include "ombrel/dtmf_list_player.h"
#include "ombrel_test_env.h"

namespace kez::ombrel::test {
namespace {

using namespace std::chrono_literals;
using Events = std::vector<std::string>;
using Digits = std::vector<std::int16_t>;

class DtmfList : public ::testing::Test {
protected:
    std::function<void()> done(const std::string& name) {
        return [this, name] { events_.push_back("done " + name); };
    }
    // Steps until nothing is left to play; false when it never ended.
    bool playOut() {
        for (int steps = 0; steps < 10000; ++steps) {
            if (player_.idle()) return true;
            player_.step();
        }
        return false;
    }
    std::vector<std::string> logged() const {
        auto texts = world_.logTexts();
        std::erase_if(texts, [](const std::string& t) { return !t.starts_with("moEngine_PlayDTMFReceived"); });
        return texts;
    }

    OmbrelWorld world_;
    Events events_;
    DtmfListPlayer player_{{[this](std::int16_t digit) {
                                events_.push_back("start " + std::to_string(digit));
                                return 178ms;
                            },
                            [this] { events_.push_back("end"); }}};
};

TEST_F(DtmfList, DigitsPlayInOrderAndEachListIsDoneAfterItsLastDigit) {
    struct {
        const char* name;
        std::vector<Digits> lists;
        Events atOnce;
        Events all;
    } const cases[] = {
        {"three digits", {{1, 14, 9}}, {"start 1"}, {"start 1", "end", "start 14", "end", "start 9", "end", "done 0"}},
        {"empty list", {{}}, {"done 0"}, {"done 0"}},
        {"two lists",
         {{1, 2}, {3}},
         {"start 1"},
         {"start 1", "end", "start 2", "end", "done 0", "start 3", "end", "done 1"}},
        {"empty behind a list", {{5}, {}}, {"start 5"}, {"start 5", "end", "done 0", "done 1"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        events_.clear();
        for (std::size_t i = 0; i < c.lists.size(); ++i)
            player_.play(c.lists[i], done(std::to_string(i)));
        EXPECT_EQ(events_, c.atOnce) << "the first digit starts at once, nothing more";
        ASSERT_TRUE(playOut());
        EXPECT_EQ(events_, c.all);
    }
}

TEST_F(DtmfList, AFullMessagePlaysWhileMoreIsCutAndLogged) {
    Digits full(DtmfListPlayer::kMaxWaitingDigits);
    for (std::size_t i = 0; i < full.size(); ++i)
        full[i] = static_cast<std::int16_t>(i % 16);
    player_.play(full, done("full"));
    player_.play({7, 8, 9, 10, 11}, done("more"));
    EXPECT_EQ(player_.waitingDigits(), DtmfListPlayer::kMaxWaitingDigits) << "752 of the full list and one more";
    ASSERT_TRUE(playOut());

    Events expected;
    for (const auto digit : full)
        expected.insert(expected.end(), {"start " + std::to_string(digit), "end"});
    expected.insert(expected.end(), {"done full", "start 7", "end", "done more"});
    EXPECT_EQ(events_, expected);
    EXPECT_EQ(logged(), (std::vector<std::string>{"moEngine_PlayDTMFReceived: 4 of 5 digits dropped, 752 still wait "
                                                  "to play"}));
}

TEST_F(DtmfList, AListThatFindsTheListsFullIsDoneAtOnceWithoutPlaying) {
    for (std::size_t i = 0; i < DtmfListPlayer::kMaxWaitingLists; ++i)
        player_.play({1}, done(std::to_string(i)));
    events_.clear();
    player_.play({2, 3}, done("late"));
    EXPECT_EQ(events_, Events{"done late"});
    ASSERT_TRUE(playOut());
    EXPECT_EQ(std::count(events_.begin(), events_.end(), "start 2"), 0);
    EXPECT_EQ(logged().size(), 1u);
}

TEST_F(DtmfList, StopEndsTheSoundingDigitAndForgetsTheRestWithoutCompleting) {
    player_.play({1, 2, 3}, done("list"));
    player_.step();
    player_.stop();
    EXPECT_EQ(events_, (Events{"start 1", "end", "start 2", "end"}));
    EXPECT_TRUE(player_.idle());
    EXPECT_EQ(player_.waitingDigits(), 0u);
    player_.step();
    EXPECT_EQ(events_.size(), 4u) << "nothing plays after the stop";
}

TEST_F(DtmfList, TheTimerPlaysTheListOnItsOwn) {
    DtmfListPlayer quick({[this](std::int16_t digit) {
                              events_.push_back("start " + std::to_string(digit));
                              return 1ms;
                          },
                          [this] { events_.push_back("end"); }});
    quick.play({4, 2}, done("list"));
    EXPECT_TRUE(kez::test::eventually([&] {
        QCoreApplication::processEvents();
        return quick.idle();
    }));
    EXPECT_EQ(events_, (Events{"start 4", "end", "start 2", "end", "done list"}));
}

} // namespace
} // namespace kez::ombrel::test
