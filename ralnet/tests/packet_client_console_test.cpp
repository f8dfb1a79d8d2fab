// The console-diagnostics build of the packet-driver client: each failure prints one line,
// without its end, naming the operation and the failing call.
#include "link/packet_client.h"

#include "scoped_registry.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace ralnet::link {
namespace {

TEST(PacketClientConsole, FailuresPrintTheirDiagnostic) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(KezPacketOpenAdapter("kznosuch0"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KezPacketOpenAdapter:CreateFile fail " + std::to_string(ENODEV));

    {
        const kez::test::ScopedEnv noAdapters("KEZ_ADAPTERS", "");
        testing::internal::CaptureStdout();
        EXPECT_EQ(KezPacketOpenAdapter(nullptr), nullptr) << "no adapter to default to";
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "KezPacketOpenAdapter:CreateFile fail " + std::to_string(ENODEV));
    }

    testing::internal::CaptureStdout();
    EXPECT_FALSE(KezPacketSetFilter(nullptr, 13));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "KezPacketRequest:DeviceIoControl fail " + std::to_string(EBADF));
}

TEST(PacketClientConsole, OnlyTheFailingRequestSpeaks) {
    testing::internal::CaptureStdout();
    KezPacketHandle adapter = KezPacketOpenAdapter("vwire:console@02:00:00:00:00:05");
    ASSERT_NE(adapter, nullptr);
    EXPECT_TRUE(KezPacketSetFilter(adapter, 13));
    std::uint8_t mac[J5_MAC_LEN] = {};
    EXPECT_TRUE(KezPacketQueryAddress(adapter, mac));
    EXPECT_EQ(mac[5], 0x05);
    EXPECT_FALSE(KezPacketSetFilter(adapter, 0x40000)) << "unsupported bits";
    link::KezPacketCloseAdapter(adapter);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "KezPacketRequest:DeviceIoControl fail " + std::to_string(EOPNOTSUPP));
}

} // namespace
} // namespace ralnet::link
