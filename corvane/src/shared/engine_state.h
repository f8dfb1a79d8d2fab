#pragma once
// The fields the engine's worker threads share with its creating thread. One lock guards
// them all; it is held only to copy or change fields, never across a call into another object.
#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine_constants.h"
#include "kez/com/array_routines.h"
#include "kez/com/date.h"
#include "kez/com/variant.h"

namespace kez::corvane {

struct SharedFields {
    // Properties the threads read or write.
    com::Variant vuruvMac, vuruvIp, localIp, subnetMask, gatewayIp;
    com::VariantBool forceLevel3 = com::VARIANT_FALSE;
    com::VariantBool softDevice = com::VARIANT_TRUE;
    std::int16_t protocolRevision = 0;
    // What the recorded audio goes out with.
    com::VariantBool mute = com::VARIANT_FALSE, jitter = com::VARIANT_FALSE;
    std::int16_t jitterFactor = 32767;
    // Per-run state.
    std::uint16_t controlBits = kEthernetControlBits;
    std::uint16_t controlTos = 0, controlTci = 0;
    std::int16_t deviceHandle = kNoDeviceHandle;
    bool bound = false;
    bool initReceived = false;
    // The first call server heard while unbound, and how many system-state messages came
    // since (the candidate's first counts one; each from another MAC adds one).
    com::Variant candidate;
    std::uint32_t candidateCount = 0;
    // The candidate's protocol revision, which a blind bind takes as the engine's own: the set
    // would otherwise speak revision 0 and refuse every control message of the call server.
    std::int16_t candidateRevision = 0;
    com::Date systemDate{};
};

class EngineState {
public:
    // Runs `change` on the fields under the lock and returns what it returns.
    template <class Change>
    auto with(Change&& change) {
        std::lock_guard lock(lock_);
        return change(fields_);
    }
    SharedFields snapshot() const {
        std::lock_guard lock(lock_);
        return fields_;
    }

    // Clears everything a run leaves behind, for a fresh Start.
    void resetRun() {
        with([](SharedFields& f) {
            f.controlBits = kEthernetControlBits;
            f.controlTos = f.controlTci = 0;
            f.deviceHandle = kNoDeviceHandle;
            f.bound = f.initReceived = false;
            f.candidate.clear();
            f.candidateCount = 0;
        });
        systemStateCount_ = 0;
    }

    // System-state messages since the last report, shared by both reports.
    void countSystemState() { ++systemStateCount_; }
    std::uint32_t takeSystemStateCount() { return systemStateCount_.exchange(0); }

private:
    mutable std::mutex lock_;
    SharedFields fields_;
    std::atomic<std::uint32_t> systemStateCount_{0};
};

inline bool holdsBytes(const com::Variant& value) { return com::ArrayByteLength(value) != 0; }

} // namespace kez::corvane
