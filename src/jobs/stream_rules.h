// What a conversion decides from its input's name alone, the same for a file on disk and for
// bytes that a web page hands in: the direction, how each side is read and written, and the
// outputs' names. The file jobs and the stream job both take their choices from here.
#ifndef WPCONV_JOBS_STREAM_RULES_H_
#define WPCONV_JOBS_STREAM_RULES_H_

#include <cstdint>
#include <string>
#include <string_view>

#include "io/byte_stream.h"
#include "jobs/messages.h"

namespace wpconv {

// How one input streams into one output.
struct StreamRule {
  FileKind input_kind;
  ByteReader::Mode input_mode;
  std::string_view output_extension;  // the output is the input's name with this extension
  FileKind output_kind;
  ByteWriter::Mode output_mode;
  // Returns the count of characters written as stand-ins.
  std::uint64_t (*convert)(ByteReader& input, ByteWriter& output);
  // The rule for a second output beside the first (the format file after a document), if any.
  const StreamRule* then;
};

extern const StreamRule DOCUMENT_TO_HTML;
extern const StreamRule DOCUMENT_TO_HTML5;
// HTML in the program's own dialect, read exactly; any other HTML, read as a browser reads it.
extern const StreamRule HTML_TO_DOCUMENT;
extern const StreamRule WEB_HTML_TO_DOCUMENT;
// The format template, byte for byte, into the .FMT file beside a document.
extern const StreamRule FORMAT_FILE_COPY;

// True when the character after the path's last '.' is 'H' or 'h': the HTML direction.
bool is_html_input(std::string_view path);

// The rule for converting the input at `path`: HTML to a document, anything else to HTML.
const StreamRule& rule_for(std::string_view path);

// The path with everything from its last '.' (even one in a directory name) replaced by
// `extension`; with no '.' at all, the extension is appended.
std::string with_extension(std::string_view path, std::string_view extension);

// Whether a file found in a folder is one to convert: by its extension, in any letter case,
// .OA2 and .DOC files for HTML, or .HTM and .HTML files for documents.
bool wanted_in_folder(std::string_view name, bool to_documents);

}  // namespace wpconv

#endif  // WPCONV_JOBS_STREAM_RULES_H_
