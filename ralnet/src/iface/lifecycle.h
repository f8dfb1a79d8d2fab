#pragma once
// Building, starting and closing an interface.
#include "ralnet/j5.h"

#include <cstdint>

namespace ralnet::iface {

// Either the whole interface with its seven threads, or nothing left behind and state 0.
J5Result configureInterface(const J5Configuration* config, const char* adapterName, J5NetIf* ctx,
                            const std::uint8_t* ownMac);
J5Result startInterface(J5NetIf* ctx, const J5IpSettings* ipSettings);
// Stops every thread and joins it; the state goes when the last caller using it is done.
void closeInterface(J5NetIf* ctx);

} // namespace ralnet::iface
