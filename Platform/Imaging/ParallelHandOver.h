#pragma once

// OpenCV hands the stripes of a parallel loop to its worker pool (TBB underneath) through code the
// race checker does not see, so by itself it cannot tell that a worker starts after everything the
// caller wrote before the loop, nor that the caller goes on only after every stripe is done. These
// marks tell it, on two addresses the loop owns: the caller releases `start` before the loop and
// acquires `done` after it; each stripe acquires `start` first and releases `done` last
// (forEachRange in ParallelRanges.h does so for every loop). Without the race checker the marks
// are empty.

#if defined(__SANITIZE_THREAD__)
#define QUORVEL_RACE_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define QUORVEL_RACE_CHECKED 1
#endif
#endif

#if defined(QUORVEL_RACE_CHECKED)
#include <sanitizer/tsan_interface.h>
#define QUORVEL_HAND_OVER_RELEASE(address) __tsan_release(static_cast<void*>(address))
#define QUORVEL_HAND_OVER_ACQUIRE(address) __tsan_acquire(static_cast<void*>(address))
#else
#define QUORVEL_HAND_OVER_RELEASE(address) static_cast<void>(address)
#define QUORVEL_HAND_OVER_ACQUIRE(address) static_cast<void>(address)
#endif
