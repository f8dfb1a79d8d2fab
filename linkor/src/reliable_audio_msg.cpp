// ReliableAudioMsg: speech in reliable "HR" packets of type 0x0083, several 260-byte
// frames to a packet. The first two data words of every frame travel big-endian.
#include <algorithm>
#include <vector>

#include "kez/com/array_routines.h"
#include "audio_frames.h"
#include "linkor/audio_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::int16_t kMessageType = 0x0083;
constexpr std::size_t kRevision = 2;
constexpr std::size_t kSlot = 260;
constexpr std::size_t kFrameData = 256;
// A mu-law frame fills only 192 of its 256 bytes; the rest is not audio.
constexpr std::size_t kMuLawData = 192;
constexpr std::string_view kMakeSafeArrayError = "MakeSafeArray Error";
constexpr std::string_view kGetSafeArrayError = "GetSafeArray Error";

class ReliableAudioMsg final : public MessageOf<IReliableAudioMsg> {
public:
    ReliableAudioMsg() : MessageOf("ReliableAudioMsg") {}

    HRESULT get_nAudioFlags(std::int16_t nFrame, std::int16_t& value) override;
    HRESULT get_nFormat(std::int16_t nFrame, std::int16_t& value) override;
    HRESULT get_nFrames(std::int16_t& value) override { return getWordAt(kFrameCount, value); }
    HRESULT get_varAudioData(std::int16_t nFrame, Variant& value) override;
    HRESULT get_nFrameSeq(std::int16_t nFrame, std::int16_t& value) override;
    HRESULT AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags, std::int16_t nSeq) override;
    HRESULT InitPacket() override;
    HRESULT Reset() override;
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }

private:
    std::optional<std::size_t> frameAt(std::int16_t nFrame) const
    {
        if (nFrame >= word(kFrameCount)) {
            return std::nullopt;
        }
        return entryOffset(kFirstFrame, kSlot, nFrame, kSlot);
    }
    HRESULT badFrame() const { return fail(com::E_INVALIDARG, "Invalid frame index"); }
};

HRESULT ReliableAudioMsg::get_nAudioFlags(std::int16_t nFrame, std::int16_t& value)
{
    const auto frame = frameAt(nFrame);
    return frame ? getByteAt(*frame + kFrameFlagsAt, value) : badFrame();
}

HRESULT ReliableAudioMsg::get_nFormat(std::int16_t nFrame, std::int16_t& value)
{
    const auto frame = frameAt(nFrame);
    return frame ? getByteAt(*frame + kFrameFormatAt, value) : badFrame();
}

HRESULT ReliableAudioMsg::get_nFrameSeq(std::int16_t nFrame, std::int16_t& value)
{
    const auto frame = frameAt(nFrame);
    return frame ? getWordAt(*frame + kFrameSeqAt, value) : badFrame();
}

// Converted in the copy, so the frame reads the same every time.
HRESULT ReliableAudioMsg::get_varAudioData(std::int16_t nFrame, Variant& value)
{
    const auto frame = frameAt(nFrame);
    if (!frame) {
        value.clear();
        return badFrame();
    }
    const auto format = byte(*frame + kFrameFormatAt);
    const bool muLaw = format == kFormatMuLaw || format == kFormatMuLawAlike;
    const auto stored = bytes(*frame + kFrameHeader, muLaw ? kMuLawData : kFrameData);
    std::vector<std::uint8_t> copy(stored.begin(), stored.end());
    convertLeadingWords(copy);
    return makeArray(copy, value, kMakeSafeArrayError);
}

// Any format byte is taken; a frame that would not fit in the payload is refused.
HRESULT ReliableAudioMsg::AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags,
                                   std::int16_t nSeq)
{
    const std::int16_t count = word(kFrameCount);
    const auto frame = entryOffset(kFirstFrame, kSlot, count, kSlot);
    if (!frame) {
        return fail(com::E_FAIL, "No room for another frame");
    }
    std::vector<std::uint8_t> data;
    const HRESULT hr = com::GetSafeArrayEx(varData, data);
    if (com::FAILED(hr) || data.size() > kFrameData) {
        return fail(com::FAILED(hr) ? hr : com::E_FAIL, kGetSafeArrayError);
    }
    setByte(*frame + kFrameFormatAt, static_cast<std::uint8_t>(nFormat));
    setByte(*frame + kFrameFlagsAt, static_cast<std::uint8_t>(nFlags));
    setWord(*frame + kFrameSeqAt, nSeq);
    const auto slotData = bytes(*frame + kFrameHeader, kFrameData);
    std::copy(data.begin(), data.end(), slotData.begin());
    convertLeadingWords(slotData);
    setWord(kFrameCount, static_cast<std::int16_t>(count + 1));
    dataLen_ += static_cast<std::int32_t>(kSlot);
    return com::S_OK;
}

HRESULT ReliableAudioMsg::InitPacket()
{
    ResetPayload();
    setWord(0, kMessageType);
    setWord(kRevision, static_cast<std::int16_t>(kProtocolRevision));
    msgType_ = kPacketTypeHR;
    dataLen_ = static_cast<std::int32_t>(kFirstFrame);
    return com::S_OK;
}

HRESULT ReliableAudioMsg::Reset()
{
    setWord(kFrameCount, 0);
    dataLen_ = static_cast<std::int32_t>(kFirstFrame);
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeReliableAudioMsg() { return std::make_shared<ReliableAudioMsg>(); }

} // namespace kez::linkor
