// Wave files against the play double: what reaches the play object (the format block as signed
// bytes, the samples as unsigned bytes), the wait of PlayWaveFile for the file's own length on
// the test clock, long files included, and refused files.
#include <gtest/gtest.h>

#include <filesystem>

#include "bytes.h"
#include "corvane/errors.h"
#include "kez/com/safe_array.h"
#include "local_audio_test_support.h"
#include "temp_dir.h"

namespace kez::corvane::test {
namespace {

using kez::test::hex;
using kez::test::operator+;

Bytes le32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// A PCM file whose samples are silence, written sparse: its header, then `dataBytes` zeros.
std::filesystem::path silentWave(const kez::test::TempDir& dir, const std::string& name, const Bytes& format,
                                 std::uint32_t dataBytes) {
    const Bytes header = hex("52494646") + le32(4 + 8 + 16 + 8 + dataBytes) + hex("57415645 666d7420 10000000") +
                         format + hex("64617461") + le32(dataBytes);
    const auto file = dir / name;
    EXPECT_TRUE(kez::test::writeFile(file, header));
    std::filesystem::resize_file(file, header.size() + dataBytes);
    return file;
}

const Bytes kTelephoneFormat = hex("0100 0100 401f0000 803e0000 0200 1000");
// 44.1 kHz stereo: ten minutes are 52,920,000 bytes, whose milliseconds pass 32 bits.
const Bytes kCdStereo8 = hex("0100 0200 44ac0000 88580100 0200 0800");

class WaveMembersTest : public LocalAudioTest {
protected:
    kez::test::TempDir dir_;
};

TEST_F(WaveMembersTest, HeldWavesPassTheFileAsSignedFormatBytesAndUnsignedSamples) {
    const auto file = silentWave(dir_, "second.wav", kTelephoneFormat, 16000);
    std::int32_t timed = 0, cycled = 0;
    ASSERT_EQ(engine_->PlayTimedWaveFile(file, 3000, 120, com::VARIANT_FALSE, timed), com::S_OK);
    ASSERT_EQ(engine_->PlayCycledWaveFile(file, 255, 110, com::VARIANT_TRUE, cycled), com::S_OK);
    EXPECT_EQ(std::make_pair(timed, cycled), std::make_pair(1, 2));
    EXPECT_EQ(
        doubles_.log.callsStartingWith("WavePlay.Play"),
        (std::vector<std::string>{"WavePlay.PlayTimedWave 01000100401f0000803e0000020010000000 16000 3000 120 0",
                                  "WavePlay.PlayCycledWave 01000100401f0000803e0000020010000000 16000 255 110 -1"}));
    EXPECT_EQ(play()->waveFormat.get<com::SafeArray>()->elementType(), com::ElementType::I1);
    EXPECT_EQ(play()->waveSamples.get<com::SafeArray>()->elementType(), com::ElementType::UI1);
}

struct OnceCase {
    const char* name;
    Bytes format;
    std::uint32_t dataBytes;
    std::int16_t gap;
    std::uint32_t asks, removedAt;
};

TEST_F(WaveMembersTest, PlayWaveFileWaitsForTheFilesLengthAndItsGapThenRemovesTheSound) {
    const std::vector<OnceCase> cases{
        {"one second, no gap", kTelephoneFormat, 16000, 0, 26, 1000},
        {"one second, gap 50", kTelephoneFormat, 16000, 50, 26, 1050},
        {"a part step is waited whole", kTelephoneFormat, 16020, 0, 27, 1040},
        {"ten minutes play whole", kCdStereo8, 52'920'000, 0, 15001, 600'000},
    };
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const OnceCase& c = cases[i];
        const auto file = silentWave(dir_, "once.wav", c.format, c.dataBytes);
        doubles_.log.clear();
        ASSERT_EQ(engine_->PlayWaveFile(file, c.gap, 100, com::VARIANT_TRUE), com::S_OK) << c.name;
        const auto calls = timeline("WavePlay.PlayCycledWave");
        ASSERT_FALSE(calls.empty()) << c.name;
        EXPECT_EQ(calls.front().substr(0, calls.front().find(' ')), "WavePlay.PlayCycledWave");
        EXPECT_NE(calls.front().find(" 1 100 -1 +0"), std::string::npos) << "one repeat: " << calls.front();
        EXPECT_EQ(doubles_.log.callsStartingWith("WavePlay.bIsActive").size(), c.asks) << c.name;
        EXPECT_EQ(calls.back(), "WavePlay.DeleteStream " + std::to_string(i + 1) + " +" + std::to_string(c.removedAt))
            << c.name;
    }
}

TEST_F(WaveMembersTest, RefusedFilesOpenNothing) {
    const auto noRate = silentWave(dir_, "norate.wav", hex("0100 0100 401f0000 00000000 0200 1000"), 100);
    const auto cut = silentWave(dir_, "cut.wav", kTelephoneFormat, 100);
    std::filesystem::resize_file(cut, 60);
    const HRESULT refused = corvaneError(ENGINE_WAVEFILE_ERROR);
    std::int32_t stream = 0;
    for (const auto& file : {dir_ / "missing.wav", noRate, cut}) {
        EXPECT_EQ(engine_->PlayTimedWaveFile(file, 100, 100, com::VARIANT_FALSE, stream), refused) << file;
        EXPECT_EQ(lastError(), "Wave file open error");
        EXPECT_EQ(engine_->PlayWaveFile(file, 0, 100, com::VARIANT_FALSE), refused) << file;
    }
    EXPECT_TRUE(doubles_.log.calls().empty()) << "the shared play object stays closed";
}

} // namespace
} // namespace kez::corvane::test
