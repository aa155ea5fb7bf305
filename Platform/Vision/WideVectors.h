#pragma once

#include <atomic>

// The hottest loops of the search have a second form with 256-bit vectors (AVX2), chosen while
// running where the processor has them. Both forms do the same arithmetic and give the same
// results; the wide one only does more of it per instruction.
#if defined(__x86_64__) && defined(__GNUC__)
#define QUORVEL_WIDE_VECTORS 1
#include <immintrin.h>
#define QUORVEL_WIDE __attribute__((target("avx2")))
#else
#define QUORVEL_WIDE_VECTORS 0
#endif

namespace quorvel::platform::vision {

namespace detail {
inline std::atomic<bool>& wideVectorsAllowed() {
    static std::atomic<bool> allowed{true};
    return allowed;
}
}  // namespace detail

/// Whether the wide forms run: where the processor has them, unless turned off.
inline bool hasWideVectors() {
#if QUORVEL_WIDE_VECTORS
    static const bool has = __builtin_cpu_supports("avx2");
    return has && detail::wideVectorsAllowed().load(std::memory_order_relaxed);
#else
    return false;
#endif
}

/// Turns the wide forms off, or back on where the processor has them, so that the two forms
/// can be compared.
inline void allowWideVectors(bool allowed) {
    detail::wideVectorsAllowed().store(allowed, std::memory_order_relaxed);
}

}  // namespace quorvel::platform::vision
