// The conversions as file-level jobs: open the input, check what the output may not be, write
// the output, and return what happened. They show nothing; the programs decide how a result is
// shown.
#ifndef WPCONV_JOBS_FILE_JOBS_H_
#define WPCONV_JOBS_FILE_JOBS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "jobs/messages.h"
#include "platform/platform.h"

namespace wpconv {

// What entry hands to a conversion.
struct ConversionPaths {
  std::string program_path;   // the running executable, for the format template beside it
  std::string input_path;     // resolved full path of the file to convert
  std::string template_path;  // the format template, if not the one found beside the program
};

// Which reader reads an HTML input: the exact reader for a file in the program's own dialect
// and the web reader for any other (automatic), or one of them for every file.
enum class HtmlReader { automatic, exact, web };

struct ConversionOptions {
  platform::Replace replace = platform::Replace::allowed;  // what becomes of an existing output
  bool keep_time = false;  // the outputs get the input's modification time
  HtmlReader html_reader = HtmlReader::automatic;
};

struct Failure {
  FileKind file;
  Step step;
  int system_error = 0;  // the system's code for the reason, 0 when it gave none
  std::string path;      // the file concerned
};

struct Result {
  std::optional<Failure> failure;
  std::vector<std::string> outputs;  // the files written, in order
  std::uint64_t bytes_read = 0;      // of the input
  std::uint64_t bytes_written = 0;   // to every output
  // Characters that had no equivalent and were written as stand-ins ("??", a full-width space).
  std::uint64_t without_equivalent = 0;
  // The reader that read an HTML input, exact or web; nothing for any other input.
  std::optional<HtmlReader> html_reader;

  bool ok() const { return !failure; }
};

// The input, from its extension: HTML to a document pair, anything else to HTML.
Result convert_file(const ConversionPaths& paths, const ConversionOptions& options = {});

// The document text named by `paths.input_path` (after its header, for an .OA2 file) into an
// HTML file beside it with the extension .HTM.
Result convert_document_to_html(const ConversionPaths& paths,
                                const ConversionOptions& options = {});

// The document text named by `paths.input_path` (after its header, for an .OA2 file) into a
// UTF-8 HTML5 page beside it with the extension .html.
Result convert_document_to_html5(const ConversionPaths& paths,
                                 const ConversionOptions& options = {});

// The HTML file named by `paths.input_path` into a .DOC text file beside it, then the format
// template into a .FMT file. After a failure on the .FMT file, the .DOC file stays.
Result convert_html_to_document(const ConversionPaths& paths,
                                const ConversionOptions& options = {});

// The paths a conversion of `input_path` writes, in order; nothing where one would not fit the
// system's path limit.
std::optional<std::vector<std::string>> output_paths(const std::string& input_path);

// The path convert_document_to_html5() writes, or nothing where it would not fit the path limit.
std::optional<std::string> html5_output_path(const std::string& input_path);

}  // namespace wpconv

#endif  // WPCONV_JOBS_FILE_JOBS_H_
