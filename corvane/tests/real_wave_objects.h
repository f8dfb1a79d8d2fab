#pragma once
// Sonwell's own WavePlay and WaveRecord, creatable in process by their class identifiers, for
// the tests and benches that run a call's audio on real wave objects (they link Sonwell's
// object libraries).
#include "kez/com/server.h"
#include "sonwell/identifiers.h"
#include "wave_play_object.h"
#include "wave_record_object.h"

namespace kez::corvane::test {

inline const com::ServerInfo& realWaveObjects() {
    static const com::ServerInfo server{"Sonwell",
                                        sonwell::kSonwellTypeLibrary,
                                        {{"WavePlay", sonwell::kClsidWavePlay,
                                          [] { return com::Ptr<com::Object>(std::make_shared<sonwell::WavePlay>()); }},
                                         {"WaveRecord", sonwell::kClsidWaveRecord, [] {
                                              return com::Ptr<com::Object>(std::make_shared<sonwell::WaveRecord>());
                                          }}}};
    return server;
}

} // namespace kez::corvane::test
