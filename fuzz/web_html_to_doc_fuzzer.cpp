// The web reader on any bytes: HTML from other programs, in any encoding. The first byte chooses
// how the input is read (see take_read_plan); the rest is the page.
//
// Checked besides the absence of crashes and sanitizer reports (and, through libFuzzer's limits,
// memory that stays bounded):
// - the document does not depend on how the input is read: pieces of any size give the bytes
//   that one whole read gives, and a read error acts as the end of the input;
// - growth: at most 28 bytes for each byte read, and a few more. The worst input is a line
//   break in <pre> over and over: one byte that writes a 28-byte paragraph line end;
// - layout: lines of at most 72 columns closed by the filler or the paragraph line end, two-byte
//   characters on even columns, and one end-of-text byte, the last;
// - attribute pairs: underline on and off alternate starting with on, superscript or subscript
//   on and the script off alternate starting with on, and nothing is left on at the end;
// - no control byte in the text: only the codes of the layout and the attribute codes.
#include <cstdint>
#include <string>
#include <string_view>

#include "doccodes/doc_codes.h"
#include "fuzz_support.h"

namespace wpconv {
namespace {

// Where the document's attribute codes do not pair up, or its text holds a control byte.
const char* attribute_fault(std::string_view document) {
  bool underline = false;
  bool script = false;
  for (std::size_t i = 0; i + 1 < document.size();) {
    const std::string_view rest = document.substr(i);
    if (rest.starts_with(FILLER_LINE_END) || rest.starts_with(PARAGRAPH_LINE_END)) {
      i += rest.starts_with(FILLER_LINE_END) ? FILLER_LINE_END.size() : PARAGRAPH_LINE_END.size();
      continue;
    }
    const auto c = static_cast<unsigned char>(rest[0]);
    if (rest.starts_with("\xEF\xC0") && rest.size() >= 3) {
      switch (static_cast<unsigned char>(rest[2])) {
        case ATTRIBUTE_UNDERLINE_ON:
        case ATTRIBUTE_UNDERLINE_OFF:
          if (underline == (rest[2] == ATTRIBUTE_UNDERLINE_ON)) return "underline does not pair";
          underline = !underline;
          break;
        case ATTRIBUTE_SUPERSCRIPT_ON:
        case ATTRIBUTE_SUBSCRIPT_ON:
        case ATTRIBUTE_SCRIPT_OFF:
          if (script == (rest[2] != ATTRIBUTE_SCRIPT_OFF)) return "script does not pair";
          script = !script;
          break;
        default:
          return "an attribute byte of no meaning";
      }
      i += 3;
      continue;
    }
    if (is_control_byte(c)) return "a control byte in the text";
    if (c == 0xEF && rest.size() >= 2) {
      const auto code = static_cast<unsigned char>(rest[1]);
      if (code == 0xA0 || code == 0xA3 || code == 0xAF || code == 0xC0) {
        return "a code of the document's own in the text";
      }
    }
    if (is_lead_byte(c) && c >= DOCUMENT_CODE_LEAD_FIRST && c != 0xEC && c != 0xED && c != 0xEE &&
        c != 0xEF) {
      return "a private code in the text";
    }
    i += is_lead_byte(c) ? 2 : 1;
  }
  return underline || script ? "an attribute left on at the end" : nullptr;
}

}  // namespace

int fuzz_one(const std::uint8_t* data, std::size_t size) {
  ReadPlan plan = take_read_plan(data, size);
  std::string_view html = as_text(data, size);
  const std::string document = web_html_to_document(html, plan);

  std::string_view read = bytes_read(html, plan);
  check(document == web_html_to_document(read), "the document depends on how the input is read");
  check(document.size() <= 28 * read.size() + 32, "the document grows faster than 28 bytes a byte",
        document);
  check(!layout_fault(document), "badly laid out", document);
  const char* fault = attribute_fault(document);
  check(fault == nullptr, fault != nullptr ? fault : "", document);
  return 0;
}

}  // namespace wpconv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wpconv::fuzz_one(data, size);
}
