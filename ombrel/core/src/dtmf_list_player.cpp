#include "ombrel/dtmf_list_player.h"

#include <algorithm>
#include <string>
#include <utility>

#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

void logDropped(std::size_t dropped, std::size_t received, std::size_t waiting) {
    gLogMessage("moEngine_PlayDTMFReceived: " + std::to_string(dropped) + " of " + std::to_string(received) +
                " digits dropped, " + std::to_string(waiting) + " still wait to play");
}

class SteppingScope {
public:
    explicit SteppingScope(bool& stepping) : stepping_(stepping) { stepping_ = true; }
    ~SteppingScope() { stepping_ = false; }
    SteppingScope(const SteppingScope&) = delete;
    SteppingScope& operator=(const SteppingScope&) = delete;

private:
    bool& stepping_;
};

} // namespace

DtmfListPlayer::DtmfListPlayer(Sounder sounder) : sounder_(std::move(sounder)) {
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] { step(); });
}

void DtmfListPlayer::play(std::vector<std::int16_t> digits, std::function<void()> done) {
    if (lists_.size() >= kMaxWaitingLists) {
        logDropped(digits.size(), digits.size(), waitingDigits_);
        if (done) done();
        return;
    }
    const std::size_t kept = std::min(digits.size(), kMaxWaitingDigits - waitingDigits_);
    if (kept < digits.size()) logDropped(digits.size() - kept, digits.size(), waitingDigits_);
    digits.resize(kept);
    waitingDigits_ += kept;
    lists_.push_back({std::move(digits), 0, std::move(done)});
    // A step below (in a box it opened) goes on with this list itself.
    if (!sounding_ && !stepping_) step();
}

void DtmfListPlayer::stop() {
    timer_.stop();
    lists_.clear();
    waitingDigits_ = 0;
    if (std::exchange(sounding_, false)) sounder_.end();
}

void DtmfListPlayer::finishPlayedLists() {
    while (!lists_.empty() && lists_.front().next == lists_.front().digits.size()) {
        auto done = std::move(lists_.front().done);
        lists_.pop_front();
        if (done) done();
    }
}

void DtmfListPlayer::step() {
    // A sounder's error box runs an event loop: the timer firing in it must not start a second digit.
    if (stepping_) return;
    const SteppingScope scope(stepping_);

    if (std::exchange(sounding_, false)) sounder_.end();
    finishPlayedLists();
    if (lists_.empty()) return;
    List& list = lists_.front();
    const std::int16_t digit = list.digits[list.next++];
    --waitingDigits_;
    sounding_ = true;
    const auto wait = sounder_.start(digit);
    // Stopped while the digit started (the program ends from a box): nothing more is due.
    if (sounding_) timer_.start(wait);
}

} // namespace kez::ombrel
