#include "html2doc/html_to_doc.h"

#include <array>
#include <cstdint>

#include "doccodes/doc_codes.h"
#include "html2doc/html_tags.h"
#include "html2doc/sjis_to_document.h"

namespace {

void write_attribute(ByteWriter& document, unsigned char attribute) {
  document.put(ATTRIBUTE_CODE >> 8);
  document.put(ATTRIBUTE_CODE & 0xFF);
  document.put(attribute);
}

// The document writer is in binary mode, which takes the filler's LF as it is.
void write_filler_line_end(ByteWriter& document) {
  document.write_unchanged(reinterpret_cast<const unsigned char*>(FILLER_LINE_END.data()),
                           FILLER_LINE_END.size());
}

// How copy_plain_text treats a byte where a character starts.
enum class TextByte : unsigned char {
  one_byte,       // a one-byte character, written as it is
  lead,           // a two-byte character, written as it is
  replaced_lead,  // a two-byte character that may have a document code of its own
  dropped,        // a control byte
  stop,           // the start of a tag, or the end of the text
};

// The treatment of every byte, and the two-byte characters that document_code_for() replaces,
// one bit each: found once by asking it about every character, so that its table stays the one
// place that knows them.
class TextBytes {
 public:
  TextBytes() {
    for (unsigned byte = 0; byte < 256; ++byte) {
      classes_[byte] = byte == '<' || byte == END_OF_TEXT ? TextByte::stop
                       : byte < ' '                       ? TextByte::dropped
                       : is_lead_byte(byte)               ? TextByte::lead
                                                          : TextByte::one_byte;
    }
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
      if (!is_lead_byte(code >> 8) || document_code_for(static_cast<CharCode>(code)) == code) {
        continue;
      }
      replaced_[code / 64] |= bit(code);
      classes_[code >> 8] = TextByte::replaced_lead;
    }
  }
  TextByte operator[](unsigned char byte) const { return classes_[byte]; }
  bool is_replaced(unsigned code) const { return (replaced_[code / 64] & bit(code)) != 0; }

 private:
  static std::uint64_t bit(unsigned code) { return std::uint64_t{1} << (code % 64); }
  std::array<TextByte, 256> classes_;
  std::array<std::uint64_t, 0x10000 / 64> replaced_{};
};

// Converts the ordinary text already buffered in `html` for as long as it needs no decision
// beyond the line layout: characters, dropped control bytes, the pad before a two-byte character
// on an odd column and the filler line ends. Stops at a tag, at the end of the text and near the
// end of the buffer, where a character may run past it; returns the new column, always below
// LINE_WIDTH. Text is most of a page, so this does most of the work, with a few tests a
// character and the bytes between pads and line ends written at once.
int copy_plain_text(ByteReader& html, ByteWriter& document, int column) {
  static const TextBytes text_bytes;
  if (html.available() < 2) return column;
  const unsigned char* const begin = html.data();
  const unsigned char* const last = begin + html.available() - 1;  // so that p[1] is buffered
  const unsigned char* run = begin;  // the bytes taken as they are but not yet written
  const unsigned char* p = begin;
  auto write_run = [&](const unsigned char* next) {
    document.write_unchanged(run, static_cast<std::size_t>(p - run));
    run = next;
  };
  for (;;) {
    if (column >= LINE_WIDTH) {
      write_run(p);
      write_filler_line_end(document);
      column = 0;
    }
    if (p >= last) break;
    TextByte kind = text_bytes[*p];
    if (kind == TextByte::one_byte) {
      ++p;
      ++column;
    } else if (kind == TextByte::lead || kind == TextByte::replaced_lead) {
      // Two-byte characters start on even columns.
      if (column % 2 != 0) {
        write_run(p);
        document.put(' ');
        if (++column >= LINE_WIDTH) {
          write_filler_line_end(document);
          column = 0;
        }
      }
      if (kind == TextByte::replaced_lead && text_bytes.is_replaced(p[0] << 8 | p[1])) {
        write_run(p + 2);
        CharCode code = document_code_for(static_cast<CharCode>(p[0] << 8 | p[1]));
        document.put(static_cast<unsigned char>(code >> 8));
        document.put(static_cast<unsigned char>(code & 0xFF));
      }
      p += 2;
      column += 2;
    } else if (kind == TextByte::dropped) {
      write_run(p + 1);
      ++p;
    } else {
      break;
    }
  }
  write_run(p);
  html.advance(static_cast<std::size_t>(p - begin));
  return column;
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
    if (text_started) column = copy_plain_text(html, document, column);
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
