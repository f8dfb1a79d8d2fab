// The engine object: its properties and defaults, the error convention, and the key and DTMF
// events it sends, byte for byte against the independent message model.
#include <gtest/gtest.h>

#include <functional>

#include "engine_fixture.h"
#include "jipmsg_oracle.h"
#include "kez/com/error_info.h"
#include "shared/reports.h"

namespace kez::corvane::test {
namespace {

constexpr std::uint16_t kKzSetEventType = 0x0205;

struct Default {
    const char* property;
    std::function<std::int32_t(IEngine&)> read;
    std::int32_t expected;
};

template <class T>
std::function<std::int32_t(IEngine&)> reader(com::HRESULT (IEngine::*get)(T&)) {
    return [get](IEngine& engine) {
        T value{};
        return com::SUCCEEDED((engine.*get)(value)) ? static_cast<std::int32_t>(value) : -12345;
    };
}

std::function<std::int32_t(IEngine&)> bytesIn(com::HRESULT (IEngine::*get)(com::Variant&)) {
    return [get](IEngine& engine) {
        com::Variant value;
        (engine.*get)(value);
        return value.isEmpty() ? 0 : -1;
    };
}

TEST_F(EngineTest, PropertiesStartWithTheirDefaults) {
    const std::vector<Default> defaults{
        {"varVuruvMac", bytesIn(&IEngine::get_varVuruvMac), 0},
        {"lBufferDelay", reader(&IEngine::get_lBufferDelay), 5},
        {"varVuruvIP", bytesIn(&IEngine::get_varVuruvIP), 0},
        {"bForceLevel3", reader(&IEngine::get_bForceLevel3), 0},
        {"varLocalIP", bytesIn(&IEngine::get_varLocalIP), 0},
        {"varSubnetMask", bytesIn(&IEngine::get_varSubnetMask), 0},
        {"varGatewayIP", bytesIn(&IEngine::get_varGatewayIP), 0},
        {"bMute", reader(&IEngine::get_bMute), 0},
        {"nNoiseFloor", reader(&IEngine::get_nNoiseFloor), 50},
        {"bSoftDevice", reader(&IEngine::get_bSoftDevice), -1},
        {"nAdapter", reader(&IEngine::get_nAdapter), -1},
        {"lBufferMultiplier", reader(&IEngine::get_lBufferMultiplier), 1},
        {"bJitter", reader(&IEngine::get_bJitter), 0},
        {"nJitterFactor", reader(&IEngine::get_nJitterFactor), 32767},
        {"lJitterDelay", reader(&IEngine::get_lJitterDelay), 50},
        {"nRecordAdapter", reader(&IEngine::get_nRecordAdapter), -1},
        {"nPlayAdapter", reader(&IEngine::get_nPlayAdapter), -1},
        {"lBufferSamples", reader(&IEngine::get_lBufferSamples), 192},
        {"bAllMulticast", reader(&IEngine::get_bAllMulticast), 0},
        {"bShareWave", reader(&IEngine::get_bShareWave), 0},
        {"nToneStrength", reader(&IEngine::get_nToneStrength), 100},
        {"nWaveShutdownDelay", reader(&IEngine::get_nWaveShutdownDelay), 5},
        {"varSystemStateMCMAC", bytesIn(&IEngine::get_varSystemStateMCMAC), 0},
        {"nProtocolRevision", reader(&IEngine::get_nProtocolRevision), 0},
    };
    for (const auto& d : defaults)
        EXPECT_EQ(d.read(*engine_), d.expected) << d.property;
}

TEST_F(EngineTest, ToneStrengthOutside0To100IsIgnoredAndStillSucceeds) {
    for (const std::int16_t refused : {101, -1, 32767}) {
        EXPECT_EQ(engine_->put_nToneStrength(refused), com::S_OK);
    }
    std::int16_t strength = 0;
    engine_->get_nToneStrength(strength);
    EXPECT_EQ(strength, 100);
    EXPECT_EQ(engine_->put_nToneStrength(0), com::S_OK);
    engine_->get_nToneStrength(strength);
    EXPECT_EQ(strength, 0);
}

TEST_F(EngineTest, MicrophoneVolumeGoesThroughTheRecordObjectOnly) {
    std::int16_t volume = 77;
    EXPECT_EQ(engine_->put_nMikeVolume(10), com::S_OK);
    EXPECT_EQ(engine_->get_nMikeVolume(volume), com::S_OK);
    EXPECT_EQ(volume, 77) << "no record object: the get writes nothing";
    ASSERT_EQ(engine_->Start(), com::S_OK);
    EXPECT_EQ(engine_->put_nMikeVolume(10), com::S_OK);
    EXPECT_EQ(engine_->get_nMikeVolume(volume), com::S_OK);
    EXPECT_EQ(volume, 10);
}

TEST_F(EngineTest, AdaptersComeFromAnEndpointMadeForTheCall) {
    com::Variant adapters;
    ASSERT_EQ(engine_->get_varAdapters(adapters), com::S_OK);
    ASSERT_TRUE(adapters.get<com::SafeArray>());
    EXPECT_EQ(adapters.get<com::SafeArray>()->textAt(0), "veth test adapter");
    doubles_.refuse.push_back("EndPoint");
    EXPECT_EQ(engine_->get_varAdapters(adapters), com::E_OUTOFMEMORY);
    const auto info = com::takeErrorInfo();
    ASSERT_TRUE(info);
    EXPECT_EQ(info->description, "Endpoint object create failure");
    EXPECT_EQ(info->interfaceId, kIidIEngine);
}

TEST_F(EngineTest, KeyPressesAndDtmfCompletionsAreKzSetEventsToTheCallServer) {
    engine_->put_varVuruvMac(byteArray(kServerMac));
    engine_->put_nProtocolRevision(static_cast<std::int16_t>(0x80B3));
    startShared();
    for (const std::int16_t key : {0, 7, 15, 16, 21})
        ASSERT_EQ(engine_->ButtonDown(key), com::S_OK);
    ASSERT_EQ(engine_->DTMFPlayComplete(0x1234), com::S_OK);
    const auto sent = sentOfType(kKzSetEventType);
    ASSERT_EQ(sent.size(), 6u);
    const std::vector<std::pair<int, int>> expected{{3, 0}, {3, 7}, {3, 15}, {3, 16}, {3, 21}, {5, 0x1234}};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        const auto [id, info] = expected[i];
        EXPECT_EQ(sent[i].payload,
                  modelPayload("KzSetEventMsg",
                               "{'nProtocolRevision': -32589, 'nDeviceHandle': -1, 'nEventID': " + std::to_string(id) +
                                   ", 'nEventInfo1': " + std::to_string(info) + "}"))
            << i;
        EXPECT_EQ(sent[i].destMac, kServerMac);
        EXPECT_EQ(sent[i].headerBits, 0x0011);
    }
}

TEST_F(EngineTest, AKeyBeforeStartIsRefused) {
    EXPECT_EQ(engine_->ButtonDown(5), com::E_UNEXPECTED);
    EXPECT_EQ(com::takeErrorInfo()->description, "Engine not started");
}

struct SharedKeyCase {
    const char* failing;
    std::vector<std::string> expectedWaveCalls;
};

TEST_F(EngineTest, InSharedModeAKeyOpensRecordThenPlayAndAFailureSendsNothing) {
    const std::vector<SharedKeyCase> cases{
        {"WaveRecord.Open", {"WaveRecord.Open", "WaveRecord.Unadvise"}},
        {"WavePlay.Open",
         {"WaveRecord.Open", "WavePlay.Open", "WavePlay.Unadvise", "WaveRecord.Unadvise", "WaveRecord.Close"}},
    };
    startShared();
    for (const auto& c : cases) {
        doubles_.log.clear();
        doubles_.log.failOn(c.failing, com::E_FAIL);
        EXPECT_EQ(engine_->ButtonDown(5), com::E_FAIL) << c.failing;
        EXPECT_EQ(com::takeErrorInfo()->description, std::string(c.failing) + " failed");
        std::vector<std::string> waveCalls;
        for (const auto& call : doubles_.log.calls())
            if ((call.rfind("Wave", 0) == 0) && call.find(".put_") == std::string::npos &&
                call.find(".Advise") == std::string::npos && call.find("StartStreaming") == std::string::npos)
                waveCalls.push_back(call);
        EXPECT_EQ(waveCalls, c.expectedWaveCalls) << c.failing;
        doubles_.log.clearFailures();
    }
    EXPECT_TRUE(sentOfType(kKzSetEventType).empty());
    EXPECT_EQ(engine_->ButtonDown(5), com::S_OK);
    EXPECT_EQ(sentOfType(kKzSetEventType).size(), 1u);
}

TEST_F(EngineTest, StatusAndReportPayloadsMatchTheModel) {
    SharedFields fields;
    fields.localIp = byteArray({198, 18, 0, 1});
    fields.subnetMask = byteArray({255, 255, 255, 0});
    fields.gatewayIp = byteArray({198, 18, 0, 254});
    fields.vuruvIp = byteArray(kServerIp);
    fields.protocolRevision = static_cast<std::int16_t>(0x80B3);
    fields.initReceived = true;
    fields.deviceHandle = 0x0102;
    const std::string common = "'nProtocolRevision': -32589, 'nDeviceHandle': 258, 'nDeviceType': 512, "
                               "'varMyIP': [198, 18, 0, 1], 'varGatewayIP': [198, 18, 0, 254], "
                               "'varSubNetMask': [255, 255, 255, 0], 'varVuruvIP': [198, 18, 0, 2], "
                               "'nDiscoveryState': 2, 'nSystemStateMsgCount': 4, ";
    const std::string devices = "[(0x205, 2, 1), (0x205, 3, 1), (0x207, 5, 1)";
    com::Ptr<linkor::IEndPoint> made;
    ASSERT_EQ(com::ClassRegistry::createAs(linkor::kClsidEndPoint, made), com::S_OK);
    auto& endPoint = *doubles_.endPoint();
    const com::Variant fixedMac = byteArray(kUnboundDestination);
    for (const bool soft : {true, false}) {
        fields.softDevice = com::toVariantBool(soft);
        fields.forceLevel3 = com::toVariantBool(soft);
        ASSERT_EQ(sendStatusMessage(endPoint, reportFields(fields, fixedMac), byteArray(doubles_.ownMac), 4),
                  com::S_OK);
        EXPECT_EQ(doubles_.sent().back().payload, modelPayload("StatusMsg",
                                                               "{'varMacAddress': [2, 0, 0, 0, 0, 5], " + common +
                                                                   "'nDeviceLocation': " + (soft ? "2" : "1") + "}",
                                                               devices + (soft ? ", (0x208, 6, 1)]" : "]")));
        EXPECT_EQ(doubles_.sent().back().payload.size(), soft ? 238u : 230u);
        EXPECT_EQ(doubles_.sent().back().destMac, kUnboundDestination);
    }
    ASSERT_EQ(sendReportIPInfo(endPoint, reportFields(fields, fixedMac), 4), com::S_OK);
    EXPECT_EQ(doubles_.sent().back().payload, modelPayload("ReportIPInfoMsg", "{" + common + "'nDeviceLocation': 1}"));
}

TEST_F(EngineTest, FlowControlEventsGoAsReliableControlFromTheAudioVdn) {
    com::Ptr<linkor::IEndPoint> made;
    ASSERT_EQ(com::ClassRegistry::createAs(linkor::kClsidEndPoint, made), com::S_OK);
    const Addressing audio{0x0019, 0xB8, 0x2005, byteArray(kOtherServerMac), byteArray(kServerIp)};
    ASSERT_EQ(sendKzSetEvent(*doubles_.endPoint(), flowControlEvent(audio, 7, -32589, kEventFlowResume, 300)),
              com::S_OK);
    const auto sent = doubles_.sent().back();
    EXPECT_EQ(sent.headerBits, 0x0011);
    EXPECT_EQ(sent.destMac, kOtherServerMac);
    EXPECT_EQ(sent.payload, modelPayload("KzSetEventMsg", "{'nProtocolRevision': -32589, 'nDeviceHandle': 7, "
                                                          "'nEventID': 9, 'nEventInfo1': 300, 'nEventInfo2': 20}"));
    std::int16_t srcVdn = 0, destVdn = 0;
    com::query<linkor::IJIPMessage>(sent.message)->get_nSrcVDN(srcVdn);
    com::query<linkor::IJIPMessage>(sent.message)->get_nDestVDN(destVdn);
    EXPECT_EQ(srcVdn, 2);
    EXPECT_EQ(destVdn, 1);
}

} // namespace
} // namespace kez::corvane::test
