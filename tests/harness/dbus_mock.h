#pragma once
// A private bus with one of python3-dbusmock's templates on it, for tests of what a program asks of a system or
// desktop service. The mock notes every call it receives.
#include <string>
#include <vector>

#include "process.h"
#include "temp_dir.h"

namespace kez::test {

class DbusMock {
public:
    enum class Bus { System, Session };

    // `templateName` of dbusmock serving `busName`; throws when the bus or the mock does not come up.
    DbusMock(const std::string& templateName, const std::string& busName, Bus bus);
    ~DbusMock();
    DbusMock(const DbusMock&) = delete;
    DbusMock& operator=(const DbusMock&) = delete;

    const std::string& address() const { return address_; }
    // The entry that makes a child's system or session bus this one.
    std::vector<std::string> environment() const;
    // The calls received so far, without their time: the method and its arguments as dbusmock prints them,
    // such as "CloseNotification 1". Signals the mock sent are left out.
    std::vector<std::string> calls() const;

private:
    TempDir dir_{"kez-dbus"};
    Bus bus_;
    ChildProcess daemon_;
    ChildProcess mock_;
    std::string address_;
};

} // namespace kez::test
