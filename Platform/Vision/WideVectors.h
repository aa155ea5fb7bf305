#pragma once

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

/// Whether the wide forms can run here; decided once.
inline bool hasWideVectors() {
#if QUORVEL_WIDE_VECTORS
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
#else
    return false;
#endif
}

}  // namespace quorvel::platform::vision
