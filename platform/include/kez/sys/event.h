#pragma once
// Manual- and auto-reset events on an eventfd, so they can be waited on with
// descriptors (waitAny) and from foreign event loops.
#include <new>

#include "kez/sys/fd.h"
#include "kez/sys/wait.h"

namespace kez::sys {

class Event final : public Waitable {
public:
    enum class Reset { Manual, Auto };

    // Throws std::system_error when no descriptor can be had.
    explicit Event(Reset mode, bool initiallySet = false);
    // For code that must not throw: check valid(), errno tells why it is not.
    Event(Reset mode, bool initiallySet, std::nothrow_t) noexcept;
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    // True when signalled within `limit`; an auto-reset event is then reset.
    bool wait(Timeout limit = kInfinite);
    bool isSet() const;
    bool valid() const { return static_cast<bool>(fd_); }

    int pollFd() const override;
    bool tryAcquire() override;

private:
    Reset mode_;
    UniqueFd fd_;
};

} // namespace kez::sys
