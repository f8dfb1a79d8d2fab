// Open on the adapters Ralnet offers: every road and failure text, the adapter lists, opening once.
#include <gtest/gtest.h>

#include "endpoint_fixture.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "packet_ledger.h"

namespace kez::linkor::test {
namespace {

struct OpenRoad {
    const char* adapters; // "@" stands for the endpoint's virtual wire
    std::int16_t adapter;
    std::uint32_t hr;
    const char* text;
};

constexpr OpenRoad kRoads[] = {
    {"", -1, 0x80046000, "No network adapters installed"},
    {"@", 1, 0x80070057, "No network adapter with that number"},
    {"@", -2, 0x80070057, "No network adapter with that number"},
    {"vwire:bad/name", -1, 0x80046000, "J5InitDefault failed"},
    {"vwire:bad/name @", 1, 0, nullptr},  // chosen by index
    {"@ vwire:bad/name", -1, 0, nullptr}, // Ralnet's default adapter: the first
};

TEST_F(EndPointOnWire, EveryRoadOfOpen) {
    for (const auto& road : kRoads) {
        std::string names = road.adapters;
        if (const auto at = names.find('@'); at != std::string::npos) names.replace(at, 1, adapter_);
        SCOPED_TRACE(names + " #" + std::to_string(road.adapter));
        const ScopedAdapters adapters(names);
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEndPoint, endPoint_), com::S_OK);
        endPoint_->put_nAdapter(road.adapter);
        for (int attempt = 0; attempt < (road.text ? 2 : 1); ++attempt) { // a failure leaves it closed
            EXPECT_EQ(static_cast<std::uint32_t>(endPoint_->Open()), road.hr);
            const auto info = com::takeErrorInfo();
            EXPECT_EQ(info, road.text ? std::optional(com::ErrorInfo{road.text, "Linkor.EndPoint.1", IEndPoint::iid})
                                      : std::nullopt);
        }
        Variant listed, described, own;
        endPoint_->get_varRawAdapters(listed);
        endPoint_->get_varAdapterDescriptions(described);
        const auto& texts = listed.get<com::SafeArray>()->texts();
        std::string joined;
        for (const auto& name : texts)
            joined += (joined.empty() ? "" : " ") + name;
        EXPECT_EQ(joined, names);
        EXPECT_EQ(described.get<com::SafeArray>()->texts(), std::vector<std::string>(texts.size(), "Virtual wire"));
        endPoint_->get_varSourceMac(own);
        EXPECT_EQ(bytesOf(own), road.text ? Bytes(6, 0) : Bytes(kOwnMac.begin(), kOwnMac.end()));
        EXPECT_EQ(endPoint_->Close(), com::S_OK);
    }
}

// A single adapter brings its own settings: varLocalIP reaches Ralnet only when there are several.
TEST_F(EndPointOnWire, LocalIpReachesRalnetOnlyWithSeveralAdapters) {
    const std::array<std::uint8_t, 4> ip{198, 18, 0, 7};
    for (const bool several : {false, true}) {
        SCOPED_TRACE(several ? "two adapters" : "one adapter");
        const ScopedAdapters adapters(several ? adapter_ + " vwire:bad/name" : adapter_);
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEndPoint, endPoint_), com::S_OK);
        ASSERT_EQ(endPoint_->put_varLocalIP(byteArray(ip)), com::S_OK);
        ASSERT_EQ(endPoint_->Open(), com::S_OK);
        EXPECT_EQ(lastInitOwnIp(), several ? std::optional(ip) : std::nullopt);
        EXPECT_EQ(endPoint_->Close(), com::S_OK);
    }
}

TEST_F(EndPointOnWire, AnEndPointOpensOnce) {
    ASSERT_EQ(endPoint_->Open(), com::S_OK);
    EXPECT_EQ(endPoint_->Open(), com::E_UNEXPECTED);
    EXPECT_EQ(com::takeErrorInfo()->description, "The endpoint is already open");
    EXPECT_EQ(endPoint_->Close(), com::S_OK);
    EXPECT_EQ(endPoint_->Open(), com::E_UNEXPECTED);
    EXPECT_EQ(com::takeErrorInfo()->description, "The endpoint was closed");
    EXPECT_EQ(endPoint_->Close(), com::S_OK);
}

} // namespace
} // namespace kez::linkor::test
