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
    // The call server on `wire`, started after `prefix`, until it announces itself.
    void startServer(const std::string& wire, const std::vector<std::string>& prefix = {}) {
        auto argv = prefix;
        argv.insert(argv.end(), {KEZ_PYTHON, KEZ_SOURCE_DIR "/tests/callserver/kezsim", "serve", "--show", "--period",
                                 "0.2", "--wire", wire, "--mac", macOfServer_});
        ASSERT_TRUE(server_.start(argv, {"PYTHONDONTWRITEBYTECODE=1"}));
        // Bound to it from the start: no wait for a blind binding.
        world_.set("Communications", "VuruvMac", macOfServer_);
        ASSERT_TRUE(awaitLine({"kezsim: call server"})) << seen_;
    }
    bool awaitLine(const std::vector<std::string>& parts) {
        return kez::test::eventually(
            [&] {
                while (auto line = server_.readLine(1ms)) {
                    seen_ += *line + "\n";
                    if (std::ranges::all_of(parts, [&](const auto& p) { return line->find(p) != std::string::npos; }))
                        return true;
                }
                return false;
            },
            60s);
    }
    // The simple form, once it shows the call server's display: then 5 typed on it.
    void typeFive() {
        const auto window = world_.awaitWindow();
        ASSERT_FALSE(window.empty());
        const auto inService = [&] {
            const auto log = world_.world().logTexts();
            return std::find(log.begin(), log.end(), "moEngine_DisplayUpdate: Ext 201") != log.end();
        };
        ASSERT_TRUE(kez::test::eventually(inService, 60s)) << seen_;
        world_.x({"xdotool", "windowactivate", "--sync", window, "key", "5"});
        EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=5"})) << seen_;
    }

    ProgramWorld world_{false};
    std::string macOfServer_ = kServerMac;
    kez::test::ChildProcess server_;
    std::string seen_;
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
