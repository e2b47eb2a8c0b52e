// Sets of byte values, and the kernels that find their members many bytes at a time.
//
// A set is made from a predicate over all 256 byte values, the plain rule that a converter
// states once. The vector kernels test membership through the ranges the set consists of, so
// they find exactly the bytes that the rule names; tests hold every kernel to the predicate for
// every byte value at every position. Which kernels run is chosen once, from what the processor
// has: the plain ones, SSE2, or AVX2 (with BMI1). Building with -DWPCONV_SIMD=OFF leaves only the
// plain ones.
//
// The kernels also walk the set bits of a window through a table of short texts, each level
// with the bit instructions it has.
#ifndef WPCONV_SIMD_BYTE_SET_H_
#define WPCONV_SIMD_BYTE_SET_H_

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <span>

namespace wpconv::simd {

class ByteSet {
 public:
  // More ranges than this make the vector kernels test the set byte by byte.
  static constexpr int MAX_RANGES = 8;

  template <class Predicate>
  constexpr explicit ByteSet(Predicate contains) {
    for (unsigned byte = 0; byte < 256; ++byte) {
      if (contains(static_cast<unsigned char>(byte)))
        bits_[byte / 64] |= std::uint64_t{1} << byte % 64;
    }
    for (unsigned byte = 0; byte < 256;) {
      if (!this->contains(static_cast<unsigned char>(byte))) {
        ++byte;
        continue;
      }
      unsigned last = byte;
      while (last < 255 && this->contains(static_cast<unsigned char>(last + 1))) ++last;
      if (range_count_ < MAX_RANGES) {
        for (int lane = 0; lane < LANES; ++lane) {
          first_[range_count_][lane] = static_cast<unsigned char>(byte);
          span_[range_count_][lane] = static_cast<unsigned char>(last - byte);
        }
      }
      ++range_count_;
      byte = last + 1;
    }
  }

  // The members among the sixteen byte values high * 16 to high * 16 + 15, one bit each.
  constexpr std::uint16_t row(unsigned high) const {
    return static_cast<std::uint16_t>(bits_[high / 4] >> (high % 4 * 16));
  }
  constexpr bool contains(unsigned char byte) const {
    return (bits_[byte / 64] >> (byte % 64)) & 1;
  }

  // For the vector kernels: the ranges, each bound repeated in every lane of a vector.
  bool in_ranges() const { return range_count_ <= MAX_RANGES; }
  int range_count() const { return range_count_; }
  const unsigned char* first(int range) const { return first_[range]; }
  // The range's last byte minus its first.
  const unsigned char* span(int range) const { return span_[range]; }

 private:
  static constexpr int LANES = 32;

  std::uint64_t bits_[4] = {};
  int range_count_ = 0;
  alignas(32) unsigned char first_[MAX_RANGES][LANES] = {};
  alignas(32) unsigned char span_[MAX_RANGES][LANES] = {};
};

inline constexpr int MAX_SETS = 4;

// The 64 bits of a map of words from bit `offset` on; the map holds a word after the one that
// bit is in.
inline std::uint64_t bits_from(const std::uint64_t* words, std::size_t offset) {
  const std::uint64_t* word = words + offset / 64;
  const unsigned shift = offset % 64;
  return shift == 0 ? word[0] : word[0] >> shift | word[1] << (64 - shift);
}

// Bit maps of a run of bytes, one for each of up to MAX_SETS sets, made for the whole run at once
// by the kernels in use: bit i % 64 of word i / 64 of a set's map is set when the run's byte i
// belongs to the set.
struct Kernels;

// What a level's kernels work out once about a group of sets, for every map of them.
struct PreparedSets {
  const Kernels* kernels = nullptr;  // whose it is
  alignas(16) unsigned char data[48] = {};
};

class ByteMaps {
 public:
  // For runs of at most `capacity` bytes.
  ByteMaps(std::span<const ByteSet* const> sets, std::size_t capacity);
  ByteMaps(std::initializer_list<const ByteSet*> sets, std::size_t capacity)
      : ByteMaps(std::span(sets.begin(), sets.size()), capacity) {}

  // Maps [bytes, bytes + size).
  void map(const unsigned char* bytes, std::size_t size);

  const unsigned char* begin() const { return begin_; }
  // The map of set `k`; the bits past the run's end are clear, a whole word of them included.
  const std::uint64_t* words(int k) const { return words_.get() + k * stride_; }
  // The bits of set `k` for the 64 bytes from `at`, which lies in the run.
  std::uint64_t bits(int k, const unsigned char* at) const {
    return bits_from(words(k), static_cast<std::size_t>(at - begin_));
  }

 private:
  const ByteSet* sets_[MAX_SETS] = {};
  int set_count_ = 0;
  std::size_t stride_;
  std::unique_ptr<std::uint64_t[]> words_;
  const unsigned char* begin_ = nullptr;
  std::size_t size_ = 0;
  PreparedSets prepared_;
};

// What a table of pairs holds for two bytes: up to three bytes to write, then their count.
using PairEntry = std::array<unsigned char, 4>;

// The index of two bytes in a table of pairs: the first byte low, as a little-endian machine
// loads the two at once.
constexpr unsigned pair_index(unsigned first, unsigned second) {
  return first | second << 8;
}
inline unsigned pair_index(const unsigned char* at) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint16_t pair;
    std::memcpy(&pair, at, 2);
    return pair;
  }
  return pair_index(at[0], at[1]);
}

// The kernels of one level: what they work out once about a group of `count` sets, the maps
// of the sets for the whole windows of 64 bytes that `size` holds, and write_pairs() below.
struct Kernels {
  void (*prepare)(const ByteSet* const* sets, int count, PreparedSets& prepared);
  void (*map)(const ByteSet* const* sets, int count, const PreparedSets& prepared,
              const unsigned char* bytes, std::size_t size, std::uint64_t* const* maps);
  std::uint64_t (*write_pairs)(const unsigned char* bytes, std::uint64_t bits,
                               const PairEntry* table, unsigned char*& to);
};
// Those in use: the best the processor has, chosen before main() starts.
extern const Kernels* active_kernels;

// For each set bit of `bits` in turn, from the lowest, writes at `to` the four bytes of the
// entry of `table` for the two bytes from that bit's place in `bytes`, and moves `to` on by the
// entry's count; stops at the first entry with a count of 0, and returns the bits from its bit
// on.
inline std::uint64_t write_pairs(const unsigned char* bytes, std::uint64_t bits,
                                 const PairEntry* table, unsigned char*& to) {
  return active_kernels->write_pairs(bytes, bits, table, to);
}

// The sets of kernels; tests choose among them through tests/simd_levels.h.
enum class Level { plain, sse2, avx2, simd128 };

}  // namespace wpconv::simd

#endif  // WPCONV_SIMD_BYTE_SET_H_
