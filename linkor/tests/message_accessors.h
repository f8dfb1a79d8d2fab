#pragma once
// Every property and method of every message class, reachable by its name, so that table
// driven tests and the fuzzer can call them the way the interface tables list them.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "kez/com/error_info.h"
#include "kez/com/object.h"
#include "kez/com/variant.h"
#include "linkor/message_factory.h"

namespace kez::linkor::test {

using com::HRESULT;
using com::Ptr;
using com::Variant;

// What a getter gave: words and lengths as a 32-bit integer Variant, texts as text, dates
// as a date, arrays and empties as they came.
struct Outcome {
    HRESULT hr = com::S_OK;
    bool untouched = false; // succeeded and left the caller's variable as it was
    Variant value;
};

using Getter = std::function<Outcome(const Ptr<com::Object>& object, std::int16_t index)>;
using Setter = std::function<HRESULT(const Ptr<com::Object>& object, std::int16_t index, const Variant& value)>;
using Method = std::function<HRESULT(const Ptr<com::Object>& object, const std::vector<Variant>& arguments)>;

struct Accessors {
    std::map<std::string, Getter> getters;
    std::map<std::string, Getter> indexedGetters;
    std::map<std::string, Setter> setters;
    std::map<std::string, Method> methods;
};

// The class's own properties and methods plus those of IJIPMessage.
const Accessors& accessorsOf(MessageClass messageClass);

// The class named "UIStateControlMsg" etc.; false when there is none.
bool messageClassNamed(const std::string& name, MessageClass& messageClass);

} // namespace kez::linkor::test
