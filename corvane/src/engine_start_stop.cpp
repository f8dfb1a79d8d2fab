// Start brings the set on line in a fixed order and returns the first failure; Stop takes
// everything down again in its own order, acting only on what exists.
#include "engine_object.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"
#include "shared/reports.h"
#include "shared/timing.h"

namespace kez::corvane {

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
    mikeTest_.end();
    probe_.cancel();
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

} // namespace kez::corvane
