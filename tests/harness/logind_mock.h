#pragma once
// A private system bus with python3-dbusmock's logind on it, for tests of what a program asks of logind.
#include <string>

#include "dbus_mock.h"

namespace kez::test {

class LogindMock : public DbusMock {
public:
    // Throws when the bus or the mock does not come up.
    LogindMock() : DbusMock("logind", "org.freedesktop.login1", Bus::System) {}

    // ListInhibitors as gdbus prints it: "([('sleep', 'who', 'why', 'block', uint32 1000, uint32 123456)],)".
    std::string inhibitors() const;
};

} // namespace kez::test
