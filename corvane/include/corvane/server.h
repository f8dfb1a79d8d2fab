#pragma once
// Corvane's class, for a program or test that makes the engine creatable without the registry
// (com::ClassRegistry::registerInProcess).
#include "kez/com/server.h"

namespace kez::corvane {

const com::ServerInfo& server();

} // namespace kez::corvane
