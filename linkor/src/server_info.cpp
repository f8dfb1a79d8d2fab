// Linkor's classes as one server description: the shared server's entries and the tests use it.
#include "kez/com/server.h"

#include "endpoint/end_point_object.h"
#include "linkor/identifiers.h"
#include "linkor/message_factory.h"
#include "linkor/server.h"

namespace kez::linkor {
namespace {

com::ServerInfo makeServerInfo() {
    com::ServerInfo server{"Linkor", kLinkorTypeLibrary, {}};
    server.classes.push_back({"EndPoint", kClsidEndPoint, makeEndPoint});
    for (std::size_t i = 0; i < kMessageClassCount; ++i) {
        const auto messageClass = static_cast<MessageClass>(i);
        server.classes.push_back({std::string(messageClassName(messageClass)), messageClassId(messageClass),
                                  [messageClass] { return com::Ptr<com::Object>(makeMessage(messageClass)); }});
    }
    return server;
}

} // namespace

const com::ServerInfo& server() {
    static const com::ServerInfo info = makeServerInfo();
    return info;
}

} // namespace kez::linkor
