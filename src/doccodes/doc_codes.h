// The word processor's document text stream: byte classes, code values and line layout, the
// one place both converters take them from.
#ifndef WPCONV_DOCCODES_DOC_CODES_H_
#define WPCONV_DOCCODES_DOC_CODES_H_

#include <cstdint>
#include <string_view>

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

// Attribute bytes after ATTRIBUTE_CODE; any other value is consumed and carries nothing.
inline constexpr unsigned char ATTRIBUTE_UNDERLINE_ON = 0x22;
inline constexpr unsigned char ATTRIBUTE_UNDERLINE_OFF = 0x28;
inline constexpr unsigned char ATTRIBUTE_SUPERSCRIPT_ON = 0x37;
inline constexpr unsigned char ATTRIBUTE_SUBSCRIPT_ON = 0x38;
inline constexpr unsigned char ATTRIBUTE_SCRIPT_OFF = 0x3B;

inline constexpr unsigned char FULL_WIDTH_SPACE[] = {0x81, 0x40};

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

// A byte that begins a two-byte character.
constexpr bool is_lead_byte(unsigned byte) {
  return (byte >= 0x80 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFF);
}

#endif  // WPCONV_DOCCODES_DOC_CODES_H_
