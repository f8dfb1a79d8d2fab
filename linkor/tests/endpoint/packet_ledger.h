#pragma once
// Every packet object Ralnet lends the application through J5ReceiveObj and J5AudioReceiveObj,
// and every one given back through J5FreePacketObj: the test program wraps those exports
// (the real ones still do the work), so a test sees whether anything was kept or given back twice.
// J5InitDefault is wrapped too, for the IP settings an Open hands Ralnet.
#include <array>
#include <cstdint>
#include <optional>

namespace kez::linkor::test {

struct LedgerCounts {
    std::uint64_t lent = 0;
    std::uint64_t outstanding = 0;
    std::uint64_t strayReturns = 0; // given back but never lent, or given back twice
};

LedgerCounts ledger();

// The own IP of the settings block the last J5InitDefault was given; none when it got none.
std::optional<std::array<std::uint8_t, 4>> lastInitOwnIp();

} // namespace kez::linkor::test
