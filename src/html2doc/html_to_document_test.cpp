#include "html2doc/html_to_document.h"

#include <gtest/gtest.h>

#include <string>

#include "doccodes/doc_codes.h"
#include "html2doc/html_tags.h"
#include "html2doc/sjis_to_document.h"
#include "memory_stream.h"
#include "test_support.h"

namespace wpconv {
namespace {

const std::string kFiller(FILLER_LINE_END);
const std::string kParagraph(PARAGRAPH_LINE_END);

std::string repeat(std::string_view text, int count) {
  std::string result;
  for (int i = 0; i < count; ++i) result += text;
  return result;
}

TEST(HtmlToDoc, TagsAndCase) {
  struct {
    const char* html;
    const char* document;
  } const cases[] = {
      {"'<P>AB<P>C'", "'AB' {P} 'C' 1A"},
      {"'<p>a<p>b'", "'a' {P} 'b' 1A"},
      {"'head<P>a'", "'a' 1A"},  // text before the first paragraph tag is dropped
      {"'<u>x</U><sup>2</SUP><Sub>3</sub>'",
       "EF C0 22 EF C0 28 EF C0 37 EF C0 3B EF C0 38 EF C0 3B 1A"},
      {"'<P><u>x</U><sup>2</SUP><Sub>3</sub>'",
       "EF C0 22 'x' EF C0 28 EF C0 37 '2' EF C0 3B EF C0 38 '3' EF C0 3B 1A"},
      {"'<P>a</BODY>b'", "'a' 1A"},
      {"'<P>a</body >b'", "'ab' 1A"},  // not exactly the tag
      {"'<P><P align=center>a<P >b</P><BR>c'", "'abc' 1A"},
      {"'<P>a<P' 0D '>b'", "'a' {P} 'b' 1A"},  // a CR is removed even inside a tag
      {"'<P>a<P' 0A '>b'", "'ab' 1A"},         // other control bytes stay in the tag
      {"'<P>&lt;'", "'&lt;' 1A"},              // references are not decoded
      {"'<P>a<P>'", "'a' {P} 1A"},
      {"'<P>a' 0D 0A 09 'b'", "'ab' 1A"},
      {"'<P>a' 1A 'b<P>c'", "'a' 1A"},
      {"'<P>a<' 1A 'P>b'", "'a' 1A"},       // 0x1A ends the input even inside a tag
      {"'<P>a<P'", "'a' 1A"},               // an unfinished tag is ignored
      {"'<P>' 82 '<P>'", "82 3C 'P>' 1A"},  // a lead byte takes the '<' as its trail
      {"'<P>' 82 0D A0", "82 A0 1A"},       // the CR after a lead byte is skipped
      {"'<P>' 82 1A A0", "1A"},             // a lead byte without its trail is not written
      {"'<P>' 82", "1A"},
      {"'<P>' 81 40 87 40 81 9A 84 BE 82 A0", "81 40 EC C7 EF A1 EE 9B 82 A0 1A"},
      {"'<P>AB ' 82 A0", "'AB' 20 20 82 A0 1A"},  // pad before a character on an odd column
  };
  for (const auto& c : cases) {
    std::string notation = c.document;  // {P} stands for the paragraph line end
    for (std::size_t at; (at = notation.find("{P}")) != std::string::npos;) {
      notation.replace(at, 3, "EF A0" + repeat(" EF A3", 12) + " 0D 0A");
    }
    std::string expected = bytes(notation);
    EXPECT_EQ(html_to_document(bytes(c.html)), expected) << "html: " << c.html;
  }
}

TEST(HtmlToDoc, TagsBufferedAndStreamedAlike) {
  struct {
    std::string text;  // up to and including the first '>'
    HtmlTag tag;
  } const cases[] = {
      {"<P>", HtmlTag::paragraph},
      {"<p>", HtmlTag::paragraph},
      {"</Body>", HtmlTag::end_of_body},
      {"</BODY >", HtmlTag::other},
      {"<U>", HtmlTag::underline_on},
      {"</u>", HtmlTag::underline_off},
      {"<SuP>", HtmlTag::superscript_on},
      {"</SUP>", HtmlTag::superscript_off},
      {"<sub>", HtmlTag::subscript_on},
      {"</SUB>", HtmlTag::subscript_off},
      {"<html>", HtmlTag::html},
      {"</HTML>", HtmlTag::end_of_html},
      {"<Body>", HtmlTag::body},
      {"<META>", HtmlTag::meta},
      {"<meta charset=x-sjis>", HtmlTag::meta},
      {"<META\tHTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">", HtmlTag::meta},
      {"<METAL>", HtmlTag::other},
      {"<META-X a>", HtmlTag::other},
      {"<sub/>", HtmlTag::other},
      {"<>", HtmlTag::other},
      {"<\xBE>", HtmlTag::other},  // '~' + 0x40: not a letter to turn to upper case
      {"<P\x01>", HtmlTag::other},
      {"<SUPER>", HtmlTag::other},
      {"<ABCDEFG>", HtmlTag::other},
      {"<\xFF\xFE>", HtmlTag::other},
      {"<U<P>", HtmlTag::other},
  };
  for (const auto& c : cases) {
    for (const std::string& after : {std::string(), std::string("xx>"), std::string(9, '>')}) {
      const std::string text = c.text + after;
      const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
      HtmlTag read = HtmlTag::paragraph;
      EXPECT_EQ(read_tag(begin, begin + text.size(), read), begin + c.text.size()) << text;
      EXPECT_EQ(read, c.tag) << text;
      for (std::size_t piece : {std::size_t{1}, std::size_t{3}, STREAM_BLOCK_SIZE}) {
        MemorySource source(std::string_view(text).substr(1), piece);
        ByteReader reader(source);
        EXPECT_EQ(read_html_tag(reader), c.tag) << text << " in pieces of " << piece;
        std::string rest;
        for (int byte; (byte = reader.get()) >= 0;) rest += static_cast<char>(byte);
        EXPECT_EQ(rest, after) << text << " in pieces of " << piece;
      }
    }
  }
}

TEST(HtmlToDoc, LongTagIsReadToItsEndAndIgnored) {
  std::string tag = "<A " + std::string(5000, 'x') + ">";
  EXPECT_EQ(html_to_document("<P>a" + tag + "b<P>c"), "ab" + kParagraph + "c\x1A");
  EXPECT_EQ(html_to_document("<P>a<" + std::string(2000, 'x')), "a\x1A");
}

TEST(HtmlToDoc, LayoutAtTheEndOfALine) {
  const std::string body = "<P>";
  // 71 columns: no line end; 72: the filler line end comes before the next byte is read.
  EXPECT_EQ(html_to_document(body + repeat("a", 71) + "</BODY>"), repeat("a", 71) + "\x1A");
  EXPECT_EQ(html_to_document(body + repeat("a", 72) + "</BODY>"),
            repeat("a", 72) + kFiller + "\x1A");
  EXPECT_EQ(html_to_document(body + repeat("a", 72) + "<P>b"),
            repeat("a", 72) + kFiller + kParagraph + "b\x1A");
  EXPECT_EQ(html_to_document(body + repeat("a", 72) + "\nb"), repeat("a", 72) + kFiller + "b\x1A");
  EXPECT_EQ(html_to_document(body + repeat("a", 73)), repeat("a", 72) + kFiller + "a\x1A");
  // A two-byte character at column 71 is padded onto the next line; at 70 it fits.
  EXPECT_EQ(html_to_document(body + repeat("a", 71) + "\x82\xA0"),
            repeat("a", 71) + " " + kFiller + "\x82\xA0\x1A");
  EXPECT_EQ(html_to_document(body + repeat("a", 70) + "\x82\xA0" + "b"),
            repeat("a", 70) + "\x82\xA0" + kFiller + "b\x1A");
  EXPECT_EQ(html_to_document(body + repeat("\x82\xA0", 36)),
            repeat("\x82\xA0", 36) + kFiller + "\x1A");
  // Attribute codes take no column.
  EXPECT_EQ(html_to_document(body + repeat("a", 71) + "<U>b"),
            repeat("a", 71) + "\xEF\xC0\x22" + "b" + kFiller + "\x1A");
}

TEST(HtmlToDoc, SubstitutionTableIsTheInverseOfTheExternalCharacters) {
  // Every Shift-JIS character that the document direction produces from exactly the external
  // character it is substituted by.
  for (CharCode character = 0x8100; character < 0x8800; ++character) {
    CharCode code = document_code_for(character);
    if (code == character) continue;
    EXPECT_EQ(html_body(std::string{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}),
              (std::string{static_cast<char>(character >> 8), static_cast<char>(character & 0xFF)}))
        << std::hex << character;
  }
  EXPECT_EQ(document_code_for(0x8140), 0x8140);
  EXPECT_EQ(document_code_for(0x84BE), 0xEE9B);
  EXPECT_EQ(document_code_for(0x8749), 0xECD0);
}

TEST(HtmlToDoc, SameBytesWhateverTheReadSize) {
  std::string html = "<html><body><p>ab\r\n c<u>d</u>\x82\r\xA0<SUP>2</sup><P>e\x87\x40<a href=x>";
  std::string expected = html_to_document(html);
  for (std::size_t piece = 1; piece <= html.size(); ++piece) {
    for (bool threads : {false, true}) {
      EXPECT_EQ(html_to_document(html, {.piece = piece, .threads = threads}), expected)
          << "read size " << piece << ", threads " << threads;
    }
  }
}

}  // namespace
}  // namespace wpconv
