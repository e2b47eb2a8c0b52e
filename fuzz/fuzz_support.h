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

#include "doc2html/doc_to_html.h"
#include "io/memory_stream.h"
#include "test_support.h"

// How a converter's input is read.
struct ReadPlan {
  std::size_t piece = kStreamBlockSize;          // bytes handed out by each read
  std::size_t fail_at = std::string_view::npos;  // the read after this many bytes fails
};

// Takes the first byte of the fuzzer's data as the plan and leaves the rest as the input. The
// low four bits give the piece size (0 for whole blocks); the high four, when not 0, make the
// read fail after that many sixteenths of the input, so a failure can fall anywhere in it.
inline ReadPlan take_read_plan(const std::uint8_t*& data, std::size_t& size) {
  ReadPlan plan;
  if (size == 0) return plan;
  unsigned choice = *data++;
  --size;
  if ((choice & 0x0F) != 0) plan.piece = choice & 0x0F;
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

// The converters run under a plan.
inline std::string html_from_document(std::string_view document, const ReadPlan& plan) {
  return html_from_document(document, plan.piece, plan.fail_at);
}

inline std::string document_from_html(std::string_view html, const ReadPlan& plan) {
  return document_from_html(html, plan.piece, plan.fail_at);
}

// The fixed parts of every HTML file written, with their CR LF line ends.
inline constexpr std::string_view kHtmlHead =
    "<HTML>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\r\n"
    "<BODY><P>";
inline constexpr std::string_view kHtmlClosing = "\r\n</BODY>\r\n</HTML>\r\n";

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

#endif  // WPCONV_FUZZ_FUZZ_SUPPORT_H_
