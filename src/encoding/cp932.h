// Unicode and Windows code page 932, the Shift-JIS that documents and Japanese pages use. The
// tables are generated from Python's codecs by scripts/make_cp932_unicode.py.
#ifndef WPCONV_ENCODING_CP932_H_
#define WPCONV_ENCODING_CP932_H_

#include <cstdint>

#include "doccodes/doc_codes.h"

namespace wpconv::encoding {

inline constexpr CharCode NO_CP932 = 0xFFFF;  // no place in code page 932
inline constexpr char32_t NO_UNICODE = 0xFFFFFFFF;

namespace cp932_tables {
extern const std::uint8_t page_of_high_byte[256];
extern const std::uint16_t pages[][256];
}  // namespace cp932_tables

// The code page 932 code (one byte below 0x100, or lead << 8 | trail) of a character, or
// NO_CP932. Where the code page has several codes for a character (the NEC and IBM rows), the
// one Python's cp932 encoder gives; also the characters that plain Shift_JIS decodes where cp932
// has another (U+301C wave dash as 0x8160, U+2212 minus as 0x817C...), U+00A5 and U+203E as
// 0x5C and 0x7E, U+2014 as 0x815C and the no-break space as a space. Codes with a lead byte of
// 0xEC and up are given as the code page has them: a document takes those as its own codes.
inline CharCode cp932_from_unicode(char32_t c) {
  if (c < 0x80) return static_cast<CharCode>(c);
  if (c > 0xFFFF) return NO_CP932;
  CharCode code = cp932_tables::pages[cp932_tables::page_of_high_byte[c >> 8]][c & 0xFF];
  return code != 0 ? code : NO_CP932;
}

// The character of a one- or two-byte code page 932 code as Python's cp932 codec decodes it
// (the NEC and IBM rows included, the user-defined rows 0xF0-0xF9 as U+E000 on, and the one-byte
// 0x80, 0xA0 and 0xFD-0xFF as U+0080, U+F8F0 and U+F8F1-U+F8F3), NO_UNICODE when the code page
// has none.
char32_t unicode_from_cp932(CharCode code);

// Two-byte codes by pointer, as the Encoding Standard numbers them: (lead - (lead < 0xA0 ? 0x81
// : 0xC1)) * 188 + trail - (trail < 0x7F ? 0x40 : 0x41), which for the JIS X 0208 rows is also
// (row - 1) * 94 + cell - 1. NO_UNICODE where code page 932 has none.
inline constexpr unsigned CP932_POINTERS = 60 * 188;
char32_t unicode_from_cp932_pointer(unsigned pointer);

// JIS X 0212 (EUC-JP's 0x8F plane) by (row - 1) * 94 + cell - 1, NO_UNICODE where it has none.
char32_t unicode_from_jis0212_pointer(unsigned pointer);

}  // namespace wpconv::encoding

#endif  // WPCONV_ENCODING_CP932_H_
