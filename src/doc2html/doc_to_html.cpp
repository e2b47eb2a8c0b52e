#include "doc2html/doc_to_html.h"

#include "doc2html/external_chars.h"
#include "doccodes/doc_codes.h"

namespace {

constexpr std::string_view kHtmlHead =
    "<HTML>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\n"
    "<BODY><P>";
constexpr std::string_view kHtmlClosing = "\n</BODY>\n</HTML>\n";
constexpr std::string_view kParagraph = "\n<P>";

enum class ScriptState { none = 0, subscript = 1, superscript = 2 };

constexpr int kNoByte = -1;

// After a trail byte 0xF0, a byte below 0x20 starts a control sequence that interrupts the
// character, except CR (it ends a line) and 0x1A (it ends the text, so that a character
// with trail byte 0xF0 right before it is kept).
bool interrupts_character(int byte) {
  return byte >= 0 && byte < 0x20 && byte != '\r' && byte != END_OF_TEXT;
}

void write_code(ByteWriter& html, unsigned code) {
  if (code <= 0xFF) {
    html.put(static_cast<unsigned char>(code));
  } else {
    html.put(static_cast<unsigned char>(code >> 8));
    html.put(static_cast<unsigned char>(code & 0xFF));
  }
}

void write_character(ByteWriter& html, unsigned code) {
  if (is_external_char(code)) {
    CharCode replacement = external_char_replacement(static_cast<CharCode>(code));
    html.put(static_cast<unsigned char>(replacement >> 8));
    html.put(static_cast<unsigned char>(replacement & 0xFF));
    return;
  }
  // The other private codes have no text equivalent.
  if (code >= 0xF000) code = 0x8140;
  write_code(html, code);
}

ScriptState write_attribute(ByteWriter& html, int attribute, ScriptState script) {
  switch (attribute) {
    case ATTRIBUTE_UNDERLINE_ON:
      html.write("<U>");
      return script;
    case ATTRIBUTE_UNDERLINE_OFF:
      html.write("</U>");
      return script;
    case ATTRIBUTE_SUPERSCRIPT_ON:
      if (script == ScriptState::none) html.write("<SUP>");
      if (script == ScriptState::subscript) html.write("</SUB><SUP>");
      return ScriptState::superscript;
    case ATTRIBUTE_SUBSCRIPT_ON:
      if (script == ScriptState::none) html.write("<SUB>");
      if (script == ScriptState::superscript) html.write("</SUP><SUB>");
      return ScriptState::subscript;
    case ATTRIBUTE_SCRIPT_OFF:
      if (script == ScriptState::subscript) html.write("</SUB>");
      if (script == ScriptState::superscript) html.write("</SUP>");
      return ScriptState::none;
    default:
      return script;
  }
}

// Reads and drops `count` bytes; false if the input ends first.
bool skip_bytes(ByteReader& document, int count) {
  for (int i = 0; i < count; ++i) {
    if (document.get() < 0) return false;
  }
  return true;
}

}  // namespace

void write_html_from_document(ByteReader& document, ByteWriter& html) {
  html.write(kHtmlHead);
  ScriptState script = ScriptState::none;
  int pending = kNoByte;  // read ahead, belongs to the next character
  for (;;) {
    int byte = pending != kNoByte ? pending : document.get();
    pending = kNoByte;
    if (byte < 0 || byte == END_OF_TEXT) break;
    if (byte < 0x20) continue;

    unsigned code = static_cast<unsigned>(byte);
    if (is_lead_byte(code)) {
      int trail = document.get();
      if (trail < 0) break;
      if (trail == 0xF0) {
        int next = document.get();
        if (interrupts_character(next)) {
          if (!skip_bytes(document, 2)) break;
          trail = document.get();
          if (trail < 0) break;
        } else {
          pending = next;
        }
      }
      code = code << 8 | static_cast<unsigned>(trail);
    }

    switch (code) {
      case ' ': {
        int next = document.get();
        if (next == ' ') {
          html.write(FULL_WIDTH_SPACE, sizeof FULL_WIDTH_SPACE);
        } else {
          html.put(' ');
          pending = next;
        }
        break;
      }
      case PARAGRAPH_MARK:
        html.write(kParagraph);
        break;
      case BLANK_CELL:
        break;
      case SKIP3_CODE:
        if (!skip_bytes(document, 3)) goto end_of_text;
        break;
      case CONTROL_SEQUENCE:
        if (!skip_bytes(document, 2)) goto end_of_text;
        break;
      case ATTRIBUTE_CODE: {
        int attribute = document.get();
        if (attribute < 0) goto end_of_text;
        script = write_attribute(html, attribute, script);
        // The word processor puts a space after the end of a script; HTML needs none.
        if (attribute == ATTRIBUTE_SCRIPT_OFF) {
          int next = document.get();
          if (next != ' ') pending = next;
        }
        break;
      }
      default:
        write_character(html, code);
    }
  }
end_of_text:
  html.write(kHtmlClosing);
}
