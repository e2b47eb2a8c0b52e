#include "encoding/decoder.h"

#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace wpconv::encoding {
namespace {

// Decodes `bytes` handed over in pieces of the given sizes (the rest in a last piece), keeping
// what each call leaves unconsumed at the front of the next, as a reader with a buffer does.
std::u32string decode_in_pieces(Encoding encoding, std::string_view bytes,
                                const std::vector<std::size_t>& pieces = {}) {
  Decoder decoder(encoding);
  std::u32string text;
  std::string pending;
  std::size_t position = 0;
  for (std::size_t k = 0; k <= pieces.size(); ++k) {
    bool last = k == pieces.size();
    std::size_t take = last ? bytes.size() - position : pieces[k];
    pending.append(bytes.substr(position, take));
    position += take;
    std::vector<char32_t> out(pending.size() + 1);
    std::size_t produced = 0;
    std::size_t used = decoder.decode(reinterpret_cast<const unsigned char*>(pending.data()),
                                      pending.size(), last, out.data(), produced);
    EXPECT_LE(produced, pending.size() + 1);
    text.append(out.data(), produced);
    pending.erase(0, used);
    EXPECT_LE(pending.size(), MAX_UNCONSUMED);
  }
  EXPECT_TRUE(pending.empty());
  return text;
}

struct Case {
  Encoding encoding;
  std::string_view bytes;
  std::u32string_view text;
};

const Case cases[] = {
    // UTF-8: valid, then each way a sequence can break, one U+FFFD for each maximal part.
    {Encoding::utf8, "a\xE6\x97\xA5\xE6\x9C\xAC", U"a日本"},
    {Encoding::utf8, "\xC3\xA9\xF0\x9F\x98\x80\xEF\xBF\xBD", U"é\U0001F600\uFFFD"},
    {Encoding::utf8, "0123456789abcdef\xE6\x97\xA5xyz0123456789",
     U"0123456789abcdef日xyz0123456789"},
    {Encoding::utf8, "\x80x", {U"\uFFFDx"}},
    {Encoding::utf8, "\xC0\x80", {U"\uFFFD\uFFFD"}},
    {Encoding::utf8, "\xC1\xBF", {U"\uFFFD\uFFFD"}},
    {Encoding::utf8, "\xE0\x80\x80", {U"\uFFFD\uFFFD\uFFFD"}},
    {Encoding::utf8, "\xED\xA0\x80", {U"\uFFFD\uFFFD\uFFFD"}},
    {Encoding::utf8, "\xF4\x90\x80\x80", {U"\uFFFD\uFFFD\uFFFD\uFFFD"}},
    {Encoding::utf8, "\xF5\x80", {U"\uFFFD\uFFFD"}},
    {Encoding::utf8, "\xE6\x97<p>", {U"\uFFFD<p>"}},
    {Encoding::utf8, "\xF0\x9F\x98<", {U"\uFFFD<"}},
    {Encoding::utf8, "\xE6\x97\xA5\x80\xFF", {U"日\uFFFD\uFFFD"}},
    {Encoding::utf8, "ab\xE6\x97", {U"ab\uFFFD"}},
    {Encoding::utf8, "\xF0\x9F\x98", {U"\uFFFD"}},
    // UTF-16: pairs, lone surrogates, an odd byte at the end.
    {Encoding::utf16le, {"a\0\xE5\x65\x3D\xD8\x00\xDE", 8}, U"a日\U0001F600"},
    {Encoding::utf16be, {"\0a\x65\xE5\xD8\x3D\xDE\x00", 8}, U"a日\U0001F600"},
    {Encoding::utf16le,
     {"\x00\xDC"
      "a\0",
      4},
     {U"\uFFFDa"}},
    {Encoding::utf16le,
     {"\x3D\xD8"
      "a\0",
      4},
     {U"\uFFFDa"}},
    {Encoding::utf16le, {"a\0b", 3}, {U"a\uFFFD"}},
    {Encoding::utf16be, {"\xD8\x3D\xDE", 3}, {U"\uFFFD"}},
    // Shift_JIS as code page 932: the NEC and IBM rows, user-defined rows; an ASCII byte after a
    // lead that makes no character is read again.
    {Encoding::shift_jis,
     "\x93\xFA\x96\x7B"
     "a\xB1\x80",
     U"日本aｱ\u0080"},
    {Encoding::shift_jis, "\x81\x60\x81\x5F\x87\x40\xED\x40\xFA\x40\xF0\x40", U"～＼①纊ⅰ\uE000"},
    {Encoding::shift_jis, "\x85\x40", {U"\uFFFD@"}},
    {Encoding::shift_jis, "\x85\x80", {U"\uFFFD"}},
    {Encoding::shift_jis, "\x81\x7F", {U"\uFFFD\x7F"}},
    {Encoding::shift_jis, "\x81\n", {U"\uFFFD\n"}},
    {Encoding::shift_jis, "\xA0\xFD\xFE\xFF", {U"\uFFFD\uFFFD\uFFFD\uFFFD"}},
    {Encoding::shift_jis, "a\x93", {U"a\uFFFD"}},
    // EUC-JP: JIS X 0208 through the same table, half-width katakana, JIS X 0212.
    {Encoding::euc_jp,
     "\xC6\xFC\xCB\xDC"
     "a\x8E\xB1\xAD\xA1\xA1\xC1",
     U"日本aｱ①～"},
    {Encoding::euc_jp, "\x8F\xB0\xA1\x8F\xA2\xC3", U"丂¦"},
    {Encoding::euc_jp, "\x8E\xE0", {U"\uFFFD"}},
    {Encoding::euc_jp,
     "\x8E"
     "a",
     {U"\uFFFDa"}},
    {Encoding::euc_jp,
     "\xA1"
     "A",
     {U"\uFFFDA"}},
    {Encoding::euc_jp, "\x80\xA0\xFF", {U"\uFFFD\uFFFD\uFFFD"}},
    {Encoding::euc_jp, "\x8F\xA1\xA1", {U"\uFFFD"}},
    {Encoding::euc_jp,
     "\x8F\xB0"
     "a",
     {U"\uFFFDa"}},
    {Encoding::euc_jp,
     "\x8F"
     "a",
     {U"\uFFFDa"}},
    {Encoding::euc_jp, "a\x8F\xB0", {U"a\uFFFD"}},
    {Encoding::euc_jp, "a\xC6", {U"a\uFFFD"}},
    // ISO-2022-JP: the modes, and the Encoding Standard's errors.
    {Encoding::iso_2022_jp, "a\x1B$BF|K\\\x1B(Bb", U"a日本b"},
    {Encoding::iso_2022_jp, "\x1B$@F|\x1B(J\\~\x1B(I1\x1B(B\\", U"日¥‾ｱ\\"},
    {Encoding::iso_2022_jp, "\x1B(B\x1B(Ba", {U"\uFFFDa"}},
    {Encoding::iso_2022_jp, "\x1B(Za", {U"\uFFFD(Za"}},
    {Encoding::iso_2022_jp,
     "\x1B"
     "a",
     {U"\uFFFDa"}},
    {Encoding::iso_2022_jp,
     "\x80\x0E"
     "a",
     {U"\uFFFD\uFFFDa"}},
    {Encoding::iso_2022_jp, "\x1B$BF\nK\\", {U"\uFFFD本"}},
    {Encoding::iso_2022_jp, "\x1B$BF\x1B(Ba", {U"\uFFFDa"}},
    {Encoding::iso_2022_jp, "\x1B$B\x22\x2F", {U"\uFFFD"}},
    {Encoding::iso_2022_jp, "\x1B(I\x60", {U"\uFFFD"}},
    {Encoding::iso_2022_jp, "\x1B$BF", {U"\uFFFD"}},
    {Encoding::iso_2022_jp, "a\x1B$", {U"a\uFFFD$"}},
    {Encoding::iso_2022_jp, "a\x1B", {U"a\uFFFD"}},
    // windows-1252: the 0x80-0x9F table, undefined bytes as themselves.
    {Encoding::windows_1252, "\x80\x81\x85\x8D\x98\x9F\xE9\xA0", U"€\u0081…\u008D˜Ÿé\u00A0"},
};

TEST(Decoder, WholeInput) {
  for (const Case& c : cases) {
    EXPECT_EQ(decode_in_pieces(c.encoding, c.bytes), c.text)
        << encoding_name(c.encoding) << " case " << (&c - cases);
  }
}

// Split at every byte, and a byte at a time: the same text, so a sequence cut by the end of a
// buffer is neither lost nor doubled, and the ISO-2022-JP mode carries over.
TEST(Decoder, SplitAtEveryByte) {
  for (const Case& c : cases) {
    for (std::size_t split = 0; split <= c.bytes.size(); ++split) {
      EXPECT_EQ(decode_in_pieces(c.encoding, c.bytes, {split}), c.text)
          << encoding_name(c.encoding) << " case " << (&c - cases) << " split at " << split;
    }
    std::vector<std::size_t> single_bytes(c.bytes.size(), 1);
    EXPECT_EQ(decode_in_pieces(c.encoding, c.bytes, single_bytes), c.text)
        << encoding_name(c.encoding) << " case " << (&c - cases) << " byte by byte";
  }
}

// A cut-off sequence is left for the next buffer, not decoded or dropped.
TEST(Decoder, LeavesIncompleteSequenceUnconsumed) {
  struct {
    Encoding encoding;
    std::string_view bytes;
    std::size_t consumed;
  } const cuts[] = {
      {Encoding::utf8, "ab\xF0\x9F\x98", 2},
      {Encoding::utf16be, {"\xD8\x3D\xDE", 3}, 0},
      {Encoding::utf8, "ab\xE0\x80", 4},
      {Encoding::utf16le, {"a\0\x3D\xD8\x00", 5}, 2},
      {Encoding::shift_jis, "a\x93", 1},
      {Encoding::euc_jp, "a\x8F\xB0", 1},
      {Encoding::euc_jp,
       "a\x8F"
       "a",
       3},
      {Encoding::iso_2022_jp, "a\x1B$", 1},
      {Encoding::iso_2022_jp,
       "a\x1B"
       "a",
       3},
  };
  for (const auto& cut : cuts) {
    Decoder decoder(cut.encoding);
    char32_t out[16];
    std::size_t produced;
    EXPECT_EQ(decoder.decode(reinterpret_cast<const unsigned char*>(cut.bytes.data()),
                             cut.bytes.size(), false, out, produced),
              cut.consumed)
        << encoding_name(cut.encoding) << " " << (&cut - cuts);
  }
}

}  // namespace
}  // namespace wpconv::encoding
