// Members whose audio, discovery and IP-configuration work this engine does not do yet.
#include "engine_object.h"
#include "error_report.h"

namespace kez::corvane {
namespace {

HRESULT notBuilt() { return reportEngineError(E_NOTIMPL, "Not available in this engine"); }

} // namespace

HRESULT Engine::PlayTimedWaveFile(const std::string&, std::int16_t, std::int32_t, VariantBool, std::int32_t&) {
    return notBuilt();
}
HRESULT Engine::PlayCycledWaveFile(const std::string&, std::int16_t, std::int32_t, VariantBool, std::int32_t&) {
    return notBuilt();
}
HRESULT Engine::KillWaveStream(std::int32_t) { return notBuilt(); }
HRESULT Engine::ChangeVolume(std::int16_t) { return notBuilt(); }
HRESULT Engine::TestAudio(std::int16_t, std::int16_t, std::int32_t) { return notBuilt(); }
HRESULT Engine::StartMikeTest() { return notBuilt(); }
HRESULT Engine::StopMikeTest() { return notBuilt(); }
HRESULT Engine::get_varRecordAdapters(Variant&) { return notBuilt(); }
HRESULT Engine::get_varPlayAdapters(Variant&) { return notBuilt(); }
HRESULT Engine::CaptureMixerState(const std::string&) { return notBuilt(); }
HRESULT Engine::RestoreMixerState(const std::string&) { return notBuilt(); }
HRESULT Engine::BeepSpeaker(std::int32_t, std::int32_t) { return notBuilt(); }
HRESULT Engine::PlayDTMFTone(std::int16_t, std::int16_t, std::int16_t, std::int32_t, VariantBool) { return notBuilt(); }
HRESULT Engine::PlayCallProgTone(std::int16_t, std::int16_t, std::int32_t, VariantBool, std::int32_t&) {
    return notBuilt();
}
HRESULT Engine::PlayAlert(std::int16_t, std::int16_t, std::int16_t, std::int32_t, VariantBool, std::int32_t&) {
    return notBuilt();
}
HRESULT Engine::PlayWaveFile(const std::string&, std::int16_t, std::int32_t, VariantBool) { return notBuilt(); }

} // namespace kez::corvane
