#pragma once
// Tests that need root (namespaces, raw sockets, file capabilities) skip without it,
// or fail when the environment sets KEZ_REQUIRE_PRIVILEGED=1 (CI).
#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace kez::test {

// Why privileged tests cannot run here, or nullopt when they can.
std::optional<std::string> privilegeShortfall();
bool privilegedRequired();

} // namespace kez::test

// Skips or fails the current test, by KEZ_REQUIRE_PRIVILEGED, with `why`.
#define KEZ_SKIP_OR_FAIL(why)                                                                                          \
    do {                                                                                                               \
        if (::kez::test::privilegedRequired()) FAIL() << (why);                                                        \
        GTEST_SKIP() << (why);                                                                                         \
    } while (false)

// Use first in a privileged test body.
#define KEZ_REQUIRE_PRIVILEGED()                                                                                       \
    do {                                                                                                               \
        if (const auto kezShortfall = ::kez::test::privilegeShortfall()) KEZ_SKIP_OR_FAIL(*kezShortfall);              \
    } while (false)
