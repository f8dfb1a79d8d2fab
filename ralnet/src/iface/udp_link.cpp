#include "iface/udp_link.h"

#include "iface/interface.h"
#include "iface/receive_input.h"

#include <cstring>

namespace ralnet::iface {

std::unique_ptr<udp::UdpTransport> makeUdpTransport(J5Interface& iface) {
    constexpr std::size_t kLargeObject = 1514; // a request only the large pool serves
    return std::make_unique<udp::UdpTransport>(
        udp::UdpTransportSeams{[&iface] { return iface.pools->take(kLargeObject, false); },
                               [&iface](J5PacketObj* packet) {
                                   queueForDispatcher(iface, *packet); // a full queue gives the object back itself
                                   return true;
                               },
                               [&iface](std::uint8_t* mac) {
                                   std::uint8_t own[J5_MAC_LEN];
                                   iface.ownMac(own);
                                   std::memcpy(mac, own, J5_MAC_LEN);
                               }});
}

void runUdpReceiver(J5Interface& iface) { iface.udp->runUnicastReceiver(); }

void runMulticastReceiver(J5Interface& iface) { iface.udp->runMulticastReceiver(); }

} // namespace ralnet::iface
