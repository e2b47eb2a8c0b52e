// The few HTML tags that carry over into a document.
#ifndef WPCONV_HTML2DOC_HTML_TAGS_H_
#define WPCONV_HTML2DOC_HTML_TAGS_H_

#include <cstddef>

#include "io/byte_stream.h"

namespace wpconv {

enum class HtmlTag {
  other,  // any other tag, one with attributes, and one the input ends inside
  paragraph,
  end_of_body,
  underline_on,
  underline_off,
  superscript_on,
  superscript_off,
  subscript_on,
  subscript_off,
};

// The tag whose whole text, from '<' to '>', is the `length` bytes at `text`, compared in upper
// case; only its first bytes are looked at, as no tag known is longer.
HtmlTag tag_of(const unsigned char* text, std::size_t length);

// Just past the first '>' at `text` or after it, or nothing if there is none before `end`.
const unsigned char* tag_end(const unsigned char* text, const unsigned char* end);

// The tag that starts with the '<' at `text`, in `tag`, and just past its '>', or nothing if
// there is none before `end`: the two above in one, faster where eight bytes are buffered.
const unsigned char* read_tag(const unsigned char* text, const unsigned char* end, HtmlTag& tag);

// Reads the rest of a tag after its '<', up to and including the first '>', and tells which
// tag it is.
HtmlTag read_html_tag(ByteReader& html);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TAGS_H_
