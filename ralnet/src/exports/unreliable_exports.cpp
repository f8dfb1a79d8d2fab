// J5AudioSend, J5DownloadSend and J5SendUNROlderRev: one packet each, straight to the link.
#include "iface/interface.h"
#include "iface/interface_registry.h"
#include "iface/unreliable_send.h"
#include "ralnet/j5.h"

namespace {

using namespace ralnet::iface;

constexpr uint16_t kOlderRevision = 0x0201;
constexpr J5HeaderBitMap kShortHeaderOnEthernet = J5_HBM_ETHERNET | J5_HBM_SHORT_HEADER;
constexpr J5HeaderBitMap kMakerSnapTypeOnly = J5_HBM_ETHERNET | J5_HBM_MAKER_SNAP;
constexpr J5HeaderBitMap kOlderHuBitmap = J5_HBM_ETHERNET | J5_HBM_MAKER_SNAP | J5_HBM_OLDER_HU;

bool holds(J5HeaderBitMap bitmap, J5HeaderBitMap bits) { return (bitmap & bits) == bits; }

bool downloadBitmapValid(J5HeaderBitMap bitmap) {
    if (bitmap & J5_HBM_MAKER_SNAP) return bitmap == kMakerSnapTypeOnly;
    return holds(bitmap, kShortHeaderOnEthernet);
}

} // namespace

extern "C" {

J5_API J5Result J5AudioSend(J5NetIf* ctx, const uint8_t* destMac, const uint8_t* payload, uint16_t length,
                            J5HeaderBitMap headerBitMap, const uint8_t* destIp, const void* udpAddress, uint16_t ipTos,
                            uint16_t tci, uint32_t tag) {
    const auto iface = acquireInterface(ctx);
    if (!iface) return resolveContext(ctx) ? J5_ERR_NOT_STARTED : J5_ERR_BAD_ARGUMENT;
    if (!iface->isStarted()) return J5_ERR_NOT_STARTED;
    if (!holds(headerBitMap, kShortHeaderOnEthernet)) return J5_ERR_BAD_ARGUMENT;
    UnreliableSend send;
    send.type = J5_TYPE_HA;
    send.destMac = destMac;
    send.payload = payload;
    send.length = length;
    send.bitmap = headerBitMap;
    send.destIp = destIp;
    send.udpAddress = udpAddress;
    send.ipTos = ipTos;
    send.tci = tci;
    send.callerTag = tag;
    return sendUnreliable(*iface, send);
}

J5_API J5Result J5DownloadSend(J5NetIf* ctx, const uint8_t* destMac, const uint8_t* payload, uint16_t length,
                               J5HeaderBitMap headerBitMap, const uint8_t* destIp, const void* udpAddress, uint16_t) {
    const auto iface = acquireInterface(ctx);
    if (!iface) return resolveContext(ctx) ? J5_ERR_NOT_STARTED : J5_ERR_BAD_ARGUMENT;
    if (!iface->isStarted()) return J5_ERR_NOT_STARTED;
    if (!downloadBitmapValid(headerBitMap)) return J5_ERR_BAD_ARGUMENT;
    UnreliableSend send;
    send.type = J5_TYPE_DL;
    send.destMac = destMac;
    send.payload = payload;
    send.length = length;
    send.bitmap = headerBitMap;
    send.destIp = destIp;
    send.udpAddress = udpAddress;
    return sendUnreliable(*iface, send);
}

J5_API J5Result J5SendUNROlderRev(uint16_t version, J5NetIf* ctx, uint16_t type, const uint8_t* destMac, uint16_t word1,
                                  uint16_t word2, const uint8_t* payload, uint16_t length,
                                  J5HeaderBitMap headerBitMap) {
    if (version != kOlderRevision || type != J5_TYPE_HU || headerBitMap != kOlderHuBitmap) {
        return J5_ERR_BAD_ARGUMENT;
    }
    const auto iface = acquireInterface(ctx);
    if (!iface) return resolveContext(ctx) ? J5_ERR_NOT_STARTED : J5_ERR_BAD_ARGUMENT;
    if (!iface->isStarted()) return J5_ERR_NOT_STARTED;
    UnreliableSend send;
    send.type = J5_TYPE_HU;
    send.destMac = destMac;
    send.olderHuWords[0] = word1;
    send.olderHuWords[1] = word2;
    send.payload = payload;
    send.length = length;
    send.bitmap = headerBitMap;
    return sendUnreliable(*iface, send);
}

} // extern "C"
