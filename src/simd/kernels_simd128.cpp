// The WebAssembly SIMD128 kernels, sixteen bytes at a time, as the SSE2 ones. WebAssembly has no
// run-time choice of instructions: a module built with them needs an engine that has them.
#include <wasm_simd128.h>

#include "simd/kernels.h"

namespace wpconv::simd {

namespace {

inline std::uint64_t mask16(v128_t v) {
  return static_cast<std::uint16_t>(wasm_i8x16_bitmask(v));
}

// A byte is in the range [first, first + span] when, moved down by `first` with wrap-around, it
// is at most `span`.
inline v128_t in_range(v128_t v, v128_t first, v128_t span) {
  return wasm_u8x16_le(wasm_i8x16_sub(v, first), span);
}

void map_simd128(const ByteSet* const* sets, int count, const PreparedSets&,
                 const unsigned char* bytes, std::size_t size, std::uint64_t* const* maps) {
  // The ranges of all the sets, as vectors, loaded once.
  v128_t first[MAX_SETS * ByteSet::MAX_RANGES], span[MAX_SETS * ByteSet::MAX_RANGES];
  int ranges[MAX_SETS];
  for (int k = 0, r = 0; k < count; ++k) {
    ranges[k] = sets[k]->in_ranges() ? sets[k]->range_count() : -1;
    for (int i = 0; i < ranges[k]; ++i, ++r) {
      first[r] = wasm_v128_load(sets[k]->first(i));
      span[r] = wasm_v128_load(sets[k]->span(i));
    }
  }
  for (std::size_t word = 0; word < size / WINDOW_SIZE; ++word, bytes += WINDOW_SIZE) {
    const v128_t v[4] = {wasm_v128_load(bytes), wasm_v128_load(bytes + 16),
                         wasm_v128_load(bytes + 32), wasm_v128_load(bytes + 48)};
    for (int k = 0, r = 0; k < count; ++k) {
      if (ranges[k] < 0) {
        maps[k][word] = plain_mask(*sets[k], bytes);
        continue;
      }
      v128_t found[4] = {wasm_i8x16_splat(0), wasm_i8x16_splat(0), wasm_i8x16_splat(0),
                         wasm_i8x16_splat(0)};
      for (int end = r + ranges[k]; r < end; ++r) {
        for (int part = 0; part < 4; ++part) {
          found[part] = wasm_v128_or(found[part], in_range(v[part], first[r], span[r]));
        }
      }
      maps[k][word] = mask16(found[0]) | mask16(found[1]) << 16 | mask16(found[2]) << 32 |
                      mask16(found[3]) << 48;
    }
  }
}

}  // namespace

const Kernels SIMD128_KERNELS = {prepare_nothing, map_simd128, write_pairs_plain};

}  // namespace wpconv::simd
