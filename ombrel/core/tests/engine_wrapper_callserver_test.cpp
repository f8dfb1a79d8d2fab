// The wrapper with the real engine, made through the registered servers, against the simulated
// call server (kezsim serve --show, which prints every message a set sends) on the cross-process
// virtual wire: the set binds, a key reaches the call server, and a DTMF request reaches the
// observer before its completion goes back.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string_view>

#include "kez/apt/apartment.h"
#include "kez/ui/message_boxes.h"
#include "net_namespace.h"
#include "ombrel/engine_wrapper.h"
#include "ombrel/options.h"
#include "ombrel_test_env.h"
#include "process.h"
#include "scoped_audio_devices.h"
#include "variant_bytes.h"

namespace kez::ombrel {
namespace {

using namespace std::chrono_literals;

const std::string kServerMac = "02:53:49:4d:00:01";

struct DigitsObserver : EngineWrapperEvents {
    std::vector<std::vector<std::uint8_t>> digits;
    void PlayDTMFReceived(const com::Variant& codes) override { digits.push_back(kez::test::bytesOf(codes)); }
};

TEST(EngineWrapperWithTheEngine, BindsThenSendsAKeyAndCompletesTheCallServersDtmf) {
    const test::OmbrelWorld world;
    for (const char* server : {CORVANE_LIBRARY_PATH, LINKOR_LIBRARY_PATH, SONWELL_LIBRARY_PATH})
        ASSERT_EQ(kez::test::runCommand({KEZREGSVR_PATH, std::filesystem::weakly_canonical(server).string()}).exitCode,
                  0);
    const kez::test::ScopedAudioDevices audio("virtual:Headset");
    const std::string wire = "vhub:" + kez::test::uniqueName("ow");
    const kez::test::ScopedEnv adapters("KEZ_ADAPTERS", wire + "@02:00:00:00:00:05");
    kez::test::ChildProcess server;
    ASSERT_TRUE(server.start({KEZ_PYTHON, KEZ_SOURCE_DIR "/tests/callserver/kezsim", "serve", "--show", "--period",
                              "0.2", "--wire", wire, "--mac", kServerMac, "--on-ready", "dtmf 7 1:100,2:120"},
                             {"PYTHONDONTWRITEBYTECODE=1"}));
    // Pumps this thread's apartment, where the engine raises its events, until `done`.
    const auto pumpUntil = [](const std::function<bool()>& done) {
        for (const auto end = std::chrono::steady_clock::now() + 15s; std::chrono::steady_clock::now() < end;) {
            apt::Apartment::current().pumpFor(5ms);
            if (done()) return true;
        }
        return false;
    };
    std::string seen;
    // Until the call server has printed a line holding every part; a line read while waiting for
    // another counts too, since the set's messages cross on their way.
    const auto awaitLine = [&](const std::vector<std::string>& parts) {
        const auto holdsAll = [&](std::string_view line) {
            return std::ranges::all_of(parts, [&](const auto& part) { return line.find(part) != std::string::npos; });
        };
        for (std::size_t from = 0, end; (end = seen.find('\n', from)) != std::string::npos; from = end + 1)
            if (holdsAll(std::string_view(seen).substr(from, end - from))) return true;
        return pumpUntil([&] {
            while (auto line = server.readLine(5ms)) {
                seen += *line + "\n";
                if (holdsAll(*line)) return true;
            }
            return false;
        });
    };
    ASSERT_TRUE(awaitLine({"kezsim: call server"})) << seen;

    const auto boxes = std::make_shared<ui::RecordingMessageBoxes>();
    ui::setMessageBoxes(boxes);
    OptionsClass options;
    options.LoadSettings();
    options.nXAVVersion = 3;
    options.sVuruvMacAddress = "02-53-49-4D-00-01";
    DigitsObserver observer;
    EngineWrapperClass wrapper;
    wrapper.addObserver(observer);
    ASSERT_TRUE(wrapper.bInitialize(options));
    ASSERT_TRUE(wrapper.bStart());
    EXPECT_TRUE(awaitLine({"got StatusMsg", "to " + kServerMac, "nDiscoveryState=2"})) << "bound, in service\n" << seen;
    EXPECT_TRUE(pumpUntil([&] { return !observer.digits.empty(); }));
    EXPECT_EQ(observer.digits, (std::vector<std::vector<std::uint8_t>>{{1, 0, 2, 0}}));
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=5", "nEventInfo1=7"})) << seen;
    wrapper.ButtonDown(5);
    EXPECT_TRUE(awaitLine({"got KzSetEventMsg", "nEventID=3", "nEventInfo1=5"})) << seen;
    wrapper.Deinitialize();
    wrapper.removeObserver(observer);
    EXPECT_TRUE(boxes->shown().empty()) << boxes->shown().front().text;
    ui::setMessageBoxes(nullptr);
}

} // namespace
} // namespace kez::ombrel
