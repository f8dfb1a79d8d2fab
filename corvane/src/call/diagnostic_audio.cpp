// The diagnostic audio send and receive of an engine that is not started: recorded mu-law to
// one MAC as real-time audio, and real-time audio from one MAC played.
#include "call_audio.h"
#include "kez/com/error_info.h"
#include "shared/collaborators.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

constexpr std::int32_t kMuLawFrame = 192;

} // namespace

com::HRESULT CallAudio::startDiagnosticSend(const com::Variant& mac) {
    com::HRESULT hr = services_.openRecordDevice();
    if (com::FAILED(hr)) return hr;
    if (com::SUCCEEDED(hr = services_.openDiagnosticEndPoint(false))) {
        sendTo(services_.endPoint(), mac);
        const auto record = services_.recordObject();
        hr = firstFailure(
            [&] { return record->put_lBufferLen(kMuLawFrame); }, [&] { return record->put_lCaptureLen(kMuLawFrame); },
            [&] { return record->put_lSendLen(kMuLawFrame); }, [&] { return record->Record(linkor::kFormatMuLaw); });
        if (com::FAILED(hr)) reportCalleeError(hr, sonwell::IWaveRecord::iid);
    }
    if (com::FAILED(hr)) {
        const auto error = com::takeErrorInfo();
        stopSending();
        services_.closeRecordDevice();
        services_.closeEndPoint();
        com::setErrorInfo(error);
    }
    return hr;
}

com::HRESULT CallAudio::stopDiagnosticSend() {
    stopSending();
    services_.closeRecordDevice();
    return services_.closeEndPoint();
}

// The sender's frames come from its audio device number, as StartAudioSend sends them.
com::HRESULT CallAudio::startDiagnosticReceive(const com::Variant& mac) {
    com::HRESULT hr = services_.openPlayDevice();
    if (com::FAILED(hr)) return hr;
    if (com::SUCCEEDED(hr = services_.openDiagnosticEndPoint(true))) {
        auto connection = std::make_unique<AudioConnection>(kRealTimeAudio,
                                                            Addressing{kDiagnosticAudioBits, 0, 0, mac, {}}, kAudioVdn);
        connection->setFormat(linkor::kFormatMuLaw);
        connection->attach(services_.playObject());
        connections_.append(std::move(connection));
        return com::S_OK;
    }
    const auto error = com::takeErrorInfo();
    services_.closePlayDevice();
    com::setErrorInfo(error);
    return hr;
}

com::HRESULT CallAudio::stopDiagnosticReceive() {
    connections_.releaseAll();
    const com::HRESULT hr = services_.closeEndPoint();
    services_.closePlayDevice();
    return hr;
}

} // namespace kez::corvane
