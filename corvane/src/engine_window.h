#pragma once
// The engine window "EngineWindow": every event reaches the owner through it, in posting
// order, on the thread that created the engine, whichever thread produced it. Its two ticks
// (wave idle, reliable-audio flow control) run there too, serialised with the events.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "corvane/engine.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/connection_point.h"

namespace kez::corvane {

enum EngineMessage : apt::MessageId {
    kMsgInitReceived = apt::WM_USER + 101,
    kMsgSystemDateUpdate = apt::WM_USER + 102,
    kMsgPlayDtmfReceived = apt::WM_USER + 103, // payload: the message object
    kMsgError = apt::WM_USER + 105,            // w: HRESULT; payload: the text, or none
    kMsgResetReceived = apt::WM_USER + 106,
    kMsgCallProgressUpdate = apt::WM_USER + 107, // w: tone; l: mode | duration << 16
    kMsgAlertUpdate = apt::WM_USER + 108,        // w: tone | mode << 16; l: cadence | cycles << 16
    kMsgDisplayUpdate = apt::WM_USER + 109,      // payload: DisplayBlock
    kMsgKeyControlUpdate = apt::WM_USER + 110,   // w: the key-control word
    kMsgLedUpdate = apt::WM_USER + 111,          // payload: LedBlock
    kMsgXavDiscovered = apt::WM_USER + 112,      // payload: DiscoveredServer
    kMsgAutoIpComplete = apt::WM_USER + 113,
    kMsgWaveIdleTick = apt::WM_USER + 114,
    kMsgFlowControlTick = apt::WM_USER + 115,
};

struct DisplayBlock {
    std::int16_t todMode = 0;
    std::string line1, line2;
    std::int16_t deviceIdleStatus = 0;
};
// Program, speaker, hands-free, voice mail, forward to voice mail, then the 12 line LEDs.
using LedBlock = std::array<std::int16_t, 17>;
struct DiscoveredServer {
    std::vector<std::uint8_t> mac;
    std::optional<std::vector<std::uint8_t>> ip; // none when heard over Ethernet
};

// What the window asks of its engine besides the sinks.
class EngineWindowOwner {
public:
    virtual com::Date systemDate() const = 0;
    virtual void waveIdleTick() = 0;
    virtual void flowControlTick() = 0;

protected:
    ~EngineWindowOwner() = default;
};

using EngineEvents = com::ConnectionPoint<_IEngineEvents>;

class EngineWindow {
public:
    EngineWindow(EngineWindowOwner& owner, EngineEvents& events);

    bool created() const { return window_.created(); }
    int error() const { return window_.error(); }
    // What producers on any thread post to.
    apt::WindowHandle handle() const { return window_.handle(); }
    // Later posts fail; what is queued is dropped and freed.
    void destroy() { window_.destroy(); }

private:
    apt::Result onMessage(apt::Message& message);
    void fireError(std::int32_t number, const std::string& text);
    void firePlayDtmf(apt::Message& message);
    void fireLeds(const LedBlock& leds);
    void fireDiscovered(DiscoveredServer server);

    EngineWindowOwner& owner_;
    EngineEvents& events_;
    apt::HiddenWindow window_;
};

// The engine's way to report an error from a worker thread or a handler: an Error event.
bool postEngineError(const apt::WindowHandle& window, com::HRESULT hr, std::string text);

// The six key-control flags of a key-control word, in event order.
std::array<com::VariantBool, 6> keyControlFlags(std::uint16_t word);

} // namespace kez::corvane
