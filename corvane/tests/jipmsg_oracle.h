#pragma once
// Expected payloads from the independent message model (tests/peers/jipmsg): InitPacket, the
// fields put in the given order, then the device entries.
#include <string>

#include "engine_doubles.h"

namespace kez::corvane::test {

// `fields` and `devices` as Python literals: "{'nEventID': 3}", "[(0x205, 2, 1)]".
Bytes modelPayload(const std::string& className, const std::string& fields, const std::string& devices = "[]");

} // namespace kez::corvane::test
