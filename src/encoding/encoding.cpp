#include "encoding/encoding.h"

#include <cstddef>

namespace wpconv::encoding {

namespace {

struct Label {
  std::string_view label;
  Encoding encoding;
};

// The Encoding Standard's labels of the encodings this program reads, in its order.
constexpr Label labels[] = {
    {"unicode-1-1-utf-8", Encoding::utf8},
    {"unicode11utf8", Encoding::utf8},
    {"unicode20utf8", Encoding::utf8},
    {"utf-8", Encoding::utf8},
    {"utf8", Encoding::utf8},
    {"x-unicode20utf8", Encoding::utf8},
    {"unicodefffe", Encoding::utf16be},
    {"utf-16be", Encoding::utf16be},
    {"csunicode", Encoding::utf16le},
    {"iso-10646-ucs-2", Encoding::utf16le},
    {"ucs-2", Encoding::utf16le},
    {"unicode", Encoding::utf16le},
    {"unicodefeff", Encoding::utf16le},
    {"utf-16", Encoding::utf16le},
    {"utf-16le", Encoding::utf16le},
    {"csshiftjis", Encoding::shift_jis},
    {"ms932", Encoding::shift_jis},
    {"ms_kanji", Encoding::shift_jis},
    {"shift-jis", Encoding::shift_jis},
    {"shift_jis", Encoding::shift_jis},
    {"sjis", Encoding::shift_jis},
    {"windows-31j", Encoding::shift_jis},
    {"x-sjis", Encoding::shift_jis},
    {"cseucpkdfmtjapanese", Encoding::euc_jp},
    {"euc-jp", Encoding::euc_jp},
    {"x-euc-jp", Encoding::euc_jp},
    {"csiso2022jp", Encoding::iso_2022_jp},
    {"iso-2022-jp", Encoding::iso_2022_jp},
    {"ansi_x3.4-1968", Encoding::windows_1252},
    {"ascii", Encoding::windows_1252},
    {"cp1252", Encoding::windows_1252},
    {"cp819", Encoding::windows_1252},
    {"csisolatin1", Encoding::windows_1252},
    {"ibm819", Encoding::windows_1252},
    {"iso-8859-1", Encoding::windows_1252},
    {"iso-ir-100", Encoding::windows_1252},
    {"iso8859-1", Encoding::windows_1252},
    {"iso88591", Encoding::windows_1252},
    {"iso_8859-1", Encoding::windows_1252},
    {"iso_8859-1:1987", Encoding::windows_1252},
    {"l1", Encoding::windows_1252},
    {"latin1", Encoding::windows_1252},
    {"us-ascii", Encoding::windows_1252},
    {"windows-1252", Encoding::windows_1252},
    {"x-cp1252", Encoding::windows_1252},
};

constexpr bool is_ascii_white_space(char c) {
  return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' ';
}

constexpr char to_ascii_lower(char c) {
  return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool equal_ascii_case_insensitive(std::string_view text, std::string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (to_ascii_lower(text[i]) != lower[i]) return false;
  }
  return true;
}

}  // namespace

std::string_view encoding_name(Encoding encoding) {
  switch (encoding) {
    case Encoding::utf8:
      return "UTF-8";
    case Encoding::utf16le:
      return "UTF-16LE";
    case Encoding::utf16be:
      return "UTF-16BE";
    case Encoding::shift_jis:
      return "Shift_JIS";
    case Encoding::euc_jp:
      return "EUC-JP";
    case Encoding::iso_2022_jp:
      return "ISO-2022-JP";
    case Encoding::windows_1252:
      return "windows-1252";
  }
  return "UTF-8";
}

std::optional<Encoding> encoding_from_label(std::string_view label) {
  while (!label.empty() && is_ascii_white_space(label.front())) label.remove_prefix(1);
  while (!label.empty() && is_ascii_white_space(label.back())) label.remove_suffix(1);
  for (const Label& entry : labels) {
    if (equal_ascii_case_insensitive(label, entry.label)) return entry.encoding;
  }
  return std::nullopt;
}

}  // namespace wpconv::encoding
