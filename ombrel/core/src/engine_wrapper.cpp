#include "ombrel/engine_wrapper.h"

#include <algorithm>
#include <exception>

#include "engine_call.h"
#include "kez/com/class_registry.h"
#include "kez/com/connection_point_container.h"
#include "kez/ui/message_boxes.h"
#include "kez/vb/conversions.h"
#include "kez/vb/runtime_error.h"
#include "ombrel/engine_errors.h"
#include "ombrel/options.h"
#include "ombrel/rirovuruz_globals.h"

namespace kez::ombrel {
namespace {

using com::toVariantBool;

// Call-progress tone n is the tone table's row 16 + n.
constexpr std::int16_t kCallProgressRows = 16;

} // namespace

EngineWrapperClass::~EngineWrapperClass() { release(); }

void EngineWrapperClass::addObserver(EngineWrapperEvents& observer) { observers_.push_back(&observer); }

void EngineWrapperClass::removeObserver(EngineWrapperEvents& observer) { std::erase(observers_, &observer); }

bool EngineWrapperClass::guard(std::string_view context, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (const vb::RuntimeError& error) {
        DisplayEngineError(error.number(), context, error.description());
    } catch (const std::exception& error) {
        DisplayEngineError(com::E_FAIL, context, error.what());
    }
    return false;
}

bool EngineWrapperClass::member(std::string_view name, const std::function<void()>& body) {
    return guard("EngineWrapperClass." + std::string(name), body);
}

corvane::IEngine& EngineWrapperClass::engine() const {
    if (!moJ5Engine) throw vb::RuntimeError(vb::error::kObjectNotSet);
    return *moJ5Engine;
}

void EngineWrapperClass::bMute(bool muted) {
    member("bMute", [&] { check(engine().put_bMute(toVariantBool(muted))); });
}

bool EngineWrapperClass::bSharedWave() {
    com::VariantBool shared = com::VARIANT_FALSE;
    member("bSharedWave", [&] { check(engine().get_bShareWave(shared)); });
    return shared != com::VARIANT_FALSE;
}

com::Variant EngineWrapperClass::varNetworkAdapters() {
    com::Variant adapters;
    guard("Initializing - EngineWrapperClass.varNetworkAdapters", [&] { check(engine().get_varAdapters(adapters)); });
    return adapters;
}

com::Variant EngineWrapperClass::varPlayAdapters() {
    com::Variant adapters;
    guard("Initializing - EngineWrapperClass.varPlayAdapters", [&] { check(engine().get_varPlayAdapters(adapters)); });
    return adapters;
}

com::Variant EngineWrapperClass::varRecordAdapters() {
    com::Variant adapters;
    guard("Initializing - EngineWrapperClass.varRecordAdapters",
          [&] { check(engine().get_varRecordAdapters(adapters)); });
    return adapters;
}

bool EngineWrapperClass::bStart() {
    return member("bStart", [&] {
        if (options_) options_->DumpSettings();
        check(engine().Start());
    });
}

void EngineWrapperClass::Deinitialize() {
    member("Deinitialize", [&] {
        const bool stop = initialised_;
        initialised_ = false;
        if (stop) check(engine().Stop());
    });
    // The engine goes even when its Stop failed: nothing else would ever release it.
    release();
}

void EngineWrapperClass::ButtonDown(KeyId rnButton) {
    try {
        switch (keyRole(rnButton)) {
        case KeyRole::Mute: return; // the controller mutes
        case KeyRole::VolumeUp: return check(engine().ChangeVolume(100));
        case KeyRole::VolumeDown: return check(engine().ChangeVolume(-100));
        default: return check(engine().ButtonDown(rnButton));
        }
    } catch (const vb::RuntimeError& error) {
        if (error.number() == kWaveDeviceBusy || error.number() == kWaveFormatRefused) {
            ui::showMessageBox("Another application is recording audio. Stop recording with this \r\n"
                               "other application and then try again.",
                               {}, ui::Icon::Exclamation);
            return;
        }
        DisplayEngineError(error.number(), "ButtonDown", error.description());
    } catch (const std::exception& error) {
        DisplayEngineError(com::E_FAIL, "ButtonDown", error.what());
    }
}

void EngineWrapperClass::ButtonUp(KeyId) {}

void EngineWrapperClass::PlayDTMFTone(std::int16_t rnButton, std::int16_t rnDuration, std::int16_t rnGap,
                                      std::int32_t rlPriority, bool rbOverride) {
    member("PlayDTMFTone",
           [&] { check(engine().PlayDTMFTone(rnButton, rnDuration, rnGap, rlPriority, toVariantBool(rbOverride))); });
}

// The engine's call-progress member plays tone row 16 + n without waiting; DTMF key k is row k.
void EngineWrapperClass::StartDTMFTone(std::int16_t rnButton, std::int16_t rnDuration, std::int32_t rlPriority,
                                       bool rbOverride) {
    member("PlayDTMFTone", [&] {
        stopStream(dtmfStream_);
        std::int32_t stream = 0;
        const auto tone = static_cast<std::int16_t>(rnButton - kCallProgressRows);
        check(engine().PlayCallProgTone(tone, rnDuration, rlPriority, toVariantBool(rbOverride), stream));
        dtmfStream_ = stream;
    });
}

void EngineWrapperClass::StopDTMFTone() {
    member("PlayDTMFTone", [&] { stopStream(dtmfStream_); });
}

void EngineWrapperClass::PlayCallProgTone(std::int16_t rnTone, std::int16_t rnDuration, std::int32_t rlPriority,
                                          bool rbOverride) {
    member("PlayCallProgTone", [&] {
        std::int32_t stream = 0;
        check(engine().PlayCallProgTone(rnTone, rnDuration, rlPriority, toVariantBool(rbOverride), stream));
        callProgressStream_ = stream;
    });
}

void EngineWrapperClass::stopStream(std::int32_t& handle) {
    if (handle == 0) return;
    const auto hr = engine().KillWaveStream(handle);
    // A stream the engine no longer knows is gone as well: keeping its handle would fail every later stop.
    handle = 0;
    check(hr);
}

void EngineWrapperClass::StopCallProgTone() {
    member("StopCallProgTone", [&] { stopStream(callProgressStream_); });
}

void EngineWrapperClass::PlayAlert(std::int16_t rnAlert, std::int16_t rnCadence, std::int16_t rnCycles,
                                   std::int32_t rlPriority, bool rbOverride) {
    member("PlayAlert", [&] {
        std::int32_t stream = 0;
        check(engine().PlayAlert(rnAlert, rnCadence, rnCycles, rlPriority, toVariantBool(rbOverride), stream));
        alertStream_ = stream;
    });
}

void EngineWrapperClass::StopAlert() {
    member("StopAlert", [&] { stopStream(alertStream_); });
}

void EngineWrapperClass::PlayTimedWaveFile(const std::string& rsFile, std::int16_t rnDuration, std::int32_t rlPriority,
                                           bool rbOverride) {
    member("PlayTimedWaveFile", [&] {
        if (timedStream_ != 0 || !gFileExists(rsFile)) return;
        std::int32_t stream = 0;
        check(engine().PlayTimedWaveFile(rsFile, rnDuration, rlPriority, toVariantBool(rbOverride), stream));
        timedStream_ = stream;
    });
}

void EngineWrapperClass::PlayCycledWaveFile(const std::string& rsFile, std::int16_t rnCycles, std::int32_t rlPriority,
                                            bool rbOverride) {
    member("PlayCycledWaveFile", [&] {
        if (cycledStream_ != 0 || !gFileExists(rsFile)) return;
        std::int32_t stream = 0;
        check(engine().PlayCycledWaveFile(rsFile, rnCycles, rlPriority, toVariantBool(rbOverride), stream));
        cycledStream_ = stream;
    });
}

void EngineWrapperClass::PlayWaveFile(const std::string& rsFile, std::int16_t rnGap, std::int32_t rlPriority,
                                      bool rbOverride) {
    member("PlayWaveFile", [&] {
        if (timedStream_ != 0 || !gFileExists(rsFile)) return;
        check(engine().PlayWaveFile(rsFile, rnGap, rlPriority, toVariantBool(rbOverride)));
    });
}

void EngineWrapperClass::StopTimedWavePlay() {
    member("StopTimedWavePlay", [&] { stopStream(timedStream_); });
}

void EngineWrapperClass::StopCycledWavePlay() {
    member("StopCycledWavePlay", [&] { stopStream(cycledStream_); });
}

bool EngineWrapperClass::CaptureMixerState(const std::string& rsRegistrykey) {
    return member("CaptureMixerState", [&] { check(engine().CaptureMixerState(rsRegistrykey)); });
}

void EngineWrapperClass::RestoreMixerState(const std::string& rsRegistrykey) {
    member("RestoreMixerState", [&] { check(engine().RestoreMixerState(rsRegistrykey)); });
}

void EngineWrapperClass::copyAudioSettings(const OptionsClass& options) {
    check(engine().put_lBufferDelay(options.lAudioBufferSize));
    check(engine().put_lBufferMultiplier(options.lAudioBufferMultiplier));
    check(engine().put_nRecordAdapter(options.nRecordAdapterIndex));
    check(engine().put_nPlayAdapter(options.nPlayAdapterIndex));
}

void EngineWrapperClass::TestAudio(OptionsClass& roOptions, std::int16_t rnTone, std::int16_t rnFormat,
                                   std::int32_t rlTime) {
    member("TestAudio", [&] {
        copyAudioSettings(roOptions);
        check(engine().TestAudio(rnTone, rnFormat, rlTime));
    });
}

void EngineWrapperClass::StartMikeTest(OptionsClass& roOptions) {
    member("StartMikeTest", [&] {
        copyAudioSettings(roOptions);
        check(engine().StartMikeTest());
    });
}

void EngineWrapperClass::StopMikeTest() {
    member("StopMikeTest", [&] { check(engine().StopMikeTest()); });
}

void EngineWrapperClass::StartAutoDiscover(std::int16_t rnAdapter) {
    member("StartAutoDiscover", [&] {
        check(engine().put_nAdapter(rnAdapter));
        check(engine().put_varVuruvMac(com::Variant{}));
        check(engine().put_varVuruvIP(com::Variant{}));
        check(engine().StartAutoDiscover());
    });
}

void EngineWrapperClass::StopAutoDiscover() {
    member("StopAutoDiscover", [&] { check(engine().StopAutoDiscover()); });
}

bool EngineWrapperClass::bAutoConfigureIP(const com::Variant& rvarVuruvIP, com::Variant& rvarLocalIP,
                                          com::Variant& rvarSubnetMask, com::Variant& rvarGateway) {
    return member("bAutoConfigureIP", [&] {
        if (!rvarVuruvIP.isEmpty()) check(engine().put_varVuruvIP(rvarVuruvIP));
        check(engine().GetIPFromSocket());
        if (rvarVuruvIP.isEmpty()) return;
        check(engine().get_varLocalIP(rvarLocalIP));
        check(engine().get_varSubnetMask(rvarSubnetMask));
        check(engine().get_varGatewayIP(rvarGateway));
    });
}

void EngineWrapperClass::CancelAutoIPConfig() {
    member("CancelAutoIPConfig", [&] { check(engine().CancelAutoIPConfig()); });
}

void EngineWrapperClass::BeepSpeaker(std::int32_t rlFrequency, std::int32_t rlDuration) {
    member("BeepSpeaker", [&] { check(engine().BeepSpeaker(rlFrequency, rlDuration)); });
}

void EngineWrapperClass::DisplayEngineError(std::int32_t rlErrorNum, std::string_view rsContext,
                                            std::string_view rsErrorMessage) {
    const auto text = engineErrorText(rlErrorNum, rsContext, rsErrorMessage);
    gLogError(rlErrorNum, rsContext, classifyEngineError(rlErrorNum).word);
    ui::showMessageBox(text, "Error", ui::Icon::Critical);
}

} // namespace kez::ombrel
