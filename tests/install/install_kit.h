#pragma once
// What the tests of the set as a user starts it share: a private X server with a window manager, one user's
// private folders (settings, state, runtime), a virtual wire of their own with the simulated call server on it,
// and the set's programs run there.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "process.h"
#include "temp_dir.h"
#include "x_server.h"

namespace kez::install::test {

// The set's settings key in the machine hive.
inline constexpr const char* kSettingsKey = "HKLM\\SOFTWARE\\Brenic\\KEZ\\KEZ Ombrel";
inline constexpr const char* kSimulatorMac = "02:53:49:4d:00:01";
// The window of the set in any of its looks, and how long a set may take to come into service.
inline constexpr const char* kSetWindow = "^KEZ Ombrel";
inline constexpr std::chrono::seconds kServiceLimit{60};

using kez::test::awaitLine;

class SetWorld {
public:
    SetWorld();
    ~SetWorld();
    SetWorld(const SetWorld&) = delete;
    SetWorld& operator=(const SetWorld&) = delete;

    const std::filesystem::path& folder() const { return dir_.path(); }
    std::filesystem::path registry() const { return dir_ / "registry"; }
    const std::string& wire() const { return wire_; }
    const kez::test::XServer& x() const { return x_; }

    // A program of the set here: the display, the private folders, the wire, virtual sound devices.
    std::vector<std::string> environment() const;
    // Runs the kezreg given with this world's hives.
    kez::test::CommandResult kezreg(const std::filesystem::path& kezreg,
                                    const std::vector<std::string>& arguments) const;
    // Sets the set up as the wizard leaves it: no wizard at start, the simulator's version and address.
    bool setUpAsTheWizardWould(const std::filesystem::path& kezreg) const;

    // kezsim serving extension 201 on the wire; false when it did not listen.
    bool startSimulator();
    // Starts `ombrel` with this world's environment and `extra` entries.
    bool startSet(const std::filesystem::path& ombrel, const std::vector<std::string>& extra = {});
    kez::test::ChildProcess& set() { return set_; }
    // True once the simulator has the set in service as extension 201 and its window shows.
    bool inService();
    const std::string& simulatorSaid() const { return said_; }

private:
    kez::test::TempDir dir_{"kez-set"};
    kez::test::XServer x_{true};
    std::string wire_;
    kez::test::ChildProcess simulator_;
    std::string said_;
    kez::test::ChildProcess set_;
};

} // namespace kez::install::test
