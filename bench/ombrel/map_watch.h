#pragma once
// The moment a top-level window is mapped on an X display, from the server's own notifications: a watch set up
// before the program starts sees every window it creates and the map that shows it, with no polling delay.
#include <chrono>
#include <memory>
#include <optional>
#include <string>

struct xcb_connection_t;

namespace kez::bench {

class MapWatch {
public:
    // Connects to `display` and watches the root window; throws std::runtime_error when it cannot.
    explicit MapWatch(const std::string& display);
    ~MapWatch();
    MapWatch(const MapWatch&) = delete;
    MapWatch& operator=(const MapWatch&) = delete;

    // When the first window created since the watch began, whose name starts with `namePrefix`, was mapped;
    // nullopt at the limit.
    std::optional<std::chrono::steady_clock::time_point> awaitMapped(const std::string& namePrefix,
                                                                     std::chrono::milliseconds limit);

private:
    struct Disconnect {
        void operator()(xcb_connection_t* connection) const;
    };
    std::unique_ptr<xcb_connection_t, Disconnect> connection_;
    unsigned root_ = 0;
};

} // namespace kez::bench
