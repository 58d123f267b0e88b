#pragma once

// Shows ThreadSanitizer where a job changes threads. A queued connection orders the sender's
// writes before the receiver's reads through locks inside Qt, and a Qt that was not built for
// the race checker hides them from it; without these marks every job buffer would look raced.
// They cost nothing in other builds.

#if defined(__SANITIZE_THREAD__)
#define DOVRANE_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define DOVRANE_TSAN 1
#endif
#endif

#ifdef DOVRANE_TSAN
#include <sanitizer/tsan_interface.h>
#endif

// Called by the sending thread just before it queues work for the receiver at `receiver`.
inline void HandOver(const void* receiver) {
#ifdef DOVRANE_TSAN
    __tsan_release(const_cast<void*>(receiver));
#else
    static_cast<void>(receiver);
#endif
}

// Called by the receiving thread as it takes the work up.
inline void TakeOver(const void* receiver) {
#ifdef DOVRANE_TSAN
    __tsan_acquire(const_cast<void*>(receiver));
#else
    static_cast<void>(receiver);
#endif
}
