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

// write_pairs() of the levels whose processors have no better bit instructions.
std::uint64_t write_pairs_plain(const unsigned char* bytes, std::uint64_t bits,
                                const PairEntry* table, unsigned char*& to);

// The loop of write_pairs(), for each level to compile with its own instructions: with BMI1,
// clearing the lowest bit is one instruction, and the loop waits on nothing longer.
[[gnu::always_inline]] static inline std::uint64_t walk_pairs(const unsigned char* bytes,
                                                              std::uint64_t bits,
                                                              const PairEntry* table,
                                                              unsigned char*& to) {
  unsigned char* at = to;
  while (bits != 0) {
    // The entry as one word: where the machine is little-endian, its count is the top byte, so
    // that one comparison finds a count of 0.
    constexpr bool little = std::endian::native == std::endian::little;
    std::uint32_t entry;
    std::memcpy(&entry, &table[pair_index(bytes + std::countr_zero(bits))], 4);
    if (little ? entry < 0x01000000 : (entry & 0xFF) == 0) break;
    std::memcpy(at, &entry, 4);
    at += little ? entry >> 24 : entry & 0xFF;
    bits &= bits - 1;
  }
  to = at;
  return bits;
}

}  // namespace wpconv::simd

#endif  // WPCONV_SIMD_KERNELS_H_
