#include "html2doc/html_tags.h"

#include <string_view>

namespace {

struct TagName {
  std::string_view text;
  HtmlTag tag;
};

constexpr TagName kTags[] = {
    {"<P>", HtmlTag::paragraph},        {"</BODY>", HtmlTag::end_of_body},
    {"<U>", HtmlTag::underline_on},     {"</U>", HtmlTag::underline_off},
    {"<SUP>", HtmlTag::superscript_on}, {"</SUP>", HtmlTag::superscript_off},
    {"<SUB>", HtmlTag::subscript_on},   {"</SUB>", HtmlTag::subscript_off},
};

// Longer tags match none of the above, so only this much of a tag is kept; the rest is read
// and dropped, whatever its length.
constexpr std::size_t kLongestTag = 7;

}  // namespace

HtmlTag read_html_tag(ByteReader& html) {
  char text[kLongestTag + 1] = {'<'};
  std::size_t length = 1;
  for (;;) {
    int byte = html.get();
    if (byte < 0) return HtmlTag::other;
    if (length < sizeof text) {
      text[length] = static_cast<char>(byte >= 'a' && byte <= 'z' ? byte - 'a' + 'A' : byte);
    }
    ++length;
    if (byte == '>') break;
  }
  if (length > kLongestTag) return HtmlTag::other;
  std::string_view tag_text(text, length);
  for (const TagName& name : kTags) {
    if (name.text == tag_text) return name.tag;
  }
  return HtmlTag::other;
}
