#pragma once
// The program ombrel as a user meets it: on a private X server with openbox (and the tray host trayer when
// asked), in a private world: hives with the set's three servers registered and the set configured, state and
// runtime folders, a box log, a program folder whose wizard and xdg-screensaver note how they were started,
// and a virtual wire that this process relays.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "kez/net/virtual_wire_hub.h"
#include "ombrel_test_env.h"
#include "process.h"
#include "x_server.h"

namespace kez::ombrel::test {

class ProgramWorld {
public:
    // Throws when the X server, the window manager or the tray host does not come up.
    explicit ProgramWorld(bool tray = true);
    ~ProgramWorld();

    // The settings value under the settings key of the machine hive.
    void set(const std::string& subkey, const std::string& name, const std::string& value) const;
    std::string get(const std::string& subkey, const std::string& name) const;

    // Starts bin/ombrel with these arguments, after `prefix` (such as `ip netns exec <name>`); `environment`
    // entries are added to the world's.
    bool start(const std::vector<std::string>& arguments = {}, const std::vector<std::string>& environment = {},
               const std::vector<std::string>& prefix = {});
    kez::test::ChildProcess& program() { return program_; }
    // The exit status once it ended within the limit.
    std::optional<int> ended(std::chrono::milliseconds limit = std::chrono::seconds(30));
    // Everything the program needs to run here: the display, the folders, the wire, the audio devices.
    std::vector<std::string> environment() const;

    // The visible top-level window whose name matches `pattern`; empty when none came within the limit.
    std::string awaitWindow(const std::string& pattern = "^KEZ Ombrel \\(TM\\)",
                            std::chrono::milliseconds limit = std::chrono::seconds(30)) const;
    // Whether that window is mapped and shown; the window that has the focus.
    bool visible(const std::string& window) const;
    std::string activeWindow() const;
    // The program's icon in the tray; empty while there is none.
    std::string trayIcon() const;
    kez::test::CommandResult x(const std::vector<std::string>& argv) const { return x_.run(argv); }
    const kez::test::XServer& display() const { return x_; }

    // Each start of the stand-in wizard, as its arguments joined by blanks.
    std::vector<std::string> wizardStarts() const;
    OmbrelWorld& world() { return world_; }
    const std::string& wire() const { return wire_; }

private:
    OmbrelWorld world_;
    kez::test::StubPrograms programs_;
    kez::test::XServer x_;
    kez::test::ChildProcess tray_;
    std::string wire_;
    std::unique_ptr<net::VirtualWireHub> hub_;
    kez::test::ChildProcess program_;
};

} // namespace kez::ombrel::test
