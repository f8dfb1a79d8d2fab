#include "receive_threads.h"

#include "kez/sys/trace.h"

namespace kez::linkor {
namespace {

// A packet counts as pending from the moment it is taken, before the closing flag is read,
// so Close never sees 0 while a packet is on its way to the window. A post that fails drops
// the message, and with it the packet, which is then given back.
void post(const apt::WindowHandle& window, apt::MessageId id, LentPacket packet) {
    if (!window.post({id, 0, 0, apt::Payload::of(std::move(packet))})) {
        sys::trace("linkor", "the endpoint window is gone; packet given back");
    }
}

void receiveControl(const std::shared_ptr<ReceiveState>& state, const apt::WindowHandle& window) {
    while (J5PacketObj* taken = J5ReceiveObj(&state->context, 0, 0)) {
        LentPacket packet(state, taken);
        if (!state->closing) post(window, kControlPacketMessage, std::move(packet));
    }
}

void receiveAudio(const std::shared_ptr<ReceiveState>& state, const apt::WindowHandle& window,
                  const EventDelivery& delivery) {
    while (J5PacketObj* taken = J5AudioReceiveObj(&state->context, 0, 0)) {
        LentPacket packet(state, taken);
        if (state->closing) continue;
        if (state->useThread) {
            delivery.audio(std::move(packet));
        } else {
            post(window, kAudioPacketMessage, std::move(packet));
        }
    }
}

} // namespace

ThreadStart ReceiveThreads::start(const std::shared_ptr<ReceiveState>& state, const apt::WindowHandle& window,
                                  const EventDelivery& delivery) {
    const bool audio = audio_.start(
        "linkor-audio", [state, window, delivery] { receiveAudio(state, window, delivery); },
        sys::ThreadPriority::AboveNormal);
    if (!audio) return ThreadStart::AudioFailed;
    const bool control = control_.start("linkor-control", [state, window] { receiveControl(state, window); });
    return control ? ThreadStart::Started : ThreadStart::ControlFailed;
}

void ReceiveThreads::join(sys::Timeout limit) {
    audio_.join(limit);
    control_.join(limit);
}

} // namespace kez::linkor
