#pragma once
// The sinks the engine advises on the objects it creates, each handing its events straight to
// the core that takes them. The engine unadvises them in Stop, before its cores go.
#include "kez/com/object.h"

namespace kez::corvane {

class CallAudio;
class ControlHandlers;

// Control messages go to the control core, call and audio messages to the call core.
com::Ptr<com::Object> makeEndPointSink(ControlHandlers& control, CallAudio& call);
com::Ptr<com::Object> makeWavePlaySink(CallAudio& call);
// Recorded audio goes to the call, which hands it to the microphone test while that runs.
com::Ptr<com::Object> makeWaveRecordSink(CallAudio& call);

} // namespace kez::corvane
