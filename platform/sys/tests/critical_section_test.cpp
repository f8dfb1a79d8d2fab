#include <gtest/gtest.h>

#include <future>

#include "kez/sys/critical_section.h"

namespace kez::sys {
namespace {

bool otherThreadCanEnter(CriticalSection& section) {
    return std::async(std::launch::async,
                      [&] {
                          if (!section.try_lock()) return false;
                          section.unlock();
                          return true;
                      })
        .get();
}

int enterNested(CriticalSection& section, int depth) {
    CriticalSectionLock lock(section);
    return depth == 0 ? 0 : 1 + enterNested(section, depth - 1);
}

TEST(CriticalSection, TheOwningThreadReEnters) {
    CriticalSection section;
    EXPECT_EQ(enterNested(section, 3), 3);
    EXPECT_TRUE(otherThreadCanEnter(section));
}

TEST(CriticalSection, StaysHeldUntilEveryEntryIsLeft) {
    CriticalSection section;
    section.lock();
    ASSERT_TRUE(section.try_lock());
    section.unlock();
    EXPECT_FALSE(otherThreadCanEnter(section));
    section.unlock();
    EXPECT_TRUE(otherThreadCanEnter(section));
}

} // namespace
} // namespace kez::sys
