// Received audio into the play streams, and the flow control that paces a reliable sender:
// pause (event 8) above 20000 buffered samples, go on (9) below 1000, everything played (10).
#include "call_audio.h"
#include "kez/com/error_info.h"
#include "linkor/outgoing_interfaces.h"
#include "shared/engine_messages.h"
#include "shared/timing.h"

namespace kez::corvane {
namespace {

constexpr std::int32_t kPauseAbove = 20000;
constexpr std::uint32_t kResumeBelow = 1000;

} // namespace

// Frames flagged 0 carry audio; silence (2) and "no audio" (1) are filled in by the stream,
// comfort noise taking precedence; a scrambled frame (0x10) plays as silence and is reported
// once until sending stops.
void CallAudio::realTimeAudio(const ReceivedAudio& audio) {
    if (services_.discovering()) return;
    sys::CriticalSectionLock hold(connections_.lock());
    AudioConnection* connection = connections_.find(audio.sourceMac, audio.sourceVdn, audio.format, true);
    if (!connection) return;
    for (const ReceivedFrame& frame : audio.frames) {
        if (frame.flags == linkor::kFlagAudio) {
            connection->addBuffer(frame.data, frame.sequence);
        } else if (frame.flags & linkor::kFlagSilence) {
            connection->addComfort(frame.sequence);
        } else if (frame.flags & linkor::kFlagNoAudio) {
            connection->addSilence(frame.sequence);
        } else if (frame.flags & linkor::kFlagScrambled) {
            connection->addSilence(frame.sequence);
            if (!scrambledReported_.exchange(true)) services_.postError(com::E_FAIL, "Scrambled audio packet received");
        }
    }
    if (com::FAILED(audio.framesRead)) postCallee(audio.framesRead, linkor::IRealTimeAudioMsg::iid);
}

void CallAudio::reliableAudio(const ReceivedAudio& audio) {
    if (!services_.playObject()) return;
    sys::CriticalSectionLock hold(connections_.lock());
    AudioConnection* connection = connections_.find(audio.sourceMac, audio.sourceVdn, audio.format, true);
    if (!connection) return;
    for (const ReceivedFrame& frame : audio.frames) {
        connection->addBuffer(frame.data, frame.sequence);
        connection->flow.lastSequence = frame.sequence;
        if (connection->flow.state == FlowState::Receiving) {
            std::int32_t buffered = 0;
            if (const com::HRESULT hr = connection->samplesBuffered(buffered); com::FAILED(hr))
                return postCallee(hr, sonwell::IWavePlay::iid);
            if (buffered > kPauseAbove) {
                sendFlowEvent(*connection, kEventFlowPause);
                connection->flow.state = FlowState::Paused;
            }
        } else if (connection->flow.state == FlowState::Idle) {
            connection->flow.state = FlowState::Receiving;
        }
    }
    if (com::FAILED(audio.framesRead)) postCallee(audio.framesRead, linkor::IReliableAudioMsg::iid);
}

void CallAudio::playComplete(std::int32_t stream) {
    sys::CriticalSectionLock hold(connections_.lock());
    AudioConnection* connection = connections_.playing(stream);
    if (!connection) return;
    connection->flow.played = true;
    services_.post({kMsgFlowControlTick, 0, 0, {}});
}

// Back at rest (event 10), a connection forgets that its stream ran dry: the next reliable
// stream on it starts afresh.
void CallAudio::flowControlTick() {
    sys::CriticalSectionLock hold(connections_.lock());
    com::HRESULT hr = com::S_OK;
    connections_.forEach([&](AudioConnection& c) {
        if (com::FAILED(hr) || c.type() != kReliableAudio || c.flow.state == FlowState::Idle) return;
        std::int32_t buffered = 0;
        if (com::FAILED(hr = c.samplesBuffered(buffered))) return;
        if (c.flow.state == FlowState::Receiving && !c.flow.played) return;
        if (c.flow.state == FlowState::Paused && !c.flow.played) {
            if (static_cast<std::uint32_t>(buffered) >= kResumeBelow) return;
            sendFlowEvent(c, kEventFlowResume);
            c.flow.state = FlowState::Receiving;
            return;
        }
        if (c.flow.state == FlowState::Receiving) sendFlowEvent(c, kEventFlowResume);
        sendFlowEvent(c, kEventFlowPlayed);
        c.flow = {};
    });
    if (com::FAILED(hr)) postCallee(hr, sonwell::IWavePlay::iid);
}

void CallAudio::sendFlowEvent(AudioConnection& connection, KzSetEventId id) {
    const auto endPoint = services_.endPoint();
    if (!endPoint) return;
    const SharedFields f = state_.snapshot();
    const com::HRESULT hr =
        sendKzSetEvent(*endPoint, flowControlEvent(connection.party(), f.deviceHandle, f.protocolRevision, id,
                                                   connection.flow.lastSequence));
    if (com::FAILED(hr)) postCallee(hr, linkor::IKzSetEventMsg::iid);
}

void CallAudio::flowControlLoop(sys::Event& wake) {
    while (!wake.wait(timing::scaled(timing::kFlowControlPeriod)))
        services_.post({kMsgFlowControlTick, 0, 0, {}});
}

} // namespace kez::corvane
