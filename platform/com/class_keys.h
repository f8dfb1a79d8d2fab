#pragma once
// Reading and writing the class registration keys under HKEY_CLASSES_ROOT.
#include <optional>
#include <string>
#include <string_view>

#include "kez/com/hresult.h"
#include "kez/reg/status.h"

namespace kez::com::detail {

// Registry failures as HRESULTs of the system facility (0x80070000 | number).
HRESULT hresultFromStatus(reg::Status status);

// Creates `path` (and missing parents) and sets its default value.
HRESULT writeDefault(std::string_view path, std::string_view text);
// Creates `path` and sets the text value `name`.
HRESULT writeText(std::string_view path, std::string_view name, std::string_view text);
// Creates `path` with no values.
HRESULT writeKey(std::string_view path);
// Deletes the value `name` of `path`; a missing key or value is no failure.
HRESULT removeValue(std::string_view path, std::string_view name);
// Deletes `path` when it has no subkeys; a missing key or one that still holds another's subkeys is left alone.
HRESULT removeKey(std::string_view path);

// The default text of `path`, nothing when the key or value is missing or not text.
std::optional<std::string> readDefault(std::string_view path);

} // namespace kez::com::detail
