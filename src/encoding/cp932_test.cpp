#include "encoding/cp932.h"

#include <gtest/gtest.h>

namespace wpconv::encoding {
namespace {

// Every code of the code page: its character goes back to a code of the same character, and
// codes that Python's cp932 encoder gives are the ones it gives.
TEST(Cp932, EveryCodeRoundTrips) {
  int characters = 0;
  for (unsigned code = 0; code < 0x10000; ++code) {
    char32_t c = unicode_from_cp932(static_cast<CharCode>(code));
    if (c == NO_UNICODE) continue;
    ++characters;
    CharCode back = cp932_from_unicode(c);
    ASSERT_NE(back, NO_CP932) << std::hex << code;
    EXPECT_EQ(unicode_from_cp932(back), c) << std::hex << code;
    // A code that its character maps to maps nowhere else.
    if (back == code) continue;
    EXPECT_EQ(cp932_from_unicode(unicode_from_cp932(back)), back) << std::hex << code;
  }
  // As many as Python's cp932 codec decodes: 196 one-byte and 9,604 two-byte codes.
  EXPECT_EQ(characters, 9800);
}

// Every character of the basic plane with a code goes to a code of that same character, except
// the characters taken from plain Shift_JIS and those added by hand.
TEST(Cp932, UnicodeGoesToItsOwnCharacter) {
  struct {
    char32_t character;
    CharCode code;
  } const others[] = {
      {0x00A0, 0x20},   {0x00A2, 0x8191}, {0x00A3, 0x8192}, {0x00A5, 0x5C},   {0x00AC, 0x81CA},
      {0x2014, 0x815C}, {0x2016, 0x8161}, {0x203E, 0x7E},   {0x2212, 0x817C}, {0x301C, 0x8160},
  };
  for (const auto& other : others) {
    EXPECT_EQ(cp932_from_unicode(other.character), other.code)
        << std::hex << unsigned(other.character);
  }
  int mapped = 0;
  for (char32_t c = 0; c < 0x10000; ++c) {
    CharCode code = cp932_from_unicode(c);
    if (code == NO_CP932) continue;
    ++mapped;
    bool listed = false;
    for (const auto& other : others) listed = listed || other.character == c;
    if (!listed) {
      EXPECT_EQ(unicode_from_cp932(code), c) << std::hex << unsigned(c);
    }
  }
  EXPECT_EQ(cp932_from_unicode(0x10000), NO_CP932);
  EXPECT_EQ(cp932_from_unicode(0x1F600), NO_CP932);
  EXPECT_EQ(mapped, 9412);  // the codes less the NEC and IBM duplicates, and the ten above
}

// Where the code page has a character twice, the code Python's cp932 encoder gives.
TEST(Cp932, DuplicatesAsPythonEncodes) {
  struct {
    char32_t character;
    CharCode code;
  } const duplicates[] = {
      {0x2252, 0x81E0}, {0x2235, 0x81E6}, {0xFFE2, 0x81CA}, {0x2160, 0x8754},
      {0x2170, 0xEEEF}, {0x7E8A, 0xED40}, {0x2225, 0x8161}, {0xFF5E, 0x8160},
  };
  for (const auto& duplicate : duplicates) {
    EXPECT_EQ(cp932_from_unicode(duplicate.character), duplicate.code)
        << std::hex << unsigned(duplicate.character);
  }
}

TEST(Cp932, CodesOutsideTheCodePage) {
  for (unsigned code : {0x81u, 0xA0u, 0x8540u, 0x817Fu, 0x81FDu, 0xEF40u, 0xFD40u, 0x8130u}) {
    char32_t expected = code == 0xA0 ? 0xF8F0 : NO_UNICODE;  // Python's one-byte 0xA0
    EXPECT_EQ(unicode_from_cp932(static_cast<CharCode>(code)), expected) << std::hex << code;
  }
  EXPECT_EQ(unicode_from_cp932(0xF040), 0xE000u);
  EXPECT_EQ(unicode_from_cp932(0xF9FC), 0xE757u);
  EXPECT_EQ(unicode_from_cp932(0xFC4B), 0x9ED1u);
}

}  // namespace
}  // namespace wpconv::encoding
