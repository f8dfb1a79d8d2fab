#pragma once
// The audio of a call: the call server's call-state and page messages set up where recorded
// audio goes and which audio connections play what arrives; received frames go to the
// connections' play streams, with flow control toward a reliable sender; recorded frames go
// out as real-time or reliable audio messages.
//
// Threads: the handlers, reliable audio, PlayComplete and the flow-control tick run on the
// engine's thread; real-time audio arrives on the endpoint's audio thread and takes the
// connection lock; recorded frames come on the record thread and take only the send lock,
// which the engine's thread never holds while it stops or starts recording.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "call_messages.h"
#include "call_services.h"
#include "connection_list.h"
#include "kez/sys/event.h"
#include "linkor/audio_interfaces.h"
#include "send_state.h"
#include "shared/engine_state.h"

namespace kez::corvane {

class CallAudio {
public:
    CallAudio(EngineState& state, CallServices& services) : state_(state), services_(services) {}

    // The endpoint's call and audio messages read from their objects; a member that cannot be
    // read ends the message with the callee's error, except in the lists of conference members
    // and audio frames. Real-time audio arrives on the audio receive thread.
    void callStateReceived(const com::Ptr<com::Object>& message);
    void pageReceived(const com::Ptr<com::Object>& message);
    void audioReceived(const com::Ptr<com::Object>& message, bool reliable);

    // The call server's messages, on the engine's thread.
    void callState(const CallStateMessage& message);
    void page(const PageMessage& message);
    // Ends a page being received; nothing while none is.
    void endPage();
    bool pageActive() const { return pageActive_; }
    com::Ptr<com::Object> keptCallState() const { return keptCallState_; }

    // Received audio: real-time on the audio receive thread, reliable on the engine's thread.
    void realTimeAudio(const ReceivedAudio& audio);
    void reliableAudio(const ReceivedAudio& audio);
    // The wave audio server's PlayComplete, and the flow-control tick (every second and after it).
    void playComplete(std::int32_t stream);
    void flowControlTick();
    // The flow-control thread's body: a tick to the engine's thread every period.
    void flowControlLoop(sys::Event& wake);

    // A recorded frame (silent or not), on the record thread.
    void recorded(const com::Variant& data, bool silence);
    // Recording stops; a reliable send sends what it collected and tells the party (event 10).
    void stopSending();

    // A dial-pad key ends the reliable playback and the reliable recording its mask names.
    void keyPressed(std::int16_t key);

    // The diagnostics of an engine that is not started: recorded mu-law sent to `mac` as
    // real-time audio, and real-time audio from `mac` played. A failing start leaves nothing
    // open that it opened.
    com::HRESULT startDiagnosticSend(const com::Variant& mac);
    com::HRESULT stopDiagnosticSend();
    com::HRESULT startDiagnosticReceive(const com::Variant& mac);
    com::HRESULT stopDiagnosticReceive();
    void seedJitter(std::uint32_t seed);
    ConnectionList& connections() { return connections_; }

    // Forgets the last run's call: connections, sending, page and kept message.
    void resetRun();

private:
    void sendTo(const com::Ptr<linkor::IEndPoint>& endPoint, const com::Variant& mac);
    bool acceptsCallState(const CallStateMessage& m);
    bool takeSharedDevices();
    bool sendSideChanged(const CallStateMessage& m);
    com::HRESULT startSending(const CallStateMessage& m);
    com::HRESULT newReliableMessage(const CallStateMessage& m, const SendState& send,
                                    com::Ptr<linkor::IReliableAudioMsg>& message);
    com::HRESULT startRecording(const CallStateMessage& m, std::int16_t type);
    com::HRESULT receive(const CallStateMessage& m);
    void takeParty(const CallStateMessage& m, const com::Variant& mac, std::int16_t vdn, const com::Variant& groupMac,
                   const com::Variant& groupIp, std::int16_t hash);
    bool pageIsWelcome(const PageMessage& m);

    void sendFlowEvent(AudioConnection& connection, KzSetEventId id);
    com::HRESULT sendRealTime(const com::Variant& data, bool silence, SendState& send);
    com::HRESULT collectReliable(const com::Variant& data, bool silence, SendState& send);
    static bool jitterDrops(std::int16_t factor, SendState& send);
    void postCallee(com::HRESULT hr, const com::Guid& iid);

    EngineState& state_;
    CallServices& services_;
    ConnectionList connections_;
    com::Ptr<com::Object> keptCallState_;
    bool pageActive_ = false;
    std::atomic<bool> scrambledReported_{false};
    // Where recorded audio goes, shared with the record thread.
    std::mutex sendLock_;
    SendState send_;
};

} // namespace kez::corvane
