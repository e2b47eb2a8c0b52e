#include "app/paths.h"
#include "app/platform.h"
#include "app/show_error.h"
#include "doc2html/doc_to_html.h"
#include "doccodes/oa2_header.h"
#include "io/file_stream.h"

namespace {

constexpr const char* kInputOpenError = "OASYS file open error\n";
constexpr const char* kInputReadError = "OASYS file read error\n";
constexpr const char* kOutputOpenError = "HTML file open error\n";
constexpr const char* kOutputWriteError = "HTML file write error\n";

}  // namespace

int convert_document_to_html(const ConversionPaths& paths) {
  const std::string& input_path = paths.input_path;
  if (!fits_path_capacity(input_path)) return show_error_and_fail(kInputOpenError);
  platform::File input = platform::open_for_reading(input_path);
  if (input == platform::no_file) return show_error_and_fail(kInputOpenError);

  FileSource source(input);
  ByteReader document(source);
  if (is_oa2_extension(input_path) && !skip_oa2_header(document)) {
    platform::close_file(input);
    // An .OA2 file without the marker after its header holds no document.
    return show_error_and_fail(document.failed() ? kInputReadError : kInputOpenError);
  }

  std::optional<std::string> output_path = replace_extension(input_path, ".HTM");
  // Creating an output that is the input itself (through a link) would destroy the input.
  if (!output_path || platform::same_file(*output_path, input_path)) {
    platform::close_file(input);
    return show_error_and_fail(kOutputOpenError);
  }
  platform::File output = platform::create_for_writing(*output_path);
  if (output == platform::no_file) {
    platform::close_file(input);
    return show_error_and_fail(kOutputOpenError);
  }

  FileSink sink(output);
  ByteWriter html(sink, ByteWriter::Mode::text);
  document.stop_when(&html.failed());
  write_html_from_document(document, html);
  platform::close_file(input);

  if (document.failed() && !html.failed()) {
    discard_output(output, *output_path);
    return show_error_and_fail(kInputReadError);
  }
  if (!finish_output(html, output, *output_path)) return show_error_and_fail(kOutputWriteError);
  return 0;
}
