// Document text stream to an HTML5 page on any bytes. The first byte chooses how the input is
// read (see take_read_plan); the rest is the document.
//
// Checked besides the absence of crashes and sanitizer reports:
// - the page does not depend on how the input is read (pieces of any size, a read error acting
//   as the end of the input), nor on the kernels, and is the page that the decoder gives unit by
//   unit without the fast path;
// - the head and the closing lines are always there, the page is valid UTF-8 with LF line ends
//   and no other control character, and every '<' and '&' in it begins a tag or a reference the
//   writer writes;
// - growth: the body is at most 6 bytes for each byte read and a few more: the worst input is a
//   space, written "&nbsp;", or a paragraph mark (two bytes) after an empty paragraph, written
//   "<p><br></p>" and LF;
// - reading the page back with the reader for other programs' HTML gives the document that
//   reading the exact .HTM file of the same document gives, once the reader is linked in (see
//   same_document_read_back).
#include <cstdint>
#include <string>
#include <string_view>

#include "doc2html/document_to_html.h"
#include "doc2html/document_to_html5.h"
#include "doccodes/doc_codes.h"
#include "encoding/cp932.h"
#include "fuzz_support.h"
#include "html2doc/html_to_document.h"

namespace wpconv {

// The reader of other programs' HTML, when it is linked in; null otherwise, and the property
// that needs it is not checked.
[[gnu::weak]] std::uint64_t web_html_to_document(ByteReader& html, ByteWriter& document);

namespace {

std::string run(Converter convert, std::string_view input, ByteReader::Mode in,
                ByteWriter::Mode out, const ReadPlan& plan = {}) {
  return stream(convert, input, plan, in, out);
}

std::string page_of(std::string_view document, const ReadPlan& plan = {}) {
  return run(document_to_html5, document, ByteReader::Mode::binary, ByteWriter::Mode::binary, plan);
}

constexpr std::string_view HEAD =
    "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
constexpr std::string_view BODY = "</title>\n</head>\n<body>\n";
constexpr std::string_view CLOSING = "</body>\n</html>\n";

// Where the page is not valid UTF-8 or holds a control character other than LF.
bool valid_utf8_text(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    int length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    if (c < 0x20 && c != '\n') return false;
    for (int k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

// Whether every '<' and '&' of the page begins markup the writer writes.
bool only_own_markup(std::string_view page) {
  static constexpr std::string_view MARKUP[] = {"<p>",
                                                "</p>",
                                                "<br>",
                                                "<u>",
                                                "</u>",
                                                "<sup>",
                                                "</sup>",
                                                "<sub>",
                                                "</sub>",
                                                "<title>",
                                                "</title>",
                                                "<!DOCTYPE html>",
                                                "<html lang=\"ja\">",
                                                "</html>",
                                                "<head>",
                                                "</head>",
                                                "<meta charset=\"utf-8\">",
                                                "<body>",
                                                "</body>",
                                                "&amp;",
                                                "&lt;",
                                                "&gt;",
                                                "&nbsp;"};
  for (std::size_t i = page.find_first_of("<&"); i != std::string_view::npos;
       i = page.find_first_of("<&", i + 1)) {
    bool known = false;
    for (std::string_view markup : MARKUP) known = known || page.substr(i).starts_with(markup);
    if (!known) return false;
  }
  return true;
}

// What a document shows: its characters, each with its underline and script, and its paragraph
// marks, one line per character. Where attribute codes stand between characters, codes that
// apply to no character, and the attributes of spaces show nothing.
std::string shown(std::string_view document) {
  std::string text;
  char underline = '-';
  char script = '-';
  for (std::size_t i = 0; i < document.size();) {
    const std::string_view rest = document.substr(i);
    if (rest.starts_with(PARAGRAPH_LINE_END)) {
      text += "(paragraph)\n";
      i += PARAGRAPH_LINE_END.size();
    } else if (rest.starts_with(FILLER_LINE_END)) {
      i += FILLER_LINE_END.size();
    } else if (rest.starts_with("\xEF\xC0") && rest.size() >= 3) {
      const auto attribute = static_cast<unsigned char>(rest[2]);
      if (attribute == ATTRIBUTE_UNDERLINE_ON || attribute == ATTRIBUTE_UNDERLINE_OFF) {
        underline = attribute == ATTRIBUTE_UNDERLINE_ON ? 'u' : '-';
      } else {
        script = attribute == ATTRIBUTE_SUPERSCRIPT_ON ? '^'
                 : attribute == ATTRIBUTE_SUBSCRIPT_ON ? 'v'
                                                       : '-';
      }
      i += 3;
    } else if (rest[0] == END_OF_TEXT) {
      break;
    } else {
      const std::size_t length = is_lead_byte(static_cast<unsigned char>(rest[0])) ? 2 : 1;
      // A space at the edge of an attribute may be read on either side of it.
      const bool space = rest[0] == ' ';
      // Characters by their Unicode: code page 932 has several codes for some (the NEC rows).
      const auto first = static_cast<unsigned char>(rest[0]);
      const CharCode code =
          length == 1 ? first
                      : static_cast<CharCode>(first << 8 | static_cast<unsigned char>(rest[1]));
      text += std::to_string(encoding::unicode_from_cp932(code)) + ' ' + (space ? '-' : underline) +
              (space ? '-' : script) + '\n';
      i += length;
    }
  }
  return text;
}

// Whether a paragraph of the page holds no-break spaces and nothing else but tags.
bool holds_blank_line(std::string_view page) {
  for (std::size_t line = page.find("<p>"); line != std::string_view::npos;
       line = page.find("<p>", line + 1)) {
    const std::string_view paragraph = page.substr(line, page.find('\n', line) - line);
    bool spaces = false;
    bool other = false;
    for (std::size_t i = 0; i < paragraph.size();) {
      if (paragraph[i] == '<') {
        i = paragraph.find('>', i) + 1;
      } else if (paragraph.substr(i).starts_with("&nbsp;")) {
        spaces = true;
        i += 6;
      } else {
        other = true;
        ++i;
      }
    }
    if (spaces && !other) return true;
  }
  return false;
}

// Reading the page back as other programs' HTML gives the document that reading the exact .HTM
// file gives, as far as what it shows: the page loses nothing that the .HTM file keeps.
void same_document_read_back(std::string_view document, Converter web_reader) {
  // Where the .HTM file keeps more, or less, the two readings differ by design: a character
  // that Unicode lacks is 〓 on the page, where the .HTM file keeps its bytes; '<' and '&' are
  // text on the page, where the .HTM file writes them as they are and they read back as markup.
  // And a paragraph of nothing but spaces, all of them no-break spaces on the page, is the
  // blank line that editors save, to the reader.
  const std::string page = page_of(document);
  if (page.find("\xE3\x80\x93") != std::string::npos ||
      document.find_first_of("<&") != std::string_view::npos || holds_blank_line(page)) {
    return;
  }
  const std::string exact_html =
      run(document_to_html, document, ByteReader::Mode::binary, ByteWriter::Mode::text);
  const std::string from_exact =
      run(html_to_document, exact_html, ByteReader::Mode::text, ByteWriter::Mode::binary);
  const std::string from_page =
      run(web_reader, page_of(document), ByteReader::Mode::binary, ByteWriter::Mode::binary);
  check(shown(from_page) == shown(from_exact),
        "the page reads back as another document than the .HTM file", from_page);
}

}  // namespace

int fuzz_one(const std::uint8_t* data, std::size_t size) {
  ReadPlan plan = take_read_plan(data, size);
  std::string_view document = as_text(data, size);
  const std::string page = page_of(document, plan);

  std::string_view read = bytes_read(document, plan);
  check(page == page_of(read), "the page depends on how the input is read");
  check(page == with_plain_kernels([&] { return page_of(document, plan); }),
        "the vector kernels give another page than the plain ones");
  check(page == run(document_to_html5_unit_by_unit, read, ByteReader::Mode::binary,
                    ByteWriter::Mode::binary),
        "the fast path gives another page than the decoder");
  const std::size_t body = page.find(BODY);
  check(page.starts_with(HEAD) && body != std::string::npos && page.ends_with(CLOSING),
        "head or closing lines missing", page);
  check(valid_utf8_text(page), "not UTF-8 text with LF line ends", page);
  check(only_own_markup(page), "a '<' or '&' that is not the writer's markup", page);
  const std::size_t body_size = page.size() - body - BODY.size() - CLOSING.size();
  check(body_size <= 6 * read.size() + 16, "the body grows faster than 6 bytes per byte read",
        page);
  if (const Converter web_reader = web_html_to_document; web_reader != nullptr) {
    same_document_read_back(read, web_reader);
  }
  return 0;
}

}  // namespace wpconv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wpconv::fuzz_one(data, size);
}
