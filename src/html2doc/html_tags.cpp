#include "html2doc/html_tags.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace wpconv {

namespace {

struct TagName {
  std::string_view text;
  HtmlTag tag;
};

constexpr TagName TAGS[] = {
    {"<P>", HtmlTag::paragraph},        {"</BODY>", HtmlTag::end_of_body},
    {"<U>", HtmlTag::underline_on},     {"</U>", HtmlTag::underline_off},
    {"<SUP>", HtmlTag::superscript_on}, {"</SUP>", HtmlTag::superscript_off},
    {"<SUB>", HtmlTag::subscript_on},   {"</SUB>", HtmlTag::subscript_off},
};

// Longer tags match none of the above, so only this much of a tag is kept; the rest is read
// and dropped, whatever its length.
constexpr std::size_t LONGEST_TAG = 7;

constexpr unsigned char upper_case(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// A tag's text of at most eight bytes in upper case, as one number, for one comparison a tag.
template <class Byte>
constexpr std::uint64_t packed(const Byte* text, std::size_t length) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    value |= std::uint64_t{upper_case(static_cast<unsigned char>(text[i]))} << (8 * i);
  }
  return value;
}

struct PackedTag {
  std::uint64_t text;
  HtmlTag tag;
};

constexpr auto PACKED_TAGS = [] {
  std::array<PackedTag, std::size(TAGS)> tags{};
  for (std::size_t i = 0; i < std::size(TAGS); ++i) {
    tags[i] = {packed(TAGS[i].text.data(), TAGS[i].text.size()), TAGS[i].tag};
  }
  return tags;
}();
static_assert(LONGEST_TAG == 7);

}  // namespace

HtmlTag tag_of(const unsigned char* text, std::size_t length) {
  if (length > LONGEST_TAG) return HtmlTag::other;
  std::uint64_t value = 0;
  if constexpr (std::endian::native == std::endian::little) {
    // One load of a known size for each length: byte i lands in bits 8i to 8i + 7.
    switch (length) {
      case 7:
        std::memcpy(&value, text, 7);
        break;
      case 6:
        std::memcpy(&value, text, 6);
        break;
      case 5:
        std::memcpy(&value, text, 5);
        break;
      case 4:
        std::memcpy(&value, text, 4);
        break;
      case 3:
        std::memcpy(&value, text, 3);
        break;
      default:
        return HtmlTag::other;  // no tag known is shorter
    }
  } else {
    for (std::size_t i = 0; i < length; ++i) value |= std::uint64_t{text[i]} << (8 * i);
  }
  // The letters a to z in upper case, eight bytes at once: a byte is one of them when its low
  // seven bits reach 'a' but pass no further than 'z', and its top bit is clear.
  constexpr std::uint64_t ONES = 0x0101010101010101;
  const std::uint64_t low = value & (0x7F * ONES);
  const std::uint64_t at_a = low + (0x80 - 'a') * ONES;
  const std::uint64_t past_z = low + (0x80 - 'z' - 1) * ONES;
  value ^= (at_a & ~past_z & ~value & (0x80 * ONES)) >> 2;
  static_assert('a' - 'A' == 0x80 >> 2);
  for (const PackedTag& tag : PACKED_TAGS) {
    if (tag.text == value) return tag.tag;
  }
  return HtmlTag::other;
}

const unsigned char* tag_end(const unsigned char* text, const unsigned char* end) {
  // Most tags are short: look at their first bytes before asking the library.
  const unsigned char* near = end - text > 16 ? text + 16 : end;
  for (const unsigned char* c = text; c != near; ++c) {
    if (*c == '>') return c + 1;
  }
  const void* close = std::memchr(near, '>', static_cast<std::size_t>(end - near));
  return close != nullptr ? static_cast<const unsigned char*>(close) + 1 : nullptr;
}

HtmlTag read_html_tag(ByteReader& html) {
  // Most tags lie whole in the reader's buffer: take them from there at once.
  const unsigned char* rest = html.data();
  if (const unsigned char* end = tag_end(rest, rest + html.available())) {
    html.advance(static_cast<std::size_t>(end - rest));
    unsigned char text[LONGEST_TAG + 1] = {'<'};
    const auto length = static_cast<std::size_t>(end - rest) + 1;
    std::memcpy(text + 1, rest, std::min(length, sizeof text) - 1);
    return tag_of(text, length);
  }
  unsigned char text[LONGEST_TAG + 1] = {'<'};
  std::size_t length = 1;
  for (;;) {
    int byte = html.get();
    if (byte < 0) return HtmlTag::other;  // the input ends inside the tag
    if (length < sizeof text) text[length] = static_cast<unsigned char>(byte);
    ++length;
    if (byte == '>') return tag_of(text, length);
  }
}

}  // namespace wpconv
