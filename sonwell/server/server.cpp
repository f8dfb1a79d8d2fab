// Sonwell as a self-registering component server, and the entries the class registry and
// kezregsvr look up by name.
#include "wave_play_object.h"
#include "wave_record_object.h"

#include "kez/com/server.h"
#include "sonwell/identifiers.h"

namespace kez::sonwell {
namespace {

const com::ServerInfo kServer{
    "Sonwell",
    kSonwellTypeLibrary,
    {{"WavePlay", kClsidWavePlay, [] { return com::Ptr<com::Object>(std::make_shared<WavePlay>()); }},
     {"WaveRecord", kClsidWaveRecord, [] { return com::Ptr<com::Object>(std::make_shared<WaveRecord>()); }}}};

} // namespace
} // namespace kez::sonwell

extern "C" {

kez::com::HRESULT KezGetClassObject(const kez::com::Guid& clsid, kez::com::ClassFactory& factory) {
    return kez::com::findClass(kez::sonwell::kServer, clsid, factory);
}

kez::com::HRESULT KezRegisterServer() {
    using kez::sonwell::kServer;
    return kez::com::registerServer(kServer, kez::com::modulePathOf(&kServer));
}

kez::com::HRESULT KezUnregisterServer() { return kez::com::unregisterServer(kez::sonwell::kServer); }

} // extern "C"
