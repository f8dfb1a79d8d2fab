// SIGTERM and SIGINT, sent to the process as another program sends them, arrive in the event loop.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <vector>

#include "kez/ui/termination_signals.h"

namespace kez::ui {
namespace {

TEST(TerminationSignals, ArriveInTheEventLoopOncePerDeliveryAndLeaveTheOldHandlersAfterwards) {
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    std::vector<int> received;
    {
        TerminationSignals termination;
        QEventLoop loop;
        QObject::connect(&termination, &TerminationSignals::received, [&](int number) {
            received.push_back(number);
            if (received.size() == 3) loop.quit();
        });
        for (const int number : {SIGTERM, SIGINT, SIGTERM})
            ASSERT_EQ(::kill(::getpid(), number), 0);
        QTimer::singleShot(20000, &loop, &QEventLoop::quit);
        loop.exec();
    }
    EXPECT_EQ(std::ranges::count(received, SIGTERM), 2);
    EXPECT_EQ(std::ranges::count(received, SIGINT), 1);
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
}

} // namespace
} // namespace kez::ui
