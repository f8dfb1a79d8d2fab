#pragma once
// Files that name code to load or a program to start are used only when no one but root, or this process's own
// user, can have changed them: the file and its folder belong to one of them and neither may be written by its
// group or by others. The checks are made on descriptors, and what is used afterwards goes through them.
#include <filesystem>
#include <string>

#include "kez/sys/fd.h"

namespace kez::sys {

struct TrustedFile {
    UniqueFd folder;     // O_PATH descriptor of the checked folder
    UniqueFd file;       // read-only descriptor of the checked file
    std::string name;    // the file's name in its folder
    std::string refusal; // why the file is not trusted, naming it; empty when it is
    int error = 0;       // errno of an open or fstat that failed (ENOENT: no such file or folder), else 0

    explicit operator bool() const { return refusal.empty(); }
    // The file's name reached through the folder's descriptor: no one but the trusted owner can change what it
    // names, and the folder keeps its own place, so names relative to it (a library's $ORIGIN) still resolve.
    std::filesystem::path throughFolder() const;
};

// Opens `path` (absolute; no symbolic link as the file or its folder) and checks both.
TrustedFile openTrustedFile(const std::filesystem::path& path);

} // namespace kez::sys
