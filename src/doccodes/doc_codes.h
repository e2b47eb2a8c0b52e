// The word processor's document text stream: byte classes, code values and line layout, the
// one place both converters take them from.
#ifndef WPCONV_DOCCODES_DOC_CODES_H_
#define WPCONV_DOCCODES_DOC_CODES_H_

#include <cstdint>
#include <string_view>

namespace wpconv {

// A one-byte character is its byte; a two-byte character is lead * 256 + trail.
using CharCode = std::uint16_t;

inline constexpr CharCode PARAGRAPH_MARK = 0xEFA0;
inline constexpr CharCode BLANK_CELL = 0xEFA3;
inline constexpr CharCode SKIP3_CODE = 0xEFAF;        // followed by three operand bytes
inline constexpr CharCode ATTRIBUTE_CODE = 0xEFC0;    // followed by one attribute byte
inline constexpr CharCode CONTROL_SEQUENCE = 0xF004;  // followed by two operand bytes
inline constexpr unsigned char END_OF_TEXT = 0x1A;

// The word processor's private characters: rows EC to EF, trail bytes 0x40 to 0xFC.
inline constexpr CharCode EXTERNAL_CHAR_FIRST = 0xEC40;
inline constexpr CharCode EXTERNAL_CHAR_LAST = 0xEFFF;
inline constexpr unsigned EXTERNAL_CHAR_ROWS = 4;
inline constexpr unsigned EXTERNAL_CHAR_TRAIL_FIRST = 0x40;
inline constexpr unsigned EXTERNAL_CHAR_TRAIL_LAST = 0xFC;
inline constexpr unsigned EXTERNAL_CHAR_ROW_SIZE =
    EXTERNAL_CHAR_TRAIL_LAST - EXTERNAL_CHAR_TRAIL_FIRST + 1;
// The lowest lead byte whose codes the word processor may take as its own.
inline constexpr unsigned char DOCUMENT_CODE_LEAD_FIRST = EXTERNAL_CHAR_FIRST >> 8;
// From here up, codes have no text equivalent at all.
inline constexpr CharCode PRIVATE_CODE_FIRST = 0xF000;

// Attribute bytes after ATTRIBUTE_CODE; any other value is consumed and carries nothing.
inline constexpr unsigned char ATTRIBUTE_UNDERLINE_ON = 0x22;
inline constexpr unsigned char ATTRIBUTE_UNDERLINE_OFF = 0x28;
inline constexpr unsigned char ATTRIBUTE_SUPERSCRIPT_ON = 0x37;
inline constexpr unsigned char ATTRIBUTE_SUBSCRIPT_ON = 0x38;
inline constexpr unsigned char ATTRIBUTE_SCRIPT_OFF = 0x3B;

inline constexpr unsigned char SPACE = 0x20;
// Shift-JIS characters that stand in for others.
inline constexpr CharCode FULL_WIDTH_SPACE = 0x8140;  // two spaces, and codes without text
inline constexpr CharCode NO_REPLACEMENT = 0x3F3F;    // "??": an external character without one
inline constexpr CharCode GETA_MARK = 0x81AC;         // 〓: a character the document cannot hold

// Lines hold at most this many columns; a two-byte character takes two.
inline constexpr int LINE_WIDTH = 72;

// Twelve blank cells and CR LF close a full line; a paragraph mark before them closes a
// paragraph.
inline constexpr std::string_view PARAGRAPH_LINE_END{
    "\xEF\xA0"
    "\xEF\xA3\xEF\xA3\xEF\xA3\xEF\xA3\xEF\xA3\xEF\xA3"
    "\xEF\xA3\xEF\xA3\xEF\xA3\xEF\xA3\xEF\xA3\xEF\xA3"
    "\r\n",
    28};
inline constexpr std::string_view FILLER_LINE_END = PARAGRAPH_LINE_END.substr(2);

// What a byte that begins a character is.
enum class ByteClass { end_of_text, control, lead, one_byte };

constexpr ByteClass byte_class(unsigned char byte) {
  if (byte == END_OF_TEXT) return ByteClass::end_of_text;
  if (byte < 0x20) return ByteClass::control;
  if ((byte >= 0x80 && byte <= 0x9F) || byte >= 0xE0) return ByteClass::lead;
  return ByteClass::one_byte;
}

// A byte that begins a two-byte character.
constexpr bool is_lead_byte(unsigned char byte) {
  return byte_class(byte) == ByteClass::lead;
}

// A control byte, which carries no text: readers drop it.
constexpr bool is_control_byte(unsigned char byte) {
  return byte_class(byte) == ByteClass::control;
}

// The bytes of a window of 64 at even and at odd offsets, one bit each, the first the lowest.
inline constexpr std::uint64_t EVEN_BYTES = 0x5555555555555555;
inline constexpr std::uint64_t ODD_BYTES = ~EVEN_BYTES;

// The trail bytes of a window of 64 bytes that begins with a character, given the bytes that
// is_lead_byte() holds for. Any other byte is followed by a new character, so every run of such
// bytes starts with a lead and alternates lead and trail, ending with the byte after it as a
// trail when its length is odd. Adding a run's first bit to the run clears it, which picks out
// the runs by where they start.
constexpr std::uint64_t trail_bits(std::uint64_t leads) {
  const std::uint64_t run_starts = leads & ~(leads << 1);
  const std::uint64_t even_runs = leads & ~(leads + (run_starts & EVEN_BYTES));
  const std::uint64_t odd_runs = leads & ~(leads + (run_starts & ODD_BYTES));
  return ((even_runs << 1) & ODD_BYTES) | ((odd_runs << 1) & EVEN_BYTES);
}

}  // namespace wpconv

#endif  // WPCONV_DOCCODES_DOC_CODES_H_
