// EndPoint: sending, multicast membership, channel parameters and the properties.
#include <algorithm>

#include "end_point_object.h"
#include "kez/com/array_routines.h"
#include "linkor/errors.h"
#include "linkor/message_base.h"
#include "send_arguments.h"

namespace kez::linkor {
namespace {

constexpr std::string_view kGetSafeArrayExFailed = "GetSafeArrayEx failed";
constexpr std::string_view kNoMoreIps = "No more multicast addresses allowed";
constexpr std::string_view kNoMoreMacs = "No more mutlicast addresses allowed";
constexpr std::string_view kNotAMessage = "The object is not a message";

constexpr J5ChannelParameters kChannelParameters{3, 1, J5_HBM_ETHERNET | J5_HBM_FULL_HEADER};
constexpr std::uint32_t kChannelWindow = 30;

} // namespace

// Sends are not refused while the endpoint is closed: the message is read, nothing is sent,
// and the caller hears S_OK as for any send Ralnet refuses.
HRESULT EndPoint::send(const com::Ptr<com::Object>& object, SendKind kind) {
    com::Ptr<IJIPMessage> message;
    if (const HRESULT hr = com::query(object, message); com::FAILED(hr)) return fail(hr, kNotAMessage);
    SendArguments arguments;
    if (const SendRead read = readSendArguments(*message, kind, arguments); com::FAILED(read.hr)) {
        return fail(read.hr, read.failText);
    }
    if (open_) sendThroughRalnet(&state_->context, kind, arguments);
    return com::S_OK;
}

HRESULT EndPoint::SendPacket(const com::Ptr<com::Object>& pDisp) { return send(pDisp, SendKind::Control); }

HRESULT EndPoint::SendAudioPacket(const com::Ptr<com::Object>& pDisp) { return send(pDisp, SendKind::Audio); }

HRESULT EndPoint::get_varSourceMac(Variant& value) {
    std::lock_guard lock(ownMacLock_);
    const HRESULT hr = com::MakeSafeArray(com::ElementType::UI1, ownMac_, value);
    return com::FAILED(hr) ? fail(hr, kMakeSafeArrayFailed) : com::S_OK;
}

HRESULT EndPoint::get_varRawAdapters(Variant& value) {
    if (const HRESULT hr = ensureAdapters(); com::FAILED(hr)) return hr;
    value = com::SafeArray::fromTexts(adapters_->names);
    return com::S_OK;
}

HRESULT EndPoint::get_varAdapterDescriptions(Variant& value) {
    if (const HRESULT hr = ensureAdapters(); com::FAILED(hr)) return hr;
    value = com::SafeArray::fromTexts(adapters_->descriptions);
    return com::S_OK;
}

HRESULT EndPoint::get_nAdapter(std::int16_t& value) {
    value = adapter_;
    return com::S_OK;
}

HRESULT EndPoint::put_nAdapter(std::int16_t value) {
    adapter_ = value;
    return com::S_OK;
}

HRESULT EndPoint::get_bUseThread(com::VariantBool& value) {
    value = com::toVariantBool(state_->useThread);
    return com::S_OK;
}

HRESULT EndPoint::put_bUseThread(com::VariantBool value) {
    state_->useThread = value != com::VARIANT_FALSE;
    return com::S_OK;
}

HRESULT EndPoint::get_varLocalIP(Variant& value) {
    const HRESULT hr = com::MakeSafeArray(com::ElementType::UI1, ipSettings_.ownIp, value);
    return com::FAILED(hr) ? fail(hr, kMakeSafeArrayFailed) : com::S_OK;
}

HRESULT EndPoint::put_varLocalIP(const Variant& value) {
    const HRESULT hr = com::GetSafeArray(value, ipSettings_.ownIp);
    return com::FAILED(hr) ? fail(hr, kGetSafeArrayFailed) : com::S_OK;
}

HRESULT EndPoint::get_bAllMulticast(com::VariantBool& value) {
    value = com::toVariantBool(allMulticast_);
    return com::S_OK;
}

HRESULT EndPoint::put_bAllMulticast(com::VariantBool value) {
    const bool wanted = value != com::VARIANT_FALSE;
    if (wanted == allMulticast_) return com::S_OK;
    allMulticast_ = wanted;
    if (open_ && J5SetPacketFilter(&state_->context, packetFilterFor(wanted)) == 0) {
        return fail(linkorError(LINKOR_J5_ERROR), "J5SetPacketFilter failed");
    }
    return com::S_OK;
}

// An address argument must hold exactly the address: a shorter one would have the rest
// read from beyond it.
template <std::size_t N>
HRESULT EndPoint::readAddress(const Variant& value, std::array<std::uint8_t, N>& address) const {
    std::vector<std::uint8_t> bytes;
    if (const HRESULT hr = com::GetSafeArrayEx(value, bytes); com::FAILED(hr)) return fail(hr, kGetSafeArrayExFailed);
    if (bytes.size() != N) return fail(com::E_INVALIDARG, "The address has the wrong length");
    std::copy(bytes.begin(), bytes.end(), address.begin());
    return com::S_OK;
}

HRESULT EndPoint::multicastOutcome(TableChange change, std::string_view fullText) const {
    switch (change) {
    case TableChange::Done: return com::S_OK;
    case TableChange::Full: return fail(linkorError(LINKOR_MULTICAST_ERROR), fullText);
    case TableChange::ListRefused: return fail(linkorError(LINKOR_J5_ERROR), "J5SetMultiCastAddresses failed");
    }
    return com::S_OK;
}

HRESULT EndPoint::AddMulticastIP(const Variant& varIP) {
    IpAddress group;
    if (const HRESULT hr = readAddress(varIP, group); com::FAILED(hr)) return hr;
    return multicastOutcome(tables_.addIp(group, openLink()), kNoMoreIps);
}

HRESULT EndPoint::DeleteMulticastIP(const Variant& varIP) {
    IpAddress group;
    if (const HRESULT hr = readAddress(varIP, group); com::FAILED(hr)) return hr;
    tables_.deleteIp(group, openLink());
    return com::S_OK;
}

// In all-multicast mode the adapter takes every group already; the table is left alone.
HRESULT EndPoint::AddMulticastMac(const Variant& varMac) {
    if (allMulticast_) return com::S_OK;
    MacAddress mac;
    if (const HRESULT hr = readAddress(varMac, mac); com::FAILED(hr)) return hr;
    return multicastOutcome(tables_.addMac(mac, openLink()), kNoMoreMacs);
}

HRESULT EndPoint::DeleteMulticastMac(const Variant& varMac) {
    if (allMulticast_) return com::S_OK;
    MacAddress mac;
    if (const HRESULT hr = readAddress(varMac, mac); com::FAILED(hr)) return hr;
    return multicastOutcome(tables_.deleteMac(mac, openLink()), kNoMoreMacs);
}

HRESULT EndPoint::SetChannelParameters(const Variant& varMac) {
    MacAddress peer;
    if (const HRESULT hr = readAddress(varMac, peer); com::FAILED(hr)) return hr;
    if (open_) {
        J5SetChannelParameters(&state_->context, peer.data(), 1, &kChannelParameters);
        J5SetChannelParameters(&state_->context, peer.data(), 2, &kChannelWindow);
    }
    return com::S_OK;
}

void EndPoint::join(const IpAddress& group) { IGMPJoinGroupToRcv(&state_->context, group.data(), 0, 0); }

void EndPoint::leave(const IpAddress& group) { IGMPRegisterToLeave(&state_->context, group.data()); }

bool EndPoint::setMacList(std::span<const std::uint8_t> list) {
    return J5SetMultiCastAddresses(&state_->context, list.data(), static_cast<std::uint32_t>(list.size())) != 0;
}

} // namespace kez::linkor
