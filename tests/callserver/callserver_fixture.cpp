#include "callserver_fixture.h"

#include <algorithm>
#include <utility>

#include "corvane/server.h"
#include "kez/apt/apartment.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/net/mac_address.h"
#include "privileged.h"
#include "scoped_registry.h"
#include "shared/timing.h"

namespace kez::test {
namespace {

constexpr unsigned kTimeScale = 10;

} // namespace

std::string macText(const Bytes& mac) {
    std::array<std::uint8_t, 6> bytes{};
    std::copy(mac.begin(), mac.end(), bytes.begin());
    return net::formatMac(bytes);
}

void CallServerTest::SetUp() {
    corvane::timing::setTimeScale(kTimeScale);
    com::ClassRegistry::registerInProcess(corvane::server());
}

void CallServerTest::TearDown() {
    com::ClassRegistry::unregisterInProcess(corvane::server());
    corvane::timing::setTimeScale(1);
}

void CallServerTest::startServer(const std::vector<std::string>& launch, const std::string& wire,
                                 const std::vector<std::string>& mode) {
    auto arguments = mode;
    arguments.insert(arguments.end(), {"--period", "0.2"});
    ASSERT_TRUE(server_.start(wire, macText(serverMac_), arguments, launch)) << seen();
}

void CallServerTest::withEngine(const std::function<void(corvane::IEngine&)>& configure,
                                const std::function<void(corvane::IEngine&)>& exercise) {
    com::Ptr<corvane::IEngine> engine;
    ASSERT_EQ(com::ClassRegistry::createAs(corvane::kClsidEngine, engine), com::S_OK);
    engine->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3));
    configure(*engine);
    ASSERT_EQ(engine->Start(), com::S_OK);
    exercise(*engine);
    EXPECT_EQ(engine->Stop(), com::S_OK);
}

void CallServerTest::expectBlindBind() {
    EXPECT_TRUE(awaitLine({"got StatusMsg", "to 02:5a:4e:00:00:00", "by eth"})) << seen();
    EXPECT_TRUE(awaitLine({"got StatusMsg", "to " + macText(serverMac_), "nDeviceLocation=1"})) << seen();
}

void CallServerTest::pressKey(corvane::IEngine& engine, std::int16_t key, const std::string& path) {
    ASSERT_EQ(engine.ButtonDown(key), com::S_OK);
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "by " + path, "nEventID=3", "nEventInfo1=" + std::to_string(key)}))
        << seen();
}

void CallServerTest::advise(corvane::IEngine& engine, const com::Ptr<com::Object>& events) {
    com::Ptr<com::Object> object;
    ASSERT_EQ(engine.queryInterface(com::IConnectionPointContainer::iid, object), com::S_OK);
    auto container = com::query<com::IConnectionPointContainer>(object);
    com::Cookie cookie = com::kNoCookie;
    ASSERT_EQ(container->Advise(corvane::kIidIEngineEvents, events, cookie), com::S_OK);
}

std::vector<std::string> CallServerTest::awaitEvents(const corvane::test::EventRecorder& events, std::size_t count,
                                                     std::chrono::milliseconds limit, bool skipLedRefreshes) {
    const auto end = std::chrono::steady_clock::now() + limit;
    std::vector<std::string> lines;
    while (lines.size() < count && std::chrono::steady_clock::now() < end) {
        apt::Apartment::current().pumpFor(5ms);
        lines.clear();
        std::string lastLeds;
        for (const auto& line : events.lines()) {
            if (line.starts_with("SystemDateUpdate")) continue;
            if (line.starts_with("LEDUpdate") && skipLedRefreshes && std::exchange(lastLeds, line) == line) continue;
            lines.push_back(line);
        }
    }
    return lines;
}

void CallServerOnVethTest::SetUp() {
    CallServerTest::SetUp();
    KEZ_REQUIRE_PRIVILEGED();
    if (!setSpace_.valid() || !serverSpace_.valid()) KEZ_SKIP_OR_FAIL("namespace: " + setSpace_.error());
    pair_ = std::make_unique<VethPair>(setSpace_, serverSpace_, VethOptions{"198.18.0.1/24", "198.18.0.2/24"});
    if (!pair_->valid()) KEZ_SKIP_OR_FAIL("veth: " + pair_->error());
    const auto mac = net::parseMac(linkAddress(serverSpace_, pair_->secondName()).value_or(""));
    ASSERT_TRUE(mac);
    serverMac_.assign(mac->begin(), mac->end());
}

void CallServerOnVethTest::inSetSpace(const std::function<void(corvane::IEngine&)>& configure,
                                      const std::function<void(corvane::IEngine&)>& exercise) {
    const ScopedEnv adapters("KEZ_ADAPTERS", pair_->firstName());
    ASSERT_TRUE(setSpace_.run([&] { withEngine(configure, exercise); }));
}

void CallServerOnVethTest::startServerBeyondVeth(const std::string& road, const std::vector<std::string>& mode) {
    startServer(serverSpace_.exec({}), road == "udp" ? "udp:198.18.0.2" : "eth:" + pair_->secondName(), mode);
}

} // namespace kez::test
