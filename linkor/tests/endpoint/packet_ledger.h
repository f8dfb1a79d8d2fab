#pragma once
// Every packet object Ralnet lends the application through J5ReceiveObj and J5AudioReceiveObj,
// and every one given back through J5FreePacketObj: the test program wraps those exports
// (the real ones still do the work), so a test sees whether anything was kept or given back twice.
#include <cstdint>

namespace kez::linkor::test {

struct LedgerCounts {
    std::uint64_t lent = 0;
    std::uint64_t outstanding = 0;
    std::uint64_t strayReturns = 0; // given back but never lent, or given back twice
};

LedgerCounts ledger();

} // namespace kez::linkor::test
