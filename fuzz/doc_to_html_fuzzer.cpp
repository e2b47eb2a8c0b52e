// Document text stream to HTML on any bytes. The first byte chooses how the input is read (see
// take_read_plan); the rest is the document.
//
// Checked besides the absence of crashes and sanitizer reports:
// - the HTML does not depend on how the input is read: pieces of any size give the bytes that
//   one whole read gives, and a read error acts as the end of the input; nor on the kernels; and
//   it is the HTML that the decoder gives unit by unit without the fast path;
// - the head and the closing lines are always written, and every LF goes out as CR LF;
// - growth: the body is at most 11 bytes for every 3 bytes read. The worst input is an
//   attribute code that closes one script and opens the other: three bytes (EF C0 37) that
//   write "</SUB><SUP>". Every other code writes less per byte read: a paragraph mark 4 + 1
//   (its LF becomes CR LF) for 2, a trail byte 0A 3 for 2, a character or a pair of spaces
//   as many bytes as it reads.
#include <cstdint>
#include <string>
#include <string_view>

#include "doc2html/document_to_html.h"
#include "fuzz_support.h"

namespace wpconv {
namespace {

bool every_lf_after_cr(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
  }
  return true;
}

}  // namespace

int fuzz_one(const std::uint8_t* data, std::size_t size) {
  ReadPlan plan = take_read_plan(data, size);
  std::string_view document = as_text(data, size);
  std::string html = document_to_html(document, plan);

  std::string_view read = bytes_read(document, plan);
  check(html == document_to_html(read), "the HTML depends on how the input is read");
  check(html == with_plain_kernels([&] { return document_to_html(document, plan); }),
        "the vector kernels give other HTML than the plain ones");
  {
    MemorySource source(read);
    ByteReader reader(source);
    MemorySink sink;
    ByteWriter writer(sink, ByteWriter::Mode::text);
    document_to_html_unit_by_unit(reader, writer);
    writer.flush();
    check(html == sink.bytes, "the fast path gives other HTML than the decoder");
  }
  check(html.starts_with(HTML_HEAD) && html.ends_with(HTML_CLOSING) &&
            html.size() >= HTML_HEAD.size() + HTML_CLOSING.size(),
        "head or closing lines missing", html);
  check(every_lf_after_cr(html), "a line end is not CR LF", html);
  std::size_t body = html.size() - HTML_HEAD.size() - HTML_CLOSING.size();
  check(3 * body <= 11 * read.size(), "the HTML grows faster than 11 bytes per 3 read", html);
  return 0;
}

}  // namespace wpconv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wpconv::fuzz_one(data, size);
}
