#pragma once
// The packet-driver client: adapter list, open per adapter, NDIS requests (packet filter,
// multicast list, station address) and frame writes. The protocol stack's build is silent;
// the console-diagnostics build (adapterprobe) prints one line, without its end, naming the
// operation and the failing call at each failure. Call these qualified (ralnet::link::): the
// C exports of the same names in ralnet/j5.h are found as well for a KezPacketHandle argument.
#include "ralnet/j5.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace ralnet::link {

// Fills `names` (and `descriptions` when given) with zero-terminated entries, each list closed
// by an empty entry; entry i of one belongs to entry i of the other. The lists end at the
// first entry that would not fit. False when no list could be made.
bool KezGetAdapterNames(char* names, std::uint32_t namesSize, char* descriptions, std::uint32_t descriptionsSize);

// Null `adapterName`: the first adapter of the list. Null when the device cannot be opened.
KezPacketHandle KezPacketOpenAdapter(const char* adapterName);
void KezPacketCloseAdapter(KezPacketHandle adapter);

// One NDIS request block (object identifier, length, data) set or queried through the device.
bool KezPacketRequest(KezPacketHandle adapter, bool set, std::span<std::uint8_t> block);

bool KezPacketSetFilter(KezPacketHandle adapter, std::uint32_t filter);
bool KezPacketSetMulticastList(KezPacketHandle adapter, const std::uint8_t* macs, std::uint32_t lengthInBytes);
bool KezPacketQueryAddress(KezPacketHandle adapter, std::uint8_t (&mac)[J5_MAC_LEN]);

bool KezPacketWriteFrame(KezPacketHandle adapter, std::span<const std::uint8_t> frame);

} // namespace ralnet::link
