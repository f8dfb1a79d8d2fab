// The reliable send calls, channel parameters, the error queue and the error-handler body.
#include "iface/app_delivery.h"
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "iface/worker_threads.h"
#include "ralnet/j5.h"
#include "reliable/reliable_side.h"

#include <cstring>

namespace {

using namespace ralnet::iface;
using ralnet::reliable::ReliableCore;
using ralnet::reliable::SendCalls;
using ralnet::reliable::SendRequest;

constexpr uint16_t kConnectionParameters = 1;
constexpr uint16_t kWindowLength = 2;

// Runs a send call on the context's interface: without any context 0x8500, on a closed one 0x8200.
template <typename Call>
J5Result withSendCalls(J5NetIf* ctx, Call&& call) {
    const auto iface = acquireInterface(ctx);
    if (!iface) return resolveContext(ctx) ? J5_ERR_NOT_STARTED : J5_ERR_BAD_ARGUMENT;
    ReliableCore* core = ralnet::reliable::reliableCoreOf(*iface);
    if (!core) return J5_ERR_NOT_STARTED;
    return call(core->calls());
}

SendRequest requestOf(uint16_t type, const uint8_t* destMac, uint16_t destVdn, uint16_t srcVdn, const uint8_t* payload,
                      uint16_t length, J5HeaderBitMap headerBitMap, const uint8_t* destIp, uint16_t ipTos,
                      uint16_t tci) {
    SendRequest request;
    request.type = type;
    request.destMac = destMac;
    request.destVdn = destVdn;
    request.srcVdn = srcVdn;
    request.payload = payload;
    request.length = length;
    request.bitmap = headerBitMap;
    request.destIp = destIp;
    request.ipTos = ipTos;
    request.tci = tci;
    return request;
}

// The window length is read as a 16-bit word: callers pass a 16-bit or a 32-bit value, and
// either way the first word holds it.
uint16_t setWindowLength(ReliableCore& core, const uint8_t* mac, const void* length) {
    if (!mac || !length) return 0;
    uint16_t wanted = 0;
    std::memcpy(&wanted, length, sizeof wanted);
    return core.sender().setWindowLength(mac, wanted);
}

} // namespace

extern "C" {

J5_API J5Result J5Send(J5NetIf* ctx, uint16_t type, const uint8_t* destMac, uint16_t destVdn, uint16_t srcVdn,
                       const uint8_t* payload, uint16_t length, J5HeaderBitMap headerBitMap, const uint8_t* destIp,
                       const void*, uint16_t ipTos, uint16_t tci) {
    const SendRequest request =
        requestOf(type, destMac, destVdn, srcVdn, payload, length, headerBitMap, destIp, ipTos, tci);
    return withSendCalls(ctx, [&](SendCalls& calls) { return calls.send(request); });
}

J5_API J5Result J5IntrinsicSend(J5NetIf* ctx, uint16_t type, const uint8_t* destMac, uint16_t destVdn, uint16_t srcVdn,
                                const uint8_t* payload, uint16_t length, J5HeaderBitMap headerBitMap,
                                const uint8_t* destIp, const void*, uint16_t ipTos, uint16_t tci) {
    const SendRequest request =
        requestOf(type, destMac, destVdn, srcVdn, payload, length, headerBitMap, destIp, ipTos, tci);
    return withSendCalls(ctx, [&](SendCalls& calls) { return calls.intrinsicSend(request); });
}

J5_API J5Result J5ReSync(J5NetIf* ctx, const uint8_t* destMac, J5HeaderBitMap headerBitMap, const uint8_t* destIp,
                         const void*, uint16_t ipTos, uint16_t tci) {
    const SendRequest request = requestOf(J5_TYPE_HC, destMac, 1, 1, nullptr, 0, headerBitMap, destIp, ipTos, tci);
    return withSendCalls(ctx, [&](SendCalls& calls) { return calls.resync(request); });
}

J5_API J5Result J5SetChannelParameters(J5NetIf* ctx, const uint8_t* mac, uint16_t type, const void* parameters) {
    const auto iface = acquireInterface(ctx);
    if (!iface || iface->currentState() == J5_STATE_CLOSED) return J5_NOT_CONFIGURED;
    ReliableCore* core = ralnet::reliable::reliableCoreOf(*iface);
    if (!core) return J5_NOT_CONFIGURED;
    if (type == kWindowLength) return setWindowLength(*core, mac, parameters);
    if (type != kConnectionParameters) return J5_UNKNOWN_PARAMETER_TYPE;
    if (!mac || !parameters) return J5_FAILED;
    J5ChannelParameters wanted;
    std::memcpy(&wanted, parameters, sizeof wanted);
    return core->setChannelParameters(mac, wanted);
}

J5_API uint16_t j5SetS2DListLength(J5NetIf* ctx, const uint8_t* mac, const uint16_t* length) {
    const auto iface = acquireInterface(ctx);
    if (!iface || iface->currentState() == J5_STATE_CLOSED) return 0;
    ReliableCore* core = ralnet::reliable::reliableCoreOf(*iface);
    return core ? setWindowLength(*core, mac, length) : 0;
}

J5_API J5PacketObj* J5ErrorReceiveObj(J5NetIf* ctx) {
    const auto iface = acquireInterface(ctx);
    return iface ? takeWhenReady(*iface, iface->errorQueue, iface->errorSemaphore) : nullptr;
}

// The error-handler thread's body: returns 0 once the interface stops.
J5_API uint32_t JIP_j5_error_handler(J5NetIf* ctx) {
    if (const auto iface = acquireInterface(ctx)) runErrorHandler(*iface);
    return 0;
}

} // extern "C"
