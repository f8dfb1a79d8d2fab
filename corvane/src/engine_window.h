#pragma once
// The engine window "EngineWindow": every event reaches the owner through it, in posting
// order, on the thread that created the engine, whichever thread produced it. Its two ticks
// (wave idle, reliable-audio flow control) run there too, serialised with the events.
#include <array>
#include <cstdint>
#include <string>

#include "corvane/engine.h"
#include "kez/apt/hidden_window.h"
#include "kez/com/connection_point.h"
#include "shared/engine_messages.h"

namespace kez::corvane {

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

// The six key-control flags of a key-control word, in event order.
std::array<com::VariantBool, 6> keyControlFlags(std::uint16_t word);

} // namespace kez::corvane
