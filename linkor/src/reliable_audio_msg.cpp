// ReliableAudioMsg: speech in reliable "HR" packets of type 0x0083, several 260-byte
// frames to a packet. The first two data words of every frame travel big-endian.
#include "audio_frames.h"
#include "linkor/audio_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::int16_t kMessageType = 0x0083;
constexpr std::size_t kRevision = 2;
constexpr std::size_t kSlot = 260;
constexpr std::string_view kMakeSafeArrayError = "MakeSafeArray Error";
constexpr std::string_view kGetSafeArrayError = "GetSafeArray Error";

class ReliableAudioMsg final : public AudioMessage<IReliableAudioMsg, kSlot> {
public:
    ReliableAudioMsg() : AudioMessage("ReliableAudioMsg") {}

    HRESULT get_varAudioData(std::int16_t nFrame, Variant& value) override;
    HRESULT AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags, std::int16_t nSeq) override;
    HRESULT InitPacket() override;
    HRESULT Reset() override;
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }
};

HRESULT ReliableAudioMsg::get_varAudioData(std::int16_t nFrame, Variant& value) {
    const auto frame = frameAt(nFrame);
    if (!frame) {
        value.clear();
        return badFrame();
    }
    // All 256 data bytes whatever the format: a peer's mu-law frame may fill them all.
    return frameData(*frame, kSlotData, true, value, kMakeSafeArrayError);
}

// Any format byte is taken.
HRESULT ReliableAudioMsg::AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags,
                                   std::int16_t nSeq) {
    return appendFrame(varData, {nFormat, nFlags, nSeq, kSlotData, true, kGetSafeArrayError});
}

HRESULT ReliableAudioMsg::InitPacket() {
    ResetPayload();
    setWord(0, kMessageType);
    setWord(kRevision, static_cast<std::int16_t>(kProtocolRevision));
    msgType_ = kPacketTypeHR;
    dataLen_ = static_cast<std::int32_t>(kFirstFrame);
    return com::S_OK;
}

HRESULT ReliableAudioMsg::Reset() {
    setWord(kFrameCount, 0);
    dataLen_ = static_cast<std::int32_t>(kFirstFrame);
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makeReliableAudioMsg() { return std::make_shared<ReliableAudioMsg>(); }

} // namespace kez::linkor
