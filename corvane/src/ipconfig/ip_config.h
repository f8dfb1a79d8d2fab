#pragma once
// The engine's IP configuration core: the PC's IP settings into varLocalIP, varSubnetMask and
// varGatewayIP, from the first adapter or from a probe toward the call server. The probe's
// outcome arrives on its own thread; the fields go through the engine state's lock.
#include <string>

#include "connect_probe.h"
#include "kez/apt/message.h"
#include "kez/com/hresult.h"
#include "shared/engine_state.h"

namespace kez::corvane {

// What the IP configuration needs from the engine around it: posts to its window, from any thread.
class IpConfigServices {
public:
    virtual ~IpConfigServices() = default;
    virtual void post(apt::Message message) = 0;
    virtual void postError(com::HRESULT hr, std::string text) = 0;
};

class IpConfig {
public:
    IpConfig(EngineState& state, IpConfigServices& services) : state_(state), services_(services) {}

    // The first adapter's settings.
    com::HRESULT fromFirstAdapter();
    // The settings of the adapter that reaches the call server; AutoIPComplete follows.
    com::HRESULT probeCallServer();
    // Ends a pending probe; nothing follows it.
    void cancel() { probe_.cancel(); }

private:
    void takeLocalAddress(const Ipv4& local);

    EngineState& state_;
    IpConfigServices& services_;
    // Last, so that its thread ends before anything it uses goes.
    ConnectProbe probe_;
};

} // namespace kez::corvane
