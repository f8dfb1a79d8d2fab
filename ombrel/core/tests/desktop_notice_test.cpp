// The incoming call's balloon on the tray host: a desktop notice taken back when the ringing stops, against
// python3-dbusmock's notification service on a private bus; the tray's own balloon on a bus without one.
#include <gtest/gtest.h>

#include <QDBusConnection>

#include <algorithm>
#include <string>
#include <vector>

#include "eventually.h"
#include "logind_mock.h"
#include "ombrel/timers_form.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

// Rings twice on a host on `address`: stopped the first time, the icon removed while ringing the second.
void ringTwice(const std::string& address) {
    TimersForm host(nullptr, QDBusConnection::connectToBus(QString::fromStdString(address), "kez-notices"));
    host.addTrayIcon();
    host.modifyTrayIcon("", ""); // nothing shown, nothing to take back
    host.modifyTrayIcon("KEZ Ombrel", "Incoming Call");
    host.modifyTrayIcon("", "");
    host.modifyTrayIcon("KEZ Ombrel", "Incoming Call");
    host.removeTrayIcon();
}

TEST(IncomingCallBalloon, ADesktopNoticeClosedByItsIdWhenRingingStopsOrTheIconGoes) {
    const test::OmbrelWorld world;
    const kez::test::DbusMock service("notification_daemon", "org.freedesktop.Notifications",
                                      kez::test::DbusMock::Bus::Session);
    ringTwice(service.address());
    const std::string ring = R"(Notify "KEZ Ombrel" 0 "" "KEZ Ombrel" "Incoming Call" [] {} -1)";
    const std::vector<std::string> heard{ring, "CloseNotification 1", ring, "CloseNotification 2"};
    EXPECT_TRUE(kez::test::eventually([&] { return service.calls().size() >= heard.size(); }));
    EXPECT_EQ(service.calls(), heard);
    EXPECT_TRUE(world.logTexts().empty());
}

TEST(IncomingCallBalloon, OnABusWithoutTheServiceTheTraysBalloonShowsItAndTheLogSaysSoOnce) {
    const test::OmbrelWorld world;
    const kez::test::LogindMock otherServiceOnly;
    ringTwice(otherServiceOnly.address());
    EXPECT_EQ(std::ranges::count_if(
                  world.logTexts(),
                  [](const std::string& line) { return line.starts_with("Notices show in the tray's balloon: "); }),
              1);
}

} // namespace
} // namespace kez::ombrel
