#pragma once
// Sonwell's own play and record objects, creatable in this process by their class identifiers
// for the object's lifetime (in place of the wave doubles, when those are registered first).
#include "kez/com/class_registry.h"
#include "sonwell/identifiers.h"
#include "wave_play_object.h"
#include "wave_record_object.h"

namespace kez::corvane::test {

class RealSonwell {
public:
    RealSonwell() { com::ClassRegistry::registerInProcess(server_); }
    ~RealSonwell() { com::ClassRegistry::unregisterInProcess(server_); }
    RealSonwell(const RealSonwell&) = delete;
    RealSonwell& operator=(const RealSonwell&) = delete;

private:
    const com::ServerInfo server_{"Sonwell",
                                  sonwell::kSonwellTypeLibrary,
                                  {{"WavePlay", sonwell::kClsidWavePlay,
                                    [] { return com::Ptr<com::Object>(std::make_shared<sonwell::WavePlay>()); }},
                                   {"WaveRecord", sonwell::kClsidWaveRecord,
                                    [] { return com::Ptr<com::Object>(std::make_shared<sonwell::WaveRecord>()); }}}};
};

} // namespace kez::corvane::test
