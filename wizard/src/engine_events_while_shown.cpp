#include "engine_events_while_shown.h"

#include <QEvent>
#include <QWidget>

#include "ombrel/engine_wrapper.h"

namespace kez::wizard {

EngineEventsWhileShown::EngineEventsWhileShown(QWidget& dialog, ombrel::EngineWrapperEvents& observer)
    : observer_(observer) {
    dialog.installEventFilter(this);
}

EngineEventsWhileShown::~EngineEventsWhileShown() { connectEvents(false); }

void EngineEventsWhileShown::attach(ombrel::EngineWrapperClass& engine) {
    if (&engine == engine_) return;
    connectEvents(false);
    engine_ = &engine;
}

bool EngineEventsWhileShown::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show) connectEvents(true);
    if (event->type() == QEvent::Hide) connectEvents(false);
    return QObject::eventFilter(watched, event);
}

void EngineEventsWhileShown::connectEvents(bool on) {
    if (engine_ == nullptr || on == connected_) return;
    if (on) {
        engine_->addObserver(observer_);
    } else {
        engine_->removeObserver(observer_);
    }
    connected_ = on;
}

} // namespace kez::wizard
