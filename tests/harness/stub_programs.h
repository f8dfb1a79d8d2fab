#pragma once
// Stand-ins for the desktop programs a program under test starts: each notes the arguments of every start,
// so a test sees exactly what was started, without a desktop. Their folder goes first on PATH (or is the
// whole PATH) for the object's lifetime, for this process and the children it starts.
#include <chrono>
#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scoped_registry.h"
#include "temp_dir.h"

namespace kez::test {

class StubPrograms {
public:
    enum class Path { First, Only };
    explicit StubPrograms(Path path = Path::First);

    // A program `name` that notes its arguments, then runs `script` (shell lines: what it prints, how it
    // exits; nothing: it succeeds).
    void add(std::string_view name, std::string_view script = {});
    // Makes `name` the browser xdg-open falls back to (BROWSER), with no desktop or display for xdg-open to
    // ask first and no mailcap viewer.
    void addBrowser(std::string_view name);

    // The arguments of each start of `name` so far, in order.
    std::vector<std::vector<std::string>> calls(std::string_view name) const;
    // The arguments of the first start of `name`, waiting up to `limit` for it; nullopt when it never ran.
    std::optional<std::vector<std::string>> awaitCall(std::string_view name,
                                                      std::chrono::milliseconds limit = std::chrono::seconds(10)) const;

    std::filesystem::path operator/(std::string_view name) const { return folder_ / name; }
    const std::filesystem::path& folder() const { return folder_.path(); }

private:
    TempDir folder_{"kez-stubs"};
    ScopedEnv path_;
    std::deque<ScopedEnv> desktop_;
};

} // namespace kez::test
