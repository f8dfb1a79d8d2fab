#pragma once
// The kernel orders an eventfd write before the poll or read that sees it, but
// ThreadSanitizer cannot tell; these tell it. Nothing in other builds.
#if defined(__SANITIZE_THREAD__)
#define KEZ_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KEZ_TSAN 1
#endif
#endif

#ifdef KEZ_TSAN
#include <sanitizer/tsan_interface.h>
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();
#endif

namespace kez::sys::detail {

inline void announceRelease([[maybe_unused]] const void* object) {
#ifdef KEZ_TSAN
    __tsan_release(const_cast<void*>(object));
#endif
}

inline void announceAcquire([[maybe_unused]] const void* object) {
#ifdef KEZ_TSAN
    __tsan_acquire(const_cast<void*>(object));
#endif
}

// While alive, ThreadSanitizer does not record this thread's accesses. For the
// eventfd write that wakes a waiter: the waiter may close the descriptor at once,
// which the kernel orders after the write, but the sanitizer would call a race.
class UnrecordedBySanitizer {
public:
#ifdef KEZ_TSAN
    UnrecordedBySanitizer() { __tsan_ignore_thread_begin(); }
    ~UnrecordedBySanitizer() { __tsan_ignore_thread_end(); }
#else
    UnrecordedBySanitizer() = default;
#endif
    UnrecordedBySanitizer(const UnrecordedBySanitizer&) = delete;
    UnrecordedBySanitizer& operator=(const UnrecordedBySanitizer&) = delete;
};

} // namespace kez::sys::detail
