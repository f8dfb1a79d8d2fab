#include "kez/apt/payload.h"

#include <cxxabi.h>

#include <cassert>
#include <cstdlib>
#include <memory>
#include <string>

#include "kez/sys/trace.h"

namespace kez::apt::detail {
namespace {

std::string readableName(const std::type_info& type) {
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                           &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(type.name());
}

} // namespace

void reportTypeMismatch(const std::type_info* held, const std::type_info& wanted) {
    const std::string found = held ? "holds " + readableName(*held) : std::string("is empty");
    sys::trace("apt", "message payload " + found + ", taken as " + readableName(wanted));
    assert(!"message payload taken as the wrong type");
}

} // namespace kez::apt::detail
