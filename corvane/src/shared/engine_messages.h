#pragma once
// The messages the engine's parts post to its window, and the typed payloads some carry. A
// producer on any thread posts; the window unpacks each into its event on the creating thread.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kez/apt/hidden_window.h"
#include "kez/com/hresult.h"

namespace kez::corvane {

enum EngineMessage : apt::MessageId {
    kMsgInitReceived = apt::WM_USER + 101,
    kMsgSystemDateUpdate = apt::WM_USER + 102,
    kMsgPlayDtmfReceived = apt::WM_USER + 103, // payload: the message object
    kMsgError = apt::WM_USER + 105,            // w: HRESULT; payload: the text, or none
    kMsgResetReceived = apt::WM_USER + 106,
    kMsgCallProgressUpdate = apt::WM_USER + 107, // payload: CallProgressTone
    kMsgAlertUpdate = apt::WM_USER + 108,        // payload: AlertSignal
    kMsgDisplayUpdate = apt::WM_USER + 109,      // payload: DisplayBlock
    kMsgKeyControlUpdate = apt::WM_USER + 110,   // w: the key-control word
    kMsgLedUpdate = apt::WM_USER + 111,          // payload: LedBlock
    kMsgXavDiscovered = apt::WM_USER + 112,      // payload: DiscoveredServer
    kMsgAutoIpComplete = apt::WM_USER + 113,
    kMsgWaveIdleTick = apt::WM_USER + 114,
    kMsgFlowControlTick = apt::WM_USER + 115,
};

struct CallProgressTone {
    std::int16_t tone = 0, mode = 0, duration = 0;
    bool operator==(const CallProgressTone&) const = default;
};
struct AlertSignal {
    std::int16_t tone = 0, mode = 0, cadence = 0, cycles = 0;
    bool operator==(const AlertSignal&) const = default;
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

// The engine's way to report an error from a worker thread or a handler: an Error event.
bool postEngineError(const apt::WindowHandle& window, com::HRESULT hr, std::string text);

} // namespace kez::corvane
