#pragma once
// Hands a built packet to its link: the Ethernet frame (dataRef/length) to the packet
// driver, or with UDP framing the J5 part as one datagram to its destination IP. A packet marked free-after-send goes
// back to its pool afterwards, whatever the outcome; others stay the caller's (retransmissions write the same frame
// again).
#include "ralnet/j5.h"

struct J5Interface;

namespace ralnet::iface {

bool sendToLink(J5Interface& iface, J5PacketObj& packet);

} // namespace ralnet::iface
