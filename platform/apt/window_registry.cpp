#include "window_registry.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace kez::apt {
namespace {

struct Titled {
    std::string title;
    WindowHandle window;
};

struct Registry {
    std::mutex mutex;
    std::vector<Titled> windows;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

bool sameTitle(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::ranges::equal(a, b, [&](char x, char y) { return lower(x) == lower(y); });
}

} // namespace

namespace detail {

void registerWindow(std::string title, const WindowHandle& window)
{
    auto& r = registry();
    const std::lock_guard lock(r.mutex);
    r.windows.push_back({std::move(title), window});
}

void unregisterWindow(const WindowHandle& window)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    std::erase_if(r.windows, [&](const Titled& entry) { return entry.window == window; });
}

} // namespace detail

WindowHandle findWindow(std::string_view title)
{
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    for (const Titled& entry : r.windows) {
        if (sameTitle(entry.title, title) && entry.window.alive()) return entry.window;
    }
    return {};
}

} // namespace kez::apt
