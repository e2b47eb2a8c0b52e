#include "html2doc/text_style.h"

#include <gtest/gtest.h>

#include <string>

namespace wpconv {
namespace {

TEST(TextStyle, Declarations) {
  struct {
    std::u32string_view declarations;
    bool underline;
    TextStyle::Script script;
  } const cases[] = {
      {U"text-decoration: underline", true, TextStyle::none},
      {U"color:red;TEXT-DECORATION:LINE-THROUGH UNDERLINE;", true, TextStyle::none},
      {U" text-decoration-line : underline ", true, TextStyle::none},
      {U"text-decoration: none", false, TextStyle::none},
      {U"font-family: underline", false, TextStyle::none},  // the word, but not the property
      {U"vertical-align: super", false, TextStyle::superscript},
      {U"vertical-align:sub;vertical-align:baseline", false, TextStyle::subscript},
      {U"vertical-align: 33%", false, TextStyle::none},
      {U"vertical-align-x: super", false, TextStyle::none},
      {U"text-decoration underline; vertical-align", false, TextStyle::none},  // no colons
      {U"", false, TextStyle::none},
  };
  for (const auto& c : cases) {
    const TextStyle style = style_of_declarations(c.declarations);
    EXPECT_EQ(style.underline, c.underline)
        << std::string(c.declarations.begin(), c.declarations.end());
    EXPECT_EQ(style.script, c.script) << std::string(c.declarations.begin(), c.declarations.end());
  }
}

TEST(TextStyle, ClassRulesOfStyleSheets) {
  const std::u32string sheet =
      U"@charset \"utf-8\"; @import url(x.css);\n"
      U"/* .c0 { text-decoration: underline } */\n"
      U".c1 { text-decoration: underline } span.c2, .c3 { vertical-align: super }\n"
      U"@media print { .c4 { vertical-align: sub } }\n"
      U"p .c5, .c6:hover, #c7, .c8.c9 { text-decoration: underline }\n"
      U".c10 { color: red } .c1 { text-decoration: underline; vertical-align: sub }";
  // The same whatever pieces the sheet comes in.
  for (std::size_t piece : {std::size_t{1}, std::size_t{7}, sheet.size()}) {
    ClassStyles styles;
    for (std::size_t at = 0; at < sheet.size(); at += piece) {
      styles.feed(sheet.data() + at, std::min(piece, sheet.size() - at));
    }
    styles.end_sheet();
    struct {
      std::u32string_view classes;
      bool underline;
      TextStyle::Script script;
    } const cases[] = {
        {U"c0", false, TextStyle::none},                // in a comment
        {U"c1", true, TextStyle::subscript},            // the later rule
        {U"x  c2\tc9", false, TextStyle::superscript},  // one of several classes
        {U"c3", false, TextStyle::superscript},
        {U"c4", false, TextStyle::subscript},  // inside @media
        {U"c5", false, TextStyle::none},       // other selectors are not read
        {U"c6", false, TextStyle::none},
        {U"c7", false, TextStyle::none},
        {U"c10", false, TextStyle::none},
        {U"C1", false, TextStyle::none},  // class names keep their case
        {U"", false, TextStyle::none},
    };
    for (const auto& c : cases) {
      const TextStyle style = styles.of_classes(c.classes);
      EXPECT_EQ(style.underline, c.underline) << std::string(c.classes.begin(), c.classes.end());
      EXPECT_EQ(style.script, c.script) << std::string(c.classes.begin(), c.classes.end());
    }
  }
}

TEST(TextStyle, RoomForClassesIsFixed) {
  ClassStyles styles;
  std::u32string sheet;
  for (std::size_t i = 0; i < ClassStyles::CLASSES + 10; ++i) {
    for (char c : ".k" + std::to_string(i) + " { text-decoration: underline }") sheet += c;
  }
  styles.feed(sheet.data(), sheet.size());
  EXPECT_TRUE(styles.of_classes(U"k0").underline);
  EXPECT_TRUE(styles.of_classes(U"k63").underline);
  EXPECT_FALSE(styles.of_classes(U"k64").underline);
  // A selector longer than the room kept for one is skipped, and the next rule read.
  ClassStyles long_selector;
  const std::u32string text = U"." + std::u32string(300, U'a') +
                              U" { text-decoration: underline } .b { text-decoration: underline }";
  long_selector.feed(text.data(), text.size());
  EXPECT_FALSE(long_selector.of_classes(std::u32string(300, U'a')).underline);
  EXPECT_TRUE(long_selector.of_classes(U"b").underline);
}

}  // namespace
}  // namespace wpconv
