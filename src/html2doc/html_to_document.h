// HTML to the word processor's document text.
#ifndef WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_
#define WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_

#include <cstdint>
#include <optional>

#include "io/byte_stream.h"

namespace wpconv {

// Writes the document text stream for an HTML input; `html` should be a text-mode reader.
// Returns how many characters had no place in the document and were written as stand-ins.
std::uint64_t html_to_document(ByteReader& html, ByteWriter& document);

// The same for HTML that may not be in the program's own dialect, so that one pass both reads it
// and checks it: nothing, with the document left unfinished, at the first tag that the program
// does not write (see is_exact_dialect). Like html_to_document it reads up to the end of the
// body; whether the rest holds such a tag is is_exact_dialect's to tell, from where it stopped.
std::optional<std::uint64_t> dialect_html_to_document(ByteReader& html, ByteWriter& document);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TO_DOCUMENT_H_
