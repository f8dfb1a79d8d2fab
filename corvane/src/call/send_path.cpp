// Recorded audio out: one real-time message per frame, or reliable messages of the call's
// frames per packet; and the end of sending, which flushes what is collected.
#include "call_audio.h"
#include "kez/com/class_registry.h"
#include "kez/com/error_info.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/collaborators.h"

namespace kez::corvane {
namespace {

constexpr std::int16_t kCallStateEventInfo1 = static_cast<std::int16_t>(0xAAAA);
constexpr std::int16_t kCallStateEventInfo2 = static_cast<std::int16_t>(0xBBBB);
constexpr std::int16_t kJitterPassAfterDrop = 3;

struct SendOptions {
    bool mute = false, jitter = false;
    std::int16_t jitterFactor = 0, revision = 0;
};

com::HRESULT sendCollected(SendState& send) {
    com::Ptr<linkor::IJIPMessage> jip;
    const com::HRESULT hr =
        firstFailure([&] { return com::query(send.reliable, jip); },
                     [&] { return jip->put_nIPTOS(static_cast<std::int16_t>(send.tos)); },
                     [&] { return jip->put_nTCI(static_cast<std::int16_t>(send.tci)); },
                     [&] { return send.endPoint->SendPacket(send.reliable); }, [&] { return send.reliable->Reset(); });
    send.framesInMessage = 0;
    return hr;
}

} // namespace

void CallAudio::recorded(const com::Variant& data, bool silence) {
    std::lock_guard hold(sendLock_);
    if (services_.loopToSpeaker(data, silence, send_.framesCollected)) return;
    if (!send_.sending() || !send_.endPoint) return;
    com::HRESULT hr = com::S_OK;
    if (send_.type == kRealTimeAudio) {
        if (com::FAILED(hr = sendRealTime(data, silence, send_))) postCallee(hr, linkor::IRealTimeAudioMsg::iid);
    } else if (send_.reliable) {
        if (com::FAILED(hr = collectReliable(data, silence, send_))) postCallee(hr, linkor::IReliableAudioMsg::iid);
    }
}

// Muted frames still go, flagged "no audio"; silence goes flagged as such, never dropped.
com::HRESULT CallAudio::sendRealTime(const com::Variant& data, bool silence, SendState& send) {
    const SendOptions o = state_.with([](SharedFields& f) {
        return SendOptions{com::isVariantTrue(f.mute), com::isVariantTrue(f.jitter), f.jitterFactor,
                           f.protocolRevision};
    });
    com::Ptr<linkor::IRealTimeAudioMsg> message;
    com::Ptr<linkor::IJIPMessage> jip;
    const std::int16_t flags = silence ? linkor::kFlagSilence : o.mute ? linkor::kFlagNoAudio : linkor::kFlagAudio;
    const com::HRESULT hr = firstFailure(
        [&] { return createMessage(linkor::kClsidRealTimeAudioMsg, message); },
        [&] { return com::query(message, jip); }, [&] { return message->InitPacket(); },
        [&] { return jip->put_varDestMac(send.destMac); }, [&] { return jip->put_varDestIP(send.destIp); },
        [&] { return jip->put_nHeaderBitMap(static_cast<std::int16_t>(send.headerBits)); },
        [&] { return jip->put_nIPTOS(static_cast<std::int16_t>(send.tos)); },
        [&] { return jip->put_nTCI(static_cast<std::int16_t>(send.tci)); },
        [&] { return message->put_nProtocolRevision(o.revision); }, [&] { return message->put_nSourceVDN(kAudioVdn); },
        [&] { return message->put_nDestVDN(send.destVdn); },
        [&] {
            return message->AddFrame(data, send.compression, flags, static_cast<std::int16_t>(send.framesCollected));
        });
    if (com::FAILED(hr)) return hr;
    ++send.framesCollected;
    if (!silence && o.jitter && jitterDrops(o.jitterFactor, send)) return com::S_OK;
    return send.endPoint->SendAudioPacket(message);
}

// The jitter simulation drops a message now and then, and lets the next three through. A
// factor of 0 or below drops nothing.
bool CallAudio::jitterDrops(std::int16_t factor, SendState& send) {
    if (factor <= 0) return false;
    if (send.jitterPass != 0) {
        --send.jitterPass;
        return false;
    }
    if (send.random.next() >= 32767 / factor) return false;
    send.jitterPass = kJitterPassAfterDrop;
    return true;
}

// A packet goes once the message holds the call's frames per packet, so none ever holds more.
com::HRESULT CallAudio::collectReliable(const com::Variant& data, bool silence, SendState& send) {
    const std::int16_t revision = state_.snapshot().protocolRevision;
    const std::int16_t flags = silence ? linkor::kFlagSilence : linkor::kFlagAudio;
    const com::HRESULT hr =
        firstFailure([&] { return send.reliable->put_nProtocolRevision(revision); },
                     [&] {
                         return send.reliable->AddFrame(data, send.compression, flags,
                                                        static_cast<std::int16_t>(send.framesCollected));
                     });
    if (com::FAILED(hr)) return hr;
    ++send.framesCollected;
    return ++send.framesInMessage < send.framesPerPacket ? com::S_OK : sendCollected(send);
}

// Recording stops before the send lock is taken: stopping waits for the record thread, which
// may be waiting for that lock.
void CallAudio::stopSending() {
    bool sending = false;
    {
        std::lock_guard hold(sendLock_);
        sending = send_.sending();
    }
    if (const auto record = services_.recordObject(); sending && record) {
        if (const com::HRESULT hr = record->Stop(); com::FAILED(hr)) postCallee(hr, sonwell::IWaveRecord::iid);
    }
    scrambledReported_ = false;
    std::lock_guard hold(sendLock_);
    SendState was = std::move(send_);
    send_ = {};
    send_.random = was.random;
    if (!was.reliable || !was.endPoint) return;
    if (was.framesInMessage > 0) {
        if (const com::HRESULT hr = sendCollected(was); com::FAILED(hr)) postCallee(hr, linkor::IEndPoint::iid);
    }
    const SharedFields f = state_.snapshot();
    KzSetEventFields event =
        flowControlEvent({was.headerBits, was.tos, was.tci, was.destMac, was.destIp}, f.deviceHandle,
                         f.protocolRevision, kEventFlowPlayed, kCallStateEventInfo1);
    event.info2 = kCallStateEventInfo2;
    if (const com::HRESULT hr = sendKzSetEvent(*was.endPoint, event); com::FAILED(hr))
        postCallee(hr, linkor::IKzSetEventMsg::iid);
}

// Keys 0 to 15 only: the first reliable connection whose mask holds the key and whose stream
// plays stops playing; a reliable recording whose mask holds it stops recording.
void CallAudio::keyPressed(std::int16_t key) {
    if (key < 0 || key > 15) return;
    const auto bit = static_cast<std::uint16_t>(1U << key);
    {
        sys::CriticalSectionLock hold(connections_.lock());
        bool done = false;
        connections_.forEach([&](AudioConnection& c) {
            if (done || c.type() != kReliableAudio || (c.terminationMask() & bit) == 0 || !c.streamPlays()) return;
            c.deactivate();
            done = true;
        });
    }
    bool stop = false;
    {
        std::lock_guard hold(sendLock_);
        stop = send_.reliable && (send_.terminationMask & bit) != 0;
    }
    if (const auto record = services_.recordObject(); stop && record) record->Stop();
    com::takeErrorInfo();
}

void CallAudio::sendTo(const com::Ptr<linkor::IEndPoint>& endPoint, const com::Variant& mac) {
    std::lock_guard hold(sendLock_);
    send_.type = kRealTimeAudio;
    send_.headerBits = kDiagnosticAudioBits;
    send_.tos = send_.tci = 0;
    send_.framesPerPacket = 1;
    send_.compression = linkor::kFormatMuLaw;
    send_.destMac = mac;
    send_.framesCollected = 0;
    send_.reliable.reset();
    send_.endPoint = endPoint;
}

void CallAudio::seedJitter(std::uint32_t seed) {
    std::lock_guard hold(sendLock_);
    send_.random.seed(seed);
}

void CallAudio::resetRun() {
    connections_.releaseAll();
    {
        std::lock_guard hold(sendLock_);
        const JitterRandom random = send_.random;
        send_ = {};
        send_.random = random;
    }
    scrambledReported_ = false;
    pageActive_ = false;
    keptCallState_.reset();
}

} // namespace kez::corvane
