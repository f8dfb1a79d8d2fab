#pragma once
// The error codes of the wave objects: this server's own refusals, and failures of the audio
// services carried with their multimedia result number.
#include "kez/audio/result.h"
#include "kez/com/hresult.h"

#include <cstdint>

namespace kez::sonwell {

// tagSonwellError ("Rirovuruz Wave Error Constants")
inline constexpr std::uint16_t WAVE_GENERAL_ERROR = 4096;
inline constexpr std::uint16_t WAVE_MM_ERROR = 8192;

inline constexpr com::HRESULT kWaveGeneralError = com::interfaceError(WAVE_GENERAL_ERROR);

constexpr com::HRESULT waveMmError(audio::Result result) {
    return com::makeHresult(0x80040000u | WAVE_MM_ERROR | audio::code(result));
}

} // namespace kez::sonwell
