#pragma once
// How a client that holds only a component's object reaches its events: it advises a sink
// for one events interface and gets a cookie to unadvise with later.
#include "kez/com/connection_point.h"
#include "kez/com/object.h"

namespace kez::com {

class IConnectionPointContainer : public virtual Object {
public:
    static constexpr Guid iid = "{DAE25C64-9D99-4650-AC91-F0819C5A86DA}"_guid;

    // CONNECT_E_NOCONNECTION when the component raises no events of `eventsIid`;
    // CONNECT_E_CANNOTCONNECT when `sink` does not implement them.
    virtual HRESULT Advise(const Guid& eventsIid, const Ptr<Object>& sink, Cookie& cookie) = 0;
    // CONNECT_E_NOCONNECTION for an unknown events interface or cookie.
    virtual HRESULT Unadvise(const Guid& eventsIid, Cookie cookie) = 0;
};

// Advise through a typed connection point for a sink given as a plain object.
template <class Sink>
HRESULT adviseObject(ConnectionPoint<Sink>& point, const Ptr<Object>& sink, Cookie& cookie) {
    cookie = kNoCookie;
    Ptr<Sink> typed;
    if (FAILED(query(sink, typed))) return CONNECT_E_CANNOTCONNECT;
    cookie = point.advise(std::move(typed));
    return S_OK;
}

// Advise and Unadvise of a component that raises one events interface, `Sink`.
template <class Sink>
HRESULT adviseOnly(ConnectionPoint<Sink>& point, const Guid& eventsIid, const Ptr<Object>& sink, Cookie& cookie) {
    cookie = kNoCookie;
    if (eventsIid != Sink::iid) return CONNECT_E_NOCONNECTION;
    return adviseObject(point, sink, cookie);
}

template <class Sink>
HRESULT unadviseOnly(ConnectionPoint<Sink>& point, const Guid& eventsIid, Cookie cookie) {
    if (eventsIid != Sink::iid) return CONNECT_E_NOCONNECTION;
    return point.unadvise(cookie);
}

} // namespace kez::com
