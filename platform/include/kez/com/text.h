#pragma once
// Texts are UTF-8 inside; the wire and the adapter lists carry Windows-1252 bytes, which
// are converted at the edge. The five bytes Windows-1252 leaves undefined (0x81, 0x8D,
// 0x8F, 0x90, 0x9D) map to the control characters of the same number, so every byte
// string survives the round trip.
#include <string>
#include <string_view>

namespace kez::com {

std::string utf8FromWindows1252(std::string_view bytes);

// Characters Windows-1252 cannot show, and malformed UTF-8 sequences, become '?'.
std::string windows1252FromUtf8(std::string_view text);

} // namespace kez::com
