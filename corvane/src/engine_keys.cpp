// Key presses and DTMF completions: KzSetEvent messages to the call server.
#include "engine_object.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/error_report.h"
#include "shared/reports.h"

namespace kez::corvane {

HRESULT Engine::ButtonDown(std::int16_t nButton) {
    if (com::isVariantTrue(settings_.shareWave)) {
        if (const HRESULT hr = openSharedWave(); com::FAILED(hr)) return hr;
    }
    call_.keyPressed(nButton);
    return sendControlEvent(kEventKeyPress, nButton);
}

HRESULT Engine::DTMFPlayComplete(std::int16_t nID) { return sendControlEvent(kEventDtmfPlayComplete, nID); }

HRESULT Engine::openSharedWave(bool autoSetupMixer) {
    HRESULT hr = waves_.openRecord(settings_.wave, autoSetupMixer);
    if (com::FAILED(hr)) return hr;
    if (com::FAILED(hr = waves_.openPlay(settings_.wave))) {
        const auto error = com::takeErrorInfo();
        waves_.closeRecord(windowHandle_);
        com::setErrorInfo(error);
    }
    return hr;
}

HRESULT Engine::sendControlEvent(KzSetEventId id, std::int16_t info1) {
    if (!endPoint_) return notStarted();
    const HRESULT hr = sendKzSetEvent(*endPoint_, controlEvent(state_.snapshot(), id, info1));
    return com::FAILED(hr) ? reportCalleeError(hr, linkor::IKzSetEventMsg::iid) : com::S_OK;
}

} // namespace kez::corvane
