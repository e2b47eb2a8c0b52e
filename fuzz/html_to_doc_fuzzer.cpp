// HTML to document text on any bytes, and on to HTML and to a document again. The first byte
// chooses how the input is read (see take_read_plan); the rest is the HTML.
//
// Checked besides the absence of crashes and sanitizer reports:
// - the document does not depend on how the input is read: pieces of any size give the bytes
//   that one whole read gives, and a read error acts as the end of the input;
// - growth: at most 1 + 28n/3 bytes for n bytes read. The worst input is "<P>" over and over:
//   three bytes that write the 28-byte paragraph line end. A line of 72 columns takes at least
//   54 bytes of HTML (a two-byte character after each one-byte one gets a pad space) and
//   writes 72 + 26 bytes, under 2 a byte; an attribute tag writes as many bytes as it reads;
//   the 1 is the end-of-text byte;
// - layout: lines of at most 72 columns closed by the filler or the paragraph line end,
//   two-byte characters on even columns, attribute codes only from tags (no character of the
//   HTML becomes a code of the document), and one end-of-text byte, the last;
// - the round trip. With H0 the input, D1 = document(H0), H1 = html(D1), D2 = document(H1),
//   and so on: H1 and H2, and H2 and H3, are the same bytes once every space and full-width
//   space (81 40) is taken out; so are D2 and D3 once their line ends are taken out too.
//   A trip settles everything but the spaces: the paragraphs, the attribute tags (the script
//   state closes and reopens them, and leaves its own output as it is), the characters
//   (external characters are replaced, as are the characters from 0xEC up that the document
//   would take as its own codes, and the replacements convert back to themselves). The spaces
//   are not settled: a
//   pair of spaces becomes 81 40, which needs a pad space in front of it when the line layout
//   has shifted it to an odd column, and a space after the end of a script is dropped. So D2
//   is in general not D1, nor D3 D2: "<P>A", two spaces and 82 A0 give D1 = 41 20 20 20 82 A0,
//   D2 = 41 20 81 40 20 20 82 A0 and D3 = 41 20 81 40 81 40 82 A0 (then 1A each time);
// - the choice of reader: the exact reader, stopping at the first tag the program does not write,
//   followed by the dialect scan of what it leaves, tells what the scan of the whole input tells,
//   and in the dialect gives the same document.
#include <cstdint>
#include <string>
#include <string_view>

#include "doccodes/doc_codes.h"
#include "fuzz_support.h"
#include "html2doc/html_tags.h"
#include "html2doc/html_to_document.h"

namespace wpconv {
namespace {

// The bytes without one-byte and full-width spaces; a space that is a trail byte stays.
std::string without_spaces(std::string_view text) {
  std::string result;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (is_lead_byte(c) && i + 1 < text.size()) {
      if (text.substr(i, 2) != "\x81\x40") result += text.substr(i, 2);
      ++i;
    } else if (c != ' ') {
      result += static_cast<char>(c);
    }
  }
  return result;
}

// A document without spaces, full-width spaces and line ends: what its layout does not decide.
std::string document_content(std::string_view document) {
  std::string result;
  for (std::size_t i = 0; i < document.size();) {
    std::string_view rest = document.substr(i);
    if (rest.starts_with(FILLER_LINE_END)) {
      i += FILLER_LINE_END.size();
    } else if (rest.starts_with(PARAGRAPH_LINE_END)) {
      result += "[P]";
      i += PARAGRAPH_LINE_END.size();
    } else {
      std::size_t width = is_lead_byte(static_cast<unsigned char>(rest[0])) ? 2 : 1;
      if (rest.starts_with("\xEF\xC0")) width = 3;
      std::string_view item = rest.substr(0, width);
      if (item != " " && item != "\x81\x40") result += item;
      i += width;
    }
  }
  return result;
}

}  // namespace

int fuzz_one(const std::uint8_t* data, std::size_t size) {
  ReadPlan plan = take_read_plan(data, size);
  std::string_view html = as_text(data, size);
  std::string d1 = html_to_document(html, plan);

  std::string_view read = bytes_read(html, plan);
  check(d1 == html_to_document(read), "the document depends on how the input is read");
  check(d1 == with_plain_kernels([&] { return html_to_document(html, plan); }),
        "the vector kernels give another document than the plain ones");
  check(3 * (d1.size() - 1) <= 28 * read.size(), "the document grows faster than 28 bytes per 3",
        d1);
  check(!layout_fault(d1), "badly laid out", d1);

  MemorySource whole = make_source(html, plan);
  ByteReader scan(whole, ByteReader::Mode::text);
  const bool exact = is_exact_dialect(scan);
  MemorySource again = make_source(html, plan);
  ByteReader one_pass(again, ByteReader::Mode::text);
  MemorySink sink;
  ByteWriter writer(sink);
  const bool read_exactly =
      dialect_html_to_document(one_pass, writer) && is_exact_dialect(one_pass);
  check(read_exactly == exact, "reading in one pass gives another answer on the dialect");
  check(!exact || (writer.flush() && sink.bytes == d1),
        "reading in one pass gives another document");

  std::string h1 = document_to_html(d1);
  std::string d2 = html_to_document(h1);
  check(!layout_fault(d2), "second document badly laid out", d2);
  std::string h2 = document_to_html(d2);
  std::string d3 = html_to_document(h2);
  std::string h3 = document_to_html(d3);
  check(without_spaces(h1) == without_spaces(h2), "the second trip changes more than spaces", h1);
  check(without_spaces(h2) == without_spaces(h3), "the third trip changes more than spaces", h2);
  check(document_content(d2) == document_content(d3),
        "the third document differs from the second in more than spaces and line ends", d2);
  return 0;
}

}  // namespace wpconv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wpconv::fuzz_one(data, size);
}
