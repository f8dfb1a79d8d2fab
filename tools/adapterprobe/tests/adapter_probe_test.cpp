// adapterprobe's steps over a client table with failures put in: what it prints, and that an
// opened adapter is closed once.
#include "adapter_probe.h"

#include "link/packet_client.h"
#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace kez::adapterprobe {
namespace {

class AdapterProbeTest : public ::testing::Test {
protected:
    void SetUp() override {
        reg::Key key;
        ASSERT_EQ(reg::Key::create(reg::Hive::LocalMachine, "SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel\\Communications",
                                   reg::Access::ReadWrite, key),
                  reg::Status::Ok);
        ASSERT_EQ(key.setString("Adapter", "1"), reg::Status::Ok);
    }

    std::string probe() {
        testing::internal::CaptureStdout();
        run(client_);
        return testing::internal::GetCapturedStdout();
    }

    test::ScopedRegistry registry_;
    test::ScopedEnv adapters_{"KEZ_ADAPTERS", "vwire:apa@02:00:00:00:00:0a vwire:apb@02:00:00:00:00:0b"};
    PacketClient client_ = consoleClient();
};

TEST_F(AdapterProbeTest, AFailedListingPrintsOnlyItsDiagnostic) {
    int opens = 0;
    client_.getAdapterNames = [](char*, std::uint32_t, char*, std::uint32_t) {
        std::fputs("KezGet2000AdapterNames:DeviceIoControl fail 24", stdout);
        return false;
    };
    client_.openAdapter = [&](const char*) -> KezPacketHandle {
        ++opens;
        return nullptr;
    };
    EXPECT_EQ(probe(), "KezGet2000AdapterNames:DeviceIoControl fail 24");
    EXPECT_EQ(opens, 0);
}

TEST_F(AdapterProbeTest, AFailedFilterPrintsItsDiagnosticAndTheAdapterIsClosedOnce) {
    int closes = 0;
    client_.setFilter = [](KezPacketHandle adapter, std::uint32_t filter) {
        return ralnet::link::KezPacketSetFilter(adapter, filter | 0x40000); // bits no port honours
    };
    client_.closeAdapter = [&](KezPacketHandle adapter) {
        ++closes;
        ralnet::link::KezPacketCloseAdapter(adapter);
    };
    EXPECT_EQ(probe(), "Adaptor:0  Raw:vwire:apa@02:00:00:00:00:0a  Desc:Virtual wire\n"
                       "Adaptor:1  Raw:vwire:apb@02:00:00:00:00:0b  Desc:Virtual wire\n"
                       "Ombrel has adaptor 1 selected\n"
                       "Adaptor was opened successfully\n"
                       "KezPacketRequest:DeviceIoControl fail " +
                           std::to_string(EOPNOTSUPP));
    EXPECT_EQ(closes, 1);
}

// The listing ends at a name without a description; the choice still counts along the names.
TEST_F(AdapterProbeTest, ANameWithoutDescriptionEndsTheListingButStaysSelectable) {
    std::string opened;
    client_.getAdapterNames = [](char* names, std::uint32_t, char* descriptions, std::uint32_t) {
        std::memcpy(names, "eth0\0eth1\0", 11);
        std::memcpy(descriptions, "Card\0", 6);
        return true;
    };
    client_.openAdapter = [&](const char* name) -> KezPacketHandle {
        opened = name;
        return nullptr;
    };
    EXPECT_EQ(probe(), "Adaptor:0  Raw:eth0  Desc:Card\nOmbrel has adaptor 1 selected\n");
    EXPECT_EQ(opened, "eth1");
}

} // namespace
} // namespace kez::adapterprobe
