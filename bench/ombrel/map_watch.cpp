#include "map_watch.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <set>
#include <stdexcept>

namespace kez::bench {
namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

std::string windowName(xcb_connection_t* connection, xcb_window_t window) {
    // _NET_WM_NAME is what Qt sets in UTF-8; WM_NAME is the fallback it sets too.
    const auto atomReply = Reply<xcb_intern_atom_reply_t>(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, 12, "_NET_WM_NAME"), nullptr), std::free);
    for (const xcb_atom_t property :
         {atomReply ? atomReply->atom : xcb_atom_t(XCB_ATOM_NONE), xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        if (property == XCB_ATOM_NONE) continue;
        const auto reply = Reply<xcb_get_property_reply_t>(
            xcb_get_property_reply(connection,
                                   xcb_get_property(connection, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                   nullptr),
            std::free);
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                               static_cast<std::size_t>(xcb_get_property_value_length(reply.get())));
    }
    return {};
}

bool viewable(xcb_connection_t* connection, xcb_window_t window) {
    const auto reply = Reply<xcb_get_window_attributes_reply_t>(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr), std::free);
    return reply && reply->map_state != XCB_MAP_STATE_UNMAPPED;
}

void watch(xcb_connection_t* connection, xcb_window_t window, std::uint32_t mask) {
    xcb_change_window_attributes(connection, window, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

} // namespace

void MapWatch::Disconnect::operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }

MapWatch::MapWatch(const std::string& display) {
    connection_.reset(xcb_connect(display.c_str(), nullptr));
    if (xcb_connection_has_error(connection_.get()))
        throw std::runtime_error("cannot connect to the X display " + display);
    root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_.get())).data->root;
    watch(connection_.get(), root_, XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
    // A round trip: the watch is in force before the caller starts anything.
    std::free(xcb_get_input_focus_reply(connection_.get(), xcb_get_input_focus(connection_.get()), nullptr));
}

MapWatch::~MapWatch() = default;

std::optional<Clock::time_point> MapWatch::awaitMapped(const std::string& namePrefix, std::chrono::milliseconds limit) {
    auto* connection = connection_.get();
    const auto end = Clock::now() + limit;
    const auto matches = [&](xcb_window_t window) { return windowName(connection, window).starts_with(namePrefix); };
    std::set<xcb_window_t> created;
    while (Clock::now() < end) {
        pollfd descriptor{xcb_get_file_descriptor(connection), POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (::poll(&descriptor, 1, static_cast<int>(std::max<long>(left, 0))) < 0) continue;
        while (auto* event = xcb_poll_for_event(connection)) {
            const Reply<xcb_generic_event_t> owned(event, std::free);
            const auto now = Clock::now();
            switch (event->response_type & 0x7f) {
            case XCB_CREATE_NOTIFY: {
                // Created as the root's child; a reparenting window manager moves it into a frame before the map,
                // so its own map is watched on the window itself. It may have been mapped before the watch held.
                const auto window = reinterpret_cast<xcb_create_notify_event_t*>(event)->window;
                created.insert(window);
                watch(connection, window, XCB_EVENT_MASK_STRUCTURE_NOTIFY);
                if (viewable(connection, window) && matches(window)) return now;
                break;
            }
            case XCB_MAP_NOTIFY: {
                const auto window = reinterpret_cast<xcb_map_notify_event_t*>(event)->window;
                if (created.contains(window) && matches(window)) return now;
                break;
            }
            default: break;
            }
        }
        if (xcb_connection_has_error(connection)) throw std::runtime_error("the X connection broke");
    }
    return std::nullopt;
}

} // namespace kez::bench
