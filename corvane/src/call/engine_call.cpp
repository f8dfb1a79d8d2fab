// The engine's side of the call handlers: the objects and knowledge they ask for, and the
// wave objects' events handed on to them.
#include "engine_object.h"

namespace kez::corvane {

bool Engine::pageActive() const { return call_.pageActive(); }

void Engine::endPage() { call_.endPage(); }

com::Ptr<com::Object> Engine::keptCallState() const { return call_.keptCallState(); }

com::Ptr<sonwell::IWavePlay> Engine::playObject() const { return waves_.play(); }

com::Ptr<sonwell::IWaveRecord> Engine::recordObject() const { return waves_.record(); }

com::Ptr<linkor::IEndPoint> Engine::endPoint() const { return endPoint_; }

std::int16_t Engine::keptAlertMode() const { return control_.keptAlertMode(); }

bool Engine::discovering() const { return control_.discovering(); }

bool Engine::loopToSpeaker(const Variant& data, bool silence, std::uint16_t) { return mikeTestTakes(data, silence); }

void Engine::flowControlTick() { call_.flowControlTick(); }

} // namespace kez::corvane
