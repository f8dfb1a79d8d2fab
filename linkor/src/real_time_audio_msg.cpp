// RealTimeAudioMsg: the unacknowledged "HA" speech packet. Its payload carries its own
// revision (word 0) and device numbers; every frame occupies a 196-byte slot.
#include <vector>

#include "kez/com/array_routines.h"
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

class RealTimeAudioMsg final : public MessageOf<IRealTimeAudioMsg> {
public:
    RealTimeAudioMsg() : MessageOf("RealTimeAudioMsg") {}

    HRESULT get_nFrames(std::int16_t& value) override { return getWordAt(kFrameCount, value); }
    HRESULT get_nFormat(std::int16_t nFrame, std::int16_t& value) override;
    HRESULT get_varAudioData(std::int16_t nFrame, Variant& value) override;
    HRESULT get_nSourceVDN(std::int16_t& value) override { return getWordAt(kSourceVdn, value); }
    HRESULT put_nSourceVDN(std::int16_t value) override { return putWordAt(kSourceVdn, value); }
    // Also IJIPMessage's nDestVDN: this message keeps it in the payload.
    HRESULT get_nDestVDN(std::int16_t& value) override { return getWordAt(kDestVdn, value); }
    HRESULT put_nDestVDN(std::int16_t value) override { return putWordAt(kDestVdn, value); }
    HRESULT AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags, std::int16_t nSeq) override;
    HRESULT get_nFrameSeq(std::int16_t nFrame, std::int16_t& value) override;
    HRESULT get_nAudioFlags(std::int16_t nFrame, std::int16_t& value) override;
    HRESULT InitPacket() override;
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }

private:
    // Start of frame `nFrame` when it is one of the counted frames and lies in the payload.
    std::optional<std::size_t> frameAt(std::int16_t nFrame) const
    {
        if (nFrame >= word(kFrameCount)) {
            return std::nullopt;
        }
        return entryOffset(kFirstFrame, kSlot, nFrame, kSlot);
    }
    HRESULT badFrame() const { return fail(com::E_INVALIDARG, "Invalid frame index"); }
};

HRESULT RealTimeAudioMsg::get_nFormat(std::int16_t nFrame, std::int16_t& value)
{
    const auto frame = frameAt(nFrame);
    return frame ? getByteAt(*frame + kFrameFormatAt, value) : badFrame();
}

HRESULT RealTimeAudioMsg::get_nAudioFlags(std::int16_t nFrame, std::int16_t& value)
{
    const auto frame = frameAt(nFrame);
    return frame ? getByteAt(*frame + kFrameFlagsAt, value) : badFrame();
}

HRESULT RealTimeAudioMsg::get_nFrameSeq(std::int16_t nFrame, std::int16_t& value)
{
    const auto frame = frameAt(nFrame);
    return frame ? getWordAt(*frame + kFrameSeqAt, value) : badFrame();
}

// The conversion of the ADPCM header words is made in the copy, so the frame reads the
// same every time.
HRESULT RealTimeAudioMsg::get_varAudioData(std::int16_t nFrame, Variant& value)
{
    const auto frame = frameAt(nFrame);
    if (!frame) {
        value.clear();
        return badFrame();
    }
    const std::size_t data = *frame + kFrameHeader;
    switch (byte(*frame + kFrameFormatAt)) {
    case kFormatMuLaw:
    case kFormatMuLawAlike:
        return getArrayAt(data, kMuLawData, value);
    case kFormatImaAdpcm: {
        const auto stored = bytes(data, kAdpcmDataOut);
        std::vector<std::uint8_t> copy(stored.begin(), stored.end());
        convertLeadingWords(copy);
        return makeArray(copy, value);
    }
    default:
        value.clear();
        return fail(linkorError(LINKOR_INVALID_FORMAT), "Invalid Format");
    }
}

// Every format takes one 196-byte slot; a frame that would not fit in the payload is
// refused and not counted.
HRESULT RealTimeAudioMsg::AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags,
                                   std::int16_t nSeq)
{
    if (nFormat != kFormatMuLaw && nFormat != kFormatMuLawAlike && nFormat != kFormatImaAdpcm) {
        return fail(linkorError(LINKOR_INVALID_FORMAT), "Invalid Format");
    }
    const std::int16_t count = word(kFrameCount);
    const auto frame = entryOffset(kFirstFrame, kSlot, count, kSlot);
    if (!frame) {
        return fail(com::E_FAIL, "No room for another frame");
    }
    std::vector<std::uint8_t> data;
    const HRESULT hr = com::GetSafeArrayEx(varData, data);
    const std::size_t limit = nFormat == kFormatImaAdpcm ? kAdpcmDataIn : kMuLawData;
    if (com::FAILED(hr) || data.size() > limit) {
        return fail(com::FAILED(hr) ? hr : com::E_FAIL, kGetSafeArrayFailed);
    }
    setByte(*frame + kFrameFormatAt, static_cast<std::uint8_t>(nFormat));
    setByte(*frame + kFrameFlagsAt, static_cast<std::uint8_t>(nFlags));
    setWord(*frame + kFrameSeqAt, nSeq);
    const auto slotData = bytes(*frame + kFrameHeader, kSlot - kFrameHeader);
    std::copy(data.begin(), data.end(), slotData.begin());
    if (nFormat == kFormatImaAdpcm) {
        convertLeadingWords(slotData);
    }
    setWord(kFrameCount, static_cast<std::int16_t>(count + 1));
    dataLen_ += static_cast<std::int32_t>(kSlot);
    return com::S_OK;
}

HRESULT RealTimeAudioMsg::InitPacket()
{
    ResetPayload();
    setWord(kRevision, static_cast<std::int16_t>(kProtocolRevision));
    msgType_ = kPacketTypeHA;
    dataLen_ = static_cast<std::int32_t>(kFirstFrame);
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeRealTimeAudioMsg() { return std::make_shared<RealTimeAudioMsg>(); }

} // namespace kez::linkor
