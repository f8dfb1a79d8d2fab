#include "privileged.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "net_namespace.h"

namespace kez::test {

std::optional<std::string> privilegeShortfall() {
    if (::geteuid() != 0) return "needs root";
    static const std::optional<std::string> namespaces = []() -> std::optional<std::string> {
        NetNamespace probe("probe");
        if (!probe.valid()) return "cannot create a network namespace: " + probe.error();
        return std::nullopt;
    }();
    return namespaces;
}

bool privilegedRequired() {
    const char* required = std::getenv("KEZ_REQUIRE_PRIVILEGED");
    return required != nullptr && std::strcmp(required, "1") == 0;
}

} // namespace kez::test
