#pragma once
// Opening a program so that only root can have chosen which file it is, for the code that changes its rights.
#include <filesystem>

#include "kez/sys/fd.h"

namespace kez::sys {

// Opens the absolute path `program` read-only, walking from `/` one component at a time: no component may be a
// symbolic link or `..`, every folder on the way must be root's and writable by no one else (a sticky bit makes
// no exception), and the file must be a regular file of root's that no one else may write. Whoever could change
// a folder on the way could swap the file between a check and a change, so the caller acts on `out` alone.
// 0, EPERM for any of these refusals, EINVAL for a relative path, or the errno of the failed open.
int openRootProgram(const std::filesystem::path& program, UniqueFd& out);

} // namespace kez::sys
