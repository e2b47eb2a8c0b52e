#include "doc2html/external_chars.h"

#include <gtest/gtest.h>

namespace wpconv {
namespace {

TEST(ExternalChars, RangeLookedUp) {
  EXPECT_FALSE(is_external_char(0xEC3F));
  EXPECT_TRUE(is_external_char(0xEC40));
  EXPECT_TRUE(is_external_char(0xEFFF));
  EXPECT_FALSE(is_external_char(0xF000));
}

TEST(ExternalChars, RowEdges) {
  struct {
    CharCode code, replacement;
  } const edges[] = {
      {0xEC40, 0x8162}, {0xEC7F, 0x3F3F}, {0xECFC, 0x3331}, {0xED40, 0x6129}, {0xEDFC, 0x84B9},
      {0xEE40, 0x84A1}, {0xEEFC, 0x84B4}, {0xEF40, 0x8152}, {0xEFFC, 0x8140}, {0xEFA1, 0x819A},
      {0xECC7, 0x8740}, {0xECDA, 0x8753}, {0xEC88, 0xCEDD}, {0xED64, 0xB3DE},
  };
  for (const auto& edge : edges) {
    EXPECT_EQ(external_char_replacement(edge.code), edge.replacement) << std::hex << edge.code;
  }
}

TEST(ExternalChars, TrailBytesWithoutEntry) {
  for (CharCode code : {0xEC00, 0xED3F, 0xEEFD, 0xEFFF}) {
    EXPECT_EQ(external_char_replacement(code), 0x3F3F) << std::hex << code;
  }
}

}  // namespace
}  // namespace wpconv
