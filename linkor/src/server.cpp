// Linkor as a self-registering component server: its classes, and the entries the class
// registry and kezregsvr look up by name.
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

const com::ServerInfo kServer = makeServerInfo();

} // namespace

const com::ServerInfo& server() { return kServer; }

} // namespace kez::linkor

KEZ_SERVER_ENTRY kez::com::HRESULT KezGetClassObject(const kez::com::Guid& clsid, kez::com::ClassFactory& factory) {
    return kez::com::findClass(kez::linkor::kServer, clsid, factory);
}

KEZ_SERVER_ENTRY kez::com::HRESULT KezRegisterServer() {
    using kez::linkor::kServer;
    return kez::com::registerServer(kServer, kez::com::modulePathOf(&kServer));
}

KEZ_SERVER_ENTRY kez::com::HRESULT KezUnregisterServer() { return kez::com::unregisterServer(kez::linkor::kServer); }
