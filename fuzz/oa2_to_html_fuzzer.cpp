// An .OA2 file to HTML: the header is skipped, then the text is converted. When the lowest bit
// of the first byte is set, 2000 zero bytes go before the rest, so that the fuzzer spends its
// time on the search for the text and on the text rather than on filling the header. The next
// byte chooses how the input is read (see take_read_plan).
//
// Checked besides the absence of crashes and sanitizer reports:
// - the text begins two bytes after the first F0 04 pair found from offset 2000 on, where an
//   F0 taken as the byte after another F0 cannot start a pair. Said without the search: after
//   the 04 that follows the first run of F0 bytes of odd length. A file without one has no
//   text;
// - the HTML is the HTML of that text alone, however the input is read, a read error acting as
//   the end of the file;
// - growth: as for a plain document, at most 11 body bytes for every 3 text bytes.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "doc2html/document_to_html.h"
#include "doccodes/oa2_header.h"
#include "fuzz_support.h"

namespace wpconv {
namespace {

constexpr std::size_t HEADER_SIZE = 2000;

// Where the text begins, or nothing when the file has no text.
std::optional<std::size_t> text_start(std::string_view file) {
  std::size_t run = 0;
  for (std::size_t i = HEADER_SIZE; i < file.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(file[i]);
    if (c == 0xF0) {
      ++run;
      continue;
    }
    if (c == 0x04 && run % 2 == 1) return std::min(i + 3, file.size());
    run = 0;
  }
  return std::nullopt;
}

std::string oa2_to_html(std::string_view file, const ReadPlan& plan, bool& has_text) {
  MemorySource source = make_source(file, plan);
  ByteReader reader(source, ByteReader::Mode::binary, plan.threads);
  MemorySink sink;
  ByteWriter writer(sink, ByteWriter::Mode::text, plan.threads);
  has_text = skip_oa2_header(reader);
  document_to_html(reader, writer);
  writer.flush();
  return sink.bytes;
}

}  // namespace

int fuzz_one(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  bool zero_header = (data[0] & 1) != 0;
  ++data;
  --size;
  ReadPlan plan = take_read_plan(data, size);
  std::string file;
  if (zero_header) file.assign(HEADER_SIZE, '\0');
  file.append(as_text(data, size));
  if (plan.fail_at != std::string_view::npos && zero_header) plan.fail_at += HEADER_SIZE;

  bool has_text = false;
  std::string html = oa2_to_html(file, plan, has_text);

  std::string_view read = bytes_read(file, plan);
  std::optional<std::size_t> start = text_start(read);
  check(has_text == start.has_value(), "the header search disagrees about the text's start");
  std::string_view text = read.substr(start.value_or(read.size()));
  check(html == document_to_html(text), "the HTML is not that of the text after the header");
  check(3 * (html.size() - HTML_HEAD.size() - HTML_CLOSING.size()) <= 11 * text.size(),
        "the HTML grows faster than 11 bytes per 3 read", html);
  return 0;
}

}  // namespace wpconv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wpconv::fuzz_one(data, size);
}
