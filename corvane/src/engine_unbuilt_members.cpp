// Members whose audio, discovery and IP-configuration work this engine does not do yet.
#include "engine_object.h"
#include "error_report.h"

namespace kez::corvane {
namespace {

HRESULT notBuilt() { return reportEngineError(E_NOTIMPL, "Not available in this engine"); }

} // namespace

HRESULT Engine::StartAudioSend(const Variant&) { return notBuilt(); }
HRESULT Engine::StopAudioSend() { return notBuilt(); }
HRESULT Engine::StartAudioReceive(const Variant&, std::int16_t) { return notBuilt(); }
HRESULT Engine::StopAudioReceive() { return notBuilt(); }

} // namespace kez::corvane
