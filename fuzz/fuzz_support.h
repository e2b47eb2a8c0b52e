// Helpers shared by the fuzz targets: the converters run on byte strings, with the input handed
// out in pieces of a size the fuzzer chooses and, if it likes, a read error part way through.
#ifndef WPCONV_FUZZ_FUZZ_SUPPORT_H_
#define WPCONV_FUZZ_FUZZ_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "memory_stream.h"
#include "simd/byte_set.h"
#include "test_support.h"

namespace wpconv {

// Takes the first byte of the fuzzer's data as the plan and leaves the rest as the input. The
// low four bits give the piece size (0 for whole blocks), except 15: pieces of 7 bytes, read ahead
// and written behind on threads of their own (starting threads is slow, so the fuzzer does it
// now and then). The high four, when not 0, make the read fail after that many sixteenths of the
// input, so a failure can fall anywhere in it.
inline ReadPlan take_read_plan(const std::uint8_t*& data, std::size_t& size) {
  ReadPlan plan;
  if (size == 0) return plan;
  unsigned choice = *data++;
  --size;
  if ((choice & 0x0F) != 0) plan.piece = choice & 0x0F;
  if ((choice & 0x0F) == 0x0F) plan = {.piece = 7, .threads = true};
  if ((choice >> 4) != 0) plan.fail_at = size * (choice >> 4) / 16;
  return plan;
}

// The bytes a reader gets to see under the plan.
inline std::string_view bytes_read(std::string_view input, const ReadPlan& plan) {
  return input.substr(0, plan.fail_at < input.size() ? plan.fail_at : input.size());
}

inline MemorySource make_source(std::string_view input, const ReadPlan& plan) {
  MemorySource source(input, plan.piece);
  if (plan.fail_at != std::string_view::npos) source.fail_at(plan.fail_at);
  return source;
}

// What `convert` gives with the plain kernels, for comparing them with the vector ones.
template <class Convert>
std::string with_plain_kernels(Convert convert) {
  const simd::Level best = simd::level();
  simd::set_level(simd::Level::plain);
  std::string result = convert();
  simd::set_level(best);
  return result;
}

inline std::string_view as_text(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Stops the run with a message; libFuzzer keeps the input that got here as a crash.
[[noreturn]] inline void property_broken(const char* what, std::string_view detail = {}) {
  std::fprintf(stderr, "property broken: %s\n", what);
  if (!detail.empty()) {
    std::fprintf(stderr, "detail:");
    for (unsigned char c : detail) std::fprintf(stderr, " %02X", c);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

inline void check(bool holds, const char* what, std::string_view detail = {}) {
  if (!holds) property_broken(what, detail);
}

}  // namespace wpconv

#endif  // WPCONV_FUZZ_FUZZ_SUPPORT_H_
