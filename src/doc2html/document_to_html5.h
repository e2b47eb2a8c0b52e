// Document text stream to a UTF-8 HTML5 page.
#ifndef WPCONV_DOC2HTML_DOCUMENT_TO_HTML5_H_
#define WPCONV_DOC2HTML_DOCUMENT_TO_HTML5_H_

#include <cstdint>

#include "io/byte_stream.h"

namespace wpconv {

// How many characters of the first paragraph with text make the page's title.
inline constexpr int TITLE_LENGTH = 40;
// How much of the body is held back while the title is looked for; a document with no text
// by then gets what was found, or UNTITLED.
inline constexpr std::size_t TITLE_SEARCH_LIMIT = 64 * 1024;

// Writes the page of a document text stream: the same text, paragraphs and attributes as
// document_to_html(), in UTF-8 with LF line ends, so `html` should be a binary writer. External
// characters take the same replacements. Returns how many characters had no equivalent and
// were written as stand-ins: "??" for an external character without a replacement, a full-width
// space for the other private codes, 〓 for a code that Unicode lacks.
std::uint64_t document_to_html5(ByteReader& document, ByteWriter& html);

// The same page, found one unit at a time without the fast path: for the tests that hold the
// fast path to the decoder.
std::uint64_t document_to_html5_unit_by_unit(ByteReader& document, ByteWriter& html);

}  // namespace wpconv

#endif  // WPCONV_DOC2HTML_DOCUMENT_TO_HTML5_H_
