// The few HTML tags that carry over into a document, as the exact reader reads them: a tag runs
// from its '<' to the first '>', whatever lies between.
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
  // Tags that the program writes and the exact reader ignores.
  html,
  end_of_html,
  body,
  meta,  // with any attributes
};

// The tag that starts with the '<' at `text`, in `tag`, and just past its '>', or nothing if
// there is none before `end`. Tags are compared in upper case.
const unsigned char* read_tag(const unsigned char* text, const unsigned char* end, HtmlTag& tag);

// Reads the rest of a tag after its '<', up to and including the first '>', and tells which
// tag it is.
HtmlTag read_html_tag(ByteReader& html);

// Whether every tag of the HTML in `html` (a text-mode reader, read to its end from where a
// character begins, such as where the exact reader stops) is one that the program itself writes:
// then the exact reader reads it as the program meant it, and any other HTML is read as a
// browser reads it. Tags are found as the exact reader finds them.
bool is_exact_dialect(ByteReader& html);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TAGS_H_
