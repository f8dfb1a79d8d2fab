#pragma once
// Identifiers of the Corvane server. Frozen: the programs create the engine by them and
// registrations name them.
#include "kez/com/guid.h"

namespace kez::corvane {

using com::operator""_guid;

inline constexpr com::Guid kCorvaneTypeLibrary = "{CE148181-C102-11D2-BA6F-0000216C6CB1}"_guid;

inline constexpr com::Guid kClsidEngine = "{CE14818E-C102-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kIidIEngine = "{CE14818D-C102-11D2-BA6F-0000216C6CB1}"_guid;
inline constexpr com::Guid kIidIEngineEvents = "{CE14818F-C102-11D2-BA6F-0000216C6CB1}"_guid;
// The error constants' enumeration in the type library.
inline constexpr com::Guid kCorvaneErrorEnumeration = "{20CB5DC0-DB9F-11D2-BA9F-0000216C6CB1}"_guid;

inline constexpr char kEngineProgId[] = "Corvane.Engine.1";
inline constexpr char kEngineVersionIndependentProgId[] = "Corvane.Engine";

} // namespace kez::corvane
