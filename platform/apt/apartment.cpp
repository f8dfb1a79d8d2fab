#include "kez/apt/apartment.h"

#include <algorithm>
#include <chrono>

#include "apartment_state.h"

namespace kez::apt {
namespace {

// How long a nested wait blocks between two turns of an external pump.
constexpr sys::Timeout kExternalPumpSlice{10};

// Keeps a window filter in force for the duration of one pumpFor.
class FilterScope {
public:
    FilterScope(std::vector<std::optional<detail::WindowId>>& filters, std::optional<detail::WindowId> filter)
        : filters_(filters) {
        filters_.push_back(filter);
    }
    ~FilterScope() { filters_.pop_back(); }
    FilterScope(const FilterScope&) = delete;
    FilterScope& operator=(const FilterScope&) = delete;

private:
    std::vector<std::optional<detail::WindowId>>& filters_;
};

} // namespace

Apartment& Apartment::current() {
    thread_local Apartment apartment;
    return apartment;
}

Apartment::Apartment() : state_(std::make_shared<detail::ApartmentState>()) {}

Apartment::~Apartment() { state_->close(); }

int Apartment::fd() const { return state_->error() == 0 ? state_->pollFd() : -1; }

int Apartment::error() const { return state_->error(); }

std::optional<detail::WindowId> Apartment::activeFilter() const {
    return filters_.empty() ? std::nullopt : filters_.back();
}

void Apartment::dispatchPending() {
    state_->collectDueTimers();
    const auto filter = activeFilter();
    const auto last = state_->lastSequence();
    while (auto delivery = state_->next(filter, last)) {
        state_->deliver(*delivery);
    }
}

bool Apartment::dispatchOne(std::optional<detail::WindowId> only) {
    state_->collectDueTimers();
    auto delivery = state_->next(only);
    if (!delivery) return false;
    state_->deliver(*delivery);
    return true;
}

bool Apartment::pumpFor(sys::Timeout limit, const std::function<bool()>& until, const HiddenWindow* onlyWindow) {
    const auto filter = onlyWindow ? std::optional<detail::WindowId>{onlyWindow->id_} : std::nullopt;
    const FilterScope scope(filters_, filter);
    const sys::Deadline deadline(limit);
    for (;;) {
        if (until && until()) return true;
        const bool delivered = dispatchOne(filter);
        const auto left = deadline.left();
        if (left == sys::Timeout::zero()) return until && until();
        if (!delivered) waitForWork(left);
    }
}

void Apartment::waitForWork(sys::Timeout limit) {
    if (!externalPump_) {
        state_->waitForWork(limit);
        return;
    }
    const auto slice = std::min(limit, kExternalPumpSlice);
    externalPump_(slice);
    state_->waitForWork(slice);
}

void Apartment::run() {
    for (;;) {
        if (state_->takeQuit()) return;
        if (!dispatchOne(std::nullopt)) state_->waitForWork(sys::kInfinite);
    }
}

void Apartment::quit() { state_->requestQuit(); }

void Apartment::setExternalPump(ExternalPump pump) { externalPump_ = std::move(pump); }

} // namespace kez::apt
