#include <gtest/gtest.h>

#include <thread>

#include "kez/com/error_info.h"

namespace kez::com {
namespace {

constexpr Guid kIEngine = "{CE14818D-C102-11D2-BA6F-0000216C6CB1}"_guid;

// A member that fails the way every component member does.
HRESULT failingMember() {
    return reportError(E_FAIL, "Unable to blind bind to multiple Vuruv's", "Corvane.Engine.1", kIEngine);
}

TEST(ErrorInfo, TheCallerReadsTheFailureOnceOnItsThread) {
    setErrorInfo(std::nullopt);
    EXPECT_EQ(failingMember(), E_FAIL);
    const auto info = takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, "Unable to blind bind to multiple Vuruv's");
    EXPECT_EQ(info->source, "Corvane.Engine.1");
    EXPECT_EQ(info->interfaceId, kIEngine);
    EXPECT_FALSE(takeErrorInfo());
}

TEST(ErrorInfo, ALaterFailureReplacesTheEarlierOne) {
    failingMember();
    reportError(E_POINTER, "second", "Linkor.EndPoint.1", kIEngine);
    const auto info = takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, "second");
    setErrorInfo(ErrorInfo{"set", "src", kIEngine});
    setErrorInfo(std::nullopt);
    EXPECT_FALSE(takeErrorInfo());
}

TEST(ErrorInfo, EachThreadHasItsOwn) {
    failingMember();
    std::optional<ErrorInfo> seenElsewhere;
    std::optional<ErrorInfo> ownElsewhere;
    std::thread other([&] {
        seenElsewhere = takeErrorInfo();
        reportError(E_UNEXPECTED, "worker", "Sonwell.WaveRecord.1", kIEngine);
        ownElsewhere = takeErrorInfo();
    });
    other.join();
    EXPECT_FALSE(seenElsewhere);
    ASSERT_TRUE(ownElsewhere);
    EXPECT_EQ(ownElsewhere->description, "worker");
    const auto mine = takeErrorInfo();
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->source, "Corvane.Engine.1");
}

} // namespace
} // namespace kez::com
