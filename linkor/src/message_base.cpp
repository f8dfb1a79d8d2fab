// IJIPMessage and the payload accessors of every message class.
#include "linkor/message_base.h"

#include <algorithm>
#include <limits>

#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"

namespace kez::linkor {

using com::S_FALSE;
using com::S_OK;

JIPMessageBase::JIPMessageBase(std::string_view className, const com::Guid& ownInterface)
    : progId_("Linkor." + std::string(className) + ".1"), ownInterface_(ownInterface) {}

bool JIPMessageBase::implements(const com::Guid& interfaceId) const { return interfaceId == IJIPMessage::iid; }

HRESULT JIPMessageBase::supportsErrorInfo(const com::Guid& interfaceId) const {
    return interfaceId == ownInterface_ || interfaceId == IJIPMessage::iid ? S_OK : S_FALSE;
}

void JIPMessageBase::ResetPayload() { payload_.fill(0); }

// ---- IJIPMessage ----------------------------------------------------------------------

namespace {

// The 16-bit addressing fields cross the interface as signed shorts, stored unchanged.
HRESULT readWord(std::uint16_t field, std::int16_t& value) {
    value = static_cast<std::int16_t>(field);
    return S_OK;
}

HRESULT writeWord(std::uint16_t& field, std::int16_t value) {
    field = static_cast<std::uint16_t>(value);
    return S_OK;
}

} // namespace

HRESULT JIPMessageBase::get_nSrcVDN(std::int16_t& value) { return readWord(srcVdn_, value); }
HRESULT JIPMessageBase::put_nSrcVDN(std::int16_t value) { return writeWord(srcVdn_, value); }

HRESULT JIPMessageBase::get_nDestVDN(std::int16_t& value) { return readWord(destVdn_, value); }
HRESULT JIPMessageBase::put_nDestVDN(std::int16_t value) { return writeWord(destVdn_, value); }

HRESULT JIPMessageBase::get_varSourceMac(Variant& value) { return getAddress(sourceMac_, value); }
HRESULT JIPMessageBase::put_varSourceMac(const Variant& value) { return putAddress(sourceMac_, value); }
HRESULT JIPMessageBase::get_varDestMac(Variant& value) { return getAddress(destMac_, value); }
HRESULT JIPMessageBase::put_varDestMac(const Variant& value) { return putAddress(destMac_, value); }
HRESULT JIPMessageBase::get_varSourceIP(Variant& value) { return getAddress(sourceIp_, value); }
HRESULT JIPMessageBase::put_varSourceIP(const Variant& value) { return putAddress(sourceIp_, value); }
HRESULT JIPMessageBase::get_varDestIP(Variant& value) { return getAddress(destIp_, value); }
HRESULT JIPMessageBase::put_varDestIP(const Variant& value) { return putAddress(destIp_, value); }

HRESULT JIPMessageBase::get_varData(Variant& value) { return getAddress(payload_, value); }

// The payload is written only through the class's own properties.
HRESULT JIPMessageBase::put_varData(const Variant&) { return S_OK; }

HRESULT JIPMessageBase::get_nMsgType(std::int16_t& value) { return readWord(msgType_, value); }
HRESULT JIPMessageBase::put_nMsgType(std::int16_t value) { return writeWord(msgType_, value); }

HRESULT JIPMessageBase::get_nHeaderBitMap(std::int16_t& value) { return readWord(headerBitMap_, value); }
HRESULT JIPMessageBase::put_nHeaderBitMap(std::int16_t value) { return writeWord(headerBitMap_, value); }

HRESULT JIPMessageBase::get_lDataLen(std::int32_t& value) {
    value = dataLen_;
    return S_OK;
}

HRESULT JIPMessageBase::put_lDataLen(std::int32_t value) {
    dataLen_ = value;
    return S_OK;
}

HRESULT JIPMessageBase::get_nIPTOS(std::int16_t& value) { return readWord(ipTos_, value); }
HRESULT JIPMessageBase::put_nIPTOS(std::int16_t value) { return writeWord(ipTos_, value); }

HRESULT JIPMessageBase::get_nTCI(std::int16_t& value) { return readWord(tci_, value); }
HRESULT JIPMessageBase::put_nTCI(std::int16_t value) { return writeWord(tci_, value); }

HRESULT JIPMessageBase::getAddress(std::span<const std::uint8_t> field, Variant& value) const {
    const HRESULT hr = com::MakeSafeArray(com::ElementType::UI1, field, value);
    return com::FAILED(hr) ? report(hr, kMakeSafeArrayFailed, IJIPMessage::iid) : S_OK;
}

HRESULT JIPMessageBase::putAddress(std::span<std::uint8_t> field, const Variant& value) const {
    const HRESULT hr = com::GetSafeArray(value, field);
    return com::FAILED(hr) ? report(hr, kGetSafeArrayFailed, IJIPMessage::iid) : S_OK;
}

// ---- payload accessors ----------------------------------------------------------------

std::optional<std::size_t> JIPMessageBase::entryOffset(std::size_t base, std::size_t stride, std::int32_t index,
                                                       std::size_t width) {
    if (index < 0) {
        return std::nullopt;
    }
    const std::size_t offset = base + stride * static_cast<std::size_t>(index);
    return fits(offset, width) ? std::optional(offset) : std::nullopt;
}

std::int16_t JIPMessageBase::word(std::size_t offset) const {
    if (!fits(offset, 2)) {
        return 0;
    }
    return static_cast<std::int16_t>(payload_[offset] << 8 | payload_[offset + 1]);
}

void JIPMessageBase::setWord(std::size_t offset, std::int16_t value) {
    if (!fits(offset, 2)) {
        return;
    }
    const auto bits = static_cast<std::uint16_t>(value);
    payload_[offset] = static_cast<std::uint8_t>(bits >> 8);
    payload_[offset + 1] = static_cast<std::uint8_t>(bits);
}

std::uint8_t JIPMessageBase::byte(std::size_t offset) const { return fits(offset, 1) ? payload_[offset] : 0; }

void JIPMessageBase::setByte(std::size_t offset, std::uint8_t value) {
    if (fits(offset, 1)) {
        payload_[offset] = value;
    }
}

std::span<std::uint8_t> JIPMessageBase::bytes(std::size_t offset, std::size_t width) {
    if (!fits(offset, width)) {
        return {};
    }
    return std::span<std::uint8_t>(payload_).subspan(offset, width);
}

std::span<const std::uint8_t> JIPMessageBase::bytes(std::size_t offset, std::size_t width) const {
    if (!fits(offset, width)) {
        return {};
    }
    return std::span<const std::uint8_t>(payload_).subspan(offset, width);
}

HRESULT JIPMessageBase::getWordAt(std::size_t offset, std::int16_t& value) const {
    value = word(offset);
    return S_OK;
}

HRESULT JIPMessageBase::putWordAt(std::size_t offset, std::int16_t value) {
    setWord(offset, value);
    return S_OK;
}

HRESULT JIPMessageBase::getByteAt(std::size_t offset, std::int16_t& value) const {
    value = byte(offset);
    return S_OK;
}

HRESULT JIPMessageBase::getHighNibbleAt(std::size_t offset, std::int16_t& value) const {
    value = static_cast<std::int16_t>(byte(offset) >> 4);
    return S_OK;
}

HRESULT JIPMessageBase::getLowNibbleAt(std::size_t offset, std::int16_t& value) const {
    value = static_cast<std::int16_t>(byte(offset) & 0x0F);
    return S_OK;
}

HRESULT JIPMessageBase::getArrayAt(std::size_t offset, std::size_t width, Variant& value,
                                   std::string_view failText) const {
    if (!fits(offset, width)) {
        value.clear();
        return fail(com::E_INVALIDARG, failText);
    }
    return makeArray(bytes(offset, width), value, failText);
}

HRESULT JIPMessageBase::makeArray(std::span<const std::uint8_t> data, Variant& value, std::string_view failText,
                                  com::ElementType type) const {
    const HRESULT hr = com::MakeSafeArray(type, data, value);
    return com::FAILED(hr) ? fail(hr, failText) : S_OK;
}

HRESULT JIPMessageBase::putArrayAt(std::size_t offset, std::size_t width, const Variant& value,
                                   std::string_view failText) {
    if (!fits(offset, width)) {
        return fail(com::E_INVALIDARG, failText);
    }
    const HRESULT hr = com::GetSafeArray(value, bytes(offset, width));
    return com::FAILED(hr) ? fail(hr, failText) : S_OK;
}

HRESULT JIPMessageBase::fail(HRESULT hr, std::string_view text) const { return report(hr, text, ownInterface_); }

HRESULT JIPMessageBase::report(HRESULT hr, std::string_view text, const com::Guid& interfaceId) const {
    return com::reportError(hr, std::string(text), progId_, interfaceId);
}

void JIPMessageBase::growDataLen(std::int32_t bytes) {
    constexpr std::int32_t kLargest = std::numeric_limits<std::int32_t>::max();
    dataLen_ = dataLen_ > kLargest - bytes ? kLargest : dataLen_ + bytes;
}

std::size_t JIPMessageBase::usedLength() const {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(dataLen_, 0, static_cast<std::int32_t>(kPayloadSize)));
}

} // namespace kez::linkor
