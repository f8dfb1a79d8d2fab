#pragma once
// A /tmp of this process's own that only root may change: a fresh tmpfs, mode 0755, in a mount namespace of
// the process (children share it). Every folder above the test's files is then root's and writable by no one
// else, as the capability installer demands, and file capabilities count there (not mounted nosuid).
#include <optional>
#include <string>

namespace kez::test {

// Call before anything is made in /tmp; nullopt on success, else why it could not be done.
std::optional<std::string> useRootOwnedTmp();

// For a test suite's SetUpTestSuite and then each SetUp: moves the process to root's own /tmp once, when it is
// privileged; nullopt once it is there, else why not (a missing privilege included).
std::optional<std::string> rootOwnedTmpForSuite();

} // namespace kez::test
