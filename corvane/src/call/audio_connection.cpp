#include "audio_connection.h"

#include <algorithm>

#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "shared/engine_constants.h"

namespace kez::corvane {
namespace {

constexpr std::int32_t kReliableStreamSamples = 505;
constexpr std::int32_t kRealTimeStreamSamples = 192;

// The result of a call whose failure the handlers go past: its error object goes.
com::HRESULT quietly(com::HRESULT hr) {
    if (com::FAILED(hr)) com::takeErrorInfo();
    return hr;
}

// An all-zero group names none: the call server fills unused group fields with zeros.
bool namesGroup(const com::Variant& address) {
    std::vector<std::uint8_t> bytes;
    return com::SUCCEEDED(com::GetSafeArrayEx(address, bytes)) &&
           std::any_of(bytes.begin(), bytes.end(), [](std::uint8_t b) { return b != 0; });
}

} // namespace

AudioConnection::AudioConnection(std::int16_t type, Addressing party, std::int16_t vdn, std::uint16_t terminationMask)
    : type_(type), party_(std::move(party)), vdn_(vdn), terminationMask_(terminationMask) {}

AudioConnection::~AudioConnection() {
    close();
    com::takeErrorInfo();
}

bool AudioConnection::takes(const com::Variant& mac, std::int16_t vdn, std::int16_t compression) const {
    return vdn == vdn_ && compression == compression_ && com::ArraysEqual(mac, party_.destMac);
}

void AudioConnection::setFormat(std::int16_t compression) {
    compression_ = compression;
    comfort_ = type_ == kRealTimeAudio;
    reliableSamples_ = comfort_ ? kRealTimeStreamSamples : kReliableStreamSamples;
}

com::HRESULT AudioConnection::attach(com::Ptr<sonwell::IWavePlay> play) {
    play_ = std::move(play);
    if (!play_) return com::E_POINTER;
    std::int32_t stream = 0;
    const com::HRESULT hr = type_ == kRealTimeAudio
                                ? play_->CreateStream(compression_, com::toVariantBool(comfort_), stream)
                                : play_->CreateReliableStream(compression_, reliableSamples_, stream);
    if (com::SUCCEEDED(hr)) stream_ = stream;
    return quietly(hr);
}

// Membership by IP over UDP/IP transport, else by the group's Ethernet MAC. A group changes
// only when the call names another one; an empty one leaves what was joined.
com::HRESULT AudioConnection::setMulticast(const com::Ptr<linkor::IEndPoint>& endPoint, const com::Variant& groupMac,
                                           const com::Variant& groupIp) {
    if (!endPoint_) endPoint_ = endPoint;
    if (!endPoint_) return com::E_POINTER;
    const bool byIp = (party_.headerBits & kCameOverUdpBit) != 0;
    com::Variant& joined = byIp ? groupIp_ : groupMac_;
    const com::Variant wanted = namesGroup(byIp ? groupIp : groupMac) ? (byIp ? groupIp : groupMac) : com::Variant();
    if (com::ArraysEqual(joined, wanted)) return com::S_OK;
    com::HRESULT hr = com::S_OK;
    if (!joined.isEmpty()) hr = byIp ? endPoint_->DeleteMulticastIP(joined) : endPoint_->DeleteMulticastMac(joined);
    joined = wanted;
    if (com::SUCCEEDED(hr) && !joined.isEmpty())
        hr = byIp ? endPoint_->AddMulticastIP(joined) : endPoint_->AddMulticastMac(joined);
    return quietly(hr);
}

com::HRESULT AudioConnection::addBuffer(const com::Variant& data, std::int16_t sequence) {
    return quietly(play_ ? play_->AddBuffer(stream_, data, sequence) : com::E_POINTER);
}

com::HRESULT AudioConnection::addSilence(std::int16_t sequence) {
    return quietly(play_ ? play_->AddSilence(stream_, sequence) : com::E_POINTER);
}

com::HRESULT AudioConnection::addComfort(std::int16_t sequence) {
    return quietly(play_ ? play_->AddComfort(stream_, sequence) : com::E_POINTER);
}

// The stream itself comes back with the next frame it is given.
void AudioConnection::reactivate() {
    active_ = true;
    flow = {};
}

com::HRESULT AudioConnection::deactivate() {
    if (stream_ != 0 && play_) {
        if (const com::HRESULT hr = play_->DeactivateStream(stream_); com::FAILED(hr)) return hr;
    }
    active_ = false;
    return com::S_OK;
}

com::HRESULT AudioConnection::samplesBuffered(std::int32_t& samples) const {
    samples = 0;
    return stream_ != 0 && play_ ? play_->get_lSamplesBuffered(stream_, samples) : com::S_OK;
}

bool AudioConnection::streamPlays() const {
    com::VariantBool plays = com::VARIANT_FALSE;
    return stream_ != 0 && play_ && com::SUCCEEDED(quietly(play_->bIsActive(stream_, plays))) &&
           com::isVariantTrue(plays);
}

com::HRESULT AudioConnection::close() {
    com::HRESULT first = com::S_OK;
    const auto keep = [&first](com::HRESULT hr) {
        if (com::SUCCEEDED(first)) first = hr;
    };
    if (stream_ != 0 && play_) keep(play_->DeleteStream(stream_));
    stream_ = 0;
    keep(leave(groupMac_, groupIp_));
    groupMac_.clear();
    groupIp_.clear();
    return first;
}

com::HRESULT AudioConnection::leave(const com::Variant& mac, const com::Variant& ip) {
    if (!endPoint_) return com::S_OK;
    com::HRESULT hr = mac.isEmpty() ? com::S_OK : endPoint_->DeleteMulticastMac(mac);
    if (!ip.isEmpty()) {
        const com::HRESULT left = endPoint_->DeleteMulticastIP(ip);
        if (com::SUCCEEDED(hr)) hr = left;
    }
    return hr;
}

} // namespace kez::corvane
