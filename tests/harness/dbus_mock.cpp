#include "dbus_mock.h"

#include <signal.h>

#include <sstream>
#include <stdexcept>

namespace kez::test {

DbusMock::DbusMock(const std::string& templateName, const std::string& busName, Bus bus) : bus_(bus) {
    const auto socket = "unix:path=" + (dir_ / "bus_socket").string();
    if (!daemon_.start({"dbus-daemon", "--session", "--nofork", "--address=" + socket, "--print-address=1"})) {
        throw std::runtime_error("dbus-daemon did not start");
    }
    const auto address = daemon_.readLine(30s);
    if (!address || address->empty()) throw std::runtime_error("dbus-daemon gave no address");
    address_ = *address;
    std::vector<std::string> command{
        KEZ_PYTHON, "-m", "dbusmock", "--template", templateName, "--logfile", (dir_ / "calls.log").string()};
    if (bus_ == Bus::System) command.emplace_back("--system");
    if (!mock_.start(command, environment())) throw std::runtime_error("dbusmock did not start");
    const auto waited = runCommand({"gdbus", "wait", "--address", address_, "--timeout", "60", busName}, 70s);
    if (!waited.ok()) throw std::runtime_error(busName + " did not come on the bus: " + waited.err);
}

DbusMock::~DbusMock() {
    for (ChildProcess* child : {&mock_, &daemon_}) {
        if (child->pid() == 0) continue;
        ::kill(child->pid(), SIGTERM);
        child->wait(5s);
    }
}

std::vector<std::string> DbusMock::environment() const {
    return {(bus_ == Bus::System ? "DBUS_SYSTEM_BUS_ADDRESS=" : "DBUS_SESSION_BUS_ADDRESS=") + address_};
}

std::vector<std::string> DbusMock::calls() const {
    std::vector<std::string> calls;
    std::istringstream log(readFile(dir_ / "calls.log"));
    for (std::string line; std::getline(log, line);) {
        const auto blank = line.find(' ');
        if (blank == std::string::npos || line.compare(blank + 1, 5, "emit ") == 0) continue;
        calls.push_back(line.substr(blank + 1));
    }
    return calls;
}

} // namespace kez::test
