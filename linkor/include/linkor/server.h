#pragma once
// Linkor's classes, for a program or test that makes them creatable without the registry
// (com::ClassRegistry::registerInProcess).
#include "kez/com/server.h"

namespace kez::linkor {

const com::ServerInfo& server();

} // namespace kez::linkor
