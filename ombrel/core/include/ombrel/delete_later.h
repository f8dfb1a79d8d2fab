#pragma once
// Deletes a Qt object once control is back in the event loop: a form, the timer host or the tray icon may be
// the very sender whose signal reached the controller when it lets go of it.
#include <memory>

#include <QObject>

namespace kez::ombrel {

struct DeleteLater {
    void operator()(QObject* object) const {
        if (object != nullptr) object->deleteLater();
    }
};

template <class T>
using LaterPtr = std::unique_ptr<T, DeleteLater>;

} // namespace kez::ombrel
