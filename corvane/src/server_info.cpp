// Corvane's one class as a server description: the shared server's entries and the tests use it.
#include "corvane/identifiers.h"
#include "corvane/server.h"
#include "engine_object.h"

namespace kez::corvane {

const com::ServerInfo& server() {
    static const com::ServerInfo info{"Corvane", kCorvaneTypeLibrary, {{"Engine", kClsidEngine, makeEngine}}};
    return info;
}

} // namespace kez::corvane
