#pragma once
// The hive file format: UTF-8-friendly text, one section per key, one line per value, LF line ends.
//
//   KEZ-REGISTRY-HIVE 1                      first line; an empty file is an empty hive
//   ; comment                                lines starting with ';' and blank lines are ignored
//   [SOFTWARE\Brenic\KEZ\KEZ Ombrel\Audio]   a key: names separated by '\'; '%', '[', ']', bytes below 0x20
//                                            and 0x7F inside a name are written %HH; "[]" is the hive's root
//   "ToneVolume"=sz:"100"                    a value of the key above; "@" names the unnamed value
//   "Path"=expand_sz:"%HOME%\\bin"           quoted texts escape '\' and '"' with '\', and bytes below 0x20
//   "Count"=dword:00000007                     and 0x7F as \xHH; other bytes stand as they are
//   "Snapshot"=binary:0a,00,ff               any bytes, two hex digits each, comma-separated
//   "Bind"=multi_sz:"eth0","eth1"            each text and its zero, then one more zero ("multi_sz:" = one zero)
//   "Odd"=hex(1):41,00,42                    any type number with any bytes: used whenever the readable form
//                                            above cannot give the exact bytes (a text without its zero,
//                                            a zero inside a text, a DWORD not 4 bytes long, ...)
//
// sz and expand_sz stand for the text followed by one zero byte (sz:"" is a single zero byte). Every key has
// its own section, also when it has no values; a section names its full path and implies its parents.
// Sections come in depth-first order, keys and values in case-insensitive name order. A file that breaks any
// rule (unknown line, bad escape, duplicate section or value) or passes a limit of HiveLimits is damaged as a whole.
#include "hive_limits.h"
#include "node.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace kez::reg {

struct ParseError {
    std::size_t line = 0;
    std::string reason;
};

// Stops at the line where the tree would pass `limits`, so a hostile file costs no more memory than they allow.
bool parseHive(std::string_view text, Node& out, ParseError& error, const HiveLimits& limits = HiveLimits{});
std::string serializeHive(const Node& root);

} // namespace kez::reg
