// The call's messages read from their objects into the plain values the call handlers take. A
// member that cannot be read ends the message with the callee's error, except in the lists of
// conference members and audio frames, where what was read is still handled.
#include "call_audio.h"
#include "linkor/audio_interfaces.h"
#include "linkor/incoming_interfaces.h"
#include "linkor/jip_message.h"
#include "shared/collaborators.h"

namespace kez::corvane {
namespace {

std::uint16_t unsignedWord(std::int16_t value) { return static_cast<std::uint16_t>(value); }

com::HRESULT readCallState(const com::Ptr<com::Object>& object, CallStateMessage& m) {
    com::Ptr<linkor::ICallStateControlMsg> call;
    com::Ptr<linkor::IJIPMessage> jip;
    std::int16_t bits = 0, tos = 0, tci = 0, mask = 0;
    com::HRESULT hr = firstFailure(
        [&] { return com::query(object, call); }, [&] { return com::query(object, jip); },
        [&] { return jip->get_varSourceMac(m.sourceMac); }, [&] { return call->get_nProtocolRevision(m.revision); },
        [&] { return call->get_nDeviceHandle(m.deviceHandle); },
        [&] { return call->get_nAudioConnType1(m.connectionType); },
        [&] { return call->get_nAudioDirection1(m.direction); }, [&] { return call->get_nAudioHdrBits1(bits); },
        [&] { return call->get_nAudioIPTOS1(tos); }, [&] { return call->get_nAudioTCI1(tci); },
        [&] { return call->get_nCompressionInfo1(m.compression); },
        [&] { return call->get_nAudioControls1(m.controls); },
        [&] { return call->get_nAudioFramesPerPacket1(m.framesPerPacket); },
        [&] { return call->get_nTermSeqMask1(mask); }, [&] { return call->get_varOtherPartyMac1(m.otherMac); },
        [&] { return call->get_nOtherPartyVDN1(m.otherVdn); }, [&] { return call->get_varOtherPartyIP1(m.otherIp); },
        [&] { return call->get_varMulticastMac1(m.multicastMac); },
        [&] { return call->get_nMulticastHash1(m.multicastHash); },
        [&] { return call->get_varMulticastIP1(m.multicastIp); },
        [&] { return call->get_nConferenceListSize(m.conferenceSize); },
        [&] { return call->get_varConfMulticastMac(m.conferenceMac); },
        [&] { return call->get_nConfMulticastHashCode(m.conferenceHash); },
        [&] { return call->get_varConfMulticastIP(m.conferenceIp); });
    m.object = object;
    m.headerBits = unsignedWord(bits);
    m.tos = unsignedWord(tos);
    m.tci = unsignedWord(tci);
    m.terminationMask = unsignedWord(mask);
    for (std::int16_t i = 0; com::SUCCEEDED(hr) && i < m.conferenceSize; ++i) {
        ConferenceMember member;
        m.membersRead = firstFailure([&] { return call->get_varConfOtherMac(i, member.mac); },
                                     [&] { return call->get_nConfOtherVDN(i, member.vdn); });
        if (com::FAILED(m.membersRead)) break;
        m.members.push_back(std::move(member));
    }
    return hr;
}

com::HRESULT readPage(const com::Ptr<com::Object>& object, std::int16_t deviceHandle, PageMessage& m) {
    com::Ptr<linkor::ISlavePageCmdMsg> page;
    com::Ptr<linkor::IJIPMessage> jip;
    std::int16_t bits = 0;
    const com::HRESULT hr = firstFailure(
        [&] { return com::query(object, page); }, [&] { return com::query(object, jip); },
        [&] { return jip->get_varSourceMac(m.sourceMac); }, [&] { return page->get_nProtocolRevision(m.revision); },
        [&] { return page->get_nAudioConnType(m.connectionType); }, [&] { return page->get_nAudioHdrBits(bits); },
        [&] { return page->get_nCompressionInfo(m.compression); }, [&] { return page->get_nCallProgTone(m.tone); },
        [&] { return page->get_nCallProgMode(m.toneMode); },
        [&] { return page->get_nCallProgDuration(m.toneDuration); },
        [&] { return page->get_varOtherPartyMac(m.otherMac); }, [&] { return page->get_nOtherPartyVDN(m.otherVdn); },
        [&] { return page->get_varMulticastMac(m.multicastMac); },
        [&] { return page->get_varMulticastIP(m.multicastIp); },
        [&] { return page->get_nDevState(deviceHandle, m.ownDeviceState); });
    m.headerBits = unsignedWord(bits);
    return hr;
}

// The frames of either kind of audio message; the data only of frames that carry audio, and
// only on a reliable message the data of every frame.
template <class Message>
com::HRESULT readFrames(Message& message, std::int16_t count, bool everyFrame, ReceivedAudio& audio) {
    for (std::int16_t i = 0; i < count; ++i) {
        ReceivedFrame frame;
        const com::HRESULT hr = firstFailure([&] { return message.get_nAudioFlags(i, frame.flags); },
                                             [&] { return message.get_nFrameSeq(i, frame.sequence); },
                                             [&] {
                                                 return everyFrame || frame.flags == linkor::kFlagAudio
                                                            ? message.get_varAudioData(i, frame.data)
                                                            : com::S_OK;
                                             });
        if (com::FAILED(hr)) return hr;
        audio.frames.push_back(std::move(frame));
    }
    return com::S_OK;
}

// The sender's device: in a real-time payload, in a reliable packet's J5 header.
com::HRESULT readSourceVdn(linkor::IRealTimeAudioMsg& message, linkor::IJIPMessage&, std::int16_t& vdn) {
    return message.get_nSourceVDN(vdn);
}
com::HRESULT readSourceVdn(linkor::IReliableAudioMsg&, linkor::IJIPMessage& jip, std::int16_t& vdn) {
    return jip.get_nSrcVDN(vdn);
}

// A message without frames has nothing to play: `audio` stays without a format.
template <class Message>
com::HRESULT readAudio(const com::Ptr<com::Object>& object, bool reliable, ReceivedAudio& audio) {
    com::Ptr<Message> message;
    com::Ptr<linkor::IJIPMessage> jip;
    std::int16_t count = 0;
    com::HRESULT hr = firstFailure([&] { return com::query(object, message); }, [&] { return com::query(object, jip); },
                                   [&] { return message->get_nFrames(count); });
    if (com::FAILED(hr) || count <= 0) return hr;
    hr = firstFailure([&] { return message->get_nFormat(0, audio.format); },
                      [&] { return readSourceVdn(*message, *jip, audio.sourceVdn); },
                      [&] { return jip->get_varSourceMac(audio.sourceMac); });
    if (com::SUCCEEDED(hr)) audio.framesRead = readFrames(*message, count, reliable, audio);
    return hr;
}

} // namespace

void CallAudio::callStateReceived(const com::Ptr<com::Object>& object) {
    CallStateMessage message;
    if (const com::HRESULT hr = readCallState(object, message); com::FAILED(hr))
        return services_.postCalleeError(hr, linkor::ICallStateControlMsg::iid);
    callState(message);
}

void CallAudio::pageReceived(const com::Ptr<com::Object>& object) {
    PageMessage message;
    if (const com::HRESULT hr = readPage(object, state_.snapshot().deviceHandle, message); com::FAILED(hr))
        return services_.postCalleeError(hr, linkor::ISlavePageCmdMsg::iid);
    page(message);
}

void CallAudio::audioReceived(const com::Ptr<com::Object>& object, bool reliable) {
    ReceivedAudio audio;
    const com::HRESULT hr = reliable ? readAudio<linkor::IReliableAudioMsg>(object, true, audio)
                                     : readAudio<linkor::IRealTimeAudioMsg>(object, false, audio);
    if (com::FAILED(hr))
        return services_.postCalleeError(hr,
                                         reliable ? linkor::IReliableAudioMsg::iid : linkor::IRealTimeAudioMsg::iid);
    if (audio.frames.empty() && com::SUCCEEDED(audio.framesRead)) return;
    if (reliable) {
        reliableAudio(audio);
    } else {
        realTimeAudio(audio);
    }
}

} // namespace kez::corvane
