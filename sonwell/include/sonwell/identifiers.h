#pragma once
// Identifiers of the Sonwell server. Frozen: registrations and the engine name them.
#include "kez/com/guid.h"

namespace kez::sonwell {

using com::operator""_guid;

inline constexpr com::Guid kSonwellTypeLibrary = "{0769EEA3-CD73-11D2-BA80-0000216C6CB1}"_guid;

inline constexpr com::Guid kClsidWavePlay = "{E71A7272-CDA7-11D2-A9FC-0050040527B4}"_guid;
inline constexpr com::Guid kIidIWavePlay = "{E71A7271-CDA7-11D2-A9FC-0050040527B4}"_guid;
inline constexpr com::Guid kIidIWavePlayEvents = "{E71A7273-CDA7-11D2-A9FC-0050040527B4}"_guid;

inline constexpr com::Guid kClsidWaveRecord = "{0769EEB0-CD73-11D2-BA80-0000216C6CB1}"_guid;
inline constexpr com::Guid kIidIWaveRecord = "{0769EEAF-CD73-11D2-BA80-0000216C6CB1}"_guid;
inline constexpr com::Guid kIidIWaveRecordEvents = "{0769EEB1-CD73-11D2-BA80-0000216C6CB1}"_guid;

inline constexpr char kWavePlayProgId[] = "Sonwell.WavePlay.1";
inline constexpr char kWaveRecordProgId[] = "Sonwell.WaveRecord.1";

} // namespace kez::sonwell
