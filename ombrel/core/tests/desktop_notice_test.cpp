// The incoming call's balloon on the tray host: a desktop notice, taken back when the ringing stops, against
// python3-dbusmock's notification service on a private session bus; the tray's balloon without a service.
#include <gtest/gtest.h>

#include <QDBusConnection>

#include <algorithm>
#include <string>
#include <vector>

#include "dbus_mock.h"
#include "eventually.h"
#include "logind_mock.h"
#include "ombrel/timers_form.h"
#include "ombrel_test_env.h"

namespace kez::ombrel {
namespace {

using Calls = std::vector<std::string>;
using kez::test::DbusMock;

const std::string kIncomingCall = R"(Notify "KEZ Ombrel" 0 "" "KEZ Ombrel" "Incoming Call" [] {} -1)";

TEST(IncomingCallBalloon, ShownAsOneDesktopNoticeAndClosedByItsIdWhenRingingStopsOrTheIconGoes) {
    const test::OmbrelWorld world;
    const DbusMock notices("notification_daemon", "org.freedesktop.Notifications", DbusMock::Bus::Session);
    enum class Step { Ring, Quiet, RemoveIcon };
    struct {
        std::vector<Step> steps;
        Calls calls; // what the service hears, its ids counting on from row to row
    } const cases[] = {
        {{Step::Ring, Step::Quiet}, {kIncomingCall, "CloseNotification 1"}},
        {{Step::Ring, Step::RemoveIcon}, {kIncomingCall, "CloseNotification 2"}},
        {{Step::Quiet, Step::Quiet}, {}},
    };
    const auto bus = QDBusConnection::connectToBus(QString::fromStdString(notices.address()), "kez-notices");
    for (const auto& c : cases) {
        const auto heard = notices.calls().size();
        const auto newCalls = [&] {
            const auto all = notices.calls();
            return Calls(all.begin() + static_cast<std::ptrdiff_t>(heard), all.end());
        };
        {
            TimersForm host(nullptr, bus);
            host.addTrayIcon();
            for (const Step step : c.steps) {
                if (step == Step::Ring) host.modifyTrayIcon("KEZ Ombrel", "Incoming Call");
                if (step == Step::Quiet) host.modifyTrayIcon("", "");
                if (step == Step::RemoveIcon) host.removeTrayIcon();
            }
        }
        EXPECT_TRUE(kez::test::eventually([&] { return newCalls().size() >= c.calls.size(); }));
        EXPECT_EQ(newCalls(), c.calls);
    }
    EXPECT_TRUE(world.logTexts().empty());
    QDBusConnection::disconnectFromBus("kez-notices");
}

TEST(IncomingCallBalloon, WithoutANotificationServiceTheTraysBalloonShowsItAndTheLogSaysSoOnce) {
    const kez::test::LogindMock otherServicesOnly;
    const struct {
        const char* name;
        std::string address;
    } cases[] = {{"no bus", "unix:path=/nonexistent"}, {"a bus without the service", otherServicesOnly.address()}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const test::OmbrelWorld world;
        {
            TimersForm host(nullptr, QDBusConnection::connectToBus(QString::fromStdString(c.address), c.name));
            host.addTrayIcon();
            for (int ring = 0; ring < 2; ++ring) {
                host.modifyTrayIcon("KEZ Ombrel", "Incoming Call");
                host.modifyTrayIcon("", "");
            }
        }
        QDBusConnection::disconnectFromBus(c.name);
        const auto log = world.logTexts();
        EXPECT_EQ(
            std::ranges::count_if(
                log, [](const std::string& line) { return line.starts_with("Notices show in the tray's balloon"); }),
            1);
    }
}

} // namespace
} // namespace kez::ombrel
