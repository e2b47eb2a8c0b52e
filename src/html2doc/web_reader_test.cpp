#include "html2doc/web_reader.h"

#include <gtest/gtest.h>

#include <string>

#include "doccodes/doc_codes.h"
#include "html2doc/html_tags.h"
#include "html2doc/html_to_document.h"
#include "html2doc/html_tokenizer.h"
#include "memory_stream.h"
#include "test_support.h"

namespace wpconv {
namespace {

struct Case {
  const char* html;
  const char* document;  // bytes() notation; {P} is the paragraph line end, and 1A is added
};

std::string expected_document(std::string notation) {
  for (std::size_t at; (at = notation.find("{P}")) != std::string::npos;) {
    notation.replace(at, 3,
                     " EF A0" + std::string(" EF A3") + " EF A3 EF A3 EF A3 EF A3 EF A3" +
                         " EF A3 EF A3 EF A3 EF A3 EF A3 EF A3 0D 0A ");
  }
  return bytes(notation) + '\x1A';
}

void check(const Case* cases, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    EXPECT_EQ(web_html_to_document(cases[i].html), expected_document(cases[i].document))
        << "html: " << cases[i].html;
  }
}

TEST(WebReader, Tokenizer) {
  const Case cases[] = {
      {"<p>a<b>b</B>c", "'abc'"},
      {"<P TITLE=\"a>b\">x<img alt='A>B'><img alt=C>D", "'xA>BCD'"},
      {"a<br/>b", "'a' {P} 'b'"},
      {"a<!-- <p>x --><!-->b<!--->c<!-- x --!>d<!-- -- -->e<!-- x", "'abcde'"},
      {"a<?xml x?>b<!x>c</ x>d</>e", "'abcde'"},
      {"<!DOCTYPE html PUBLIC \"a>b\">x", "'b\">x'"},  // '>' ends a DOCTYPE even in quotes
      {"a<![CDATA[x>y]]>b", "'ay]]>b'"},               // outside svg, a bogus comment
      {"<svg><![CDATA[x<y]]></svg>", "'x<y'"},
      {"<script>a</b>\"</script>\"</script>c<style>p{}</style>", "'\"c'"},
      {"<script><!-- document.write(\"<script src=x></script>\"); //--></script>a", "'a'"},
      {"<script>a<!--<script>x</script>y</script>z<script><!--</script>b", "'zb'"},
      {"<script><!-- --><script></script>c<script><!--<script>--></script>d", "'cd'"},
      {"<title>a<b>c</titlex></title>x", "'x'"},
      {"<textarea>&lt;b&gt;<b></textarea>", "'<b><b>'"},
      {"<xmp><b>&amp;</xmp>", "'<b>&amp;'"},
      {"<plaintext></plaintext>&amp;", "'</plaintext>&amp;'"},
      {"a < b<1</", "'a < b<1</'"},
      {"a\rb<pre>c\r\nd\re</pre>", "'a b' {P} 'c' {P} 'd' {P} 'e'"},
      {"a\x01"
       "b",
       "'ab'"},
  };
  check(cases, std::size(cases));
  EXPECT_EQ(web_html_to_document(std::string("a\0b", 3)), "ab\x1A");  // NUL in text is dropped
}

TEST(WebReader, CharacterReferences) {
  const Case cases[] = {
      {"&amp;&lt;&gt;&quot;&#39;&apos;", "'&<>\"' 27 27"},
      {"&amp &ampx &notit; &isin; &xyz; &amp", "'& &x  ' 81 CA 'it; ' 81 B8 ' &xyz; &'"},
      {"&#65;&#x42;&#X43;&#0068;&#65", "'ABCDA'"},
      {"&#0;&#xD800;&#x110000;&#99999999999;", "81 AC 81 AC 81 AC 81 AC"},
      {"&#151;&#x97;&#x2014;", "81 5C 81 5C 81 5C"},  // C1 numbers are windows-1252's
      {"&#;&#x;&#xg&", "'&#;&#x;&#xg&'"},
      {"<img alt=\"&amp=x &ampy &amp;\">", "'&amp=x &ampy &'"},
      {"a&nbsp;b&yen;&copy;", "'a b' 5C 81 AC"},
      {"&CounterClockwiseContourIntegral;&AElig&AElig;", "81 AC 81 AC 81 AC"},
      {"&Afr;x", "81 AC 'x'"},  // a name for a character beyond the first plane
  };
  check(cases, std::size(cases));
}

TEST(WebReader, RenderingTable) {
  const Case cases[] = {
      // Dropped content, and the head ending where the body's content begins.
      {"<head><title>t</title><meta charset=utf-8>x<p>y", "'x' {P} 'y'"},
      {"<html><head><style>a</style></head><body>b</body></html>", "'b'"},
      {"<template><p>x</p></template>y<script>z</script>", "'y'"},
      // Blocks begin and end paragraphs; only p, br and line breaks in pre make empty ones.
      {"<div>a</div><div>b</div>", "'a' {P} 'b'"},
      {"a<h1>b</h1>c<blockquote>d</blockquote>", "'a' {P} 'b' {P} 'c' {P} 'd'"},
      {"<div><div>a</div></div><div></div><section> </section>b", "'a' {P} 'b'"},
      {"<p>a</p><p></p><p>&nbsp;&nbsp;</p><p><br></p><p> </p><p>b</p>",
       "'a' {P} {P} {P} {P} {P} 'b'"},
      {"a<br>b<br><br>c<div>d<br></div>e", "'a' {P} 'b' {P} {P} 'c' {P} 'd' {P} 'e'"},
      {"<p>a</br>b</p>", "'a' {P} 'b'"},
      {"<p>a<p>b<div>c</div>d", "'a' {P} 'b' {P} 'c' {P} 'd'"},
      // White space.
      {"<p>  a \n\t b  </p> <p>&nbsp;c&nbsp; d</p>", "'a b' {P} ' c  d'"},
      {"<pre>\na  b\n\nc\n</pre>d", "'a  b' {P} {P} 'c' {P} 'd'"},
      {"<pre><b>\na</b></pre>", "{P} 'a'"},  // not right after <pre>: a line break
      {"<p>\xE3\x80\x80"
       "a\xE3\x80\x80</p>",
       "81 40 'a' 20 81 40"},
      // Tables and lists.
      {"<table><tr><td>a<td><td>b</tr><tr><th>c</table>", "'a' 20 81 40 'b' {P} 'c'"},
      {"<ul><li>a<li> b</ul><ol start=9><li>c<li>d</ol>",
       "81 45 'a' {P} 81 45 'b' {P} '9.c' {P} '10.d'"},
      {"<ol><li>a<ul><li>b</ul><li>c</ol>", "'1.a' {P} 81 45 'b' {P} '2.c'"},
      {"<ul><li><p>a</p><p>b</p></li><li><div><p>c</p></div></ul>",
       "81 45 'a' {P} 'b' {P} 81 45 'c'"},
      // Office suites put paragraphs in cells: a row stays one paragraph.
      {"<table><tr><td><p>a</p><p>b<br>c</p></td><td><p><br></p></td><td><p>d</p></td></tr>"
       "<tr><td><table><tr><td>e</table></td><td>f</td></table>",
       "'a b c' 20 81 40 'd' {P} 'e' {P} 'f'"},  // a table in a cell has rows of its own
      {"<ruby>\xE6\xBC\xA2<rp>(</rp><rt>\xE3\x81\x8B\xE3\x82\x93</rt><rp>)</rp></ruby>",
       "8A BF 82 A9 82 F1"},
      {"a<img alt=\"B C\">d<img src=x>", "'aB Cd'"},
      // Attributes.
      {"<u>a</u><ins>b</ins><span style=\"color: red; Text-Decoration: underline\">c</span>d",
       "EF C0 22 'abc' EF C0 28 'd'"},
      {"x<sup>2</sup><span style=\"vertical-align: sub\">3</span>",
       "'x' EF C0 37 '2' EF C0 3B EF C0 38 '3' EF C0 3B"},
      {"<sub>a<sup>b</sup>c</sub>",
       "EF C0 38 'a' EF C0 3B EF C0 37 'b' EF C0 3B EF C0 38 'c' EF C0 3B"},
      {"a <u>b</u> c", "'a ' EF C0 22 'b' EF C0 28 ' c'"},  // spaces take neither's attributes
      {"<u>a<p>b</u>c</p>", "EF C0 22 'a' {P} 'b' EF C0 28 'c'"},
      // Rules for single classes in style sheets, as office suites export them.
      {"<style>/* .a{text-decoration:underline} */ @media screen { .T1 { Text-Decoration: "
       "underline } } .T2, span.T3 { vertical-align: super; } p .T4 { text-decoration: underline } "
       "</style><span class=\"x T1\">a</span><span class=T2>b</span><span class='T3'>c</span>"
       "<span class=T4>d</span><span class=a>e</span>",
       "EF C0 22 'a' EF C0 28 EF C0 37 'bc' EF C0 3B 'de'"},
      {"<u>a", "EF C0 22 'a' EF C0 28"},  // every attribute is closed at the end
      // Characters: the code page, the document's own rules, stand-ins.
      {"\xE2\x98\x83\xE2\x85\xB0\xE2\x88\xB5\xE2\x91\xA0\xC2\xA5",
       "81 AC 81 AC 81 E6 EC C7 5C"},  // snowman, small roman one, because, circled one, yen
      {"\xEF\xBD\xB1"
       "a\xC2\x85"
       "b",
       "B1 'ab'"},  // half-width katakana; C1 controls dropped
  };
  check(cases, std::size(cases));
}

TEST(WebReader, Encodings) {
  const Case cases[] = {
      {"<meta charset=shift_jis><p>\x82\xA0&#x3042;", "82 A0 82 A0"},
      {"<meta http-equiv=Content-Type content=\"text/html; charset=EUC-JP\"><p>\xA4\xA2", "82 A0"},
      {"\xEF\xBB\xBF<p>\xE3\x81\x82", "82 A0"},
      {"<meta charset=utf-8><p>\xE3\x81\x82\xFF",
       "82 A0 81 AC"},  // a malformed sequence is one stand-in
  };
  check(cases, std::size(cases));
  EXPECT_EQ(web_html_to_document(std::string("\xFF\xFE<\0p\0>\0B\x30", 10)), "\x82\xA0\x1A");
}

TEST(WebReader, StandInsAreCounted) {
  MemorySource source("<p>\xE2\x98\x83&copy;\xE2\x85\xB0\xE3\x81\x82");
  ByteReader reader(source);
  MemorySink sink;
  ByteWriter writer(sink);
  EXPECT_EQ(web_html_to_document(reader, writer), 3u);
}

TEST(WebReader, SameBytesWhateverTheReadSize) {
  const std::string html =
      "<!DOCTYPE html><meta charset=utf-8><p class=\"P1\">\xE3\x81\x82&amp;b&notin;&#x41<!-- c -->"
      "<u>d</u>\r\n<br><table><tr><td>e<td>f</table><script>x</script>\xE6\x96\x87";
  const std::string expected = web_html_to_document(html);
  for (std::size_t piece = 1; piece <= html.size(); ++piece) {
    EXPECT_EQ(web_html_to_document(html, {.piece = piece}), expected) << "read size " << piece;
  }
}

TEST(WebReader, BoundsOfTheElementStack) {
  // Deeper than the stack: the elements past it do nothing, and everything still pairs up.
  std::string deep;
  for (int i = 0; i < 300; ++i) deep += "<u><div>";
  deep += "x";
  for (int i = 0; i < 300; ++i) deep += "</div></u>";
  deep += "y";
  EXPECT_EQ(web_html_to_document(deep),
            "\xEF\xC0\x22x\xEF\xC0\x28" + std::string(PARAGRAPH_LINE_END) + "y\x1A");
  // An alt text longer than an attribute value's room is cut, not spread over memory.
  const std::string alt(5000, 'a');
  const std::string document = web_html_to_document("<img alt=\"" + alt + "\">");
  EXPECT_EQ(document.size(), HtmlTagToken::VALUE_SIZE + 14 * FILLER_LINE_END.size() + 1);
}

TEST(WebReader, CharactersAcrossTheDecodersPieces) {
  // A page longer than the first block, which decides the encoding, with three-byte characters
  // across every piece the bytes are decoded in: "a" and HIRAGANA LETTER A, which a pad puts
  // on an even column, four columns in all, eighteen to a line.
  std::string html = "<meta charset=utf-8><p>";
  std::string line;
  for (int i = 0; i < 18; ++i) line += "a \x82\xA0";
  std::string expected;
  for (int i = 0; i < 3 * 64 * 1024 / 4 / 18; ++i) {
    for (int k = 0; k < 18; ++k) html += "a\xE3\x81\x82";
    expected += line + std::string(FILLER_LINE_END);
  }
  EXPECT_EQ(web_html_to_document(html), expected + "\x1A");
  EXPECT_EQ(web_html_to_document(html, {.piece = 4093}), expected + "\x1A");
}

TEST(WebReader, ExactDialect) {
  struct {
    std::string html;
    bool exact;
  } const cases[] = {
      {"", true},
      {"<P>a<u>b</U><SUP>c</sup><sub>d</SUB>", true},
      {std::string(HTML_HEAD) + "a" + std::string(HTML_CLOSING), true},
      {"<meta charset=utf-8><P>a", true},
      {"<P>a&amp;b", true},  // references do not matter, only tags
      {"<p class=x>a", false},
      {"<!DOCTYPE html><P>a", false},
      {"<P>a<BR>b", false},
      {"<P>a</P>", false},
      {"<P >a", false},
      {"\x82<b>", true},          // the lead byte takes the '<' as its trail: no tag
      {"<P>\x82\x82<b>", false},  // a whole character before it: a tag
      {"<P>\x82\x3C"
       "b>",
       true},
      {"<P>a<SU", false},     // unfinished
      {"<P>a\x1A<b>", true},  // the end mark ends what the exact reader reads
      {"<P>a</BODY>b<br>", false},
      {"<P>a</BODY>\x82<b>", true},
      {"<P>a</BODY></HTML><SUP>", true},
  };
  for (const auto& c : cases) {
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, STREAM_BLOCK_SIZE}) {
      MemorySource source(c.html, piece);
      ByteReader reader(source, ByteReader::Mode::text);
      EXPECT_EQ(is_exact_dialect(reader), c.exact) << c.html << " in pieces of " << piece;
      // The same answer in one pass, the exact reader checking up to where it stops and the scan
      // after it, with the exact reader's document.
      MemorySource again(c.html, piece);
      ByteReader one_pass(again, ByteReader::Mode::text);
      MemorySink sink;
      ByteWriter writer(sink);
      const bool exact = dialect_html_to_document(one_pass, writer) && is_exact_dialect(one_pass);
      EXPECT_EQ(exact, c.exact) << c.html << " in one pass, in pieces of " << piece;
      if (exact && writer.flush()) {
        EXPECT_EQ(sink.bytes, html_to_document(c.html)) << c.html;
      }
    }
  }
}

}  // namespace
}  // namespace wpconv
