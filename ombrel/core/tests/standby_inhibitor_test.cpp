// The standby lock against python3-dbusmock's logind on a private bus, and without any bus.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QWidget>

#include <algorithm>
#include <memory>
#include <string>

#include "eventually.h"
#include "logind_mock.h"
#include "ombrel/standby_inhibitor.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

bool listed(const kez::test::LogindMock& logind) {
    const auto list = logind.inhibitors();
    return list.find("('sleep', 'KEZ Ombrel', ") != std::string::npos && list.find("'block'") != std::string::npos;
}

TEST(StandbyInhibitor, HeldFromTheFormsShowingWhileWantedUntilTheFormGoes) {
    const test::OmbrelWorld world;
    const kez::test::LogindMock logind;
    const auto bus = QDBusConnection::connectToBus(QString::fromStdString(logind.address()), "kez-logind");
    for (const bool wanted : {true, false}) {
        auto form = std::make_unique<QWidget>();
        const auto* inhibitor = new StandbyInhibitor(
            *form, [wanted] { return wanted; }, bus);
        EXPECT_FALSE(listed(logind));
        form->show();
        EXPECT_EQ(listed(logind), wanted);
        // Hidden in the tray the telephone still runs.
        form->hide();
        EXPECT_EQ(inhibitor->isHeld(), wanted);
        form.reset();
        EXPECT_TRUE(kez::test::eventually([&] { return !listed(logind); }));
    }
    QDBusConnection::disconnectFromBus("kez-logind");
}

TEST(StandbyInhibitor, WithoutABusStandbyIsNotRefusedAndTheLogSaysSoOnce) {
    const test::OmbrelWorld world;
    QWidget form;
    StandbyInhibitor inhibitor(
        form, [] { return true; }, QDBusConnection::connectToBus("unix:path=/nonexistent", "none"));
    form.show();
    form.hide();
    form.show();
    EXPECT_FALSE(inhibitor.isHeld());
    const auto log = world.logTexts();
    EXPECT_EQ(
        std::ranges::count_if(log, [](const std::string& line) { return line.starts_with("Standby is not refused"); }),
        1);
}

} // namespace
} // namespace kez::ombrel
