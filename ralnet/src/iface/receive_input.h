#pragma once
// Where the link receivers hand packets to the receive dispatcher.
#include "ralnet/j5.h"

struct J5Interface;

namespace ralnet::iface {

// A J5 part at headerRef/length goes on the J5 receive queue and the dispatcher is woken;
// a full queue drops it (counted, object given back).
void queueForDispatcher(J5Interface& iface, J5PacketObj& packet);

// An Ethernet frame at dataRef/length: demultiplexed, then queued; anything else is
// counted and given back.
void ethernetInput(J5Interface& iface, J5PacketObj& packet);

} // namespace ralnet::iface
