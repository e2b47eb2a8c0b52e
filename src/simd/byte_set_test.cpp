#include "simd/byte_set.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "test_support.h"

namespace wpconv {
namespace {

using simd::ByteSet;

// Sets of every shape the kernels must handle: one byte, ranges at both ends of the byte values,
// many ranges, more than the vector kernels test range by range, and a group of sets that looks
// too varied for tables of sixteen entries (the first: eight ranges in eight rows of sixteen).
std::vector<ByteSet> sample_sets() {
  return {
      ByteSet([](unsigned char b) { return b < 0x80 && (((b & 15) - (b >> 4)) & 15) <= 1; }),
      ByteSet([](unsigned char b) { return b == 0x20; }),
      ByteSet([](unsigned char b) { return b < 0x20 || b >= 0xEC; }),
      ByteSet([](unsigned char b) { return (b >= 0x80 && b <= 0x9F) || b >= 0xE0; }),
      ByteSet([](unsigned char b) { return b == 0 || b == 0xFF || b == 0x7F || b == 0x80; }),
      ByteSet([](unsigned char b) { return b % 3 == 0; }),
      ByteSet([](unsigned char) { return false; }),
      ByteSet([](unsigned char) { return true; }),
  };
}

// Every byte value at every position of a run, among neighbours of every other value, in runs
// that end anywhere in a window.
TEST(ByteSet, KernelsAgreeWithThePredicateForEveryByteAtEveryPosition) {
  const std::vector<ByteSet> sets = sample_sets();
  for_each_level([&](simd::Level level) {
    SCOPED_TRACE(simd::level_name(level));
    for (std::size_t first = 0; first < sets.size(); first += simd::MAX_SETS) {
      std::vector<const ByteSet*> group;
      for (std::size_t k = first; k < sets.size() && group.size() < simd::MAX_SETS; ++k) {
        group.push_back(&sets[k]);
      }
      simd::ByteMaps maps(group, 256);
      for (unsigned value = 0; value < 256; ++value) {
        unsigned char run[200];
        for (std::size_t i = 0; i < sizeof run; ++i)
          run[i] = static_cast<unsigned char>(value + 1 + i * 37);
        for (std::size_t position = 0; position < 130; ++position) {
          run[position] = static_cast<unsigned char>(value);
          const std::size_t size = 130 + position % 64;
          maps.map(run, size);
          for (std::size_t k = 0; k < group.size(); ++k) {
            for (std::size_t i = 0; i < size + 64; ++i) {
              bool expected = i < size && group[k]->contains(run[i]);
              ASSERT_EQ((maps.words(static_cast<int>(k))[i / 64] >> i % 64) & 1, expected)
                  << "set " << first + k << ", byte " << value << " at " << position << ", bit "
                  << i << " of " << size;
            }
            ASSERT_EQ(maps.bits(static_cast<int>(k), run + position) & 1,
                      group[k]->contains(run[position]));
          }
          run[position] = static_cast<unsigned char>(value + 1 + position * 37);
        }
      }
    }
  });
}

TEST(ByteSet, RangesAndMembers) {
  ByteSet set([](unsigned char b) { return b < 0x20 || b == '<' || b >= 0xEC; });
  EXPECT_EQ(set.range_count(), 3);
  EXPECT_TRUE(set.in_ranges());
  EXPECT_TRUE(set.contains(0x00) && set.contains(0x1F) && set.contains('<') && set.contains(0xFF));
  EXPECT_FALSE(set.contains(0x20) || set.contains(0xEB));
  EXPECT_FALSE(ByteSet([](unsigned char b) { return b % 2 == 0; }).in_ranges());
}

}  // namespace
}  // namespace wpconv
