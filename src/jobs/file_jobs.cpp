#include "jobs/file_jobs.h"

#include <thread>

#include "doccodes/oa2_header.h"
#include "html2doc/html_tags.h"
#include "io/file_stream.h"
#include "jobs/paths.h"
#include "jobs/stream_rules.h"
#include "platform/platform.h"

namespace wpconv {

namespace {

constexpr std::uint64_t LARGE_FILE = 4 * STREAM_BLOCK_SIZE;

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
  std::uint64_t (*convert)(ByteReader& input, ByteWriter& output);
  // The file whose modification time the output keeps, if not the input (the template copy
  // takes the HTML's).
  const std::string* time_of = nullptr;
};

void fail(Result& result, FileKind file, Step step, const std::string& path, int system_error = 0) {
  result.failure = Failure{file, step, system_error, path};
}

// Adds what the job did to `result`.
void run(const StreamJob& job, const ConversionOptions& options, Result& result) {
  if (!platform::fits_path_capacity(job.input_path)) {
    return fail(result, job.input_kind, Step::open, job.input_path);
  }
  platform::File input = platform::File::open_for_reading(job.input_path);
  if (!input.is_open()) {
    return fail(result, job.input_kind, Step::open, job.input_path, platform::last_error());
  }
  FileSource source(input);
  // A large file is read ahead and written behind on threads of their own, so that the system's
  // copying overlaps the conversion; for a small one, starting them would cost more.
  const bool threads = input.size() >= LARGE_FILE && std::thread::hardware_concurrency() > 1;
  ByteReader reader(source, job.input_mode, threads);
  if (job.skip_oa2_header && !skip_oa2_header(reader)) {
    // An .OA2 file without the marker after its header holds no document.
    result.bytes_read += reader.consumed();
    return reader.failed()
               ? fail(result, job.input_kind, Step::read, job.input_path, source.error())
               : fail(result, job.input_kind, Step::open, job.input_path);
  }

  if (!job.output_path) return fail(result, job.output_kind, Step::open, job.input_path);
  const std::string& output_path = *job.output_path;
  if (job.not_output != nullptr && platform::same_file(output_path, *job.not_output)) {
    return fail(result, job.output_kind, Step::open, output_path);
  }
  if (platform::same_file(output_path, job.input_path)) {
    if (!job.output_may_be_input) fail(result, job.output_kind, Step::open, output_path);
    return;
  }
  platform::OutputFile output = platform::OutputFile::create(output_path, options.replace);
  if (!output.is_open()) {
    return fail(result, job.output_kind, Step::open, output_path, platform::last_error());
  }

  FileSink sink(output);
  ByteWriter writer(sink, job.output_mode, threads);
  reader.stop_when(&writer.failed());
  result.without_equivalent += job.convert(reader, writer);
  const bool read_failed = reader.failed();
  // HTML ends at the end of its body; what follows counts as read, so that the count does not
  // depend on where the buffer's blocks end. A failure there is no failure of the conversion.
  if (job.input_mode == ByteReader::Mode::text && !writer.failed()) reader.skip_to_end();
  result.bytes_read += reader.consumed();
  // Whatever is not committed is removed when `output` goes.
  if (read_failed && !writer.failed()) {
    return fail(result, job.input_kind, Step::read, job.input_path, source.error());
  }
  if (!writer.flush()) {
    return fail(result, job.output_kind, Step::write, output_path, sink.error());
  }
  std::optional<platform::FileTime> time;
  if (options.keep_time) {
    time = job.time_of == nullptr
               ? input.modification_time()
               : platform::File::open_for_reading(*job.time_of).modification_time();
  }
  if (!output.commit(time ? &*time : nullptr)) {
    return fail(result, job.output_kind, Step::write, output_path, platform::last_error());
  }
  result.bytes_written += sink.count();
  result.outputs.push_back(output_path);
}

// The job of one rule; a conversion's own output is never its input.
StreamJob rule_job(const StreamRule& rule, const std::string& input_path) {
  return {.input_path = input_path,
          .input_kind = rule.input_kind,
          .input_mode = rule.input_mode,
          .skip_oa2_header = is_oa2_extension(input_path),
          .output_path = replace_extension(input_path, rule.output_extension),
          .output_kind = rule.output_kind,
          .output_mode = rule.output_mode,
          .not_output = nullptr,
          .output_may_be_input = false,
          .convert = rule.convert};
}

void copy_template(const ConversionPaths& paths, const ConversionOptions& options, Result& result) {
  std::string template_path = paths.template_path;
  if (template_path.empty()) {
    // The first that exists, or else the first, whose open error is then reported.
    std::vector<std::string> candidates = format_template_candidates(paths.program_path);
    if (candidates.empty()) return fail(result, FileKind::format_template, Step::open, "");
    template_path = candidates.front();
    for (const std::string& candidate : candidates) {
      if (platform::path_info(candidate).type != platform::PathType::missing) {
        template_path = candidate;
        break;
      }
    }
  }
  const StreamRule& rule = FORMAT_FILE_COPY;
  run({.input_path = template_path,
       .input_kind = rule.input_kind,
       .input_mode = rule.input_mode,
       .skip_oa2_header = false,
       .output_path = replace_extension(paths.input_path, rule.output_extension),
       .output_kind = rule.output_kind,
       .output_mode = rule.output_mode,
       .not_output = &paths.input_path,
       // An HTML file named after the program, beside it: the template already holds exactly
       // the copy.
       .output_may_be_input = true,
       .convert = rule.convert,
       .time_of = &paths.input_path},
      options, result);
}

}  // namespace

Result convert_file(const ConversionPaths& paths, const ConversionOptions& options) {
  return is_html_input(paths.input_path) ? convert_html_to_document(paths, options)
                                         : convert_document_to_html(paths, options);
}

Result convert_document_to_html(const ConversionPaths& paths, const ConversionOptions& options) {
  Result result;
  run(rule_job(DOCUMENT_TO_HTML, paths.input_path), options, result);
  return result;
}

Result convert_document_to_html5(const ConversionPaths& paths, const ConversionOptions& options) {
  Result result;
  run(rule_job(DOCUMENT_TO_HTML5, paths.input_path), options, result);
  return result;
}

std::optional<std::string> html5_output_path(const std::string& input_path) {
  return replace_extension(input_path, DOCUMENT_TO_HTML5.output_extension);
}

Result convert_html_to_document(const ConversionPaths& paths, const ConversionOptions& options) {
  Result result;
  // The reader, from a first pass over the file: one in the program's own dialect is read
  // exactly, any other as a browser reads it. A file that cannot be opened fails below.
  HtmlReader reader = options.html_reader;
  if (reader == HtmlReader::automatic) {
    reader = HtmlReader::exact;
    platform::File input = platform::fits_path_capacity(paths.input_path)
                               ? platform::File::open_for_reading(paths.input_path)
                               : platform::File();
    if (input.is_open()) {
      FileSource source(input);
      ByteReader first_pass(source, ByteReader::Mode::text);
      if (!is_exact_dialect(first_pass)) reader = HtmlReader::web;
    }
  }
  run(rule_job(reader == HtmlReader::exact ? HTML_TO_DOCUMENT : WEB_HTML_TO_DOCUMENT,
               paths.input_path),
      options, result);
  if (!result.failure || result.failure->file != FileKind::html) result.html_reader = reader;
  if (result.ok()) copy_template(paths, options, result);
  return result;
}

std::optional<std::vector<std::string>> output_paths(const std::string& input_path) {
  std::vector<std::string> paths;
  for (const StreamRule* rule = &rule_for(input_path); rule != nullptr; rule = rule->then) {
    std::optional<std::string> path = replace_extension(input_path, rule->output_extension);
    if (!path) return std::nullopt;
    paths.push_back(*path);
  }
  return paths;
}

}  // namespace wpconv
