// Document text stream to HTML.
#ifndef WPCONV_DOC2HTML_DOCUMENT_TO_HTML_H_
#define WPCONV_DOC2HTML_DOCUMENT_TO_HTML_H_

#include <cstdint>

#include "io/byte_stream.h"

namespace wpconv {

// Writes the HTML for a document text stream: head, body, closing lines. `html` should be a
// text-mode writer, so that every line end it writes becomes CR LF. Returns how many characters
// had no text equivalent: the external characters written as "??" and the private codes written
// as full-width spaces.
std::uint64_t document_to_html(ByteReader& document, ByteWriter& html);

// The same HTML, found one unit at a time without the fast path: for the tests that hold the
// fast path to the decoder.
std::uint64_t document_to_html_unit_by_unit(ByteReader& document, ByteWriter& html);

}  // namespace wpconv

#endif  // WPCONV_DOC2HTML_DOCUMENT_TO_HTML_H_
