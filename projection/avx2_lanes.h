// Eight-lane helpers for the AVX2 kernels. Every function here carries the AVX2 target attribute, so the
// rest of the module stays baseline x86-64 code; nothing here may be called before cpuSupportsAvx2().
#ifndef POSALIGN_PROJECTION_AVX2_LANES_H
#define POSALIGN_PROJECTION_AVX2_LANES_H

#include <immintrin.h>
// clang for the MSVC ABI leaves the AVX parts out of immintrin.h unless the whole file is built for AVX.
#if defined(_MSC_VER) && defined(__clang__) && !defined(__AVX2__)
#include <avxintrin.h>
#include <avx2intrin.h>
#endif

#if defined(_MSC_VER) && !defined(__clang__)
#define POSALIGN_AVX2 // MSVC emits AVX2 intrinsics in any function
#else
#define POSALIGN_AVX2 __attribute__((target("avx2")))
#endif

// roundHalfUpNear in every lane (for -0.5 <= value < 2^23): the same addition, truncation and correction.
POSALIGN_AVX2 static inline __m256i roundHalfUpNear8(__m256 value) {
    const __m256i truncated = _mm256_cvttps_epi32(_mm256_add_ps(value, _mm256_set1_ps(0.5f)));
    // A true comparison is all ones, that is -1.
    const __m256 roundedUpToOne = _mm256_cmp_ps(value, _mm256_set1_ps(0x1.fffffep-2f), _CMP_EQ_OQ);
    return _mm256_add_epi32(truncated, _mm256_castps_si256(roundedUpToOne));
}

#endif
