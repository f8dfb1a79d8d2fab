#pragma once
// Helpers shared by the apartment tests.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "kez/apt/hidden_window.h"

namespace kez::apt::test {

// A payload that counts its live instances, to show what is freed and when.
struct Counted {
    static inline std::atomic<int> alive{0};
    explicit Counted(int v) : value(v) { ++alive; }
    ~Counted() { --alive; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    int value;
};

inline Message countedMessage(MessageId id, int value) {
    return Message{id, 0, value, Payload::of(std::make_unique<Counted>(value))};
}

// One delivered message as a window procedure saw it.
struct Seen {
    char window;
    MessageId id;
    std::int64_t l;
    bool operator==(const Seen&) const = default;
};

// A procedure that records what it is given, tagged with the window's letter.
inline Procedure recordInto(std::vector<Seen>& seen, char window) {
    return [&seen, window](Message& m) -> Result {
        seen.push_back({window, m.id, m.l});
        return 0;
    };
}

} // namespace kez::apt::test
