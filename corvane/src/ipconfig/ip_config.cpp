// The local address from the first adapter, or from a probe toward the call server; then the
// mask and gateway of the adapter that holds it.
#include "ip_config.h"

#include <string>

#include "adapter_settings.h"
#include "corvane/errors.h"
#include "kez/com/array_routines.h"
#include "shared/engine_messages.h"
#include "shared/error_report.h"

namespace kez::corvane {
namespace {

// The call server is probed on its web port, which it is expected to listen on.
constexpr std::uint16_t kProbePort = 80;

com::Variant arrayOf(const Ipv4& bytes) {
    com::Variant value;
    com::MakeSafeArray(com::ElementType::UI1, bytes, value);
    return value;
}

std::string failureText(const ProbeResult& result) { return result.what + " " + std::to_string(result.error); }

} // namespace

// Writes the local address and, where the kernel knows them, its mask and gateway; what is
// not found keeps its value.
void IpConfig::takeLocalAddress(const Ipv4& local) {
    const AdapterSettings adapter = adapterSettingsOf(local);
    state_.with([&](SharedFields& f) {
        f.localIp = arrayOf(local);
        if (adapter.mask) f.subnetMask = arrayOf(*adapter.mask);
        if (adapter.gateway) f.gatewayIp = arrayOf(*adapter.gateway);
    });
}

com::HRESULT IpConfig::fromFirstAdapter() {
    int error = 0;
    const std::optional<Ipv4> local = firstAdapterAddress(error);
    if (!local) return reportEngineError(com::hresultFromErrno(error), "Registry Key Open failure");
    takeLocalAddress(*local);
    return com::S_OK;
}

// A probe still pending is cancelled first. AutoIPComplete follows also when the connection
// completes at once, as the owners wait for it in either case.
com::HRESULT IpConfig::probeCallServer() {
    const com::Variant vuruvIp = state_.snapshot().vuruvIp;
    if (!holdsBytes(vuruvIp)) return reportEngineError(corvaneError(ENGINE_WINSOCK_ERROR), "Empty Vuruv IP Address");
    Ipv4 server{};
    std::size_t copied = 0;
    if (const com::HRESULT hr = com::GetSafeArray(vuruvIp, server, &copied); com::FAILED(hr) || copied != server.size())
        return reportEngineError(com::FAILED(hr) ? hr : com::E_FAIL, "Safe Array Access Error");
    const ProbeResult result = probe_.start(server, kProbePort, [this](const ProbeResult& later) {
        if (later.kind != ProbeResult::Kind::Connected)
            return services_.postError(corvaneError(ENGINE_WINSOCK_ERROR), failureText(later));
        takeLocalAddress(later.local);
        services_.post({kMsgAutoIpComplete, 0, 0, {}});
    });
    switch (result.kind) {
    case ProbeResult::Kind::Pending: return com::S_OK;
    case ProbeResult::Kind::Connected:
        takeLocalAddress(result.local);
        services_.post({kMsgAutoIpComplete, 0, 0, {}});
        return com::S_OK;
    case ProbeResult::Kind::Failed: break;
    }
    return reportEngineError(corvaneError(ENGINE_WINSOCK_ERROR), failureText(result));
}

} // namespace kez::corvane
