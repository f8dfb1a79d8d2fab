#pragma once
// The endpoint's two receive threads. Each takes packets from one Ralnet queue until Ralnet
// stops, and hands every packet to the endpoint's window (or, for audio while bUseThread is
// set, raises its event at once).
#include <memory>

#include "event_delivery.h"
#include "kez/apt/hidden_window.h"
#include "kez/sys/thread.h"
#include "lent_packet.h"

namespace kez::linkor {

// Window messages of the endpoint: one lent packet each, carried as the message's payload.
inline constexpr apt::MessageId kAudioPacketMessage = apt::WM_USER + 101;
inline constexpr apt::MessageId kControlPacketMessage = apt::WM_USER + 102;

enum class ThreadStart { Started, AudioFailed, ControlFailed };

class ReceiveThreads {
public:
    // The audio thread first (above normal priority, best effort), then the control thread.
    // When the control thread fails, the audio thread stays running until join.
    ThreadStart start(const std::shared_ptr<ReceiveState>& state, const apt::WindowHandle& window,
                      const EventDelivery& delivery);
    // Waits for the audio thread, then the control thread, each up to `limit`. A thread that
    // is still running is left to end by itself: it owns what it uses.
    void join(sys::Timeout limit);

private:
    sys::Thread audio_;
    sys::Thread control_;
};

} // namespace kez::linkor
