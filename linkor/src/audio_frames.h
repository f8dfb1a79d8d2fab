#pragma once
// What the two audio message classes share: a count of frames at offset 8, then frames in
// fixed slots, each a format byte, a flags byte, a big-endian sequence number and data.
// The first two 16-bit data words of some frames travel big-endian while the codecs want
// them in host order.
#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "kez/com/array_routines.h"
#include "linkor/message_base.h"

namespace kez::linkor {

inline constexpr std::size_t kFrameCount = 8;
inline constexpr std::size_t kFirstFrame = 10;
inline constexpr std::size_t kFrameHeader = 4;
inline constexpr std::size_t kFrameFormatAt = 0;
inline constexpr std::size_t kFrameFlagsAt = 1;
inline constexpr std::size_t kFrameSeqAt = 2;
inline constexpr std::size_t kLeadingWords = 4;

// Turns the first two 16-bit words between host order and big-endian (either way: the
// operation is its own inverse). Data shorter than the two words is left alone.
inline void convertLeadingWords(std::span<std::uint8_t> data) {
    if constexpr (std::endian::native == std::endian::little) {
        if (data.size() >= kLeadingWords) {
            std::swap(data[0], data[1]);
            std::swap(data[2], data[3]);
        }
    }
}

// A frame to append: its header fields, the most data bytes it takes, whether its leading
// words are converted, and the text a refused data array reports.
struct NewFrame {
    std::int16_t format;
    std::int16_t flags;
    std::int16_t seq;
    std::size_t dataLimit;
    bool convertWords;
    std::string_view failText;
};

// The frame getters and the appending of frames, for frames in `Slot`-byte slots. A frame
// index names a counted frame that lies wholly inside the payload.
template <class Interface, std::size_t Slot>
class AudioMessage : public MessageOf<Interface> {
public:
    HRESULT get_nFrames(std::int16_t& value) override { return this->getWordAt(kFrameCount, value); }
    HRESULT get_nFormat(std::int16_t nFrame, std::int16_t& value) override {
        const auto frame = frameAt(nFrame);
        return frame ? this->getByteAt(*frame + kFrameFormatAt, value) : badFrame();
    }
    HRESULT get_nAudioFlags(std::int16_t nFrame, std::int16_t& value) override {
        const auto frame = frameAt(nFrame);
        return frame ? this->getByteAt(*frame + kFrameFlagsAt, value) : badFrame();
    }
    HRESULT get_nFrameSeq(std::int16_t nFrame, std::int16_t& value) override {
        const auto frame = frameAt(nFrame);
        return frame ? this->getWordAt(*frame + kFrameSeqAt, value) : badFrame();
    }

protected:
    using MessageOf<Interface>::MessageOf;

    static constexpr std::size_t kSlotData = Slot - kFrameHeader;

    std::optional<std::size_t> frameAt(std::int16_t nFrame) const {
        if (nFrame >= this->word(kFrameCount)) {
            return std::nullopt;
        }
        return this->entryOffset(kFirstFrame, Slot, nFrame, Slot);
    }
    HRESULT badFrame() const { return this->fail(com::E_INVALIDARG, "Invalid frame index"); }
    std::uint8_t formatOf(std::size_t frame) const { return this->byte(frame + kFrameFormatAt); }

    // The first `width` data bytes of the frame at `frame`, converted in the copy so the
    // frame reads the same every time.
    HRESULT frameData(std::size_t frame, std::size_t width, bool convertWords, Variant& value,
                      std::string_view failText) const {
        const auto stored = this->bytes(frame + kFrameHeader, width);
        std::vector<std::uint8_t> copy(stored.begin(), stored.end());
        if (convertWords) {
            convertLeadingWords(copy);
        }
        return this->makeArray(copy, value, failText);
    }

    // Appends a frame in the next slot; one that would not fit in the payload, or whose data
    // is longer than the frame takes, is refused and neither written nor counted.
    HRESULT appendFrame(const Variant& varData, const NewFrame& frame) {
        const std::int16_t count = this->word(kFrameCount);
        const auto at = this->entryOffset(kFirstFrame, Slot, count, Slot);
        if (!at) {
            return this->fail(com::E_FAIL, "No room for another frame");
        }
        std::vector<std::uint8_t> data;
        const HRESULT hr = com::GetSafeArrayEx(varData, data);
        if (com::FAILED(hr) || data.size() > frame.dataLimit) {
            return this->fail(com::FAILED(hr) ? hr : com::E_FAIL, frame.failText);
        }
        this->setByte(*at + kFrameFormatAt, static_cast<std::uint8_t>(frame.format));
        this->setByte(*at + kFrameFlagsAt, static_cast<std::uint8_t>(frame.flags));
        this->setWord(*at + kFrameSeqAt, frame.seq);
        const auto slotData = this->bytes(*at + kFrameHeader, kSlotData);
        std::copy(data.begin(), data.end(), slotData.begin());
        if (frame.convertWords) {
            convertLeadingWords(slotData);
        }
        this->setWord(kFrameCount, static_cast<std::int16_t>(count + 1));
        this->growDataLen(static_cast<std::int32_t>(Slot));
        return com::S_OK;
    }
};

} // namespace kez::linkor
