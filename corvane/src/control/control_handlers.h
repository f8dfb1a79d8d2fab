#pragma once
// The engine's answers to the call server's control messages, on plain decoded values. They
// run on the engine's creating thread, one at a time; the fields the worker threads share go
// through the engine state's lock.
#include <cstdint>
#include <vector>

#include "control_services.h"
#include "engine_state.h"

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

// The status period a set initialisation asks for, in milliseconds; negative for none. Zero
// asks for none as well: read as written it would send status without pause.
std::int64_t statusPeriodMilliseconds(std::int16_t statusUpdatePeriod);

class ControlHandlers {
public:
    ControlHandlers(EngineState& state, ControlServices& services) : state_(state), services_(services) {}

    void setInit(const SetInitMessage& message);

    // Forgets what the last run joined and kept, for a fresh Start.
    void resetRun() { joined_.clear(); }

private:
    struct Membership {
        GroupKind kind;
        com::Variant address;
    };

    bool acceptsSetInit(const SetInitMessage& message);
    com::HRESULT leaveJoinedGroups();
    com::HRESULT joinGroups(const SetInitMessage& message);
    com::HRESULT join(GroupKind kind, const com::Variant& address);

    EngineState& state_;
    ControlServices& services_;
    // Exactly the groups the last set initialisation joined, left again by the next one.
    std::vector<Membership> joined_;
};

} // namespace kez::corvane
