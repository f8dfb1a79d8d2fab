// The shared library as callers see it: only J5 names exported, fixed results, time helpers.
#include "kez/sys/tick.h"
#include "process.h"
#include "ralnet/j5.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

extern "C" int ralnetCRingRoundTrip(void);

namespace {

std::set<std::string> definedDynamicSymbols() {
    std::istringstream lines(kez::test::runCommand({"nm", "-D", "--defined-only", RALNET_LIBRARY}).out);
    std::set<std::string> names;
    for (std::string line; std::getline(lines, line);)
        names.insert(line.substr(line.find_last_of(' ') + 1));
    return names;
}

bool isToolchainSymbol(const std::string& name) {
    return name.rfind("__odr_asan", 0) == 0 || name == "_init" || name == "_fini" || name == "_edata" ||
           name == "_end" || name == "__bss_start";
}

TEST(RalnetAbi, ExportsOnlyTheJ5Interface) {
    const std::set<std::string> provided = {"J5FreePacketObj",
                                            "J5RingInit",
                                            "J5RingBufPut",
                                            "J5RingBufGet",
                                            "J5RingIsEmpty",
                                            "J5RingIsFull",
                                            "J5RingGetUsedEntryCount",
                                            "J5RingGetCurrentSize",
                                            "J5SetSourceAddress",
                                            "J5SetRcvGatewayMACAddr",
                                            "ARPNetGetMacAddrFromIP",
                                            "J5SaveCallBackRoutineAddress",
                                            "J5GetCurrentInstancePointer",
                                            "J5SetCurrentInstancePointer",
                                            "passPointers",
                                            "j5ConvertCauseToErrorCode",
                                            "j5GetTimeDiff",
                                            "tickGet",
                                            "sysClkRateGet",
                                            "dbgfprintf",
                                            "wCrash",
                                            "broadcast",
                                            "pSavedJ5NetIf",
                                            "zeroMacAddress",
                                            "unZeroIPAddress",
                                            "J5Init",
                                            "J5InitConfiguration",
                                            "J5Start",
                                            "J5InitDefault",
                                            "J5InitNTVuruv",
                                            "J5Close",
                                            "J5AudioSend",
                                            "J5DownloadSend",
                                            "J5SendUNROlderRev",
                                            "J5ReceiveObj",
                                            "J5AudioReceiveObj",
                                            "J5EnableAudioPacketsToApp",
                                            "J5SetPacketFilter",
                                            "J5SetMultiCastAddresses",
                                            "J5GetAdapterNames",
                                            "KezPacketOpenAdapter",
                                            "KezPacketCloseAdapter",
                                            "J5SetSourceMACAddr",
                                            "J5GetSourceMACAddr",
                                            "IGMPJoinGroupToRcv",
                                            "IGMPRegisterToLeave",
                                            "IPMyAddressCheck",
                                            "IPGWAddressCheck",
                                            "J5SetChannelParameters",
                                            "j5SetS2DListLength",
                                            "J5Send",
                                            "J5IntrinsicSend",
                                            "J5ReSync",
                                            "J5ErrorReceiveObj",
                                            "JIP_j5_error_handler"};
    const std::set<std::string> exported = definedDynamicSymbols();
    ASSERT_FALSE(exported.empty()) << "nm could not read " << RALNET_LIBRARY;
    for (const auto& name : provided)
        EXPECT_TRUE(exported.count(name)) << name << " missing";
    for (const auto& name : exported) {
        EXPECT_TRUE(provided.count(name) || isToolchainSymbol(name)) << name << " leaks";
    }
}

TEST(RalnetAbi, HeaderWorksFromC) { EXPECT_EQ(ralnetCRingRoundTrip(), 1); }

TEST(RalnetAbi, FixedResultExports) {
    J5NetIf ctx{};
    std::uint8_t mac[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(J5SetSourceAddress(&ctx, mac, mac), 1);
    EXPECT_EQ(ARPNetGetMacAddrFromIP(&ctx, mac, 10, 3, mac), 0);
    EXPECT_EQ(mac[0], 1) << "no address is resolved or written";
    J5SetRcvGatewayMACAddr(nullptr, nullptr);
    J5SetCurrentInstancePointer(&ctx, nullptr, nullptr);
    passPointers(&ctx, nullptr, nullptr);
    J5SaveCallBackRoutineAddress(nullptr);
    dbgfprintf(1);
    wCrash(2);
    EXPECT_EQ(J5GetCurrentInstancePointer(), pSavedJ5NetIf);
    EXPECT_EQ(sysClkRateGet(), 1000);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(broadcast[i], 0xFF);
        EXPECT_EQ(zeroMacAddress[i], 0);
    }
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(unZeroIPAddress[i], 0);
}

TEST(RalnetAbi, CauseToErrorCodeTable) {
    const J5ErrorCode expected[16] = {0x6001, 0x6003, 0x6004, 0x6005, 0x6006, 0x6007, 0x6002, 0x6009,
                                      0x6008, 0x6014, 0x6015, 0x6016, 0x6017, 0x6018, 0x6001, 0x6001};
    for (std::uint16_t nibble = 0; nibble < 16; ++nibble) {
        EXPECT_EQ(j5ConvertCauseToErrorCode(static_cast<J5Result>(0x8000 | nibble << 8 | 0x05)), expected[nibble]);
    }
    EXPECT_EQ(j5ConvertCauseToErrorCode(J5_ERR_RESYNC_NEEDED), 0x6009);
}

TEST(RalnetAbi, TickAndTimeDifference) {
    kez::sys::TestClock clock(1000);
    EXPECT_EQ(tickGet(), 1000u);
    EXPECT_EQ(j5GetTimeDiff(400), 600u);
    EXPECT_EQ(j5GetTimeDiff(1000), 0u);
    clock.set(5);
    EXPECT_EQ(j5GetTimeDiff(0xFFFFFFF0u), 20u) << "one less across the wrap";
}

} // namespace
