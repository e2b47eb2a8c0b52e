// The kernels of each level, for byte_set.cpp to choose from and the tests to compare.
#ifndef WPCONV_SIMD_KERNELS_H_
#define WPCONV_SIMD_KERNELS_H_

#include <cstdint>

#include "simd/byte_set.h"

namespace wpconv::simd {

extern const Kernels PLAIN_KERNELS;
#if WPCONV_SIMD_X86
extern const Kernels SSE2_KERNELS;
#endif
#if WPCONV_SIMD_AVX2
extern const Kernels AVX2_KERNELS;
#endif
#if WPCONV_SIMD_WASM
extern const Kernels SIMD128_KERNELS;
#endif

inline constexpr int WINDOW_SIZE = 64;

// For kernels that work nothing out beforehand.
inline void prepare_nothing(const ByteSet* const*, int, PreparedSets&) {}

// The plain test of one set on one window, for the vector kernels' sets of many ranges.
std::uint64_t plain_mask(const ByteSet& set, const unsigned char* window);

}  // namespace wpconv::simd

#endif  // WPCONV_SIMD_KERNELS_H_
