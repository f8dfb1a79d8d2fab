// The PC's IP settings between two namespaces on veth: the first adapter's, and the probe's
// local address, mask and gateway on the immediate and the waiting road, against what `ip -j`
// says; a cancel of a probe toward an address nobody answers.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

#include "engine_fixture.h"
#include "ipconfig/adapter_settings.h"
#include "kez/com/error_info.h"
#include "net_namespace.h"
#include "privileged.h"
#include "process.h"

namespace kez::corvane::test {
namespace {

using namespace std::chrono_literals;
using kez::test::byteArray;

TEST(RouteTable, TheDefaultGatewayOfTheAdapter) {
    const std::string heading = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\n";
    const struct {
        const char* name;
        std::string rows;
        std::optional<Ipv4> gateway;
    } cases[] = {
        {"default route", "veth0\t00000000\t020012C6\t0003\t0\t0\t0\t00000000\n", Ipv4{198, 18, 0, 2}},
        {"other adapter", "eth9\t00000000\t020012C6\t0003\t0\t0\t0\t00000000\n", std::nullopt},
        {"not a default route", "veth0\t000012C6\t020012C6\t0003\t0\t0\t0\t00FFFFFF\n", std::nullopt},
        {"no gateway flag", "veth0\t00000000\t00000000\t0001\t0\t0\t0\t00000000\n", std::nullopt},
        {"unreadable row then a good one",
         "veth0\tzz\t020012C6\t0003\n veth0\t00000000\t030012C6\t0003\t0\t0\t0\t00000000\n", Ipv4{198, 18, 0, 3}},
        {"short row", "veth0\t00000000\n", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(defaultGatewayIn(heading + c.rows, "veth0"), c.gateway);
    }
    EXPECT_EQ(defaultGatewayIn("", "veth0"), std::nullopt);
}

class AutoIpTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        KEZ_REQUIRE_PRIVILEGED();
        if (!setSpace_.valid() || !serverSpace_.valid()) KEZ_SKIP_OR_FAIL("namespace: " + setSpace_.error());
        pair_ = std::make_unique<kez::test::VethPair>(setSpace_, serverSpace_,
                                                      kez::test::VethOptions{"198.18.0.1/24", "198.18.0.2/24"});
        if (!pair_->valid()) KEZ_SKIP_OR_FAIL("veth: " + pair_->error());
        ASSERT_EQ(
            kez::test::runCommand(setSpace_.exec({"ip", "route", "add", "default", "via", "198.18.0.2"})).exitCode, 0);
    }

    // "address prefixlen gateway" of the set's adapter, as `ip -j` tells them.
    std::string fromIp() const {
        const std::string script = "import json,subprocess,sys\n"
                                   "j=lambda *a: json.loads(subprocess.check_output(['ip','-j',*a]))\n"
                                   "a=j('-4','addr','show','dev',sys.argv[1])[0]['addr_info'][0]\n"
                                   "r=j('route','show','default')\n"
                                   "print(a['local'],a['prefixlen'],r[0]['gateway'] if r else '-')\n";
        return kez::test::runCommand(setSpace_.exec({"python3", "-c", script, pair_->firstName()})).out;
    }

    // The engine's three properties in the same form.
    std::string fromEngine() {
        com::Variant ip, mask, gateway;
        engine_->get_varLocalIP(ip);
        engine_->get_varSubnetMask(mask);
        engine_->get_varGatewayIP(gateway);
        const auto dotted = [](const com::Variant& v) {
            std::string text;
            for (const std::uint8_t b : kez::test::bytesOf(v))
                text += (text.empty() ? "" : ".") + std::to_string(b);
            return text;
        };
        int prefix = 0;
        for (const std::uint8_t b : kez::test::bytesOf(mask))
            prefix += std::popcount(b);
        return dotted(ip) + " " + std::to_string(prefix) + " " + dotted(gateway) + "\n";
    }

    // Pumps until `count` events start with `line`.
    bool awaitEvent(const std::string& line, std::size_t count = 1) {
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (std::chrono::steady_clock::now() < end) {
            pump();
            const auto lines = events_->lines();
            if (std::ranges::count_if(lines, [&](const std::string& fired) { return fired.starts_with(line); }) >=
                static_cast<std::ptrdiff_t>(count))
                return true;
            std::this_thread::sleep_for(5ms);
        }
        return false;
    }

    kez::test::NetNamespace setSpace_{"ais"};
    kez::test::NetNamespace serverSpace_{"aip"};
    std::unique_ptr<kez::test::VethPair> pair_;
};

TEST_F(AutoIpTest, TheProbeFindsWhatTheKernelSaysOnBothRoads) {
    const auto far = serverSpace_.listenTcp("198.18.0.2", 80);
    const auto near = setSpace_.listenTcp("198.18.0.1", 80);
    ASSERT_TRUE(far && near);
    // The call server across the veth answers later; the set's own address may answer at once.
    std::size_t probes = 0;
    for (const auto& server : {byteArray({198, 18, 0, 2}), byteArray({198, 18, 0, 1})}) {
        engine_->put_varLocalIP({});
        engine_->put_varSubnetMask({});
        engine_->put_varGatewayIP({});
        engine_->put_varVuruvIP(server);
        ASSERT_TRUE(setSpace_.run([&] { EXPECT_EQ(engine_->GetIPFromSocket(), com::S_OK); }));
        EXPECT_TRUE(awaitEvent("AutoIPComplete", ++probes));
        EXPECT_EQ(fromEngine(), fromIp());
        engine_->CancelAutoIPConfig();
    }
    EXPECT_EQ(events_->lines(), (std::vector<std::string>{"AutoIPComplete", "AutoIPComplete"}));
}

TEST_F(AutoIpTest, TheFirstAdapterAsTheKernelHasIt) {
    ASSERT_TRUE(setSpace_.run([&] { EXPECT_EQ(engine_->GetIPFromRegistry(), com::S_OK); }));
    EXPECT_EQ(fromEngine(), fromIp());
    const kez::test::NetNamespace bare("air"); // its loopback only
    ASSERT_TRUE(bare.run([&] {
        EXPECT_EQ(engine_->GetIPFromRegistry(), com::hresultFromErrno(ENOENT));
        EXPECT_EQ(com::takeErrorInfo().value_or(com::ErrorInfo{}).description, "Registry Key Open failure");
    }));
    EXPECT_EQ(fromEngine(), fromIp()) << "unchanged";
}

TEST_F(AutoIpTest, ARefusedConnectionIsAnErrorAndACancelEndsAProbeNobodyAnswers) {
    engine_->put_varVuruvIP(byteArray({198, 18, 0, 2})); // nothing listens: refused
    ASSERT_TRUE(setSpace_.run([&] { EXPECT_EQ(engine_->GetIPFromSocket(), com::S_OK); }));
    EXPECT_TRUE(awaitEvent("Error 0x80043002 connect failed 111"));
    engine_->put_varVuruvIP(byteArray({198, 18, 0, 3})); // no such host: the connect waits
    ASSERT_TRUE(setSpace_.run([&] { EXPECT_EQ(engine_->GetIPFromSocket(), com::S_OK); }));
    std::this_thread::sleep_for(100ms);
    const auto before = std::chrono::steady_clock::now();
    EXPECT_EQ(engine_->CancelAutoIPConfig(), com::S_OK);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
    pump();
    EXPECT_EQ(events_->lines().size(), 1U);
}

TEST_F(EngineTest, AProbeNeedsTheCallServersFourByteAddress) {
    EXPECT_EQ(engine_->GetIPFromSocket(), corvaneError(ENGINE_WINSOCK_ERROR));
    engine_->put_varVuruvIP(byteArray({198, 18, 0, 2, 0}));
    EXPECT_EQ(engine_->GetIPFromSocket(), com::E_FAIL);
    EXPECT_EQ(engine_->CancelAutoIPConfig(), com::S_OK);
}

} // namespace
} // namespace kez::corvane::test
