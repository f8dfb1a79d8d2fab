// PlayDTMFMsg: a sequence of DTMF digits to play, as {code, time} byte pairs.
#include <limits>
#include <vector>

#include "linkor/incoming_interfaces.h"
#include "message_makers.h"

namespace kez::linkor {
namespace {

constexpr std::size_t kRevision = 2;
constexpr std::size_t kHandle = 4;
constexpr std::size_t kSequenceId = 8;
constexpr std::size_t kCount = 10;
constexpr std::size_t kPairs = 12;
constexpr std::size_t kMaxPairs = (kPayloadSize - kPairs) / 2;
constexpr std::size_t kCodeInPair = 0;
constexpr std::size_t kTimeInPair = 1;

class PlayDTMFMsg final : public MessageOf<IPlayDTMFMsg> {
public:
    PlayDTMFMsg() : MessageOf("PlayDTMFMsg") {}

    HRESULT get_nDeviceHandle(std::int16_t& value) override { return getWordAt(kHandle, value); }
    HRESULT put_nDeviceHandle(std::int16_t value) override { return putWordAt(kHandle, value); }
    HRESULT get_nSequenceID(std::int16_t& value) override { return getWordAt(kSequenceId, value); }
    HRESULT put_nSequenceID(std::int16_t value) override { return putWordAt(kSequenceId, value); }
    HRESULT get_varCodes(Variant& value) override { return getPairHalves(kCodeInPair, value); }
    HRESULT put_varCodes(const Variant& value) override { return putPairHalves(kCodeInPair, value); }
    HRESULT get_varTimes(Variant& value) override { return getPairHalves(kTimeInPair, value); }
    HRESULT put_varTimes(const Variant& value) override { return putPairHalves(kTimeInPair, value); }
    HRESULT get_nProtocolRevision(std::int16_t& value) override { return getWordAt(kRevision, value); }
    HRESULT put_nProtocolRevision(std::int16_t value) override { return putWordAt(kRevision, value); }

private:
    HRESULT getPairHalves(std::size_t half, Variant& value) const;
    HRESULT putPairHalves(std::size_t half, const Variant& value);
};

// The count is a word from the wire: pairs that would run past the payload are not read.
// A zero count still gives an array, of zero elements, which the callers loop over.
HRESULT PlayDTMFMsg::getPairHalves(std::size_t half, Variant& value) const {
    const auto count = static_cast<std::uint16_t>(word(kCount));
    if (count > kMaxPairs) {
        value.clear();
        return fail(com::E_INVALIDARG, "Invalid DTMF count");
    }
    std::vector<std::int16_t> halves(count);
    for (std::size_t i = 0; i < count; ++i) {
        halves[i] = byte(kPairs + 2 * i + half);
    }
    value = Variant(com::SafeArray::fromI2(halves));
    return com::S_OK;
}

HRESULT PlayDTMFMsg::putPairHalves(std::size_t half, const Variant& value) {
    const auto* array = value.get<com::SafeArray>();
    if (!array) {
        return com::S_OK;
    }
    if (!array->isNumeric()) {
        return fail(com::DISP_E_TYPEMISMATCH, kGetSafeArrayFailed);
    }
    if (array->count() > kMaxPairs) {
        return fail(com::E_FAIL, kGetSafeArrayFailed);
    }
    // Elements are reached by their index, which must stay a 32-bit number to the last.
    if (std::int64_t{array->lowerBound()} + static_cast<std::int64_t>(array->count()) - 1 >
        std::numeric_limits<std::int32_t>::max()) {
        return fail(com::E_INVALIDARG, kGetSafeArrayFailed);
    }
    for (std::size_t i = 0; i < array->count(); ++i) {
        const auto element = array->integerAt(array->lowerBound() + static_cast<std::int32_t>(i));
        setByte(kPairs + 2 * i + half, static_cast<std::uint8_t>(element.value_or(0)));
    }
    setWord(kCount, static_cast<std::int16_t>(array->count()));
    return com::S_OK;
}

} // namespace

com::Ptr<JIPMessageBase> makePlayDTMFMsg() { return std::make_shared<PlayDTMFMsg>(); }

} // namespace kez::linkor
