#pragma once
// DtmfListPlayer: plays the call server's DTMF lists one digit after another from a timer on the GUI thread,
// so the window answers and the program ends at once however long a list is. Digits play in the order they
// came, each for as long as its sounder asks; a list's completion runs once its last digit has played.
// What may wait is bounded: one full list of the call server's largest message, in at most a few lists.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include <QObject>
#include <QTimer>

namespace kez::ombrel {

class DtmfListPlayer : public QObject {
public:
    // The most digits one play-DTMF message carries.
    static constexpr std::size_t kMaxWaitingDigits = 753;
    static constexpr std::size_t kMaxWaitingLists = 16;

    struct Sounder {
        // Starts the digit; the wait before the next one may start (its tone and the gap after it).
        std::function<std::chrono::milliseconds(std::int16_t)> start;
        // Ends what the last start began.
        std::function<void()> end;
    };

    explicit DtmfListPlayer(Sounder sounder);

    // Queues the digits (the first starts at once when none plays) and `done`, which runs after the last of
    // them. Digits past the bound are dropped and logged; a list that finds the lists full plays nothing
    // and is done at once.
    void play(std::vector<std::int16_t> digits, std::function<void()> done);
    // Ends the digit that sounds and forgets every list; no completion runs.
    void stop();
    bool idle() const { return lists_.empty() && !sounding_; }
    std::size_t waitingDigits() const { return waitingDigits_; }

    // Ends the sounding digit and starts the next: the timer's work, public so that tests step without waiting.
    void step();

private:
    struct List {
        std::vector<std::int16_t> digits;
        std::size_t next = 0;
        std::function<void()> done;
    };

    void finishPlayedLists();

    Sounder sounder_;
    QTimer timer_;
    std::deque<List> lists_;
    std::size_t waitingDigits_ = 0;
    bool sounding_ = false;
    bool stepping_ = false;
};

} // namespace kez::ombrel
