#include "doc2html/document_to_html.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace wpconv {
namespace {

struct Case {
  const char* document;  // in the notation of bytes()
  const char* body;      // HTML between the head and the closing lines, same notation
};

void expect_bodies(const Case* cases, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    EXPECT_EQ(html_body(bytes(cases[i].document)), bytes(cases[i].body))
        << "document: " << cases[i].document;
  }
}

TEST(DocToHtml, WholeFileForAParagraphAndSuperscript) {
  std::string html = document_to_html(bytes("41 42 EF A0 EF C0 37 32 EF C0 3B 20 43 1A"));
  EXPECT_EQ(html,
            "<HTML>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">"
            "\r\n<BODY><P>AB\r\n<P><SUP>2</SUP>C\r\n</BODY>\r\n</HTML>\r\n");
}

TEST(DocToHtml, Spaces) {
  const Case cases[] = {
      {"20 20", "81 40"},
      {"20 41", "' A'"},
      {"20 20 20 41", "81 40 ' A'"},
      {"20 20 20 20", "81 40 81 40"},
      {"20", "' '"},  // last byte, no end-of-text
      {"20 1A 20 20", "' '"},
      {"20 82 A0", "' ' 82 A0"},  // the byte after a space starts the next character
      {"20 0D 0A 20", "' '  ' '"},
  };
  expect_bodies(cases, std::size(cases));
}

TEST(DocToHtml, AttributesAndScriptState) {
  const Case cases[] = {
      {"EF C0 22 'a' EF C0 28", "'<U>a</U>'"},
      {"EF C0 22 EF C0 22", "'<U><U>'"},  // underline is not tracked
      {"EF C0 37 EF C0 38", "'<SUP></SUP><SUB>'"},
      {"EF C0 38 EF C0 37", "'<SUB></SUB><SUP>'"},
      {"EF C0 37 EF C0 37 'x'", "'<SUP>x'"},  // nothing still open is closed
      {"EF C0 38 EF C0 38 EF C0 3B", "'<SUB></SUB>'"},
      {"EF C0 3B 20 'x'", "'x'"},  // off while off: nothing, but the space still goes
      {"EF C0 3B 20 20 'x'", "' x'"},
      {"EF C0 37 'a' EF C0 3B 'b'", "'<SUP>a</SUP>b'"},
      {"EF C0 38 'a' EF C0 3B 82 A0", "'<SUB>a</SUB>' 82 A0"},
      {"EF C0 37 EF A0 EF C0 38", "'<SUP>' 0D 0A '<P></SUP><SUB>'"},
      {"EF C0 41 'a' EF C0 00 'b'", "'ab'"},  // other attribute bytes carry nothing
      {"EF C0 3B 1A 'x'", ""},
      {"EF C0 3B EF A0", "0D 0A '<P>'"},
  };
  expect_bodies(cases, std::size(cases));
}

TEST(DocToHtml, CodesAndControlBytes) {
  const Case cases[] = {
      {"EF A0", "0D 0A '<P>'"},
      {"'a' EF A3 EF A3 'b'", "'ab'"},
      {"EF AF 01 02 03 'a'", "'a'"},
      {"EF AF 1A 1A 1A 'a'", "'a'"},  // operands are taken whatever their value
      {"F0 04 12 34", ""},
      {"F0 05 41 42", "81 40 'AB'"},
      {"FF FF", "81 40"},
      {"F0 00", "81 40"},  // the first private code
      {"00 01 09 0D 0A 1F 'a'", "'a'"},
      {"'<&>' 7F A0 DF", "'<&>' 7F A0 DF"},  // nothing is escaped
      {"82 A0 1A 'x'", "82 A0"},
      {"82 1A 'A' 1A", "82 1A 'A'"},  // a trail byte is taken whatever it is
      {"82 0A", "82 0D 0A"},          // and a trail LF is still written in text mode
  };
  expect_bodies(cases, std::size(cases));
}

TEST(DocToHtml, InterruptedCharactersAndPendingByte) {
  const Case cases[] = {
      {"82 F0 04 00 00 A0", "82 A0"},
      {"82 F0 0D 0A", "82 F0"},
      {"82 F0 41", "82 F0 'A'"},
      {"82 F0 82 A0", "82 F0 82 A0"},
      {"82 F0 20 20", "82 F0 81 40"},
      {"82 F0 01 00 00 F0 41", "82 F0 'A'"},  // the real trail is not tested for F0 again
      {"F0 F0 04 00 00 04 11 22", ""},        // lead F0, interrupted, trail 04: control sequence
      {"82 F0 1A", "82 F0"},                  // end-of-text after a trail F0 keeps the character
      {"41 82 F0 1A 'x'", "'A' 82 F0"},
      {"82 F0 00 1A 1A A0", "82 A0"},        // operands are taken whatever their value
      {"EF F0 04 00 00 A0", "0D 0A '<P>'"},  // an interrupted paragraph mark
  };
  expect_bodies(cases, std::size(cases));
}

TEST(DocToHtml, EndOfInputInEveryPosition) {
  const Case cases[] = {
      {"", ""},
      {"1A 'abc'", ""},
      {"82", ""},  // a lone lead byte is not written
      {"82 F0", "82 F0"},
      {"82 F0 04", ""},
      {"82 F0 04 00", ""},
      {"82 F0 04 00 00", ""},
      {"EF AF 01 02", ""},
      {"F0 04 01", ""},
      {"EF C0", ""},
      {"EF C0 3B", ""},
      {"EF C0 37", "'<SUP>'"},
      {"'a' EF", "'a'"},
  };
  expect_bodies(cases, std::size(cases));
}

TEST(DocToHtml, ExternalCharacters) {
  const Case cases[] = {
      {"EC 5B", "'mm'"},  {"EC C7", "87 40"}, {"EF A1", "81 9A"},
      {"ED 9F", "3F 3F"}, {"EC 3F", "EC 3F"},  // below the table: written unchanged
      {"EC 40", "81 62"},                      // the table's first entry
      {"EC FC", "'31'"},                       // a row's last entry
      {"ED 40", "'a)'"},  {"EE FC", "84 B4"}, {"EF FC", "81 40"},  // the table's last entry
      {"EF DF", "81 48"}, {"EC E9", "' 1'"},  // entries are always two bytes, a space included
      {"ED 20", "3F 3F"},                     // no entry for trail bytes outside 40-FC
      {"EF FD", "3F 3F"}, {"EC 7F", "3F 3F"},
  };
  expect_bodies(cases, std::size(cases));
}

TEST(DocToHtml, SameBytesWhateverTheReadSize) {
  std::string document =
      bytes("'ab' 20 20 82 F0 04 00 00 A0 EF C0 37 '2' EF C0 3B 20 'c' EF A0 EC C7 82 F0 1A 'x'");
  std::string expected = document_to_html(document);
  for (std::size_t piece = 1; piece <= document.size(); ++piece) {
    for (bool threads : {false, true}) {
      EXPECT_EQ(document_to_html(document, {.piece = piece, .threads = threads}), expected)
          << "read size " << piece << ", threads " << threads;
    }
  }
}

}  // namespace
}  // namespace wpconv
