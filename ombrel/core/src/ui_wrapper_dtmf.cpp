// The call server's DTMF lists: each digit as a key press plays it, one after another from a timer, so that a
// long list neither freezes the window nor holds up the end of the program. The engine hears that a list
// was played once its last digit has.
#include "kez/com/safe_array.h"
#include "ombrel/dtmf_list_player.h"
#include "ombrel/options.h"
#include "ombrel/ui_wrapper.h"

namespace kez::ombrel {

std::unique_ptr<DtmfListPlayer> UIWrapperClass::makeDtmfList() {
    return std::make_unique<DtmfListPlayer>(DtmfListPlayer::Sounder{
        [this](std::int16_t nKey) { return mStartListDigit(nKey); }, [this] { mEndListDigit(); }});
}

void UIWrapperClass::PlayDTMFReceived(const com::Variant& varCodes) {
    handleEngineEvent("moEngine_PlayDTMFReceived", [&] {
        std::vector<std::int16_t> digits;
        if (const auto* codes = varCodes.get<com::SafeArray>(); codes != nullptr && codes->count() > 0) {
            for (std::int32_t i = codes->lowerBound(); i <= codes->upperBound(); ++i) {
                if (const auto code = codes->integerAt(i)) digits.push_back(static_cast<std::int16_t>(*code));
            }
        }
        dtmfList_->play(std::move(digits), moEngine_->deferDTMFPlayComplete());
    });
}

std::chrono::milliseconds UIWrapperClass::mStartListDigit(std::int16_t nKey) {
    std::chrono::milliseconds wait{0};
    handle("mPlayDTMF", [&] {
        if (oOptions().bClickDTMF) {
            mPlayDTMF(nKey); // the click waits for its end and the gap itself; it is short
            return;
        }
        moEngine_->StartDTMFTone(nKey, kDtmfDurationMs, kDtmfPriority, true);
        wait = std::chrono::milliseconds(kDtmfDurationMs + kDtmfGapMs);
    });
    return wait;
}

void UIWrapperClass::mEndListDigit() {
    handle("mPlayDTMF", [&] {
        if (moEngine_) moEngine_->StopDTMFTone();
    });
}

} // namespace kez::ombrel
