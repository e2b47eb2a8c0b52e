#include "jobs/file_jobs.h"

#include "doc2html/document_to_html.h"
#include "doccodes/oa2_header.h"
#include "html2doc/html_to_document.h"
#include "io/file_stream.h"
#include "jobs/paths.h"
#include "platform/platform.h"

namespace wpconv {

namespace {

// One input streamed through a converter into one output, with every check that comes first.
struct StreamJob {
  const std::string& input_path;
  FileKind input_kind;
  ByteReader::Mode input_mode;
  bool skip_oa2_header;
  std::optional<std::string> output_path;  // nothing: it would not fit the path limit
  FileKind output_kind;
  ByteWriter::Mode output_mode;
  // Another file the output must not be (the HTML input of a template copy), or nothing.
  const std::string* not_output;
  // Whether an output that is the input itself means there is nothing to do (the template copy
  // onto the template) rather than a refusal (a conversion would destroy its input).
  bool output_may_be_input;
  void (*convert)(ByteReader& input, ByteWriter& output);
};

Result failed(FileKind file, Step step, int system_error = 0) {
  return Result{Failure{file, step, system_error}};
}

Result run(const StreamJob& job) {
  if (!platform::fits_path_capacity(job.input_path)) return failed(job.input_kind, Step::open);
  platform::File input = platform::File::open_for_reading(job.input_path);
  if (!input.is_open()) return failed(job.input_kind, Step::open, platform::last_error());
  FileSource source(input);
  ByteReader reader(source, job.input_mode);
  if (job.skip_oa2_header && !skip_oa2_header(reader)) {
    // An .OA2 file without the marker after its header holds no document.
    return reader.failed() ? failed(job.input_kind, Step::read, source.error())
                           : failed(job.input_kind, Step::open);
  }

  if (!job.output_path) return failed(job.output_kind, Step::open);
  if (job.not_output != nullptr && platform::same_file(*job.output_path, *job.not_output)) {
    return failed(job.output_kind, Step::open);
  }
  if (platform::same_file(*job.output_path, job.input_path)) {
    if (job.output_may_be_input) return {};
    return failed(job.output_kind, Step::open);
  }
  platform::OutputFile output = platform::OutputFile::create(*job.output_path);
  if (!output.is_open()) return failed(job.output_kind, Step::open, platform::last_error());

  FileSink sink(output);
  ByteWriter writer(sink, job.output_mode);
  reader.stop_when(&writer.failed());
  job.convert(reader, writer);
  // Whatever is not committed is removed when `output` goes.
  if (reader.failed() && !writer.failed()) {
    return failed(job.input_kind, Step::read, source.error());
  }
  if (!writer.flush()) return failed(job.output_kind, Step::write, sink.error());
  if (!output.commit()) return failed(job.output_kind, Step::write, platform::last_error());
  return {};
}

void copy_bytes(ByteReader& input, ByteWriter& output) {
  for (int byte; (byte = input.get()) >= 0;) {
    output.put(static_cast<unsigned char>(byte));
    output.write_unchanged(input.data(), input.available());
    input.advance(input.available());
  }
}

}  // namespace

Result convert_file(const ConversionPaths& paths) {
  return is_html_input(paths.input_path) ? convert_html_to_document(paths)
                                         : convert_document_to_html(paths);
}

Result convert_document_to_html(const ConversionPaths& paths) {
  return run({.input_path = paths.input_path,
              .input_kind = FileKind::document,
              .input_mode = ByteReader::Mode::binary,
              .skip_oa2_header = is_oa2_extension(paths.input_path),
              .output_path = replace_extension(paths.input_path, ".HTM"),
              .output_kind = FileKind::html,
              .output_mode = ByteWriter::Mode::text,
              .not_output = nullptr,
              .output_may_be_input = false,
              .convert = document_to_html});
}

Result convert_html_to_document(const ConversionPaths& paths) {
  Result result = run({.input_path = paths.input_path,
                       .input_kind = FileKind::html,
                       .input_mode = ByteReader::Mode::text,
                       .skip_oa2_header = false,
                       .output_path = replace_extension(paths.input_path, ".DOC"),
                       .output_kind = FileKind::document,
                       .output_mode = ByteWriter::Mode::binary,
                       .not_output = nullptr,
                       .output_may_be_input = false,
                       .convert = html_to_document});
  if (!result.ok()) return result;
  return copy_format_template(paths);
}

Result copy_format_template(const ConversionPaths& paths) {
  std::optional<std::string> template_path = format_template_path(paths.program_path);
  if (!template_path) return failed(FileKind::format_template, Step::open);
  return run({.input_path = *template_path,
              .input_kind = FileKind::format_template,
              .input_mode = ByteReader::Mode::binary,
              .skip_oa2_header = false,
              .output_path = replace_extension(paths.input_path, ".FMT"),
              .output_kind = FileKind::format_file,
              .output_mode = ByteWriter::Mode::binary,
              .not_output = &paths.input_path,
              // An HTML file named after the program, beside it: the template already holds
              // exactly the copy.
              .output_may_be_input = true,
              .convert = copy_bytes});
}

}  // namespace wpconv
