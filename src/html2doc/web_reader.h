// HTML from other programs to the word processor's document text, read as a browser reads it.
#ifndef WPCONV_HTML2DOC_WEB_READER_H_
#define WPCONV_HTML2DOC_WEB_READER_H_

#include <cstdint>

#include "io/byte_stream.h"

namespace wpconv {

// Writes the document text of the text a browser shows of the page in `html` (a binary-mode
// reader): its encoding found as browsers find it, tokenized as they tokenize it, and laid out by
// the rendering model of web_rendering.h. Returns how many characters had no place in the
// document and were written as stand-ins.
std::uint64_t web_html_to_document(ByteReader& html, ByteWriter& document);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_WEB_READER_H_
