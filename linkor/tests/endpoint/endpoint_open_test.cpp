// Opening an endpoint on the adapters Ralnet offers: every road of Open and its failure texts,
// the adapter lists, and that an endpoint opens once.
#include <gtest/gtest.h>

#include "endpoint_fixture.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"

namespace kez::linkor::test {
namespace {

struct OpenRoad {
    const char* name;
    const char* adapters; // "{good}" stands for the endpoint's virtual wire
    std::int16_t adapter;
    std::uint32_t hr;
    const char* text;
};

constexpr OpenRoad kRoads[] = {
    {"no adapter", "", -1, 0x80046000, "No network adapters installed"},
    {"index past the list", "{good}", 1, 0x80070057, "No network adapter with that number"},
    {"index below -1", "{good}", -2, 0x80070057, "No network adapter with that number"},
    {"adapter that does not open", "vwire:bad/name", -1, 0x80046000, "J5InitDefault failed"},
    {"chosen by index", "vwire:bad/name {good}", 1, 0, nullptr},
    {"Ralnet's default adapter", "{good} vwire:bad/name", -1, 0, nullptr},
};

std::string joined(const std::vector<std::string>& texts) {
    std::string out;
    for (const auto& text : texts)
        out += (out.empty() ? "" : " ") + text;
    return out;
}

using EndPointOpen = EndPointOnWire;

TEST_F(EndPointOpen, EveryRoadOfOpen) {
    for (const auto& road : kRoads) {
        SCOPED_TRACE(road.name);
        std::string names = road.adapters;
        if (const auto at = names.find("{good}"); at != std::string::npos) names.replace(at, 6, adapter_);
        const ScopedAdapters adapters(names);
        ASSERT_EQ(com::ClassRegistry::createAs(kClsidEndPoint, endPoint_), com::S_OK);
        endPoint_->put_nAdapter(road.adapter);
        for (int attempt = 0; attempt < (road.text ? 2 : 1); ++attempt) {
            com::setErrorInfo(std::nullopt);
            EXPECT_EQ(static_cast<std::uint32_t>(endPoint_->Open()), road.hr);
            const auto info = com::takeErrorInfo();
            EXPECT_EQ(info.has_value(), road.text != nullptr);
            if (info) {
                EXPECT_EQ(*info, (com::ErrorInfo{road.text, "Linkor.EndPoint.1", IEndPoint::iid}));
            }
        }
        Variant listed, described, own;
        endPoint_->get_varRawAdapters(listed);
        endPoint_->get_varAdapterDescriptions(described);
        ASSERT_TRUE(listed.get<com::SafeArray>());
        const auto& texts = listed.get<com::SafeArray>()->texts();
        EXPECT_EQ(joined(texts), names);
        EXPECT_EQ(described.get<com::SafeArray>()->texts(), std::vector<std::string>(texts.size(), "Virtual wire"));
        endPoint_->get_varSourceMac(own);
        EXPECT_EQ(bytesOf(own), road.text ? Bytes(6, 0) : Bytes(kOwnMac.begin(), kOwnMac.end()));
        EXPECT_EQ(endPoint_->Close(), com::S_OK);
    }
}

TEST_F(EndPointOpen, AnEndPointOpensOnce) {
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
