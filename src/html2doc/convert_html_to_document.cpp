#include "app/paths.h"
#include "app/platform.h"
#include "app/show_error.h"
#include "html2doc/format_template.h"
#include "html2doc/html_to_doc.h"
#include "io/file_stream.h"

namespace {

constexpr const char* kInputOpenError = "HTML file open error\n";
constexpr const char* kInputReadError = "HTML file read error\n";
constexpr const char* kOutputOpenError = "OASYS file open error\n";
constexpr const char* kOutputWriteError = "OASYS file write error\n";

}  // namespace

int convert_html_to_document(const ConversionPaths& paths) {
  const std::string& input_path = paths.input_path;
  if (!fits_path_capacity(input_path)) return show_error_and_fail(kInputOpenError);
  platform::File input = platform::open_for_reading(input_path);
  if (input == platform::no_file) return show_error_and_fail(kInputOpenError);

  std::optional<std::string> output_path = replace_extension(input_path, ".DOC");
  if (!output_path || platform::same_file(*output_path, input_path)) {
    platform::close_file(input);
    return show_error_and_fail(kOutputOpenError);
  }
  platform::File output = platform::create_for_writing(*output_path);
  if (output == platform::no_file) {
    platform::close_file(input);
    return show_error_and_fail(kOutputOpenError);
  }

  FileSource source(input);
  ByteReader html(source, ByteReader::Mode::text);
  FileSink sink(output);
  ByteWriter document(sink);
  html.stop_when(&document.failed());
  write_document_from_html(html, document);
  platform::close_file(input);

  if (html.failed() && !document.failed()) {
    discard_output(output, *output_path);
    return show_error_and_fail(kInputReadError);
  }
  if (!finish_output(document, output, *output_path)) return show_error_and_fail(kOutputWriteError);
  return copy_format_template(paths);
}
