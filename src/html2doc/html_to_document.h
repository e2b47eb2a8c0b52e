// HTML to the word processor's document text.
#ifndef WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_
#define WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_

#include <cstdint>

#include "io/byte_stream.h"

namespace wpconv {

// Writes the document text stream for an HTML input; `html` should be a text-mode reader.
// Returns how many characters had no place in the document and were written as stand-ins.
std::uint64_t html_to_document(ByteReader& html, ByteWriter& document);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_
