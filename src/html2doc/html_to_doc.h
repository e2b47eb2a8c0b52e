// HTML to the word processor's document pair.
#ifndef WPCONV_HTML2DOC_HTML_TO_DOC_H_
#define WPCONV_HTML2DOC_HTML_TO_DOC_H_

#include "app/conversion_paths.h"
#include "io/byte_stream.h"

// Converts the HTML file named by `paths.input_path` into a .DOC text file beside it, then
// copies the format template into a .FMT file. Returns 0, or -1 after showing one error message.
int convert_html_to_document(const ConversionPaths& paths);

// Writes the document text stream for an HTML input; `html` should be a text-mode reader.
void write_document_from_html(ByteReader& html, ByteWriter& document);

#endif  // WPCONV_HTML2DOC_HTML_TO_DOC_H_
