#pragma once
// The message oracle's cases, read from the line format payload_cases.py writes.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kez/com/hresult.h"
#include "kez/com/variant.h"
#include "linkor/message_factory.h"

namespace kez::linkor::test {

struct Value {
    enum class Kind { Integer, Real, Text, List, Empty } kind = Kind::Empty;
    std::int64_t integer = 0;
    double real = 0.0;
    std::string text;
    std::vector<std::int64_t> list;

    // As an argument: lists become byte arrays, reals dates.
    com::Variant toVariant() const;
};

struct Expected {
    bool ok = true;
    com::HRESULT hr = com::S_OK;
    std::optional<std::string> text;
};

struct Step {
    bool isPut = false;
    std::string name;
    Expected expected;
    std::vector<Value> arguments; // put: the value
    std::int16_t index = 0;
};

struct Probe {
    std::string getter;
    std::optional<std::int16_t> index;
    std::string kind; // value, empty, untouched, error
    Value value;
    Expected error;
};

struct OracleCase {
    std::string name;
    std::string className;
    bool decode = false;
    std::vector<std::uint8_t> payloadIn;
    std::vector<Step> steps;
    std::vector<std::pair<std::string, std::int64_t>> header;
    std::vector<std::uint8_t> payloadOut;
    std::vector<Probe> probes;
};

// Runs one build step on `object` by the member's name; nothing when the class has no such member.
std::optional<com::HRESULT> applyStep(MessageClass messageClass, const com::Ptr<com::Object>& object, const Step& step);

// Runs the oracle and the converter; empty with `error` set when that fails.
std::vector<OracleCase> loadOracleCases(std::string& error);

} // namespace kez::linkor::test
