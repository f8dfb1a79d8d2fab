// The diagnostic audio send and receive of an engine that is not started: recorded mu-law to
// one MAC as real-time audio, and real-time audio from one MAC played. A running engine
// refuses them: they open and close the endpoint the set runs on.
#include <ctime>

#include "engine_object.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

constexpr std::int32_t kMuLawFrame = 192;

} // namespace

// An endpoint made here is opened on the configured adapter; one the engine already holds
// (the other diagnostic's, or discovery's) is open already.
HRESULT Engine::diagnosticEndPoint(bool events) {
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

HRESULT Engine::StartAudioSend(const Variant& varMac) {
    call_.seedJitter(static_cast<std::uint32_t>(std::time(nullptr)));
    if (run_ != Run::Stopped) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    HRESULT hr = waves_.openRecord(settings_.wave, false);
    if (com::FAILED(hr)) return hr;
    if (com::SUCCEEDED(hr = diagnosticEndPoint(false))) {
        call_.sendTo(endPoint_, varMac);
        const auto record = waves_.record();
        hr = firstFailure(
            [&] { return record->put_lBufferLen(kMuLawFrame); }, [&] { return record->put_lCaptureLen(kMuLawFrame); },
            [&] { return record->put_lSendLen(kMuLawFrame); }, [&] { return record->Record(linkor::kFormatMuLaw); });
        if (com::FAILED(hr)) reportCalleeError(hr, sonwell::IWaveRecord::iid);
    }
    if (com::FAILED(hr)) {
        const auto error = com::takeErrorInfo();
        call_.stopSending();
        closeRecordObject();
        closeEndPoint();
        com::setErrorInfo(error);
    }
    return hr;
}

HRESULT Engine::StopAudioSend() {
    call_.stopSending();
    closeRecordObject();
    return closeEndPoint();
}

// The sender's frames come from its audio device number, as StartAudioSend sends them.
HRESULT Engine::StartAudioReceive(const Variant& varMac, std::int16_t) {
    if (run_ != Run::Stopped) return reportEngineError(com::E_UNEXPECTED, "Engine already started");
    HRESULT hr = waves_.openPlay(settings_.wave);
    if (com::FAILED(hr)) return hr;
    if (com::SUCCEEDED(hr = diagnosticEndPoint(true))) {
        auto connection = std::make_unique<AudioConnection>(
            kRealTimeAudio, Addressing{kDiagnosticAudioBits, 0, 0, varMac, {}}, kAudioVdn);
        connection->setFormat(linkor::kFormatMuLaw);
        connection->attach(waves_.play());
        call_.connections().append(std::move(connection));
        return com::S_OK;
    }
    const auto error = com::takeErrorInfo();
    closePlayObject();
    com::setErrorInfo(error);
    return hr;
}

HRESULT Engine::StopAudioReceive() {
    call_.connections().releaseAll();
    const HRESULT hr = closeEndPoint();
    closePlayObject();
    return hr;
}

void Engine::closePlayObject() {
    sys::CriticalSectionLock hold(waves_.lock());
    waves_.closePlay(windowHandle_);
}

void Engine::closeRecordObject() {
    sys::CriticalSectionLock hold(waves_.lock());
    waves_.closeRecord(windowHandle_);
}

} // namespace kez::corvane
