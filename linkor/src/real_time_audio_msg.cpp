// RealTimeAudioMsg: the unacknowledged "HA" speech packet. Its payload carries its own
// revision (word 0) and device numbers; every frame occupies a 196-byte slot.
#include "audio_frames.h"
#include "linkor/audio_interfaces.h"
#include "linkor/errors.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kRevision = 0;
constexpr std::size_t kDestVdn = 4;
constexpr std::size_t kSourceVdn = 6;
constexpr std::size_t kSlot = 196;
constexpr std::size_t kMuLawData = 192;
constexpr std::size_t kAdpcmDataOut = 100;
constexpr std::size_t kAdpcmDataIn = 104;
constexpr std::string_view kInvalidFormat = "Invalid Format";

class RealTimeAudioMsg final : public AudioMessage<IRealTimeAudioMsg, kSlot> {
public:
    RealTimeAudioMsg() : AudioMessage("RealTimeAudioMsg") {}

    HRESULT get_varAudioData(std::int16_t nFrame, Variant& value) override;
    HRESULT get_nSourceVDN(std::int16_t& value) override { return getWordAt(kSourceVdn, value); }
    HRESULT put_nSourceVDN(std::int16_t value) override { return putWordAt(kSourceVdn, value); }
    // Also IJIPMessage's nDestVDN: this message keeps it in the payload.
    HRESULT get_nDestVDN(std::int16_t& value) override { return getWordAt(kDestVdn, value); }
    HRESULT put_nDestVDN(std::int16_t value) override { return putWordAt(kDestVdn, value); }
    HRESULT AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags, std::int16_t nSeq) override;
    HRESULT InitPacket() override;
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }
};

HRESULT RealTimeAudioMsg::get_varAudioData(std::int16_t nFrame, Variant& value) {
    const auto frame = frameAt(nFrame);
    if (!frame) {
        value.clear();
        return badFrame();
    }
    switch (formatOf(*frame)) {
    case kFormatMuLaw:
    case kFormatMuLawAlike: return frameData(*frame, kMuLawData, false, value, kMakeSafeArrayFailed);
    case kFormatImaAdpcm: return frameData(*frame, kAdpcmDataOut, true, value, kMakeSafeArrayFailed);
    default: value.clear(); return fail(linkorError(LINKOR_INVALID_FORMAT), kInvalidFormat);
    }
}

// Every format takes one 196-byte slot.
HRESULT RealTimeAudioMsg::AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags,
                                   std::int16_t nSeq) {
    if (nFormat != kFormatMuLaw && nFormat != kFormatMuLawAlike && nFormat != kFormatImaAdpcm) {
        return fail(linkorError(LINKOR_INVALID_FORMAT), kInvalidFormat);
    }
    const bool adpcm = nFormat == kFormatImaAdpcm;
    return appendFrame(varData, {nFormat, nFlags, nSeq, adpcm ? kAdpcmDataIn : kMuLawData, adpcm, kGetSafeArrayFailed});
}

HRESULT RealTimeAudioMsg::InitPacket() {
    ResetPayload();
    setWord(kRevision, static_cast<std::int16_t>(kProtocolRevision));
    msgType_ = kPacketTypeHA;
    dataLen_ = static_cast<std::int32_t>(kFirstFrame);
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeRealTimeAudioMsg() { return std::make_shared<RealTimeAudioMsg>(); }

} // namespace kez::linkor
