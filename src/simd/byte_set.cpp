#include "simd/byte_set.h"

#include <cstring>

#include "simd/kernels.h"

namespace wpconv::simd {

namespace {

const Kernels* kernels_of(Level level) {
  switch (level) {
    case Level::plain:
      return &PLAIN_KERNELS;
#if WPCONV_SIMD_X86
    case Level::sse2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("sse2") ? &SSE2_KERNELS : nullptr;
#endif
#if WPCONV_SIMD_AVX2
    case Level::avx2:
      __builtin_cpu_init();
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") ? &AVX2_KERNELS
                                                                             : nullptr;
#endif
#if WPCONV_SIMD_WASM
    case Level::simd128:
      return &SIMD128_KERNELS;  // the module runs only where the engine has them
#endif
    default:
      return nullptr;
  }
}

const Kernels* best_kernels() {
  for (Level level : {Level::avx2, Level::sse2, Level::simd128}) {
    if (const Kernels* kernels = kernels_of(level)) return kernels;
  }
  return &PLAIN_KERNELS;
}

}  // namespace

// Only set_level() changes it afterwards, and only tests call that, between conversions.
const Kernels* active_kernels = best_kernels();

ByteMaps::ByteMaps(std::span<const ByteSet* const> sets, std::size_t capacity)
    // A word more than the longest run needs, so that bits() may read one past the end.
    : stride_(capacity / WINDOW_SIZE + 2), words_(new std::uint64_t[MAX_SETS * stride_]) {
  for (const ByteSet* set : sets) sets_[set_count_++] = set;
}

void ByteMaps::map(const unsigned char* bytes, std::size_t size) {
  begin_ = bytes;
  size_ = size;
  std::uint64_t* maps[MAX_SETS];
  for (int k = 0; k < set_count_; ++k) maps[k] = words_.get() + k * stride_;
  const Kernels& kernels = *active_kernels;
  if (prepared_.kernels != &kernels) {
    prepared_ = PreparedSets{.kernels = &kernels};
    kernels.prepare(sets_, set_count_, prepared_);
  }
  kernels.map(sets_, set_count_, prepared_, bytes, size, maps);
  const std::size_t whole = size / WINDOW_SIZE;
  std::uint64_t tail_words[MAX_SETS] = {};
  if (size % WINDOW_SIZE != 0) {
    // The rest, in a window of its own with the bytes past the end in no set.
    unsigned char tail[WINDOW_SIZE] = {};
    std::memcpy(tail, bytes + whole * WINDOW_SIZE, size % WINDOW_SIZE);
    std::uint64_t* tail_maps[MAX_SETS];
    for (int k = 0; k < set_count_; ++k) tail_maps[k] = &tail_words[k];
    kernels.map(sets_, set_count_, prepared_, tail, WINDOW_SIZE, tail_maps);
    const std::uint64_t in_run = (std::uint64_t{1} << size % WINDOW_SIZE) - 1;
    for (int k = 0; k < set_count_; ++k) tail_words[k] &= in_run;
  }
  for (int k = 0; k < set_count_; ++k) {
    maps[k][whole] = tail_words[k];
    maps[k][whole + 1] = 0;
  }
}

Level level() {
  const Kernels* active = active_kernels;
  for (Level level : {Level::avx2, Level::sse2, Level::simd128}) {
    if (active == kernels_of(level)) return level;
  }
  return Level::plain;
}

bool set_level(Level level) {
  const Kernels* chosen = kernels_of(level);
  if (chosen == nullptr) return false;
  active_kernels = chosen;
  return true;
}

const char* level_name(Level level) {
  switch (level) {
    case Level::plain:
      return "plain";
    case Level::sse2:
      return "SSE2";
    case Level::avx2:
      return "AVX2";
    case Level::simd128:
      return "SIMD128";
  }
  return "?";
}

}  // namespace wpconv::simd
