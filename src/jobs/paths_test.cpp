#include "jobs/paths.h"

#include <gtest/gtest.h>

#include "platform/platform.h"

namespace wpconv {
namespace {

TEST(ReplaceExtension, FromTheLastDotOfTheWholePath) {
  EXPECT_EQ(replace_extension("/w/LETTER.OA2", ".HTM"), "/w/LETTER.HTM");
  EXPECT_EQ(replace_extension("/w/a.b.c", ".DOC"), "/w/a.b.DOC");
  EXPECT_EQ(replace_extension("/w/v1.0/LETTER", ".HTM"), "/w/v1.HTM");
  EXPECT_EQ(replace_extension("/w/x.", ".FMT"), "/w/x.FMT");
  EXPECT_EQ(replace_extension("/w/LETTER", ".HTM"), "/w/LETTER.HTM");  // no dot: appended
}

TEST(ReplaceExtension, RefusesWhatDoesNotFit) {
  std::size_t longest = 1;  // the longest path of plain letters the system takes
  while (platform::fits_path_capacity(std::string(2 * longest, 'a'))) longest *= 2;
  for (std::size_t step = longest / 2; step > 0; step /= 2) {
    if (platform::fits_path_capacity(std::string(longest + step, 'a'))) longest += step;
  }
  std::string base = "/" + std::string(longest - 5, 'a');
  EXPECT_EQ(replace_extension(base + ".o", ".HTM")->size(), longest);  // exactly at the limit
  EXPECT_FALSE(replace_extension(base + "x.o", ".HTM"));               // one over
  EXPECT_FALSE(replace_extension(base + "xy", ".HTM"));                // appended, one over
}

TEST(Direction, FromTheCharacterAfterTheLastDot) {
  for (const char* html : {"index.html", "a.HTM", "notes.hlp", "x.h", "v1.0/x.Htm", "d.x/y.h"}) {
    EXPECT_TRUE(is_html_input(html)) << html;
  }
  for (const char* document :
       {"memo.doc", "a.OA2", "x.txt", "v1.0/LETTER", "h/LETTER", "x.", "noextension", "hh.x"}) {
    EXPECT_FALSE(is_html_input(document)) << document;
  }
}

TEST(FormatTemplatePath, BesideTheProgramUnderItsName) {
  EXPECT_EQ(format_template_path("/usr/local/bin/wpconv"), "/usr/local/bin/wpconv.FMT");
  EXPECT_EQ(format_template_path("/home/u/.local/bin/wpconv"), "/home/u/.local/bin/wpconv.FMT");
  EXPECT_EQ(format_template_path("/opt/tools/conv.exe"), "/opt/tools/conv.FMT");
  EXPECT_EQ(format_template_path("/opt/v1.0/conv.x.EXE"), "/opt/v1.0/conv.x.FMT");
  EXPECT_FALSE(format_template_path(""));
}

}  // namespace
}  // namespace wpconv
