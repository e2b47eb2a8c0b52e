#include "doccodes/oa2_header.h"

#include <gtest/gtest.h>

#include <string>

#include "memory_stream.h"

namespace wpconv {
namespace {

TEST(Oa2Extension, ExactlyUpperOrLowerCase) {
  EXPECT_TRUE(is_oa2_extension("/w/LETTER.OA2"));
  EXPECT_TRUE(is_oa2_extension("/w/letter.oa2"));
  EXPECT_TRUE(is_oa2_extension("/w.x/letter.oa2"));
  for (const char* path : {"/w/a.Oa2", "/w/a.OA2X", "/w/a.oa", "/w/a", "/w.oa2/a", "OA2"}) {
    EXPECT_FALSE(is_oa2_extension(path)) << path;
  }
}

// Returns the rest of the input after the header, or "(refused)".
std::string text_after_header(const std::string& file) {
  MemorySource source(file, 7);  // odd read size: the marker may straddle reads
  ByteReader reader(source);
  if (!skip_oa2_header(reader)) return "(refused)";
  std::string rest;
  for (int c; (c = reader.get()) >= 0;) rest += static_cast<char>(c);
  return rest;
}

std::string header_with(std::size_t offset, const std::string& bytes, std::size_t size) {
  std::string file(size, '\0');
  file.replace(offset, bytes.size(), bytes);
  return file;
}

TEST(Oa2Header, TextBeginsAfterTheFirstMarkerFromOffset2000) {
  std::string file = header_with(1990, "\xF0\x04\x01\x02", 2500);
  file += "\xF0\x04\x03\x04text";
  EXPECT_EQ(text_after_header(file), "text");

  EXPECT_EQ(text_after_header(header_with(2000,
                                          "\xF0\x04\x01\x02"
                                          "abc",
                                          2007)),
            "abc");
  EXPECT_EQ(text_after_header(header_with(2000, "\xF0\x04\x01\x02", 2004)), "");
  EXPECT_EQ(text_after_header(header_with(2000, "\xF0\x04\x01", 2003)), "");
}

TEST(Oa2Header, ByteAfterAnF0IsUsedUp) {
  std::string file = header_with(2000,
                                 "\xF0\xF0\x04\x11\x22"
                                 "a\xF0\x04\x33\x44"
                                 "text",
                                 2014);
  EXPECT_EQ(text_after_header(file), "text");
}

TEST(Oa2Header, NoMarkerIsRefused) {
  EXPECT_EQ(text_after_header(std::string(1999, '\0')), "(refused)");
  EXPECT_EQ(text_after_header(header_with(1996, "\xF0\x04\x01\x02", 2100)), "(refused)");
  EXPECT_EQ(text_after_header(header_with(2000, "\xF0", 2001)), "(refused)");
  EXPECT_EQ(text_after_header(header_with(1999, "\xF0\x04\x01\x02", 2100)), "(refused)");
}

}  // namespace
}  // namespace wpconv
