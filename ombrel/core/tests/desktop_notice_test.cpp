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

DesktopNotice::BusOpener busAt(const std::string& address, int* opens = nullptr) {
    return [address, opens] {
        if (opens != nullptr) ++*opens;
        return QDBusConnection::connectToBus(QString::fromStdString(address), "kez-notices");
    };
}

// Rings twice on a host on `address`: stopped the first time, the icon removed while ringing the second.
void ringTwice(const std::string& address) {
    TimersForm host(nullptr, busAt(address));
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

// The start must not wait for the session bus: it is reached when the first notice shows, and only once.
TEST(IncomingCallBalloon, TheBusIsOpenedByTheFirstNoticeOnly) {
    const test::OmbrelWorld world;
    const kez::test::DbusMock service("notification_daemon", "org.freedesktop.Notifications",
                                      kez::test::DbusMock::Bus::Session);
    const struct {
        const char* what;
        int notices;
        int opens;
    } cases[] = {{"a host with its icon and nothing to show", 0, 0}, {"one ring", 1, 1}, {"three rings", 3, 1}};
    for (const auto& c : cases) {
        int opens = 0;
        {
            TimersForm host(nullptr, busAt(service.address(), &opens));
            host.addTrayIcon();
            host.modifyTrayIcon("", "");
            for (int ring = 0; ring < c.notices; ++ring) {
                host.modifyTrayIcon("KEZ Ombrel", "Incoming Call");
                host.modifyTrayIcon("", "");
            }
            host.removeTrayIcon();
        }
        EXPECT_EQ(opens, c.opens) << c.what;
    }
}

} // namespace
} // namespace kez::ombrel
