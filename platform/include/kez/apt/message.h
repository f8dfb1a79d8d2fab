#pragma once
// A window message: a number that means something to one window only, two words,
// and an owned payload for what does not fit in the words.
#include <cstdint>
#include <functional>

#include "kez/apt/payload.h"

namespace kez::apt {

using MessageId = std::uint32_t;
using Result = std::int64_t;

// First number free for a window's own messages; handlers number theirs WM_USER + n.
inline constexpr MessageId WM_USER = 0x0400;
// Delivered for a window timer; `w` carries the timer's id.
inline constexpr MessageId WM_TIMER = 0x0113;

struct Message {
    MessageId id = 0;
    std::uint64_t w = 0;
    std::int64_t l = 0;
    Payload payload;
};

// A window's procedure. Runs on the window's thread; returns 0 for messages it does not handle.
using Procedure = std::function<Result(Message&)>;

} // namespace kez::apt
