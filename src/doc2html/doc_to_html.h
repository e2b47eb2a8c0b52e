// Document text stream to HTML.
#ifndef WPCONV_DOC2HTML_DOC_TO_HTML_H_
#define WPCONV_DOC2HTML_DOC_TO_HTML_H_

#include "app/conversion_paths.h"
#include "io/byte_stream.h"

// Converts the file named by `paths.input_path` into an HTML file beside it with the extension
// .HTM. Returns 0, or -1 after showing one error message.
int convert_document_to_html(const ConversionPaths& paths);

// Writes the HTML for a document text stream: head, body, closing lines. `html` should be a
// text-mode writer, so that every line end it writes becomes CR LF.
void write_html_from_document(ByteReader& document, ByteWriter& html);

#endif  // WPCONV_DOC2HTML_DOC_TO_HTML_H_
