// Corvane as a self-registering component server: the entries the class registry and kezregsvr
// look up by name.
#include "corvane/server.h"
#include "kez/com/server.h"

KEZ_SERVER_ENTRY kez::com::HRESULT KezGetClassObject(const kez::com::Guid& clsid, kez::com::ClassFactory& factory) {
    return kez::com::findClass(kez::corvane::server(), clsid, factory);
}

KEZ_SERVER_ENTRY kez::com::HRESULT KezRegisterServer() {
    const auto& server = kez::corvane::server();
    return kez::com::registerServer(server, kez::com::modulePathOf(&server));
}

KEZ_SERVER_ENTRY kez::com::HRESULT KezUnregisterServer() { return kez::com::unregisterServer(kez::corvane::server()); }
