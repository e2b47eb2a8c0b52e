// HTML to the word processor's document text.
#ifndef WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_
#define WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_

#include "io/byte_stream.h"

namespace wpconv {

// Writes the document text stream for an HTML input; `html` should be a text-mode reader.
void html_to_document(ByteReader& html, ByteWriter& document);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_
