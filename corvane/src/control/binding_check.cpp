// The two checks the engine runs on its own threads while it waits for a call server: the
// blind bind to the one call server heard, and the switch to the IP transport when none binds.
#include "control_handlers.h"
#include "linkor/end_point.h"
#include "shared/timing.h"

namespace kez::corvane {

void ControlHandlers::bindingLoop(sys::Event& wake) {
    while (!wake.wait(timing::scaled(timing::kBindingCheckPeriod)) && !bindingStep()) {
    }
}

// One look at the call servers heard; true when the check is over.
bool ControlHandlers::bindingStep() {
    enum class Next { Wait, Bind, Multiple, Done };
    com::Variant mac;
    bool silent = false;
    const Next next = state_.with([&](SharedFields& f) {
        if (f.bound) return Next::Done;
        if (f.candidateCount == 0) return Next::Wait;
        if (f.candidateCount > 1) {
            silent = holdsBytes(f.vuruvIp);
            return Next::Multiple;
        }
        f.vuruvMac = mac = f.candidate;
        f.protocolRevision = f.candidateRevision;
        f.deviceHandle = kNoDeviceHandle;
        return Next::Bind;
    });
    if (next == Next::Wait) return false;
    if (next == Next::Multiple && !silent) services_.postError(com::E_FAIL, "Unable to blind bind to multiple Vuruv's");
    if (next == Next::Bind) {
        if (const com::HRESULT hr = services_.setChannelParameters(mac); com::FAILED(hr))
            services_.postCalleeError(hr, linkor::IEndPoint::iid);
        state_.with([](SharedFields& f) { f.bound = true; });
    }
    return true;
}

void ControlHandlers::layer3Check(sys::Event& wake) {
    if (wake.wait(timing::scaled(timing::kLayer3Wait))) return;
    state_.with([](SharedFields& f) {
        if (f.bound || !holdsBytes(f.vuruvIp)) return;
        f.controlBits |= kIpTransportBits;
        f.forceLevel3 = com::VARIANT_TRUE;
    });
}

} // namespace kez::corvane
