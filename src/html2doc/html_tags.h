// The few HTML tags that carry over into a document.
#ifndef WPCONV_HTML2DOC_HTML_TAGS_H_
#define WPCONV_HTML2DOC_HTML_TAGS_H_

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

// Reads the rest of a tag after its '<', up to and including the first '>', and tells which
// tag it is, comparing the whole tag in upper case.
HtmlTag read_html_tag(ByteReader& html);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TAGS_H_
