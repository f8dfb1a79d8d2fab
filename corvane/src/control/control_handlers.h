#pragma once
// The engine's control core: its answers to the call server's control messages, read from the
// endpoint's message objects into plain values, and the binding checks. The messages arrive on
// the engine's creating thread, one at a time; the checks run on the engine's worker threads,
// and the fields they share go through the engine state's lock.
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

#include "control_services.h"
#include "kez/sys/event.h"
#include "shared/engine_messages.h"
#include "shared/engine_state.h"

namespace kez::linkor {
class ISystemStateMsg;
}

namespace kez::corvane {

// The members of a set-initialisation message the engine reads.
struct SetInitMessage {
    com::Variant sourceMac, sourceIp;
    std::uint16_t receivedBits = 0; // header bits of the receive path
    std::int16_t revision = 0, deviceHandle = 0;
    std::uint16_t controlBits = 0, controlTos = 0, controlTci = 0;
    com::Variant systemStateMac, systemStateIp, pageMac, pageIp;
    std::int16_t statusUpdatePeriod = 0;
};

// What every message after the set initialisation is accepted by: the sender and revision.
struct ControlOrigin {
    com::Variant sourceMac;
    std::int16_t revision = 0, deviceHandle = 0;
};

// The members of a UI state message the engine reads. `object` is the message itself, kept
// for the call server's request to send it again.
struct UiStateMessage {
    ControlOrigin origin;
    com::Ptr<com::Object> object;
    std::array<std::uint8_t, 10> leds{}; // five big-endian words
    com::HRESULT ledsRead = com::S_OK;   // how reading them went
    std::uint16_t keyControl = 0;
    DisplayBlock display;
    std::int16_t tone = 0, toneMode = 0, toneDuration = 0;
    std::int16_t alertTone = 0, alertMode = 0, alertCadence = 0, alertCycles = 0;
};

// A line LED in this state takes its state from the LED map.
inline constexpr std::int16_t kMappedLed = 15;
inline constexpr std::size_t kLineLeds = 12;

// The LED map: for each line LED, a resource group and a 1-based unit number.
struct MappedLed {
    std::uint16_t group = 0, unit = 0;
};
using LedMap = std::array<MappedLed, kLineLeds>;

// The system-state LED arrays by resource group; none until a system-state message brings one.
struct LedArrays {
    std::optional<std::vector<std::uint8_t>> telephone, trunk, park;
};

// The 17 LED values of a UI state's LED block, line LEDs in state 15 resolved through the map.
LedBlock unpackLeds(const std::array<std::uint8_t, 10>& words, const LedMap& map, const LedArrays& arrays);

inline constexpr std::size_t kMostDiscovered = 20;

// Commands of the call server.
inline constexpr std::int16_t kCommandReset = 0x1001;
inline constexpr std::int16_t kCommandStatusNow = 0x1002;
inline constexpr std::int16_t kCommandSendAgain = 0x1003;
inline constexpr std::int16_t kQualifierUiState = 0x0202;
inline constexpr std::int16_t kQualifierCallState = 0x0203;

// The status period a set initialisation asks for, in milliseconds; negative for none. Zero
// asks for none as well: read as written it would send status without pause.
std::int64_t statusPeriodMilliseconds(std::int16_t statusUpdatePeriod);

class ControlHandlers {
public:
    ControlHandlers(EngineState& state, ControlServices& services) : state_(state), services_(services) {}

    // The endpoint's control messages; a member that cannot be read ends the message with the
    // callee's error.
    void systemStateReceived(const com::Ptr<com::Object>& message);
    void setInitReceived(const com::Ptr<com::Object>& message);
    void uiStateReceived(const com::Ptr<com::Object>& message);
    void ledMappingReceived(const com::Ptr<com::Object>& message);
    void playDtmfReceived(const com::Ptr<com::Object>& message);
    void commandReceived(const com::Ptr<com::Object>& message);

    // The worker threads' bodies while unbound: the blind bind after the binding-check period,
    // and the switch to the IP transport after the layer-3 wait.
    void bindingLoop(sys::Event& wake);
    void layer3Check(sys::Event& wake);

    // Call-server discovery: from its start until the next Start, system-state messages only
    // report their senders and set initialisations are ignored.
    void startDiscovery() {
        discovering_ = true;
        discovered_.clear();
    }
    // Also asked by the audio receive thread.
    bool discovering() const { return discovering_; }
    // The kept UI state's alert mode: not 0 while the set rings.
    std::int16_t keptAlertMode() const { return keptUiState_ ? keptUiState_->alertMode : 0; }
    // Reports a sender not heard before, up to kMostDiscovered; false when discovery is not running.
    bool discover(const com::Variant& sourceMac, const com::Variant& sourceIp, bool overUdp);

    void setInit(const SetInitMessage& message);
    void uiState(UiStateMessage message);
    void ledMapping(const ControlOrigin& origin, const LedMap& map);
    void playDtmf(const ControlOrigin& origin, com::Ptr<com::Object> message);
    void command(const ControlOrigin& origin, std::int16_t command, std::int16_t qualifier);
    // The LED arrays of the bound call server's latest system-state message.
    void takeLedArrays(LedArrays arrays) { ledArrays_ = std::move(arrays); }
    // Posts the kept UI state's LEDs again, so that mapped LEDs follow a new map or new arrays;
    // not while shared-wave mode has the devices closed.
    void refreshLeds();

    // Forgets what the last run joined and kept, for a fresh Start.
    void resetRun() {
        discovering_ = false;
        discovered_.clear();
        joined_.clear();
        keptUiState_.reset();
        ledMap_ = {};
        ledArrays_ = {};
    }

private:
    struct Membership {
        GroupKind kind;
        com::Variant address;
    };

    void bindOnSystemState(const com::Variant& source, std::uint16_t headerBits, std::int16_t revision);
    void takeDate(linkor::ISystemStateMsg& message);
    bool readLedArrays(linkor::ISystemStateMsg& message);
    bool bindingStep();
    bool acceptsSetInit(const SetInitMessage& message);
    bool accepts(const ControlOrigin& origin);
    bool openSharedDevices();
    void postUiUpdates(const UiStateMessage& message);
    void postLeds();
    void sendAgain(std::int16_t qualifier);
    com::HRESULT leaveJoinedGroups();
    com::HRESULT joinGroups(const SetInitMessage& message);
    com::HRESULT join(GroupKind kind, const com::Variant& address);

    EngineState& state_;
    ControlServices& services_;
    // Exactly the groups the last set initialisation joined, left again by the next one.
    std::vector<Membership> joined_;
    std::atomic<bool> discovering_{false};
    std::vector<std::vector<std::uint8_t>> discovered_;
    // The last accepted UI state, refreshed when the map or the arrays change.
    std::optional<UiStateMessage> keptUiState_;
    LedMap ledMap_{};
    LedArrays ledArrays_;
};

} // namespace kez::corvane
