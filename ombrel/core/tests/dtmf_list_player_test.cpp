// The timed queue of the call server's DTMF lists, stepped by hand: order, completions, bounds and stopping.
#include <gtest/gtest.h>

#include <algorithm>

#include "ombrel/dtmf_list_player.h"
#include "ombrel_test_env.h"

namespace kez::ombrel::test {
namespace {

using Events = std::vector<std::string>;
using Digits = std::vector<std::int16_t>;

class DtmfList : public ::testing::Test {
protected:
    void play(const Digits& digits, const std::string& name) {
        player_.play(digits, [this, name] { events_.push_back("done " + name); });
    }
    void playOut() {
        for (int steps = 0; steps < 2000 && !player_.idle(); ++steps)
            player_.step();
    }

    OmbrelWorld world_;
    Events events_;
    DtmfListPlayer player_{{[this](std::int16_t digit) {
                                events_.push_back(std::to_string(digit));
                                return std::chrono::milliseconds(178);
                            },
                            [this] { events_.push_back("end"); }}};
};

TEST_F(DtmfList, DigitsPlayInOrderAndEachListIsDoneAfterItsLastDigit) {
    struct {
        std::vector<Digits> lists;
        Events atOnce, all;
    } const cases[] = {
        {{{1, 14, 9}}, {"1"}, {"1", "end", "14", "end", "9", "end", "done 0"}},
        {{{}}, {"done 0"}, {"done 0"}},
        {{{1, 2}, {3}, {}}, {"1"}, {"1", "end", "2", "end", "done 0", "3", "end", "done 1", "done 2"}},
    };
    for (const auto& c : cases) {
        events_.clear();
        for (std::size_t i = 0; i < c.lists.size(); ++i)
            play(c.lists[i], std::to_string(i));
        EXPECT_EQ(events_, c.atOnce) << "the first digit starts at once, nothing more";
        playOut();
        EXPECT_EQ(events_, c.all);
    }
}

TEST_F(DtmfList, AFullMessagePlaysWhileWhatPassesTheBoundsIsCutAndLogged) {
    const Digits full(DtmfListPlayer::kMaxWaitingDigits, 4);
    play(full, "full");
    play({7, 8, 9}, "cut");
    for (std::size_t i = 2; i < DtmfListPlayer::kMaxWaitingLists; ++i)
        play({}, "empty");
    play({5}, "late");
    EXPECT_EQ(events_, (Events{"4", "done late"})) << "a list that finds the lists full is done at once";
    playOut();
    const auto at = [&](const std::string& event) { return std::ranges::find(events_, event) - events_.begin(); };
    EXPECT_EQ(std::ranges::count(events_, "4"), 753);
    EXPECT_LT(at("done full"), at("7"));
    EXPECT_LT(at("7"), at("done cut"));
    EXPECT_EQ(std::ranges::count(events_, "8"), 0);
    EXPECT_EQ(world_.logTexts(), (Events{"moEngine_PlayDTMFReceived: 2 of 3 digits dropped, 752 still wait to play",
                                         "moEngine_PlayDTMFReceived: 1 of 1 digits dropped, 753 still wait to play"}));
}

TEST_F(DtmfList, StopEndsTheSoundingDigitAndForgetsTheRestWithoutCompleting) {
    play({1, 2, 3}, "list");
    player_.step();
    player_.stop();
    player_.step();
    EXPECT_EQ(events_, (Events{"1", "end", "2", "end"}));
    EXPECT_TRUE(player_.idle());
}

} // namespace
} // namespace kez::ombrel::test
