#include "platform/name_match.h"

#include <gtest/gtest.h>

namespace wpconv {
namespace {

TEST(NameMatches, CaseAndWildcards) {
  EXPECT_TRUE(name_matches("letter.oa2", "LETTER.OA2"));
  EXPECT_TRUE(name_matches("Report May.OA2", "report may.oa2"));
  EXPECT_FALSE(name_matches("letter.oa2", "letter.oa"));
  EXPECT_FALSE(name_matches("letter.oa", "letter.oa2"));
  EXPECT_TRUE(name_matches("*.oa2", "Report.OA2"));
  EXPECT_TRUE(name_matches("*", ""));
  EXPECT_TRUE(name_matches("R*t*.OA2", "Report May.OA2"));
  EXPECT_FALSE(name_matches("R*x*.OA2", "Report May.OA2"));
  EXPECT_TRUE(name_matches("le??er.*", "letter.txt"));
  EXPECT_FALSE(name_matches("le?er", "letter"));
  EXPECT_TRUE(name_matches("**a", "aaa"));
  EXPECT_TRUE(name_matches("a**", "abc"));
  EXPECT_TRUE(name_matches("z.Z", "Z.z"));  // the last letter folds too
  // Only ASCII letters fold; other bytes must be equal.
  EXPECT_FALSE(name_matches("\xE4", "\xC4"));
  EXPECT_TRUE(name_matches("\x82\xA0.OA2", "\x82\xA0.oa2"));
}

}  // namespace
}  // namespace wpconv
