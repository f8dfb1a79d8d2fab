#include "send_arguments.h"

#include <algorithm>

#include "kez/com/array_routines.h"
#include "linkor/message_base.h"

namespace kez::linkor {
namespace {

constexpr std::string_view kSafeArrayFailed = "SafeArray Operation Failed";
constexpr std::string_view kBadDataLength = "The data length lies outside the payload";
constexpr std::uint16_t kVlanIdentifier = 0x0FFF;

std::uint16_t bytesSwapped(std::uint16_t value) { return static_cast<std::uint16_t>(value << 8 | value >> 8); }

// An address getter's array, which must hold exactly the address.
template <std::size_t N>
com::HRESULT readAddress(com::HRESULT got, const Variant& value, std::array<std::uint8_t, N>& address) {
    if (com::FAILED(got)) return got;
    std::vector<std::uint8_t> bytes;
    const com::HRESULT hr = com::GetSafeArrayEx(value, bytes);
    if (com::FAILED(hr)) return hr;
    if (bytes.size() != N) return com::E_INVALIDARG;
    std::copy(bytes.begin(), bytes.end(), address.begin());
    return com::S_OK;
}

struct Words {
    std::int16_t type = 0, bitMap = 0, tos = 0, tci = 0, destVdn = 0, srcVdn = 0;
    std::int32_t length = 0;
};

// In the order the endpoint has always read them.
void readWords(IJIPMessage& message, SendKind kind, Words& words) {
    if (kind == SendKind::Control) message.get_nMsgType(words.type);
    message.get_nHeaderBitMap(words.bitMap);
    message.get_nIPTOS(words.tos);
    message.get_nTCI(words.tci);
    if (kind == SendKind::Control) {
        message.get_nDestVDN(words.destVdn);
        message.get_nSrcVDN(words.srcVdn);
    }
    message.get_lDataLen(words.length);
}

} // namespace

SendRead readSendArguments(IJIPMessage& message, SendKind kind, SendArguments& out) {
    Variant destMac, destIp, data;
    const com::HRESULT gotMac = message.get_varDestMac(destMac);
    const com::HRESULT gotIp = message.get_varDestIP(destIp);
    const com::HRESULT gotData = message.get_varData(data);
    Words words;
    readWords(message, kind, words);

    for (const com::HRESULT hr : {readAddress(gotMac, destMac, out.destMac), readAddress(gotIp, destIp, out.destIp),
                                  com::FAILED(gotData) ? gotData : com::GetSafeArrayEx(data, out.payload)}) {
        if (com::FAILED(hr)) return {hr, kSafeArrayFailed};
    }
    // Ralnet takes what lDataLen says from the payload buffer: never more than the buffer holds.
    const std::size_t buffer = std::min(out.payload.size(), kPayloadSize);
    if (words.length < 0 || static_cast<std::size_t>(words.length) > buffer) {
        return {com::E_INVALIDARG, kBadDataLength};
    }
    out.payload.resize(static_cast<std::size_t>(words.length));
    out.type = static_cast<std::uint16_t>(words.type);
    out.destVdn = static_cast<std::uint16_t>(words.destVdn);
    out.srcVdn = static_cast<std::uint16_t>(words.srcVdn);
    out.headerBitMap = static_cast<std::uint16_t>(words.bitMap);
    out.ipTos = bytesSwapped(static_cast<std::uint16_t>(words.tos));
    const auto tci = static_cast<std::uint16_t>(words.tci);
    out.tci = kind == SendKind::Control ? tci & kVlanIdentifier : tci;
    return {};
}

J5Result sendThroughRalnet(J5NetIf* context, SendKind kind, const SendArguments& a) {
    const auto length = static_cast<std::uint16_t>(a.payload.size());
    if (kind == SendKind::Audio) {
        return J5AudioSend(context, a.destMac.data(), a.payload.data(), length, a.headerBitMap, a.destIp.data(),
                           nullptr, a.ipTos, a.tci, 0);
    }
    return J5IntrinsicSend(context, a.type, a.destMac.data(), a.destVdn, a.srcVdn, a.payload.data(), length,
                           a.headerBitMap, a.destIp.data(), nullptr, a.ipTos, a.tci);
}

} // namespace kez::linkor
