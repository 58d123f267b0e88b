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

// HandOver is called by the sending thread just before it queues work for `receiver`;
// TakeOver by the receiving thread as it takes the work up.
#ifdef DOVRANE_TSAN
#include <sanitizer/tsan_interface.h>
inline void HandOver(const void* receiver) {
    __tsan_release(const_cast<void*>(receiver));
}
inline void TakeOver(const void* receiver) {
    __tsan_acquire(const_cast<void*>(receiver));
}
#else
inline void HandOver(const void*) {}
inline void TakeOver(const void*) {}
#endif
