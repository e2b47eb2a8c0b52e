// The AVX2 kernels, thirty-two bytes at a time, for the processors that have them.
#include <immintrin.h>

#include "simd/kernels.h"

#define TARGET __attribute__((target("avx2")))

namespace wpconv::simd {

namespace {

TARGET inline __m256i load(const unsigned char* bytes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes));
}

TARGET inline std::uint64_t mask32(__m256i v) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
}

// As for SSE2: a byte is in [first, first + span] when, moved down by `first`, it is at most
// `span`.
TARGET inline __m256i in_range(__m256i v, __m256i first, __m256i span) {
  const __m256i moved = _mm256_sub_epi8(v, first);
  return _mm256_cmpeq_epi8(_mm256_min_epu8(moved, span), moved);
}

TARGET void map_avx2(const ByteSet* const* sets, int count, const unsigned char* bytes,
                     std::size_t size, std::uint64_t* const* maps) {
  __m256i first[MAX_SETS * ByteSet::MAX_RANGES], span[MAX_SETS * ByteSet::MAX_RANGES];
  int ranges[MAX_SETS];
  for (int k = 0, r = 0; k < count; ++k) {
    ranges[k] = sets[k]->in_ranges() ? sets[k]->range_count() : -1;
    for (int i = 0; i < ranges[k]; ++i, ++r) {
      first[r] = load(sets[k]->first(i));
      span[r] = load(sets[k]->span(i));
    }
  }
  for (std::size_t word = 0; word < size / WINDOW_SIZE; ++word, bytes += WINDOW_SIZE) {
    const __m256i low = load(bytes), high = load(bytes + 32);
    for (int k = 0, r = 0; k < count; ++k) {
      if (ranges[k] < 0) {
        maps[k][word] = plain_mask(*sets[k], bytes);
        continue;
      }
      __m256i found_low = _mm256_setzero_si256(), found_high = _mm256_setzero_si256();
      for (int end = r + ranges[k]; r < end; ++r) {
        found_low = _mm256_or_si256(found_low, in_range(low, first[r], span[r]));
        found_high = _mm256_or_si256(found_high, in_range(high, first[r], span[r]));
      }
      maps[k][word] = mask32(found_low) | mask32(found_high) << 32;
    }
  }
}

}  // namespace

const Kernels AVX2_KERNELS = {map_avx2};

}  // namespace wpconv::simd
