// The plain kernels: one byte at a time, the reference for the vector ones.
#include "simd/kernels.h"

namespace wpconv::simd {

std::uint64_t plain_mask(const ByteSet& set, const unsigned char* window) {
  std::uint64_t mask = 0;
  for (int i = 0; i < WINDOW_SIZE; ++i) mask |= std::uint64_t{set.contains(window[i])} << i;
  return mask;
}

namespace {

void map_plain(const ByteSet* const* sets, int count, const PreparedSets&,
               const unsigned char* bytes, std::size_t size, std::uint64_t* const* maps) {
  for (std::size_t word = 0; word < size / WINDOW_SIZE; ++word, bytes += WINDOW_SIZE) {
    for (int k = 0; k < count; ++k) maps[k][word] = plain_mask(*sets[k], bytes);
  }
}

}  // namespace

std::uint64_t write_pairs_plain(const unsigned char* bytes, std::uint64_t bits,
                                const PairEntry* table, unsigned char*& to) {
  return walk_pairs(bytes, bits, table, to);
}

const Kernels PLAIN_KERNELS = {prepare_nothing, map_plain, write_pairs_plain};

}  // namespace wpconv::simd
