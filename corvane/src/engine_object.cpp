#include "engine_object.h"

#include "engine_sinks.h"
#include "kez/com/array_routines.h"
#include "shared/error_report.h"
#include "shared/timing.h"

namespace kez::corvane {
namespace {

Variant defaultDestinationMac() {
    Variant mac;
    com::MakeSafeArray(com::ElementType::UI1, kDefaultDestinationMac, mac);
    return mac;
}

} // namespace

Engine::Engine()
    : defaultDestinationMac_(defaultDestinationMac()), endPointSink_(makeEndPointSink(control_, call_)),
      waves_(makeWavePlaySink(call_), makeWaveRecordSink(call_)), window_(*this, events_),
      windowHandle_(window_.handle()) {}

Engine::~Engine() {
    Stop();
    window_.destroy();
}

HRESULT Engine::Advise(const com::Guid& eventsIid, const com::Ptr<com::Object>& sink, com::Cookie& cookie) {
    return com::adviseOnly(events_, eventsIid, sink, cookie);
}

HRESULT Engine::Unadvise(const com::Guid& eventsIid, com::Cookie cookie) {
    return com::unadviseOnly(events_, eventsIid, cookie);
}

HRESULT Engine::supportsErrorInfo(const com::Guid& interfaceId) const {
    return interfaceId == kIidIEngine ? com::S_OK : com::S_FALSE;
}

com::Date Engine::systemDate() const { return state_.snapshot().systemDate; }

void Engine::waveIdleTick() {
    waves_.closeIdle(
        timing::scaled(std::chrono::duration_cast<sys::Timeout>(std::chrono::seconds(settings_.waveShutdownDelay))),
        windowHandle_);
}

void Engine::postCalleeError(HRESULT hr, const com::Guid& iid) {
    postEngineError(windowHandle_, hr, takeCalleeError(hr, iid).description);
}

HRESULT Engine::notStarted() const { return reportEngineError(com::E_UNEXPECTED, "Engine not started"); }

com::Ptr<com::Object> makeEngine() {
    auto engine = std::make_shared<Engine>();
    if (!engine->created()) return nullptr;
    return engine;
}

} // namespace kez::corvane
