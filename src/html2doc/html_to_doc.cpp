#include "html2doc/html_to_doc.h"

#include "doccodes/doc_codes.h"
#include "html2doc/html_tags.h"
#include "html2doc/sjis_to_document.h"

namespace {

void write_attribute(ByteWriter& document, unsigned char attribute) {
  document.put(ATTRIBUTE_CODE >> 8);
  document.put(ATTRIBUTE_CODE & 0xFF);
  document.put(attribute);
}

}  // namespace

void write_document_from_html(ByteReader& html, ByteWriter& document) {
  int column = 0;
  bool text_started = false;
  for (;;) {
    // A full line is closed before the next byte is read, whatever that byte turns out to be.
    if (column >= LINE_WIDTH) {
      document.write(FILLER_LINE_END);
      column = 0;
    }
    int byte = html.get();
    if (byte < 0 || byte == END_OF_TEXT) break;
    if (byte < 0x20) continue;
    unsigned code = static_cast<unsigned>(byte);
    if (is_lead_byte(code)) {
      int trail = html.get();
      if (trail < 0) break;
      code = code << 8 | static_cast<unsigned>(trail);
    }

    if (code == '<') {
      switch (read_html_tag(html)) {
        case HtmlTag::paragraph:
          if (text_started) {
            document.write(PARAGRAPH_LINE_END);
            column = 0;
          }
          text_started = true;
          break;
        case HtmlTag::end_of_body:
          goto end_of_body;
        case HtmlTag::underline_on:
          write_attribute(document, ATTRIBUTE_UNDERLINE_ON);
          break;
        case HtmlTag::underline_off:
          write_attribute(document, ATTRIBUTE_UNDERLINE_OFF);
          break;
        case HtmlTag::superscript_on:
          write_attribute(document, ATTRIBUTE_SUPERSCRIPT_ON);
          break;
        case HtmlTag::subscript_on:
          write_attribute(document, ATTRIBUTE_SUBSCRIPT_ON);
          break;
        case HtmlTag::superscript_off:
        case HtmlTag::subscript_off:
          write_attribute(document, ATTRIBUTE_SCRIPT_OFF);
          break;
        case HtmlTag::other:
          break;
      }
      continue;
    }
    if (!text_started) continue;

    if (code <= 0xFF) {
      document.put(static_cast<unsigned char>(code));
      ++column;
      continue;
    }
    code = document_code_for(static_cast<CharCode>(code));
    // Two-byte characters start on even columns.
    if (column % 2 != 0) {
      document.put(' ');
      if (++column >= LINE_WIDTH) {
        document.write(FILLER_LINE_END);
        column = 0;
      }
    }
    document.put(static_cast<unsigned char>(code >> 8));
    document.put(static_cast<unsigned char>(code & 0xFF));
    column += 2;
  }
end_of_body:
  document.put(END_OF_TEXT);
}
