// The SSE2 kernels, sixteen bytes at a time. Compiled for SSE2 function by function, so that a
// 32-bit build still runs its plain kernels on a processor without it.
#include <emmintrin.h>

#include "simd/kernels.h"

#define TARGET __attribute__((target("sse2")))

namespace wpconv::simd {

namespace {

TARGET inline __m128i load(const unsigned char* bytes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
}

TARGET inline std::uint64_t mask16(__m128i v) {
  return static_cast<std::uint16_t>(_mm_movemask_epi8(v));
}

// A byte is in the range [first, first + span] when, moved down by `first` with wrap-around, it
// is at most `span`.
TARGET inline __m128i in_range(__m128i v, __m128i first, __m128i span) {
  const __m128i moved = _mm_sub_epi8(v, first);
  return _mm_cmpeq_epi8(_mm_min_epu8(moved, span), moved);
}

TARGET void map_sse2(const ByteSet* const* sets, int count, const PreparedSets&,
                     const unsigned char* bytes, std::size_t size, std::uint64_t* const* maps) {
  // The ranges of all the sets, as vectors, loaded once.
  __m128i first[MAX_SETS * ByteSet::MAX_RANGES], span[MAX_SETS * ByteSet::MAX_RANGES];
  int ranges[MAX_SETS];
  for (int k = 0, r = 0; k < count; ++k) {
    ranges[k] = sets[k]->in_ranges() ? sets[k]->range_count() : -1;
    for (int i = 0; i < ranges[k]; ++i, ++r) {
      first[r] = load(sets[k]->first(i));
      span[r] = load(sets[k]->span(i));
    }
  }
  for (std::size_t word = 0; word < size / WINDOW_SIZE; ++word, bytes += WINDOW_SIZE) {
    const __m128i v[4] = {load(bytes), load(bytes + 16), load(bytes + 32), load(bytes + 48)};
    for (int k = 0, r = 0; k < count; ++k) {
      if (ranges[k] < 0) {
        maps[k][word] = plain_mask(*sets[k], bytes);
        continue;
      }
      __m128i found[4] = {};
      for (int end = r + ranges[k]; r < end; ++r) {
        for (int part = 0; part < 4; ++part) {
          found[part] = _mm_or_si128(found[part], in_range(v[part], first[r], span[r]));
        }
      }
      maps[k][word] = mask16(found[0]) | mask16(found[1]) << 16 | mask16(found[2]) << 32 |
                      mask16(found[3]) << 48;
    }
  }
}

}  // namespace

const Kernels SSE2_KERNELS = {prepare_nothing, map_sse2, write_pairs_plain};

}  // namespace wpconv::simd
