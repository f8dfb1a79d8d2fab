// The program with its real engine against the simulated call server (kezsim serve --show), typed at through
// the simple form by real X input: on the virtual wire as any user, and once in a private namespace on veth.
#include <gtest/gtest.h>

#include <algorithm>

#include "eventually.h"
#include "net_namespace.h"
#include "privileged.h"
#include "program_kit.h"

namespace kez::ombrel::test {
namespace {

using namespace std::chrono_literals;

const std::string kServerMac = "02:53:49:4d:00:01";

class ProgramOnAWire : public ::testing::Test {
protected:
    // The call server on `wire`, started after `prefix`, the set bound to it from the start: no wait for a blind
    // binding.
    void startServer(const std::string& wire, const std::vector<std::string>& prefix = {}) {
        ASSERT_TRUE(server_.start(wire, macOfServer_, prefix)) << server_.seen();
        world_.set("Communications", "VuruvMac", macOfServer_);
    }
    // The simple form, once it shows the call server's display: then 5 typed on it.
    void typeFive() {
        const auto window = world_.awaitWindow();
        ASSERT_FALSE(window.empty());
        const auto inService = [&] {
            const auto log = world_.world().logTexts();
            return std::find(log.begin(), log.end(), "moEngine_DisplayUpdate: Ext 201") != log.end();
        };
        ASSERT_TRUE(kez::test::eventually(inService, 60s)) << server_.seen();
        world_.x({"xdotool", "windowactivate", "--sync", window, "key", "5"});
        EXPECT_TRUE(server_.awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=5"})) << server_.seen();
    }

    ProgramWorld world_{false};
    std::string macOfServer_ = kServerMac;
    SimulatedCallServer server_;
};

TEST_F(ProgramOnAWire, AKeyTypedOnTheVirtualWireReachesTheCallServer) {
    world_.set("UI", "Type", "0");
    startServer(world_.wire());
    ASSERT_TRUE(world_.start());
    typeFive();
}

TEST_F(ProgramOnAWire, AKeyTypedInANamespaceReachesTheCallServerOverVeth) {
    KEZ_REQUIRE_PRIVILEGED();
    const kez::test::VethLink link("opv");
    if (const auto problem = link.problem()) KEZ_SKIP_OR_FAIL(*problem);
    macOfServer_ = kez::test::linkAddress(link.second(), link.pair().secondName()).value_or(kServerMac);
    world_.set("UI", "Type", "0");
    startServer("eth:" + link.pair().secondName(), link.second().exec({}));
    ASSERT_TRUE(world_.start({}, {"KEZ_ADAPTERS=" + link.pair().firstName()}, link.first().exec({})));
    typeFive();
}

} // namespace
} // namespace kez::ombrel::test
