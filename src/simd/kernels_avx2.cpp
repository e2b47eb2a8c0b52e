// The AVX2 kernels, thirty-two bytes at a time, for the processors that have them.
#include <immintrin.h>

#include <cstring>

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

// Sets as bits of two tables of sixteen bytes, looked up by each byte's low and high four bits:
// the byte is in a set when the two entries share one of the set's bits. A set takes a bit for
// each different group of low halves that its rows of sixteen byte values hold, so that two
// lookups and an AND test every set at once; eight bits serve the sets of the converters.
struct NibbleTables {
  unsigned char low[16] = {}, high[16] = {};
  unsigned char bits[MAX_SETS] = {};  // each set's bits
  bool usable = false;                // false for sets that need more than eight bits
};
static_assert(sizeof(NibbleTables) <= sizeof(PreparedSets::data));

bool make_nibble_tables(const ByteSet* const* sets, int count, NibbleTables& tables) {
  int used = 0;
  for (int k = 0; k < count; ++k) {
    std::uint16_t groups[16];
    int group_count = 0;
    for (unsigned high = 0; high < 16; ++high) {
      const std::uint16_t lows = sets[k]->row(high);
      if (lows == 0) continue;
      int group = 0;
      while (group < group_count && groups[group] != lows) ++group;
      if (group == group_count) {
        if (used + group_count == 8) return false;
        groups[group_count++] = lows;
      }
      const auto bit = static_cast<unsigned char>(1u << (used + group));
      tables.high[high] |= bit;
      tables.bits[k] |= bit;
      for (unsigned low = 0; low < 16; ++low) {
        if ((lows >> low) & 1) tables.low[low] |= bit;
      }
    }
    used += group_count;
  }
  return true;
}

TARGET void map_by_nibbles(const NibbleTables& tables, int count, const unsigned char* bytes,
                           std::size_t size, std::uint64_t* const* maps) {
  const __m256i low_table =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(tables.low)));
  const __m256i high_table =
      _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(tables.high)));
  const __m256i nibble = _mm256_set1_epi8(0x0F);
  __m256i set_bits[MAX_SETS];
  for (int k = 0; k < count; ++k) set_bits[k] = _mm256_set1_epi8(static_cast<char>(tables.bits[k]));
  auto lookup = [&](__m256i v) TARGET {
    const __m256i low = _mm256_shuffle_epi8(low_table, _mm256_and_si256(v, nibble));
    const __m256i high =
        _mm256_shuffle_epi8(high_table, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
    return _mm256_and_si256(low, high);
  };
  const __m256i zero = _mm256_setzero_si256();
  for (std::size_t word = 0; word < size / WINDOW_SIZE; ++word, bytes += WINDOW_SIZE) {
    const __m256i low = lookup(load(bytes)), high = lookup(load(bytes + 32));
    for (int k = 0; k < count; ++k) {
      const std::uint64_t outside =
          mask32(_mm256_cmpeq_epi8(_mm256_and_si256(low, set_bits[k]), zero)) |
          mask32(_mm256_cmpeq_epi8(_mm256_and_si256(high, set_bits[k]), zero)) << 32;
      maps[k][word] = ~outside;
    }
  }
}

void prepare_avx2(const ByteSet* const* sets, int count, PreparedSets& prepared) {
  NibbleTables tables;
  tables.usable = make_nibble_tables(sets, count, tables);
  std::memcpy(prepared.data, &tables, sizeof tables);
}

TARGET void map_avx2(const ByteSet* const* sets, int count, const PreparedSets& prepared,
                     const unsigned char* bytes, std::size_t size, std::uint64_t* const* maps) {
  NibbleTables tables;
  std::memcpy(&tables, prepared.data, sizeof tables);
  if (tables.usable) return map_by_nibbles(tables, count, bytes, size, maps);
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

// Processors with AVX2 have BMI1 as well, but both are asked for before these kernels are chosen.
__attribute__((target("avx2,bmi"))) std::uint64_t write_pairs_bmi(const unsigned char* bytes,
                                                                  std::uint64_t bits,
                                                                  const PairEntry* table,
                                                                  unsigned char*& to) {
  return walk_pairs(bytes, bits, table, to);
}

}  // namespace

const Kernels AVX2_KERNELS = {prepare_avx2, map_avx2, write_pairs_bmi};

}  // namespace wpconv::simd
