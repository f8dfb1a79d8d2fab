#pragma once
// The contexts in use and their interfaces. An export call holds its interface through a
// shared pointer for as long as it runs, so J5Close never frees state a caller still uses.
#include "ralnet/j5.h"

#include <memory>

struct J5Interface;

namespace ralnet::iface {

// `ctx`, or the remembered context when it is null.
J5NetIf* resolveContext(J5NetIf* ctx);
void rememberContext(J5NetIf* ctx);
// Clears the remembered context when it is `ctx`.
void forgetContext(J5NetIf* ctx);

// The interface of `ctx` (or of the remembered context); null when it has none.
std::shared_ptr<J5Interface> acquireInterface(J5NetIf* ctx);
bool isRegistered(const J5NetIf* ctx);
// False when `ctx` already has an interface.
bool registerInterface(J5NetIf* ctx, std::shared_ptr<J5Interface> iface);
std::shared_ptr<J5Interface> unregisterInterface(J5NetIf* ctx);

} // namespace ralnet::iface
