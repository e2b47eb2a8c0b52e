// Helpers shared by the unit tests and the fuzz targets: byte strings written in hex, the
// converters run on strings, and the document's line layout checked.
#ifndef WPCONV_TESTS_TEST_SUPPORT_H_
#define WPCONV_TESTS_TEST_SUPPORT_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "io/byte_stream.h"
#include "simd_levels.h"

namespace wpconv {

// Bytes from text in which hex pairs stand for bytes and "quoted" parts for themselves:
// bytes("41 42 'C' EF A0") is "ABC\xEF\xA0". Spaces between items are ignored.
std::string bytes(std::string_view notation);

// How a converter's input is read: each read hands out `piece` bytes, the read after `fail_at`
// bytes fails, and with `threads` the streams read ahead and write behind on threads of their
// own.
struct ReadPlan {
  std::size_t piece = STREAM_BLOCK_SIZE;
  std::size_t fail_at = std::string_view::npos;
  bool threads = false;
};

// A converter of streams, as the file jobs run them.
using Converter = std::uint64_t (*)(ByteReader& input, ByteWriter& output);

// Streams `input` through `convert` as a file job would, under the plan; what the converter
// returns (its count of stand-ins) goes into `count` when one is given.
std::string stream(Converter convert, std::string_view input, ReadPlan plan,
                   ByteReader::Mode reading, ByteWriter::Mode writing,
                   std::uint64_t* count = nullptr);

// The converters on strings.
std::string document_to_html(std::string_view document, ReadPlan plan = {});
std::string html_to_document(std::string_view html, ReadPlan plan = {});
std::string web_html_to_document(std::string_view html, ReadPlan plan = {});

// The fixed parts of every HTML file written, with their CR LF line ends.
inline constexpr std::string_view HTML_HEAD =
    "<HTML>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\r\n"
    "<BODY><P>";
inline constexpr std::string_view HTML_CLOSING = "\r\n</BODY>\r\n</HTML>\r\n";

// The HTML written for a document body, without the fixed head and closing lines.
std::string html_body(std::string_view document);

// Where a document written from HTML breaks its line layout (lines of at most 72 columns closed
// by a line end, two-byte characters on even columns, attribute codes taking no column, one
// end-of-text byte, the last), or nothing when it keeps it.
std::optional<std::string> layout_fault(std::string_view document);

// Runs `check(level)` once with each level of kernels that this build and processor have, so
// that the plain and the vector paths are held to the same reference; the best level is used
// afterwards.
template <class Check>
void for_each_level(Check check) {
  const simd::Level best = simd::level();
  for (simd::Level level :
       {simd::Level::plain, simd::Level::sse2, simd::Level::avx2, simd::Level::simd128}) {
    if (simd::set_level(level)) check(level);
  }
  simd::set_level(best);
}

}  // namespace wpconv

#endif  // WPCONV_TESTS_TEST_SUPPORT_H_
