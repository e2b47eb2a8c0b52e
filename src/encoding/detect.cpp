#include "encoding/detect.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/cp932.h"
#include "encoding/decoder.h"

namespace wpconv::encoding {

namespace {

constexpr bool is_white_space(unsigned char c) {
  return c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x20;
}

constexpr unsigned char to_lower(unsigned char c) {
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

constexpr bool is_letter(unsigned char c) {
  return to_lower(c) - 'a' <= 'z' - 'a';
}

// True when the bytes at `at` are `lower`, ASCII case-insensitive.
bool starts_with(const unsigned char* data, std::size_t size, std::size_t at,
                 std::string_view lower) {
  if (at > size || size - at < lower.size()) return false;
  for (std::size_t k = 0; k < lower.size(); ++k) {
    if (to_lower(data[at + k]) != static_cast<unsigned char>(lower[k])) return false;
  }
  return true;
}

// What a label from a page means: nothing for a label of an encoding this program does not read.
// A page read by a <meta> is ASCII-compatible, so a UTF-16 label there means UTF-8, and the
// x-user-defined encoding reads as windows-1252 does for all that matters to text.
std::optional<Encoding> encoding_from_page_label(std::string_view label) {
  std::optional<Encoding> encoding = encoding_from_label(label);
  if (encoding == Encoding::utf16le || encoding == Encoding::utf16be) return Encoding::utf8;
  if (!encoding) {
    std::string lower;
    for (char c : label) {
      if (!is_white_space(c)) lower += static_cast<char>(to_lower(c));
    }
    if (lower == "x-user-defined") return Encoding::windows_1252;
  }
  return encoding;
}

// The prescan of a page's first bytes for the encoding its <meta> names, as browsers make it.
class Prescan {
 public:
  Prescan(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}

  std::optional<Encoding> run() {
    while (position_ < size_) {
      if (at("<!--")) {
        // To the end of the first "-->" that ends after "<!--": "<!-->" is a whole comment.
        std::size_t end = find("-->", position_ + 2);
        if (end == NOT_FOUND) return std::nullopt;
        position_ = end + 3;
        continue;
      }
      if (at("<meta") && position_ + 5 < size_ &&
          (is_white_space(data_[position_ + 5]) || data_[position_ + 5] == '/')) {
        position_ += 6;
        if (std::optional<Encoding> found = meta()) return found;
        if (ran_out_) return std::nullopt;
        continue;
      }
      if (data_[position_] == '<' && position_ + 1 < size_ &&
          (is_letter(data_[position_ + 1]) ||
           (data_[position_ + 1] == '/' && position_ + 2 < size_ &&
            is_letter(data_[position_ + 2])))) {
        // Any other tag: its attributes are read past, so that a "<meta" in a value is not one.
        while (position_ < size_ && !is_white_space(data_[position_]) && data_[position_] != '>') {
          ++position_;
        }
        Attribute attribute;
        while (attribute_into(attribute)) {
        }
        if (ran_out_) return std::nullopt;
        ++position_;
        continue;
      }
      if (at("<!") || at("</") || at("<?")) {
        std::size_t end = find(">", position_ + 2);
        if (end == NOT_FOUND) return std::nullopt;
        position_ = end + 1;
        continue;
      }
      ++position_;
    }
    return std::nullopt;
  }

 private:
  static constexpr std::size_t NOT_FOUND = std::string_view::npos;

  struct Attribute {
    std::string name;
    std::string value;
  };

  bool at(std::string_view lower) const { return starts_with(data_, size_, position_, lower); }

  std::size_t find(std::string_view what, std::size_t from) const {
    std::string_view bytes(reinterpret_cast<const char*>(data_), size_);
    return from > size_ ? NOT_FOUND : bytes.find(what, from);
  }

  // The attributes of a <meta>, from after its name; the encoding it gives, if any.
  std::optional<Encoding> meta() {
    std::vector<std::string> names;
    bool got_pragma = false;
    enum class NeedPragma { unknown, yes, no } need_pragma = NeedPragma::unknown;
    std::optional<Encoding> charset;
    bool charset_seen = false;
    Attribute attribute;
    while (attribute_into(attribute)) {
      if (std::find(names.begin(), names.end(), attribute.name) != names.end()) continue;
      names.push_back(attribute.name);
      if (attribute.name == "http-equiv") {
        if (attribute.value == "content-type") got_pragma = true;
      } else if (attribute.name == "content") {
        if (!charset_seen) {
          if (std::optional<std::string> label = charset_in_content(attribute.value)) {
            charset = encoding_from_page_label(*label);
            charset_seen = true;
            need_pragma = NeedPragma::yes;
          }
        }
      } else if (attribute.name == "charset") {
        charset = encoding_from_page_label(attribute.value);
        charset_seen = true;
        need_pragma = NeedPragma::no;
      }
    }
    if (ran_out_) return std::nullopt;
    if (need_pragma == NeedPragma::unknown) return std::nullopt;
    if (need_pragma == NeedPragma::yes && !got_pragma) return std::nullopt;
    return charset;
  }

  // The next attribute of a tag into `attribute`; false at the tag's end (at its '>', or where
  // the bytes end, which sets ran_out_).
  bool attribute_into(Attribute& attribute) {
    attribute.name.clear();
    attribute.value.clear();
    while (position_ < size_ && (is_white_space(data_[position_]) || data_[position_] == '/')) {
      ++position_;
    }
    if (position_ >= size_) return out();
    if (data_[position_] == '>') return false;
    // The name.
    for (;; ++position_) {
      if (position_ >= size_) return out();
      unsigned char c = data_[position_];
      if (c == '=' && !attribute.name.empty()) {
        ++position_;
        goto value;
      }
      if (is_white_space(c)) break;
      if (c == '/' || c == '>') return true;
      attribute.name += static_cast<char>(to_lower(c));
    }
    while (position_ < size_ && is_white_space(data_[position_])) ++position_;
    if (position_ >= size_) return out();
    if (data_[position_] != '=') return true;
    ++position_;
  value:
    while (position_ < size_ && is_white_space(data_[position_])) ++position_;
    if (position_ >= size_) return out();
    if (unsigned char quote = data_[position_]; quote == '"' || quote == '\'') {
      for (++position_;; ++position_) {
        if (position_ >= size_) return out();
        if (data_[position_] == quote) {
          ++position_;
          return true;
        }
        attribute.value += static_cast<char>(to_lower(data_[position_]));
      }
    }
    if (data_[position_] == '>') return true;
    for (;; ++position_) {
      if (position_ >= size_) return out();
      unsigned char c = data_[position_];
      if (is_white_space(c) || c == '>') return true;
      attribute.value += static_cast<char>(to_lower(c));
    }
  }

  bool out() {
    ran_out_ = true;
    return false;
  }

  // The label after "charset=" in a <meta>'s content, if there is one.
  static std::optional<std::string> charset_in_content(std::string_view content) {
    std::size_t position = 0;
    for (;;) {
      std::size_t found = content.find("charset", position);  // the value is in lower case
      if (found == std::string_view::npos) return std::nullopt;
      position = found + 7;
      while (position < content.size() && is_white_space(content[position])) ++position;
      if (position >= content.size() || content[position] != '=') continue;
      ++position;
      while (position < content.size() && is_white_space(content[position])) ++position;
      if (position >= content.size()) return std::nullopt;
      char first = content[position];
      if (first == '"' || first == '\'') {
        std::size_t end = content.find(first, position + 1);
        if (end == std::string_view::npos) return std::nullopt;
        return std::string(content.substr(position + 1, end - position - 1));
      }
      std::size_t end = position;
      while (end < content.size() && !is_white_space(content[end]) && content[end] != ';') ++end;
      return std::string(content.substr(position, end - position));
    }
  }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t position_ = 0;
  bool ran_out_ = false;
};

// The encoding an XML declaration at the very start names, if it names one this program reads.
std::optional<Encoding> xml_declaration_encoding(const unsigned char* data, std::size_t size) {
  if (!starts_with(data, size, 0, "<?xml") || size < 6 || !is_white_space(data[5])) {
    return std::nullopt;
  }
  std::string_view text(reinterpret_cast<const char*>(data), std::min(size, PRESCAN_LENGTH));
  std::size_t end = text.find("?>");
  if (end == std::string_view::npos) return std::nullopt;
  text = text.substr(0, end);
  std::size_t at = text.find("encoding");
  if (at == std::string_view::npos) return std::nullopt;
  at += 8;
  while (at < text.size() && is_white_space(text[at])) ++at;
  if (at >= text.size() || text[at] != '=') return std::nullopt;
  ++at;
  while (at < text.size() && is_white_space(text[at])) ++at;
  if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) return std::nullopt;
  std::size_t close = text.find(text[at], at + 1);
  if (close == std::string_view::npos) return std::nullopt;
  return encoding_from_page_label(text.substr(at + 1, close - at - 1));
}

// How well bytes read in one encoding: malformed sequences, and characters in the rows of
// Japanese text (kana and the common kanji).
struct Reading {
  std::size_t errors = 0;
  std::size_t japanese = 0;
  std::size_t non_ascii = 0;
  std::size_t half_width_katakana = 0;
};

bool is_common_japanese(char32_t c) {
  CharCode code = cp932_from_unicode(c);
  unsigned lead = code >> 8;
  // Hiragana and katakana (0x829F-0x8396), and the first level of kanji (0x889F-0x9872).
  return (code >= 0x829F && code <= 0x8396) || (lead >= 0x88 && lead <= 0x98 && code != NO_CP932);
}

Reading read_as(Encoding encoding, const unsigned char* data, std::size_t size) {
  Decoder decoder(encoding);
  Reading reading;
  char32_t out[1025];
  std::size_t position = 0;
  while (position < size) {
    std::size_t piece = std::min<std::size_t>(size - position, 1024);
    std::size_t produced;
    std::size_t used = decoder.decode(data + position, piece, false, out, produced);
    for (std::size_t k = 0; k < produced; ++k) {
      if (out[k] == REPLACEMENT_CHARACTER) ++reading.errors;
      if (out[k] >= 0x80) ++reading.non_ascii;
      if (out[k] >= 0xFF61 && out[k] <= 0xFF9F) ++reading.half_width_katakana;
      if (is_common_japanese(out[k])) ++reading.japanese;
    }
    // A sequence that the end of the block cuts off is no error.
    if (used == 0) break;
    position += used;
  }
  return reading;
}

// ESC $ @ or ESC $ B (JIS X 0208) with no byte above 0x7F: ISO-2022-JP.
bool looks_like_iso_2022_jp(const unsigned char* data, std::size_t size) {
  bool escape = false;
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] >= 0x80) return false;
    if (data[i] == 0x1B && size - i >= 3 && data[i + 1] == '$' &&
        (data[i + 2] == '@' || data[i + 2] == 'B')) {
      escape = true;
    }
  }
  return escape;
}

// UTF-16 without a byte order mark: the markup's ASCII puts a zero byte in every other place of
// the first bytes, and never in the others.
std::optional<Encoding> looks_like_utf16(const unsigned char* data, std::size_t size) {
  std::size_t zeros[2] = {0, 0};
  std::size_t length = std::min<std::size_t>(size, 512) & ~std::size_t{1};
  for (std::size_t i = 0; i < length; ++i) zeros[i & 1] += data[i] == 0;
  if (length < 4) return std::nullopt;
  if (zeros[0] == 0 && zeros[1] * 4 >= length / 2) return Encoding::utf16le;
  if (zeros[1] == 0 && zeros[0] * 4 >= length / 2) return Encoding::utf16be;
  return std::nullopt;
}

bool is_ascii(const unsigned char* data, std::size_t size) {
  return std::all_of(data, data + size, [](unsigned char c) { return c < 0x80; });
}

Encoding detect_from_bytes(const unsigned char* data, std::size_t size) {
  if (std::optional<Encoding> utf16 = looks_like_utf16(data, size)) return *utf16;
  if (looks_like_iso_2022_jp(data, size)) return Encoding::iso_2022_jp;
  // With no byte above 0x7F in the block there is nothing to go by; a browser set for Japanese
  // takes such a page as Shift_JIS, which also suits the documents it becomes.
  if (is_ascii(data, size)) return Encoding::shift_jis;
  Reading utf8 = read_as(Encoding::utf8, data, size);
  if (utf8.errors == 0) return Encoding::utf8;
  Reading sjis = read_as(Encoding::shift_jis, data, size);
  Reading euc = read_as(Encoding::euc_jp, data, size);
  // A UTF-8 page with a stray byte or two (pasted from elsewhere) is still UTF-8: the other
  // readings of UTF-8 text break far more often.
  if (utf8.errors * 100 <= utf8.non_ascii && utf8.errors < sjis.errors &&
      utf8.errors < euc.errors) {
    return Encoding::utf8;
  }
  if (sjis.errors != euc.errors) {
    return sjis.errors < euc.errors ? Encoding::shift_jis : Encoding::euc_jp;
  }
  // Read as Shift_JIS, EUC-JP's bytes fall on half-width katakana, which Shift_JIS text has
  // seldom; EUC-JP's own half-width katakana take a prefix byte and are no such sign.
  auto sjis_score = static_cast<std::ptrdiff_t>(sjis.japanese) -
                    static_cast<std::ptrdiff_t>(sjis.half_width_katakana);
  auto euc_score = static_cast<std::ptrdiff_t>(euc.japanese);
  return euc_score > sjis_score ? Encoding::euc_jp : Encoding::shift_jis;
}

}  // namespace

Detected detect_encoding(const unsigned char* data, std::size_t size) {
  using Source = Detected::Source;
  size = std::min(size, DETECTION_BLOCK);
  if (starts_with(data, size, 0, "\xEF\xBB\xBF")) return {Encoding::utf8, 3, Source::bom};
  if (starts_with(data, size, 0, "\xFE\xFF")) return {Encoding::utf16be, 2, Source::bom};
  if (starts_with(data, size, 0, "\xFF\xFE")) return {Encoding::utf16le, 2, Source::bom};
  if (std::optional<Encoding> meta = Prescan(data, std::min(size, PRESCAN_LENGTH)).run()) {
    return {*meta, 0, Source::meta};
  }
  if (std::optional<Encoding> declared = xml_declaration_encoding(data, size)) {
    return {*declared, 0, Source::xml_declaration};
  }
  return {detect_from_bytes(data, size), 0, Source::detected};
}

}  // namespace wpconv::encoding
