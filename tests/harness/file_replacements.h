#pragma once
// Counts how often a file is replaced by a rename into its folder (how the hive store saves), with inotify: an
// oracle outside the process that saves, for one process or many.
#include "kez/sys/fd.h"

#include <filesystem>
#include <string>

namespace kez::test {

class FileReplacements {
public:
    // Watches the file's folder, made when missing. Throws when inotify refuses.
    explicit FileReplacements(const std::filesystem::path& file);

    // Renames onto the file since the watch began.
    int count();

private:
    sys::UniqueFd fd_;
    std::string name_;
    int count_ = 0;
};

} // namespace kez::test
