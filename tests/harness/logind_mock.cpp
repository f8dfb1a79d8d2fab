#include "logind_mock.h"

#include <signal.h>

#include <stdexcept>

namespace kez::test {

LogindMock::LogindMock() {
    const auto socket = "unix:path=" + (dir_ / "system_bus_socket").string();
    if (!bus_.start({"dbus-daemon", "--session", "--nofork", "--address=" + socket, "--print-address=1"})) {
        throw std::runtime_error("dbus-daemon did not start");
    }
    const auto address = bus_.readLine(30s);
    if (!address || address->empty()) throw std::runtime_error("dbus-daemon gave no address");
    address_ = *address;
    if (!mock_.start({KEZ_PYTHON, "-m", "dbusmock", "--template", "logind", "--system"}, environment())) {
        throw std::runtime_error("dbusmock did not start");
    }
    const auto waited =
        runCommand({"gdbus", "wait", "--address", address_, "--timeout", "60", "org.freedesktop.login1"}, 70s);
    if (!waited.ok()) throw std::runtime_error("logind did not come on the bus: " + waited.err);
}

LogindMock::~LogindMock() {
    for (ChildProcess* child : {&mock_, &bus_}) {
        if (child->pid() == 0) continue;
        ::kill(child->pid(), SIGTERM);
        child->wait(5s);
    }
}

std::string LogindMock::inhibitors() const {
    return runCommand({"gdbus", "call", "--address", address_, "--dest", "org.freedesktop.login1", "--object-path",
                       "/org/freedesktop/login1", "--method", "org.freedesktop.login1.Manager.ListInhibitors"})
        .out;
}

} // namespace kez::test
