#pragma once
// Server libraries loaded for class creation. A library stays loaded for the life of the
// process: objects it made may be alive anywhere, up to the last static destructor.
#include <string>

#include "kez/com/hresult.h"
#include "kez/com/server.h"

namespace kez::com::detail {

// The KezGetClassObject entry of the library at `path`, loading it on first use.
// REGDB_E_CLASSNOTREG when it cannot be loaded or has no such entry, or when the library or its folder may have
// been written by someone other than root or this user (then with an error object that says why).
HRESULT classObjectEntryOf(const std::string& path, GetClassObjectEntry& entry);

} // namespace kez::com::detail
