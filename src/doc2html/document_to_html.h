// Document text stream to HTML.
#ifndef WPCONV_DOC2HTML_DOCUMENT_TO_HTML_H_
#define WPCONV_DOC2HTML_DOCUMENT_TO_HTML_H_

#include "io/byte_stream.h"

namespace wpconv {

// Writes the HTML for a document text stream: head, body, closing lines. `html` should be a
// text-mode writer, so that every line end it writes becomes CR LF.
void document_to_html(ByteReader& document, ByteWriter& html);

}  // namespace wpconv

#endif  // WPCONV_DOC2HTML_DOCUMENT_TO_HTML_H_
