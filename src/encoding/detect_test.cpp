#include "encoding/detect.h"

#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace wpconv::encoding {
namespace {

TEST(Encoding, Labels) {
  struct {
    std::string_view label;
    Encoding encoding;
  } const labels[] = {
      {"utf-8", Encoding::utf8},
      {" UTF8\t", Encoding::utf8},
      {"unicode-1-1-utf-8", Encoding::utf8},
      {"utf-16", Encoding::utf16le},
      {"UTF-16BE", Encoding::utf16be},
      {"Shift_JIS", Encoding::shift_jis},
      {"shift-jis", Encoding::shift_jis},
      {"x-sjis", Encoding::shift_jis},
      {"MS932", Encoding::shift_jis},
      {"Windows-31J", Encoding::shift_jis},
      {"csShiftJIS", Encoding::shift_jis},
      {"ms_kanji", Encoding::shift_jis},
      {"\nsjis\f", Encoding::shift_jis},
      {"EUC-JP", Encoding::euc_jp},
      {"x-euc-jp", Encoding::euc_jp},
      {"cseucpkdfmtjapanese", Encoding::euc_jp},
      {"ISO-2022-JP", Encoding::iso_2022_jp},
      {"csiso2022jp", Encoding::iso_2022_jp},
      {"iso-8859-1", Encoding::windows_1252},
      {"Latin1", Encoding::windows_1252},
      {"us-ascii", Encoding::windows_1252},
      {"windows-1252", Encoding::windows_1252},
  };
  for (const auto& entry : labels) {
    EXPECT_EQ(encoding_from_label(entry.label), entry.encoding) << entry.label;
  }
  for (std::string_view other : {"", "euc-kr", "gb2312", "x-user-defined", "utf-8x", "shift_jis2",
                                 "shift jis", "iso-8859-2", "utf-7"}) {
    EXPECT_EQ(encoding_from_label(other), std::nullopt) << other;
  }
  EXPECT_EQ(encoding_name(Encoding::shift_jis), "Shift_JIS");
  EXPECT_EQ(encoding_name(Encoding::euc_jp), "EUC-JP");
  EXPECT_EQ(encoding_name(Encoding::utf16le), "UTF-16LE");
}

using Source = Detected::Source;

struct Case {
  std::string_view name;
  std::string bytes;
  Encoding encoding;
  Source source;
  std::size_t bom_length = 0;
};

const std::string UTF8_TEXT = "<p>\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E</p>";  // 日本語
const std::string PADDING(1100, ' ');

std::string repeat(const std::string& text, int times) {
  std::string repeated;
  for (int k = 0; k < times; ++k) repeated += text;
  return repeated;
}

const Case cases[] = {
    {"UTF-8 mark before a meta", "\xEF\xBB\xBF<meta charset=shift_jis>", Encoding::utf8,
     Source::bom, 3},
    {"UTF-16LE mark", std::string("\xFF\xFE<\0", 4), Encoding::utf16le, Source::bom, 2},
    {"UTF-16BE mark", std::string("\xFE\xFF\0<", 4), Encoding::utf16be, Source::bom, 2},
    {"meta charset", "<html><head><meta charset=\"Shift_JIS\">", Encoding::shift_jis, Source::meta},
    {"meta charset unquoted, capitals", "<META CHARSET=EUC-JP>", Encoding::euc_jp, Source::meta},
    {"meta/ charset", "<meta/charset='euc-jp'/>", Encoding::euc_jp, Source::meta},
    {"http-equiv and content",
     "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=EUC-JP\">", Encoding::euc_jp,
     Source::meta},
    {"content before http-equiv",
     "<meta content='text/html;charset=iso-2022-jp' http-equiv=content-type>",
     Encoding::iso_2022_jp, Source::meta},
    {"content with a quoted charset and spaces",
     "<meta http-equiv=content-type content=\"text/html; charset = 'x-sjis'\">",
     Encoding::shift_jis, Source::meta},
    {"content without http-equiv", "<meta content=\"text/html; charset=euc-jp\">" + UTF8_TEXT,
     Encoding::utf8, Source::detected},
    {"charset in content without '='",
     "<meta http-equiv=content-type content=\"text/html; charset\">" + UTF8_TEXT, Encoding::utf8,
     Source::detected},
    {"meta in a comment", "<!-- <meta charset=\"euc-jp\"> -->" + UTF8_TEXT, Encoding::utf8,
     Source::detected},
    {"the comment <!--> ends at once", "<!--><meta charset=\"euc-jp\">-->", Encoding::euc_jp,
     Source::meta},
    {"meta in another tag's value", "<div title=\"<meta charset=euc-jp>\">" + UTF8_TEXT,
     Encoding::utf8, Source::detected},
    {"meta after the first 1024 bytes", PADDING + "<meta charset=euc-jp>" + UTF8_TEXT,
     Encoding::utf8, Source::detected},
    {"meta cut by the 1024th byte", std::string(1010, ' ') + "<meta charset=euc-jp>" + UTF8_TEXT,
     Encoding::utf8, Source::detected},
    {"no space after <meta", "<metacharset=euc-jp>" + UTF8_TEXT, Encoding::utf8, Source::detected},
    {"first of a repeated attribute", "<meta charset=euc-jp charset=utf-8>", Encoding::euc_jp,
     Source::meta},
    {"unknown label, then a known one", "<meta charset=bogus><meta charset=sjis>",
     Encoding::shift_jis, Source::meta},
    {"UTF-16 label in a meta", "<meta charset=utf-16le>", Encoding::utf8, Source::meta},
    {"x-user-defined", "<meta charset=x-user-defined>", Encoding::windows_1252, Source::meta},
    {"processing instruction skipped", "<?php echo '<meta charset=euc-jp>' ?>" + UTF8_TEXT,
     Encoding::utf8, Source::detected},
    {"XML declaration", "<?xml version=\"1.0\" encoding=\"EUC-JP\"?><html>", Encoding::euc_jp,
     Source::xml_declaration},
    {"meta before XML declaration",
     "<?xml version=\"1.0\" encoding=\"utf-8\"?><meta charset=\"shift_jis\">", Encoding::shift_jis,
     Source::meta},
    {"ISO-2022-JP escapes", "<p>\x1B$BF|K\\\x1B(B</p>", Encoding::iso_2022_jp, Source::detected},
    {"UTF-8 text", UTF8_TEXT, Encoding::utf8, Source::detected},
    {"UTF-8 cut at the end of the block", UTF8_TEXT + "\xE6\x97", Encoding::utf8, Source::detected},
    {"Shift_JIS hiragana", "<p>\x82\xB1\x82\xF1\x82\xC9\x82\xBF\x82\xCD</p>", Encoding::shift_jis,
     Source::detected},
    {"Shift_JIS with half-width katakana", "<p>\xBA\xDD\xC6\xC1\xCA\x93\xFA\x96\x7B</p>",
     Encoding::shift_jis, Source::detected},
    // Both read it without an error; only EUC-JP finds hiragana in it.
    {"EUC-JP hiragana", "<p>\xA4\xB3\xA4\xF3\xA4\xCB\xA4\xC1\xA4\xCF</p>", Encoding::euc_jp,
     Source::detected},
    // As Shift_JIS: kanji of row 0x8E and half-width katakana, which EUC-JP's bytes make.
    {"EUC-JP half-width katakana",
     "<p>\x8E\xBA\x8E\xDD\x8E\xCB\x8E\xDF\x8E\xAD\x8E\xB0\x8E\xC0 "
     "\xC8\xBE\xB3\xD1\xA5\xAB\xA5\xCA</p>",
     Encoding::euc_jp, Source::detected},
    {"EUC-JP kanji", "<p>\xC6\xFC\xCB\xDC\xB8\xEC</p>", Encoding::euc_jp, Source::detected},
    {"ASCII only", "<p>Hello</p>", Encoding::shift_jis, Source::detected},
    {"UTF-16LE without a mark", std::string("<\0p\0>\0", 6), Encoding::utf16le, Source::detected},
    {"UTF-16BE without a mark, a line break first", std::string("\0\n\0<\0p\0>\x65\xE5", 10),
     Encoding::utf16be, Source::detected},
    {"UTF-8 with a stray byte", repeat(UTF8_TEXT, 40) + "\xA9" + UTF8_TEXT, Encoding::utf8,
     Source::detected},
};

TEST(DetectEncoding, Cases) {
  for (const Case& c : cases) {
    Detected detected =
        detect_encoding(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size());
    EXPECT_EQ(encoding_name(detected.encoding), encoding_name(c.encoding)) << c.name;
    EXPECT_EQ(detected.source, c.source) << c.name;
    EXPECT_EQ(detected.bom_length, c.bom_length) << c.name;
  }
}

}  // namespace
}  // namespace wpconv::encoding
