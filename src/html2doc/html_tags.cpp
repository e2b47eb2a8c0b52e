#include "html2doc/html_tags.h"

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

// The tag whose text, from '<' to '>', is `text`; `length` counts the whole tag, of which `text`
// holds at most LONGEST_TAG + 1 bytes, already in upper case.
HtmlTag tag_for(const char* text, std::size_t length) {
  if (length > LONGEST_TAG) return HtmlTag::other;
  std::string_view tag_text(text, length);
  for (const TagName& name : TAGS) {
    if (name.text == tag_text) return name.tag;
  }
  return HtmlTag::other;
}

char upper_case(int byte) {
  return static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 'a' + 'A' : byte);
}

}  // namespace

HtmlTag read_html_tag(ByteReader& html) {
  char text[LONGEST_TAG + 1] = {'<'};
  // Most tags lie whole in the reader's buffer: take them from there at once.
  const unsigned char* rest = html.data();
  const void* close = html.available() > 0 ? std::memchr(rest, '>', html.available()) : nullptr;
  if (close != nullptr) {
    std::size_t taken =
        static_cast<std::size_t>(static_cast<const unsigned char*>(close) - rest) + 1;
    std::size_t length = taken + 1;
    for (std::size_t i = 1; i < length && i < sizeof text; ++i) text[i] = upper_case(rest[i - 1]);
    html.advance(taken);
    return tag_for(text, length);
  }
  std::size_t length = 1;
  for (;;) {
    int byte = html.get();
    if (byte < 0) return HtmlTag::other;
    if (length < sizeof text) text[length] = upper_case(byte);
    ++length;
    if (byte == '>') break;
  }
  return tag_for(text, length);
}

}  // namespace wpconv
