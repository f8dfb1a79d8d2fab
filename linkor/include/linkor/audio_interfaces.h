#pragma once
// Speech messages: real-time "HA" packets and reliable "HR" packets of type 0x0083. Both
// carry a count of frames, each with its own format, flags and sequence number. A frame
// index names a frame below nFrames that lies wholly inside the payload; any other index
// fails with E_INVALIDARG. Audio data crosses the interface in host order: the first two
// 16-bit data words of an IMA ADPCM frame (and of every reliable frame) are big-endian on
// the wire.
#include <cstdint>

#include "linkor/jip_message.h"

namespace kez::linkor {

// One byte per frame; the same number chooses the audio server's codec.
enum AudioFrameFormat : std::int16_t { kFormatMuLaw = 1, kFormatMuLawAlike = 2, kFormatImaAdpcm = 3 };
// One byte per frame. "No audio": the sender is muted or the frame is missing.
enum AudioFrameFlags : std::int16_t { kFlagAudio = 0, kFlagNoAudio = 1, kFlagSilence = 2, kFlagScrambled = 0x10 };

class IRealTimeAudioMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIRealTimeAudioMsg;

    virtual HRESULT get_nFrames(std::int16_t& value) = 0;
    virtual HRESULT get_nFormat(std::int16_t nFrame, std::int16_t& value) = 0;
    virtual HRESULT get_varAudioData(std::int16_t nFrame, Variant& value) = 0;
    virtual HRESULT get_nSourceVDN(std::int16_t& value) = 0;
    virtual HRESULT put_nSourceVDN(std::int16_t value) = 0;
    // The same field as IJIPMessage's nDestVDN: the device number inside the payload.
    virtual HRESULT get_nDestVDN(std::int16_t& value) = 0;
    virtual HRESULT put_nDestVDN(std::int16_t value) = 0;
    virtual HRESULT AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags, std::int16_t nSeq) = 0;
    virtual HRESULT get_nFrameSeq(std::int16_t nFrame, std::int16_t& value) = 0;
    virtual HRESULT get_nAudioFlags(std::int16_t nFrame, std::int16_t& value) = 0;
    virtual HRESULT InitPacket() = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

class IReliableAudioMsg : public virtual com::Object {
public:
    static constexpr com::Guid iid = kIidIReliableAudioMsg;

    virtual HRESULT get_nAudioFlags(std::int16_t nFrame, std::int16_t& value) = 0;
    virtual HRESULT get_nFormat(std::int16_t nFrame, std::int16_t& value) = 0;
    virtual HRESULT get_nFrames(std::int16_t& value) = 0;
    virtual HRESULT get_varAudioData(std::int16_t nFrame, Variant& value) = 0;
    virtual HRESULT get_nFrameSeq(std::int16_t nFrame, std::int16_t& value) = 0;
    virtual HRESULT AddFrame(const Variant& varData, std::int16_t nFormat, std::int16_t nFlags, std::int16_t nSeq) = 0;
    virtual HRESULT InitPacket() = 0;
    // No frames and lDataLen 10; the frame bytes stay.
    virtual HRESULT Reset() = 0;
    virtual HRESULT get_nProtocolRevision(std::int16_t& value) = 0;
    virtual HRESULT put_nProtocolRevision(std::int16_t value) = 0;
};

} // namespace kez::linkor
