#include "reliable/send_calls.h"

#include "reliable/packet_ops.h"

#include <cstring>

namespace ralnet::reliable {
namespace {

constexpr std::size_t kLargestBuffer = 1518;
constexpr std::size_t kPoolSlack = 4; // the pools ask this much beyond every request
constexpr std::uint8_t kNoAddress[4] = {};

std::uint16_t swapBytes(std::uint16_t v) { return static_cast<std::uint16_t>((v << 8) | (v >> 8)); }

Route routeOfRequest(const SendRequest& r) {
    Route route;
    route.bitmap = r.bitmap;
    std::memcpy(route.destMac, r.destMac, J5_MAC_LEN);
    if ((r.bitmap & J5_HBM_IP) && r.destIp) std::memcpy(route.destIp, r.destIp, sizeof route.destIp);
    route.typeOfService = swapBytes(r.ipTos);
    route.vlanId = static_cast<std::uint16_t>(r.tci & 0x0FFF);
    return route;
}

} // namespace

J5Result SendCalls::check(const SendRequest& r) const {
    if (!services_.started()) return J5_ERR_NOT_STARTED;
    if (!r.destMac) return J5_ERR_BAD_ARGUMENT;
    if (!(r.bitmap & J5_HBM_ETHERNET) || !(r.bitmap & J5_HBM_FULL_HEADER)) return J5_ERR_BAD_ARGUMENT;
    if (r.bitmap & J5_HBM_IP) {
        if (!r.destIp || std::memcmp(r.destIp, kNoAddress, sizeof kNoAddress) == 0) return J5_ERR_NO_DEST_IP;
        if (!services_.udpSocketOpen()) return J5_ERR_NO_UDP_SOCKET;
    }
    if (requestSize(r.bitmap, r.length) + kPoolSlack > kLargestBuffer) return J5_ERR_BAD_ARGUMENT;
    return J5_OK;
}

J5Result SendCalls::send(const SendRequest& r) {
    if (const J5Result problem = check(r); problem != J5_OK) return problem;
    J5PacketObj* packet = services_.takePacket(requestSize(r.bitmap, r.length), false);
    if (!packet) return fail(nullptr, J5_ERR_NO_BUFFER);
    const Route route = routeOfRequest(r);
    if (r.type == J5_TYPE_HC) return sender_.sendReliable(packet, J5_TYPE_HC, route);
    if (r.type != J5_TYPE_HR && r.type != J5_TYPE_HU) return fail(packet, J5_ERR_BAD_ARGUMENT);

    wire::HeaderFields header;
    header.type = r.type;
    services_.copyOwnMac(header.senderMac);
    header.destVdn = r.destVdn;
    header.srcVdn = r.srcVdn;
    if (r.type == J5_TYPE_HU) header.sequence = services_.nextUnreliableCounter();
    if (!buildFullPacket(*packet, header, route, r.payload, r.length)) return fail(packet, J5_ERR_BAD_ARGUMENT);
    if (r.type == J5_TYPE_HR) return sender_.sendReliable(packet, J5_TYPE_HR, route);
    packet->freeAfterSend = 1;
    services_.transmit(*packet);
    return J5_SENT;
}

J5Result SendCalls::intrinsicSend(const SendRequest& r) {
    const J5Result first = send(r);
    if (!isSendFailure(first) || ((first >> 8) & 0x0F) != 0x07) return first;
    const J5Result resynchronised = resync(r);
    if (isSendFailure(resynchronised)) return resynchronised;
    return send(r);
}

J5Result SendCalls::resync(const SendRequest& r) {
    SendRequest hc = r;
    hc.type = J5_TYPE_HC;
    hc.destVdn = 1;
    hc.srcVdn = 1;
    hc.payload = nullptr;
    hc.length = 0;
    return send(hc);
}

J5Result SendCalls::fail(J5PacketObj* packet, J5Result result) {
    if (packet) services_.givePacket(packet);
    failedSends_.fetch_add(1, std::memory_order_relaxed);
    return result;
}

} // namespace ralnet::reliable
