#include "kez/ui/apt_bridge.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "kez/apt/apartment.h"

namespace kez::ui {

AptBridge::AptBridge(QObject* parent) : QObject(parent) {
    auto& apartment = apt::Apartment::current();
    if (apartment.fd() < 0) return;
    notifier_ = std::make_unique<QSocketNotifier>(apartment.fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [] { apt::Apartment::current().dispatchPending(); });
    apartment.setExternalPump([this](sys::Timeout slice) { pumpQt(static_cast<int>(slice.count())); });
}

AptBridge::~AptBridge() {
    if (notifier_) apt::Apartment::current().setExternalPump({});
}

void AptBridge::pumpQt(int milliseconds) {
    // The apartment's own pump is delivering; the notifier would re-enter it from inside Qt's loop.
    const bool wasEnabled = notifier_->isEnabled();
    notifier_->setEnabled(false);
    QCoreApplication::processEvents(QEventLoop::AllEvents, milliseconds);
    notifier_->setEnabled(wasEnabled);
}

} // namespace kez::ui
