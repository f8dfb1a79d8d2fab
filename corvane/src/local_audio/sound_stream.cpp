#include "sound_stream.h"

#include <algorithm>

#include "kez/com/error_info.h"
#include "shared/error_report.h"

namespace kez::corvane {

com::HRESULT playObjectResult(com::HRESULT hr) {
    return com::FAILED(hr) ? reportCalleeError(hr, sonwell::IWavePlay::iid) : com::S_OK;
}

com::HRESULT waitWhilePlaying(sonwell::IWavePlay& play, std::int32_t stream, std::uint64_t remainingMs,
                              StreamPolling polling, const std::function<void(sys::Timeout)>& wait) {
    for (;;) {
        com::VariantBool active = com::VARIANT_FALSE;
        if (const com::HRESULT hr = play.bIsActive(stream, active); com::FAILED(hr)) return playObjectResult(hr);
        if (!active || remainingMs == 0) return com::S_OK;
        const std::uint64_t step = std::min<std::uint64_t>(remainingMs, polling.stepMs);
        wait(sys::Timeout(polling.shortLastStep ? step : polling.stepMs));
        remainingMs -= step;
    }
}

com::HRESULT deleteStream(sonwell::IWavePlay& play, std::int32_t stream, com::HRESULT earlier) {
    if (com::FAILED(earlier)) {
        auto error = com::takeErrorInfo();
        play.DeleteStream(stream);
        com::setErrorInfo(std::move(error));
        return earlier;
    }
    return playObjectResult(play.DeleteStream(stream));
}

} // namespace kez::corvane
