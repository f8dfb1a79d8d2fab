#pragma once
// The base every message class derives from: J5 addressing, one 1,518-byte payload
// buffer in wire order, IJIPMessage, and the typed payload accessors the classes build
// their properties from. Every accessor stays inside the buffer whatever offset it is given.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "linkor/jip_message.h"
#include "ralnet/j5.h"

namespace kez::linkor {

inline constexpr std::size_t kPayloadSize = 1518;
inline constexpr std::uint16_t kProtocolRevision = 0x80B3;
inline constexpr std::uint16_t kPacketTypeHR = 0x4852;
inline constexpr std::uint16_t kPacketTypeHU = 0x4855;
inline constexpr std::uint16_t kPacketTypeHA = 0x4841;

// Failure texts of the byte-array conventions.
inline constexpr std::string_view kMakeSafeArrayFailed = "MakeSafeArray failed";
inline constexpr std::string_view kGetSafeArrayFailed = "GetSafeArray failed";

class JIPMessageBase : public IJIPMessage {
public:
    HRESULT get_nSrcVDN(std::int16_t& value) override;
    HRESULT put_nSrcVDN(std::int16_t value) override;
    HRESULT get_nDestVDN(std::int16_t& value) override;
    HRESULT put_nDestVDN(std::int16_t value) override;
    HRESULT get_varSourceMac(Variant& value) override;
    HRESULT put_varSourceMac(const Variant& value) override;
    HRESULT get_varDestMac(Variant& value) override;
    HRESULT put_varDestMac(const Variant& value) override;
    HRESULT get_varData(Variant& value) override;
    HRESULT put_varData(const Variant& value) override;
    HRESULT get_nMsgType(std::int16_t& value) override;
    HRESULT put_nMsgType(std::int16_t value) override;
    HRESULT get_nHeaderBitMap(std::int16_t& value) override;
    HRESULT put_nHeaderBitMap(std::int16_t value) override;
    HRESULT get_lDataLen(std::int32_t& value) override;
    HRESULT put_lDataLen(std::int32_t value) override;
    HRESULT get_varSourceIP(Variant& value) override;
    HRESULT put_varSourceIP(const Variant& value) override;
    HRESULT get_varDestIP(Variant& value) override;
    HRESULT put_varDestIP(const Variant& value) override;
    HRESULT get_nIPTOS(std::int16_t& value) override;
    HRESULT put_nIPTOS(std::int16_t value) override;
    HRESULT get_nTCI(std::int16_t& value) override;
    HRESULT put_nTCI(std::int16_t value) override;

    // S_OK for the class's own interface and IJIPMessage.
    HRESULT supportsErrorInfo(const com::Guid& interfaceId) const override;

    // Zeroes all 1,518 payload bytes.
    void ResetPayload();
    // Fills the message from a packet Ralnet received; false for a null packet. The packet
    // is only read, never kept.
    bool LoadFromPacket(const J5PacketObj* packet);

    // "Linkor.<class>.1": the source of the class's error objects.
    const std::string& progId() const { return progId_; }
    // The payload buffer as it stands (all 1,518 bytes).
    std::span<const std::uint8_t, kPayloadSize> payload() const { return payload_; }

protected:
    JIPMessageBase(std::string_view className, const com::Guid& ownInterface);

    bool implements(const com::Guid& interfaceId) const override;

    // True when `width` bytes at `offset` lie inside the payload.
    static bool fits(std::size_t offset, std::size_t width) {
        return offset <= kPayloadSize && width <= kPayloadSize - offset;
    }
    // Offset of entry `index` of a table at `base`, or nothing when the index is negative or
    // the entry's `width` bytes would leave the payload.
    static std::optional<std::size_t> entryOffset(std::size_t base, std::size_t stride, std::int32_t index,
                                                  std::size_t width);

    // Payload reads and writes; outside the payload a read gives 0 and a write does nothing.
    std::int16_t word(std::size_t offset) const;
    void setWord(std::size_t offset, std::int16_t value);
    std::uint8_t byte(std::size_t offset) const;
    void setByte(std::size_t offset, std::uint8_t value);
    std::span<std::uint8_t> bytes(std::size_t offset, std::size_t width);
    std::span<const std::uint8_t> bytes(std::size_t offset, std::size_t width) const;

    // Property helpers of the class's own interface.
    HRESULT getWordAt(std::size_t offset, std::int16_t& value) const;
    HRESULT putWordAt(std::size_t offset, std::int16_t value);
    HRESULT getByteAt(std::size_t offset, std::int16_t& value) const;
    HRESULT getHighNibbleAt(std::size_t offset, std::int16_t& value) const;
    HRESULT getLowNibbleAt(std::size_t offset, std::int16_t& value) const;
    // A byte array of `width` payload bytes; width 0 gives an empty Variant.
    HRESULT getArrayAt(std::size_t offset, std::size_t width, Variant& value,
                       std::string_view failText = kMakeSafeArrayFailed) const;
    // Copies an array of at most `width` bytes to `offset`; a Variant holding no array
    // changes nothing.
    HRESULT putArrayAt(std::size_t offset, std::size_t width, const Variant& value,
                       std::string_view failText = kGetSafeArrayFailed);
    // An array of `type` elements holding `data`; no data gives an empty Variant.
    HRESULT makeArray(std::span<const std::uint8_t> data, Variant& value,
                      std::string_view failText = kMakeSafeArrayFailed,
                      com::ElementType type = com::ElementType::UI1) const;

    // Leaves an error object for a member of the class's own interface and returns `hr`.
    HRESULT fail(HRESULT hr, std::string_view text) const;

    // lDataLen limited to the payload: the bytes that count as received or to be sent.
    std::size_t usedLength() const;
    // Adds `bytes` to lDataLen, which stops at its largest value (the caller may have set it
    // to anything).
    void growDataLen(std::int32_t bytes);

    // Addressing, as IJIPMessage reports it.
    std::uint16_t srcVdn_ = 1;
    std::uint16_t destVdn_ = 1;
    std::uint16_t msgType_ = 0;
    std::uint16_t headerBitMap_ = 0x11;
    std::uint16_t ipTos_ = 0;
    std::uint16_t tci_ = 0;
    std::int32_t dataLen_ = static_cast<std::int32_t>(kPayloadSize);

private:
    HRESULT getAddress(std::span<const std::uint8_t> field, Variant& value) const;
    HRESULT putAddress(std::span<std::uint8_t> field, const Variant& value) const;
    HRESULT report(HRESULT hr, std::string_view text, const com::Guid& interfaceId) const;

    std::string progId_;
    com::Guid ownInterface_;
    std::array<std::uint8_t, kPayloadSize> payload_{};
    std::array<std::uint8_t, J5_MAC_LEN> sourceMac_{};
    std::array<std::uint8_t, J5_MAC_LEN> destMac_{};
    std::array<std::uint8_t, 4> sourceIp_{};
    std::array<std::uint8_t, 4> destIp_{};
};

// The base with the class's own interface: answers that interface and IJIPMessage.
template <class Interface>
class MessageOf : public JIPMessageBase, public Interface {
protected:
    explicit MessageOf(std::string_view className) : JIPMessageBase(className, Interface::iid) {}

    bool implements(const com::Guid& interfaceId) const override {
        return interfaceId == Interface::iid || JIPMessageBase::implements(interfaceId);
    }
};

} // namespace kez::linkor
