#pragma once
// A dialog's share of the wizard's one engine wrapper: the wrapper's events reach the dialog only while it is
// shown, so a result or an error that arrives after it was closed finds no handler in it.
#include <QObject>

class QWidget;

namespace kez::ombrel {
class EngineWrapperClass;
class EngineWrapperEvents;
} // namespace kez::ombrel

namespace kez::wizard {

class EngineEventsWhileShown : public QObject {
public:
    // `observer` is the dialog's handler of the events; both must outlive this object.
    EngineEventsWhileShown(QWidget& dialog, ombrel::EngineWrapperEvents& observer);
    ~EngineEventsWhileShown() override;
    EngineEventsWhileShown(const EngineEventsWhileShown&) = delete;
    EngineEventsWhileShown& operator=(const EngineEventsWhileShown&) = delete;

    // The wrapper whose events the dialog gets from its next show on.
    void attach(ombrel::EngineWrapperClass& engine);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void connectEvents(bool on);

    ombrel::EngineWrapperEvents& observer_;
    ombrel::EngineWrapperClass* engine_ = nullptr;
    bool connected_ = false;
};

} // namespace kez::wizard
