#pragma once
// Where the adapters' station claims live (one user at a time holds an adapter): the build
// tree's folder when this program runs from it, else the installed one. Never taken from the
// environment: the broker that claims holds a capability. Setaid makes the folder.
#include <filesystem>

namespace kez::net {

std::filesystem::path claimsFolder();

} // namespace kez::net
