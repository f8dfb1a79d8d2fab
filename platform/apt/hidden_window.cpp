#include "kez/apt/hidden_window.h"

#include <cerrno>

#include "apartment_state.h"
#include "kez/apt/apartment.h"
#include "window_registry.h"

namespace kez::apt {

WindowHandle::WindowHandle(std::shared_ptr<detail::ApartmentState> apartment, detail::WindowId id)
    : apartment_(std::move(apartment)), id_(id) {}

bool WindowHandle::post(Message message) const { return apartment_ && apartment_->post(id_, std::move(message)); }

bool WindowHandle::alive() const { return apartment_ && apartment_->isWindow(id_); }

HiddenWindow::HiddenWindow(std::string title, Procedure procedure)
    : title_(std::move(title)), apartment_(Apartment::current().state_) {
    id_ = apartment_->addWindow(title_, std::move(procedure));
    if (id_ == 0) {
        // No error on the apartment means its thread is ending.
        error_ = apartment_->error() != 0 ? apartment_->error() : ESHUTDOWN;
        return;
    }
    detail::registerWindow(title_, handle());
}

HiddenWindow::~HiddenWindow() { destroy(); }

WindowHandle HiddenWindow::handle() const { return id_ == 0 ? WindowHandle{} : WindowHandle{apartment_, id_}; }

std::optional<Result> HiddenWindow::send(Message message) {
    if (id_ == 0 || !apartment_->onOwnerThread()) return std::nullopt;
    const auto window = apartment_->beginCall(id_);
    if (!window) return std::nullopt;
    return apartment_->deliver(id_, *window, message);
}

bool HiddenWindow::setTimer(TimerId timer, std::chrono::milliseconds interval) {
    const auto ms = interval.count() < 0 ? 0 : static_cast<std::uint64_t>(interval.count());
    return id_ != 0 && apartment_->setTimer(id_, timer, ms);
}

bool HiddenWindow::killTimer(TimerId timer) { return id_ != 0 && apartment_->killTimer(id_, timer); }

void HiddenWindow::destroy() {
    if (id_ == 0) return;
    detail::unregisterWindow(handle());
    apartment_->removeWindow(id_);
}

} // namespace kez::apt
