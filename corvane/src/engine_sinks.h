#pragma once
// The sinks the engine advises on the objects it creates. Each holds a plain pointer to its
// engine: the engine unadvises them in Stop, before it goes.
#include "kez/com/object.h"

namespace kez::corvane {

class Engine;

com::Ptr<com::Object> makeEndPointSink(Engine& engine);
com::Ptr<com::Object> makeWavePlaySink(Engine& engine);
// Recorded audio goes to the call, or to the microphone test while it runs.
com::Ptr<com::Object> makeWaveRecordSink(Engine& engine);

} // namespace kez::corvane
