#pragma once
// A private system bus with python3-dbusmock's logind on it, for tests of what a program asks of logind.
#include <string>
#include <vector>

#include "process.h"
#include "temp_dir.h"

namespace kez::test {

class LogindMock {
public:
    // Throws when the bus or the mock does not come up.
    LogindMock();
    ~LogindMock();
    LogindMock(const LogindMock&) = delete;
    LogindMock& operator=(const LogindMock&) = delete;

    const std::string& address() const { return address_; }
    // The entry that makes a child's system bus this one.
    std::vector<std::string> environment() const { return {"DBUS_SYSTEM_BUS_ADDRESS=" + address_}; }
    // ListInhibitors as gdbus prints it: "([('sleep', 'who', 'why', 'block', uint32 1000, uint32 123456)],)".
    std::string inhibitors() const;

private:
    TempDir dir_{"kez-logind"};
    ChildProcess bus_;
    ChildProcess mock_;
    std::string address_;
};

} // namespace kez::test
