// The call-state message: where recorded audio goes and which audio connections take what
// arrives. A message with no audio ends both sides; otherwise the send side changes only with
// a new destination, and the receive side reuses the connections it names again.
#include "call_audio.h"
#include "corvane/errors.h"
#include "kez/com/array_routines.h"
#include "kez/com/error_info.h"
#include "linkor/incoming_interfaces.h"
#include "shared/collaborators.h"

namespace kez::corvane {
namespace {

bool isGroupAddress(const com::Variant& mac) {
    std::vector<std::uint8_t> bytes;
    return com::SUCCEEDED(com::GetSafeArrayEx(mac, bytes)) && !bytes.empty() && (bytes[0] & 0x01) != 0;
}

} // namespace

void CallAudio::callState(const CallStateMessage& m) {
    if (!acceptsCallState(m)) return;
    if (m.connectionType == kNoAudio) {
        connections_.releaseAll();
        stopSending();
        return;
    }
    if (!takeSharedDevices()) return;
    endPage();
    if ((m.direction & kSendsAudio) == 0) {
        stopSending();
    } else if (sendSideChanged(m)) {
        if (com::FAILED(startSending(m))) return;
    }
    if ((m.direction & kReceivesAudio) == 0) {
        connections_.releaseAll();
        return;
    }
    if (const com::HRESULT hr = receive(m); com::FAILED(hr)) postCallee(hr, linkor::ICallStateControlMsg::iid);
}

// Only from the bound call server with the engine's revision; a refused message is not kept,
// so the call server never gets it back on request.
bool CallAudio::acceptsCallState(const CallStateMessage& m) {
    const SharedFields f = state_.snapshot();
    if (!f.bound || !com::ArraysEqual(m.sourceMac, f.vuruvMac)) return false;
    if (m.revision != f.protocolRevision) {
        services_.postError(corvaneError(ENGINE_PROTOCOL_ERROR), "Invalid Protocol Call State");
        return false;
    }
    keptCallState_ = m.object;
    state_.with([&](SharedFields& shared) { shared.deviceHandle = m.deviceHandle; });
    return true;
}

// In shared-wave mode a call opens play, then record; a device that does not open ends the
// message without a word.
bool CallAudio::takeSharedDevices() {
    if (!services_.sharedWave()) return true;
    if (com::SUCCEEDED(services_.openPlayDevice()) && com::SUCCEEDED(services_.openRecordDevice())) return true;
    com::takeErrorInfo();
    return false;
}

// A destination VDN of 0xFFFF (a group) never counts as the same: recording restarts.
bool CallAudio::sendSideChanged(const CallStateMessage& m) {
    std::lock_guard hold(sendLock_);
    if (m.conferenceSize > 0) return !com::ArraysEqual(m.conferenceMac, send_.destMac);
    return !com::ArraysEqual(m.otherMac, send_.destMac) || send_.destVdn == kGroupVdn || m.otherVdn != send_.destVdn;
}

// Sending to the old destination ends first, with its flush and event 10, so nothing
// collected for the old party goes to the new one.
com::HRESULT CallAudio::startSending(const CallStateMessage& m) {
    stopSending();
    SendState next;
    next.type = m.connectionType;
    next.terminationMask = m.terminationMask;
    next.headerBits = m.headerBits;
    next.tos = m.tos;
    next.tci = m.tci;
    if (m.conferenceSize > 0) {
        next.destMac = m.conferenceMac;
        next.destIp = m.conferenceIp;
        next.destVdn = kGroupVdn;
    } else {
        next.destMac = m.otherMac;
        next.destIp = m.otherIp;
        next.destVdn = isGroupAddress(m.otherMac) ? kGroupVdn : m.otherVdn;
    }
    next.framesPerPacket = SendState::packetFrames(m.framesPerPacket);
    next.compression = m.compression;
    next.endPoint = services_.endPoint();
    if (m.connectionType == kReliableAudio) {
        if (const com::HRESULT hr = newReliableMessage(m, next, next.reliable); com::FAILED(hr)) {
            services_.postError(hr, "Reliable audio message create failure");
            return hr;
        }
    }
    {
        std::lock_guard hold(sendLock_);
        next.random = send_.random;
        send_ = std::move(next);
    }
    return startRecording(m, m.connectionType);
}

// Addressed to the other party even in a conference: reliable packets never go to a group.
com::HRESULT CallAudio::newReliableMessage(const CallStateMessage& m, const SendState& send,
                                           com::Ptr<linkor::IReliableAudioMsg>& message) {
    com::Ptr<linkor::IJIPMessage> jip;
    const std::int16_t revision = state_.snapshot().protocolRevision;
    if (com::FAILED(createMessage(linkor::kClsidReliableAudioMsg, message)) || com::FAILED(com::query(message, jip))) {
        com::takeErrorInfo();
        return com::E_POINTER;
    }
    return firstFailure(
        [&] { return message->InitPacket(); }, [&] { return message->put_nProtocolRevision(revision); },
        [&] { return jip->put_varDestMac(m.otherMac); }, [&] { return jip->put_varDestIP(send.destIp); },
        [&] { return jip->put_nSrcVDN(kAudioVdn); }, [&] { return jip->put_nDestVDN(send.destVdn); },
        [&] { return jip->put_nHeaderBitMap(static_cast<std::int16_t>(reliableOnAudioHeader(m.headerBits))); });
}

// Mu-law frames of a reliable call fill the whole 256-byte frame: the receiver cannot tell a
// shorter one, and would play the rest of the frame as noise.
com::HRESULT CallAudio::startRecording(const CallStateMessage& m, std::int16_t type) {
    const auto record = services_.recordObject();
    if (!record) {
        services_.postError(com::E_POINTER, "No record object");
        return com::E_POINTER;
    }
    struct Sizes {
        std::int32_t buffer, capture, send;
    };
    const Sizes sizes = m.compression == linkor::kFormatMuLaw
                            ? (type == kReliableAudio ? Sizes{256, 256, 256} : Sizes{192, 192, 192})
                            : (type == kReliableAudio ? Sizes{256, 505, 256} : Sizes{100, 192, 100});
    const com::HRESULT hr = firstFailure(
        [&] { return record->put_lBufferLen(sizes.buffer); }, [&] { return record->put_lCaptureLen(sizes.capture); },
        [&] { return record->put_lSendLen(sizes.send); },
        [&] { return record->put_bDetectSilence(com::toVariantBool((m.controls & kDetectSilence) != 0)); },
        [&] { return record->Record(m.compression); });
    if (com::FAILED(hr)) postCallee(hr, sonwell::IWaveRecord::iid);
    return hr;
}

// The receive side: every connection stops playing, then those the call names play again or
// are made; the others wait, deactivated, for a later call that names them.
com::HRESULT CallAudio::receive(const CallStateMessage& m) {
    sys::CriticalSectionLock hold(connections_.lock());
    com::HRESULT hr = com::S_OK;
    connections_.forEach([&](AudioConnection& c) {
        if (com::SUCCEEDED(hr)) hr = c.deactivate();
    });
    if (com::FAILED(hr)) return hr;
    if (m.conferenceSize <= 0) {
        takeParty(m, m.otherMac, m.otherVdn, m.multicastMac, m.multicastIp, m.multicastHash);
        return com::S_OK;
    }
    for (const ConferenceMember& member : m.members)
        takeParty(m, member.mac, member.vdn, m.conferenceMac, m.conferenceIp, m.conferenceHash);
    return m.membersRead;
}

// A new connection is in the list before it joins its group; a hash above 63 leaves the group.
void CallAudio::takeParty(const CallStateMessage& m, const com::Variant& mac, std::int16_t vdn,
                          const com::Variant& groupMac, const com::Variant& groupIp, std::int16_t hash) {
    AudioConnection* connection = connections_.find(mac, vdn, m.compression, false);
    if (connection) {
        connection->reactivate();
    } else {
        auto made = std::make_unique<AudioConnection>(
            m.connectionType, Addressing{m.headerBits, m.tos, m.tci, mac, m.otherIp}, vdn, m.terminationMask);
        made->setFormat(m.compression);
        made->attach(services_.playObject());
        connection = &connections_.append(std::move(made));
    }
    const bool joins = hash <= kHighestJoinedHash;
    connection->setMulticast(services_.endPoint(), joins ? groupMac : com::Variant(), joins ? groupIp : com::Variant());
}

void CallAudio::postCallee(com::HRESULT hr, const com::Guid& iid) { services_.postCalleeError(hr, iid); }

} // namespace kez::corvane
