#include "platform/command_line.h"

#include <gtest/gtest.h>

namespace wpconv {
namespace {

TEST(CommandLineRemainder, SkipsTheProgramNameAndBlanks) {
  struct {
    const char* command_line;
    const char* remainder;
  } const cases[] = {
      {"wpconv.exe C:\\WORK\\LETTER.OA2", "C:\\WORK\\LETTER.OA2"},
      {"  \twpconv.exe \t C:\\a.oa2", "C:\\a.oa2"},
      {"wpconv.exe C:\\My Letter.OA2", "C:\\My Letter.OA2"},  // inner spaces belong to the path
      {"wpconv.exe C:\\a.oa2  ", "C:\\a.oa2  "},              // and so do trailing ones
      {"\"C:\\Program Files\\wpconv.exe\" C:\\a.oa2", "C:\\a.oa2"},
      {"\"C:\\Program Files\\wpconv.exe\"C:\\a.oa2", "C:\\a.oa2"},
      {"wpconv.exe \"C:\\My Letter.OA2\"", "\"C:\\My Letter.OA2\""},  // quotes stay
      {"\"C:\\Program Files\\wpconv.exe C:\\a.oa2", ""},              // never closed
      {"\"wp\tconv.exe\" x", "conv.exe\" x"},  // a tab also ends a quoted name
      {"wpconv.exe", ""},
      {"wpconv.exe   ", ""},
      {"", ""},
      {"\"\" x", "x"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(command_line_remainder(c.command_line), c.remainder) << c.command_line;
  }
}

TEST(UnquotedPath, RemovesOnePairAroundTheWholePath) {
  EXPECT_EQ(unquoted_path("\"C:\\My Letter.OA2\""), "C:\\My Letter.OA2");
  EXPECT_EQ(unquoted_path("C:\\a.oa2"), "C:\\a.oa2");
  EXPECT_EQ(unquoted_path("\"\""), "");
  EXPECT_EQ(unquoted_path("\""), "\"");
  EXPECT_EQ(unquoted_path("\"a\" \"b\""), "a\" \"b");
  EXPECT_EQ(unquoted_path("\"a"), "\"a");
}

}  // namespace
}  // namespace wpconv
