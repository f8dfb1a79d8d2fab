// The engine's lifetime and COM plumbing, Start and Stop with their steps, the threads of its
// own work, and the services its cores call: carried out on the endpoint, the wave objects,
// the status thread and the window.
#include "engine_object.h"

#include "engine_sinks.h"
#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"
#include "shared/reports.h"
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

HRESULT Engine::Start() {
    if (run_ == Run::Running) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    if (run_ == Run::Partial || endPoint_) Stop(); // what a failed Start or discovery left
    run_ = Run::Partial;
    state_.resetRun();
    control_.resetRun();
    call_.resetRun();
    statusPeriodMs_ = timing::kStatusPeriod.count();
    statusRunning_ = true;
    HRESULT hr = com::S_OK;
    if (com::FAILED(hr = startAudio()) || com::FAILED(hr = startEndPoint()) ||
        com::FAILED(hr = startWorker(status_, sys::Event::Reset::Auto, "corvane-status",
                                     "Status Send Event Create failure", "Status Send Thread Create failure",
                                     [this](sys::Event& wake) { statusLoop(wake); })) ||
        com::FAILED(hr = startWorker(flowControl_, sys::Event::Reset::Auto, "corvane-flow",
                                     "Reliable Flow Control Event Create failure",
                                     "Reliable Flow Control Thread Create failure",
                                     [this](sys::Event& wake) { call_.flowControlLoop(wake); })) ||
        com::FAILED(hr = openEndPoint()))
        return hr;
    if (!holdsBytes(state_.snapshot().vuruvMac) &&
        com::FAILED(hr = startWorker(bindingCheck_, sys::Event::Reset::Auto, "corvane-binding",
                                     "Binding Check Event Create failure", "Binding Check Thread Create failure",
                                     [this](sys::Event& wake) { control_.bindingLoop(wake); })))
        return hr;
    const bool forced = state_.with([](SharedFields& f) {
        if (com::isVariantTrue(f.forceLevel3)) f.controlBits |= kIpTransportBits;
        return com::isVariantTrue(f.forceLevel3);
    });
    if (!forced &&
        com::FAILED(hr = startWorker(layer3_, sys::Event::Reset::Auto, "corvane-layer3",
                                     "Layer 3 Check Event Create failure", "Layer 3 Check Thread Create failure",
                                     [this](sys::Event& wake) { control_.layer3Check(wake); })))
        return hr;
    run_ = Run::Running;
    return com::S_OK;
}

HRESULT Engine::startAudio() {
    if (com::isVariantTrue(settings_.shareWave)) {
        waves_.clearLastUse();
        return startWorker(waveIdle_, sys::Event::Reset::Manual, "corvane-waveidle", "Wave Idle Event Create failure",
                           "Wave Idled Thread Create failure", [this](sys::Event& wake) { waveIdleLoop(wake); });
    }
    const HRESULT hr = waves_.openPlay(settings_.wave);
    return com::FAILED(hr) ? hr : waves_.openRecord(settings_.wave, false);
}

HRESULT Engine::startEndPoint() {
    if (!endPoint_) {
        const HRESULT hr = com::ClassRegistry::createAs(linkor::kClsidEndPoint, endPoint_);
        if (com::FAILED(hr)) return reportEngineError(hr, "Endpoint object create failure");
    }
    const HRESULT hr = adviseOn(endPoint_, linkor::kIidIEndPointEvents, endPointSink_, endPointCookie_);
    return com::FAILED(hr) ? reportEngineError(hr, "Endpoint event advise failure") : com::S_OK;
}

HRESULT Engine::startWorker(Worker& worker, sys::Event::Reset mode, const char* name, const char* eventText,
                            const char* threadText, std::function<void(sys::Event&)> body) {
    if (!worker.makeEvent(mode)) return reportSystemError(eventText);
    if (!worker.startThread(name, std::move(body))) return reportSystemError(threadText);
    return com::S_OK;
}

// Configures and opens the endpoint, then joins the system-state multicast MAC.
HRESULT Engine::openEndPoint() {
    const Variant localIp = state_.snapshot().localIp;
    const bool multicastMac = holdsBytes(settings_.systemStateMcMac);
    const HRESULT hr = firstFailure(
        [&] { return endPoint_->put_nAdapter(settings_.adapter); }, [&] { return endPoint_->put_varLocalIP(localIp); },
        [&] { return endPoint_->put_bAllMulticast(com::toVariantBool(!multicastMac)); },
        [&] { return endPoint_->Open(); },
        [&] { return multicastMac ? endPoint_->AddMulticastMac(settings_.systemStateMcMac) : com::S_OK; });
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IEndPoint::iid) : com::S_OK;
}

// A microphone test ends first: its loop would otherwise take the next run's recorded audio.
HRESULT Engine::Stop() {
    localAudio_.endMikeTest();
    ipConfig_.cancel();
    waveIdle_.stop();
    call_.connections().releaseAll();
    flowControl_.stop();
    statusRunning_ = false;
    status_.stop();
    bindingCheck_.stop();
    layer3_.stop();
    {
        sys::CriticalSectionLock hold(waves_.lock());
        waves_.closePlay(windowHandle_);
        waves_.closeRecord(windowHandle_);
    }
    const HRESULT hr = closeEndPoint();
    call_.resetRun();
    run_ = Run::Stopped;
    return hr;
}

// A failing Close is reported, and the endpoint goes all the same.
HRESULT Engine::closeEndPoint() {
    const auto endPoint = std::move(endPoint_);
    if (!endPoint) return com::S_OK;
    unadviseOn(endPoint, linkor::kIidIEndPointEvents, endPointCookie_);
    const HRESULT hr = endPoint->Close();
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IEndPoint::iid) : com::S_OK;
}

// An endpoint made here is opened on the configured adapter; one the engine already holds
// (the other diagnostic's, or discovery's) is open already.
HRESULT Engine::openDiagnosticEndPoint(bool events) {
    const bool made = !endPoint_;
    if (made) {
        if (const HRESULT hr = com::ClassRegistry::createAs(linkor::kClsidEndPoint, endPoint_); com::FAILED(hr))
            return reportEngineError(hr, "Endpoint object create failure");
    }
    if (events && endPointCookie_ == com::kNoCookie) {
        if (const HRESULT hr = adviseOn(endPoint_, linkor::kIidIEndPointEvents, endPointSink_, endPointCookie_);
            com::FAILED(hr)) {
            endPoint_.reset();
            return reportEngineError(hr, "Endpoint event advise failure");
        }
    }
    if (!made) return com::S_OK;
    const HRESULT hr =
        firstFailure([&] { return endPoint_->put_nAdapter(settings_.adapter); }, [&] { return endPoint_->Open(); });
    if (com::FAILED(hr)) {
        reportCalleeError(hr, linkor::IEndPoint::iid);
        const auto error = com::takeErrorInfo();
        closeEndPoint();
        com::setErrorInfo(error);
    }
    return hr;
}

void Engine::statusLoop(sys::Event& wake) {
    for (;;) {
        const std::int64_t period = statusPeriodMs_;
        wake.wait(period < 0 ? sys::kInfinite : timing::scaled(sys::Timeout(period)));
        if (!statusRunning_) return;
        sendStatus();
    }
}

void Engine::sendStatus() {
    Variant ownMac;
    HRESULT hr = endPoint_->get_varSourceMac(ownMac);
    if (com::SUCCEEDED(hr)) {
        const ReportFields fields = reportFields(state_.snapshot(), defaultDestinationMac_);
        hr = sendStatusMessage(*endPoint_, fields, ownMac, state_.takeSystemStateCount());
    }
    if (com::FAILED(hr)) postCalleeError(hr, linkor::IStatusMsg::iid);
}

void Engine::waveIdleLoop(sys::Event& wake) {
    while (!wake.wait(timing::scaled(timing::kWaveIdlePeriod)))
        windowHandle_.post({kMsgWaveIdleTick, 0, 0, {}});
}

// The services the cores call.

bool Engine::allMulticast() const { return com::isVariantTrue(settings_.allMulticast); }
HRESULT Engine::setAllMulticast(bool on) { return endPoint_->put_bAllMulticast(com::toVariantBool(on)); }

HRESULT Engine::joinGroup(GroupKind kind, const Variant& address) {
    return kind == GroupKind::Ip ? endPoint_->AddMulticastIP(address) : endPoint_->AddMulticastMac(address);
}

HRESULT Engine::leaveGroup(GroupKind kind, const Variant& address) {
    return kind == GroupKind::Ip ? endPoint_->DeleteMulticastIP(address) : endPoint_->DeleteMulticastMac(address);
}

HRESULT Engine::setChannelParameters(const Variant& callServerMac) {
    return endPoint_->SetChannelParameters(callServerMac);
}

HRESULT Engine::sendReportIpInfo() {
    const ReportFields fields = reportFields(state_.snapshot(), defaultDestinationMac_);
    return sendReportIPInfo(*endPoint_, fields, state_.takeSystemStateCount());
}

// The kept message still carries its receive path: the set's own address and the receive
// flags. Readdressed, it goes to the bound call server on the control header.
HRESULT Engine::sendToCallServer(const com::Ptr<com::Object>& message) {
    com::Ptr<linkor::IJIPMessage> jip;
    const SharedFields f = state_.snapshot();
    return firstFailure([&] { return com::query(message, jip); }, [&] { return jip->put_varDestMac(f.vuruvMac); },
                        [&] { return jip->put_varDestIP(f.vuruvIp); },
                        [&] { return jip->put_nHeaderBitMap(static_cast<std::int16_t>(f.controlBits)); },
                        [&] { return jip->put_nIPTOS(static_cast<std::int16_t>(f.controlTos)); },
                        [&] { return jip->put_nTCI(static_cast<std::int16_t>(f.controlTci)); },
                        [&] { return endPoint_->SendPacket(message); });
}

bool Engine::sharedWave() const { return com::isVariantTrue(settings_.shareWave); }

HRESULT Engine::openPlayDevice() { return waves_.openPlay(settings_.wave); }

HRESULT Engine::openRecordDevice() { return waves_.openRecord(settings_.wave, false); }

bool Engine::waveDevicesOpen() const { return waves_.playOpen() && waves_.record(); }

void Engine::setStatusPeriod(std::int64_t milliseconds) { statusPeriodMs_ = milliseconds; }

void Engine::wakeStatus() { status_.signal(); }

void Engine::post(apt::Message message) { windowHandle_.post(std::move(message)); }

void Engine::postError(HRESULT hr, std::string text) { postEngineError(windowHandle_, hr, std::move(text)); }

bool Engine::pageActive() const { return call_.pageActive(); }

void Engine::endPage() { call_.endPage(); }

com::Ptr<com::Object> Engine::keptCallState() const { return call_.keptCallState(); }

com::Ptr<sonwell::IWavePlay> Engine::playObject() const { return waves_.play(); }

com::Ptr<sonwell::IWaveRecord> Engine::recordObject() const { return waves_.record(); }

com::Ptr<linkor::IEndPoint> Engine::endPoint() const { return endPoint_; }

std::int16_t Engine::keptAlertMode() const { return control_.keptAlertMode(); }

bool Engine::discovering() const { return control_.discovering(); }

bool Engine::loopToSpeaker(const Variant& data, bool silence, std::uint16_t) {
    return localAudio_.mikeTestTakes(data, silence);
}

void Engine::flowControlTick() { call_.flowControlTick(); }

HRESULT Engine::openWaveDevices(bool autoSetupMixer) {
    HRESULT hr = waves_.openRecord(settings_.wave, autoSetupMixer);
    if (com::FAILED(hr)) return hr;
    if (com::FAILED(hr = waves_.openPlay(settings_.wave))) {
        const auto error = com::takeErrorInfo();
        waves_.closeRecord(windowHandle_);
        com::setErrorInfo(error);
    }
    return hr;
}

void Engine::closePlayDevice() {
    sys::CriticalSectionLock hold(waves_.lock());
    waves_.closePlay(windowHandle_);
}

void Engine::closeRecordDevice() {
    sys::CriticalSectionLock hold(waves_.lock());
    waves_.closeRecord(windowHandle_);
}

void Engine::closeWaveDevices() {
    sys::CriticalSectionLock hold(waves_.lock());
    waves_.closeRecord(windowHandle_);
    waves_.closePlay(windowHandle_);
}

com::Ptr<com::Object> makeEngine() {
    auto engine = std::make_shared<Engine>();
    if (!engine->created()) return nullptr;
    return engine;
}

} // namespace kez::corvane
