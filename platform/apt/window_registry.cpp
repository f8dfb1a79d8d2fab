#include "window_registry.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "kez/sys/ascii.h"

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

Registry& registry() {
    static Registry instance;
    return instance;
}

} // namespace

namespace detail {

void registerWindow(std::string title, const WindowHandle& window) {
    auto& r = registry();
    const std::lock_guard lock(r.mutex);
    r.windows.push_back({std::move(title), window});
}

void unregisterWindow(const WindowHandle& window) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    std::erase_if(r.windows, [&](const Titled& entry) { return entry.window == window; });
}

} // namespace detail

WindowHandle findWindow(std::string_view title) {
    Registry& r = registry();
    const std::lock_guard lock(r.mutex);
    for (const Titled& entry : r.windows) {
        if (sys::equalsNoCase(entry.title, title) && entry.window.alive()) return entry.window;
    }
    return {};
}

} // namespace kez::apt
