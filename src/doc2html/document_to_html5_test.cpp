#include "doc2html/document_to_html5.h"

#include <gtest/gtest.h>

#include <random>

#include "doc2html/document_to_html.h"
#include "doccodes/doc_codes.h"
#include "test_support.h"

namespace wpconv {
namespace {

constexpr Converter EXACT = document_to_html;
constexpr Converter EXACT_UNIT_BY_UNIT = document_to_html_unit_by_unit;

std::string convert(Converter writer, std::string_view document, ReadPlan plan = {},
                    std::uint64_t* stand_ins = nullptr) {
  const bool exact = writer == EXACT || writer == EXACT_UNIT_BY_UNIT;
  return stream(writer, document, plan, ByteReader::Mode::binary,
                exact ? ByteWriter::Mode::text : ByteWriter::Mode::binary, stand_ins);
}

constexpr std::string_view HEAD =
    "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n<title>";
constexpr std::string_view BODY = "</title>\n</head>\n<body>\n";
constexpr std::string_view CLOSING = "</body>\n</html>\n";

// The page cut into its title and its body.
struct Page {
  std::string title, body;
};

Page page_of(std::string_view document, std::uint64_t* stand_ins = nullptr) {
  std::string page = convert(document_to_html5, document, {}, stand_ins);
  const std::size_t body = page.find(BODY);
  if (!page.starts_with(HEAD) || body == std::string::npos || !page.ends_with(CLOSING)) {
    return {"(no head)", page};
  }
  return {page.substr(HEAD.size(), body - HEAD.size()),
          page.substr(body + BODY.size(), page.size() - body - BODY.size() - CLOSING.size())};
}

struct Case {
  const char* document;  // in the notation of bytes()
  const char* body;      // the page between <body> and </body>, same notation
  std::uint64_t stand_ins = 0;
};

void expect_bodies(std::initializer_list<Case> cases) {
  for (const Case& c : cases) {
    std::uint64_t stand_ins = 0;
    EXPECT_EQ(page_of(bytes(c.document), &stand_ins).body, bytes(c.body))
        << "document: " << c.document;
    EXPECT_EQ(stand_ins, c.stand_ins) << "document: " << c.document;
  }
}

TEST(DocToHtml5, ParagraphsAndAttributes) {
  expect_bodies({
      {"", ""},
      {"'a' EF A0 'b' 1A 'c'", "'<p>a</p>' 0A '<p>b</p>' 0A"},
      // An empty paragraph stays a line; what follows the last mark is nothing.
      {"'a' EF A0 EF A0 'b' EF A0",
       "'<p>a</p>' 0A '<p><br></p>' 0A '<p>b</p>' 0A '<p><br></p>' 0A"},
      {"EF C0 22 EF A0", "'<p><u><br></u></p>' 0A '<p><u><br></u></p>' 0A"},
      {"EF C0 22 'u' EF C0 28 EF C0 37 '2' EF C0 38 '3' EF C0 3B 20 'x'",
       "'<p><u>u</u><sup>2</sup><sub>3</sub>x</p>' 0A"},
      // What is open at a paragraph mark closes there, innermost first, and opens again.
      {"EF C0 37 'a' EF C0 22 'b' EF A0 'c' EF C0 3B 20 'd'",
       "'<p><sup>a<u>b</u></sup></p>' 0A '<p><sup><u>c</u></sup><u>d</u></p>' 0A"},
      {"EF C0 22 'a' EF C0 22 EF C0 38 'b' EF A0 EF C0 28 'c'",
       "'<p><u>a<sub>b</sub></u></p>' 0A '<p><u><sub></sub></u><sub>c</sub></p>' 0A"},
      {"EF C0 3B 'a' EF C0 37 EF C0 37 'b'", "'<p>a<sup>b</sup></p>' 0A"},
      {"'a' EF A3 0D 0A EF AF 01 02 03 F0 04 09 09 'b'", "'<p>ab</p>' 0A"},
  });
}

TEST(DocToHtml5, TextEscapedAndInUtf8) {
  expect_bodies({
      {"'<a href=\"x\">&amp;'", "'<p>&lt;a href=\"x\"&gt;&amp;amp;</p>' 0A"},
      {"8A BF 8E 9A B1 82 A0", "'<p>' E6 BC A2 E5 AD 97 EF BD B1 E3 81 82 '</p>' 0A"},
      {"87 40 87 90", "'<p>' E2 91 A0 E2 89 92 '</p>' 0A"},  // the NEC row
      {"82 F0 04 00 00 A0", "'<p>' E3 81 82 '</p>' 0A"},     // an interrupted character
  });
}

TEST(DocToHtml5, StandIns) {
  expect_bodies({
      {"EC 5B", "'<p>mm</p>' 0A"},                    // external, two one-byte characters
      {"EC C7", "'<p>' E2 91 A0 '</p>' 0A"},          // external, a two-byte replacement
      {"ED 9F", "'<p>' 3F 3F '</p>' 0A", 1},          // external without a replacement
      {"F1 40", "'<p>' E3 80 80 '</p>' 0A", 1},       // another private code
      {"85 40 'a'", "'<p>' E3 80 93 'a</p>' 0A", 1},  // no Unicode: 〓
      {"82 0A", "'<p>' E3 80 93 '</p>' 0A", 1},       // nor for a trail byte LF
      {"7F", "'<p>' E3 80 93 '</p>' 0A", 1},          // a control character is no text on a page
      {"EC E9 'x'", "'<p>&nbsp;1x</p>' 0A"},          // a replacement's space is a space
  });
}

TEST(DocToHtml5, SpacesBrowsersWouldCollapse) {
  expect_bodies({
      {"'a b'", "'<p>a b</p>' 0A"},
      {"20 'a' 20", "'<p>&nbsp;a&nbsp;</p>' 0A"},  // the edges of the paragraph
      {"20 20 'a'", "'<p>' E3 80 80 'a</p>' 0A"},  // two spaces are a full-width space
      {"'a' 20 20 20 'b'", "'<p>a' E3 80 80 ' b</p>' 0A"},
      {"'a' 20 01 20 'b'", "'<p>a &nbsp;b</p>' 0A"},  // the second of a run
      {"'a' 20 EC E9", "'<p>a &nbsp;1</p>' 0A"},
      {"'a' 20 EF C0 22 20 'b'", "'<p>a <u>&nbsp;b</u></p>' 0A"},
      {"'a' 20 EF C0 22 EF A0",
       "'<p>a&nbsp;<u></u></p>' 0A '<p><u><br></u></p>' 0A"},  // the end, after a tag
      {"'a' 20 EF C0 37 'b'", "'<p>a <sup>b</sup></p>' 0A"},
      {"20", "'<p>&nbsp;</p>' 0A"},
      {"'a' 20 1A", "'<p>a&nbsp;</p>' 0A"},
      {"'a' 20 82 A0", "'<p>a ' E3 81 82 '</p>' 0A"},
      // Tags after a space wait with it, up to a point.
      {"'a' 20 EF C0 22 EF C0 28 EF C0 22 EF C0 28 EF C0 22 EF C0 28 EF C0 22 EF C0 28 'b'",
       "'<p>a <u></u><u></u><u></u><u></u>b</p>' 0A"},
      {"'a' 20 EF C0 22 EF C0 28 EF C0 22 EF C0 28 EF C0 22 EF C0 28 EF C0 22 EF C0 28 "
       "EF C0 22 EF C0 28 'b'",
       "'<p>a&nbsp;<u></u><u></u><u></u><u></u><u></u>b</p>' 0A"},
  });
}

TEST(DocToHtml5, TitleFromTheFirstParagraphWithText) {
  const struct {
    const char* document;
    const char* title;
  } cases[] = {
      {"", "E7 84 A1 E9 A1 8C"},  // 無題
      {"20 81 40 EF A0 20 20 'a' 20 01 20 81 40 '<b' 20 EF A0 'c'", "'a &lt;b'"},
      {"EF C0 37 'x' EF C0 3B 20 'y'", "'xy'"},
      {"ED 9F", "3F 3F"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(page_of(bytes(c.document)).title, bytes(c.title)) << c.document;
  }
  // Forty characters, wherever the input's blocks end.
  std::string long_paragraph(50, 'x');
  long_paragraph = "\xEF\xA0" + long_paragraph.replace(10, 1, "\x82\xA0");
  const std::string expected = std::string(10, 'x') + "\xE3\x81\x82" + std::string(29, 'x');
  EXPECT_EQ(page_of(long_paragraph).title, expected);
  // A document with nothing to show for a long way has what was found by then.
  std::string blank(TITLE_SEARCH_LIMIT, ' ');
  EXPECT_EQ(page_of("\xEF\xA0" + blank + "late").title, "\xE7\x84\xA1\xE9\xA1\x8C");
  std::string empty_paragraphs;
  for (int i = 0; i < 1000; ++i) empty_paragraphs += "\xEF\xA0";
  EXPECT_EQ(page_of(empty_paragraphs + "late").title, "late");
}

// Documents of the bytes that matter to the decoder, at random.
std::string random_document(std::mt19937& random, std::size_t size) {
  static const std::string_view pieces[] = {
      "a",        " ",        "  ",       "&",        "<",        "\x82\xA0", "\x8A\xBF",
      "\xB1",     "\xA0",     "\x85\x40", "\x82\x0A", "\x82\xF0", "\x04",     "\x01",
      "\r\n",     "\x1A",     "\xEF\xA0", "\xEF\xA3", "\xEF\xC0", "\x22",     "\x28",
      "\x37",     "\x38",     "\x3B",     "\xEC\xE9", "\xED\x9F", "\xF1\x40", "\xEF\xAF",
      "\xF0\x04", "\x87\x40", "\x81\x40", "\xEC\x5B"};
  std::string document;
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  while (document.size() < size) document += pieces[pick(random)];
  // Long plain runs too, so that whole windows of the fast paths are seen.
  document.insert(size / 2, std::string(150, 'k') + std::string(40, '\x82') + "\xA0" + "a b c");
  return document;
}

// Documents of mostly plain text, spaces among it, so that the fast path's windows meet spaces
// at their edges, in pairs and before the bytes that stop them.
std::string plain_document(std::mt19937& random, std::size_t size) {
  static const std::string_view plain[] = {"a",        " ",        " ",    "  ",      "   ",
                                           "\x82\xA0", "\x8A\xBF", "\xB1", "\x81\x40"};
  static const std::string_view others[] = {
      "<", "&", "\x01", "\xEF\xA0", "\x85\x40", "\x82\xF0", "\xEC\xE9", "\x82\x20", "\x1A"};
  std::string document;
  std::uniform_int_distribution<std::size_t> pick(0, std::size(plain) - 1);
  std::uniform_int_distribution<std::size_t> pick_other(0, std::size(others) - 1);
  std::uniform_int_distribution<int> roll(0, 99);
  while (document.size() < size) {
    document += roll(random) < 3 ? others[pick_other(random)] : plain[pick(random)];
  }
  return document;
}

TEST(DocToHtml5, FastPathsGiveWhatTheDecoderGives) {
  std::mt19937 random(20);
  for (int round = 0; round < 300; ++round) {
    const std::string document = random_document(random, 20 + round * 3);
    for_each_level([&](simd::Level level) {
      EXPECT_EQ(convert(document_to_html5, document),
                convert(document_to_html5_unit_by_unit, document))
          << "level " << simd::level_name(level) << ", round " << round;
      EXPECT_EQ(convert(document_to_html, document),
                convert(document_to_html_unit_by_unit, document))
          << "level " << simd::level_name(level) << ", round " << round;
    });
    // Reads of a few bytes, and of more than a window, so that buffers end anywhere; read ahead,
    // the blocks are parsed on the reading thread, each as though a unit starts it.
    const std::size_t piece = round % 2 != 0 ? 1 + round % 9 : 66 + round % 70;
    EXPECT_EQ(convert(document_to_html5, document, {.piece = piece, .threads = round % 4 < 2}),
              convert(document_to_html5, document))
        << "read size " << piece << ", round " << round;
  }
  // Lines whose line ends end the bytes read: the fast path skips a line end to the very end.
  std::string lines = std::string(84, 'x') + "\xEF\xA0";
  for (int line = 0; line < 20; ++line)
    lines += std::string(60, 'k') + std::string(FILLER_LINE_END);
  EXPECT_EQ(convert(document_to_html5, lines, {.piece = 86}),
            convert(document_to_html5_unit_by_unit, lines));
  for (int round = 0; round < 100; ++round) {
    const std::string document = plain_document(random, 100 + round * 20);
    for_each_level([&](simd::Level level) {
      EXPECT_EQ(convert(document_to_html5, document),
                convert(document_to_html5_unit_by_unit, document))
          << "level " << simd::level_name(level) << ", plain round " << round;
    });
  }
}

// Spaces, alone and in pairs, at every place of a window and its edges, before a character and
// before a byte that stops the fast path.
TEST(DocToHtml5, FastPathTakesSpacesAtWindowEdgesAsTheDecoderDoes) {
  std::string blank_cells;  // units that write nothing, for more than a window
  for (int i = 0; i < 40; ++i) blank_cells += "\xEF\xA3";
  const std::string_view nexts[] = {"&", "\x01 ", "\xEF\xA0", "\x82\xA0", "\x85\x40", blank_cells};
  for (std::size_t n = 0; n < 140; ++n) {
    for (std::string_view spaces : {" ", "  ", "   "}) {
      for (std::string_view next : nexts) {
        // Characters before the spaces, or as many units that write nothing.
        for (std::string_view unit : {"k", "\xEF\xA3"}) {
          std::string before;
          for (std::size_t i = 0; i < n; ++i) before += unit;
          const std::string document = std::string(50, 'x') + "\xEF\xA0" + before +
                                       std::string(spaces) + std::string(next) +
                                       std::string(100, 'k');
          for_each_level([&](simd::Level level) {
            EXPECT_EQ(convert(document_to_html5, document),
                      convert(document_to_html5_unit_by_unit, document))
                << "level " << simd::level_name(level) << ", " << n << " units before";
          });
        }
      }
    }
  }
}

// A window that ends with a space followed by a byte that stops the fast path, again and again,
// so that the writer's buffer is passed on between the two at some point, whether it writes
// behind or not.
TEST(DocToHtml5, FastPathTakesNoSpaceBackFromBytesPassedOn) {
  std::string document = std::string(50, 'x') + "\xEF\xA0";
  for (int block = 0; block < 3000; ++block) {
    document += std::string(60 + block % 5, 'k') + " \xEF\xC0\x22 \x82\xA0\x8A\xBF\x85\x40";
  }
  // Long runs of two-byte characters, one byte later in the second document, so that a character
  // is cut by the end of the bytes read.
  for (const std::string before : {"", "a"}) {
    std::string run = std::string(50, 'x') + "\xEF\xA0" + before, kanji;
    for (int i = 0; i < 40000; ++i) {
      run += "\x8A\xBF";
      kanji += "\xE6\xBC\xA2";  // 漢
    }
    for (Converter writer : {document_to_html5, document_to_html5_unit_by_unit}) {
      EXPECT_NE(convert(writer, run).find("<p>" + before + kanji + "</p>"), std::string::npos);
    }
  }
  const std::string expected = convert(document_to_html5_unit_by_unit, document);
  EXPECT_EQ(convert(document_to_html5, document), expected);
  EXPECT_EQ(convert(document_to_html5, document, {.threads = true}), expected);
}

// Every code, one- and two-byte, after a character, after a space and before one, in windows of
// the fast path and in its rest: the table it copies from says what the decoder would write.
TEST(DocToHtml5, FastPathGivesWhatTheDecoderGivesForEveryCode) {
  for (unsigned high = 0; high < 256; ++high) {
    std::string document = "\xEF\xA0";
    for (unsigned low = 0; low < 256; ++low) {
      const bool lead = is_lead_byte(static_cast<unsigned char>(high));
      const std::string code = lead ? std::string{static_cast<char>(high), static_cast<char>(low)}
                                    : std::string(1, static_cast<char>(high));
      document += "k" + code + " " + code + " k  " + code + "   " + code;
      if (!lead && low > 0) break;
    }
    document += std::string(70, 'k') + " \x82\xA0";
    for_each_level([&](simd::Level level) {
      std::uint64_t fast = 0, slow = 0;  // stand-ins
      EXPECT_EQ(convert(document_to_html5, document, {}, &fast),
                convert(document_to_html5_unit_by_unit, document, {}, &slow))
          << "level " << simd::level_name(level) << ", byte " << high;
      EXPECT_EQ(fast, slow) << "level " << simd::level_name(level) << ", byte " << high;
    });
  }
}

}  // namespace
}  // namespace wpconv
