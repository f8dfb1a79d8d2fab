#include "logind_mock.h"

namespace kez::test {

std::string LogindMock::inhibitors() const {
    return runCommand({"gdbus", "call", "--address", address(), "--dest", "org.freedesktop.login1", "--object-path",
                       "/org/freedesktop/login1", "--method", "org.freedesktop.login1.Manager.ListInhibitors"})
        .out;
}

} // namespace kez::test
