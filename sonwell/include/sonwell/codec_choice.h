#pragma once
// Which codec a compression code selects. Real-time streams and the recorder test the code for 1,
// reliable streams test it for 3, so an unknown code means a different codec on each path.

namespace kez::sonwell {

enum class SampleCodec { MuLaw, ImaAdpcm };

inline constexpr int kCompressionMuLaw = 1;
inline constexpr int kCompressionImaAdpcm = 3;

constexpr SampleCodec CodecForRealTime(int compressionCode) {
    return compressionCode == kCompressionMuLaw ? SampleCodec::MuLaw : SampleCodec::ImaAdpcm;
}

constexpr SampleCodec CodecForReliable(int compressionCode) {
    return compressionCode == kCompressionImaAdpcm ? SampleCodec::ImaAdpcm : SampleCodec::MuLaw;
}

} // namespace kez::sonwell
