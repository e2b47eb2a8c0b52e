#include "jobs/file_jobs.h"

#include <thread>

#include "doccodes/oa2_header.h"
#include "html2doc/html_tags.h"
#include "html2doc/html_to_document.h"
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
  // For HTML whose tags choose its reader: the exact reader, which reads the input first, in text
  // mode, and stops with nothing at a tag of another dialect; then `convert` reads the input
  // again from its start. The job tells the reader in the result.
  std::optional<std::uint64_t> (*exact_first)(ByteReader& input, ByteWriter& output) = nullptr;
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
  // A large file is read ahead and written behind on threads of their own, so that the system's
  // copying overlaps the conversion; for a small one, starting them would cost more.
  const bool threads = input.size() >= LARGE_FILE && std::thread::hardware_concurrency() > 1;
  bool exact_first = job.exact_first != nullptr;
  std::optional<FileSource> source(std::in_place, input);
  std::optional<ByteReader> reader(std::in_place, *source,
                                   exact_first ? ByteReader::Mode::text : job.input_mode, threads);
  // Reads the input again from its start: false, with the failure, if it cannot be opened now.
  auto reopen = [&](ByteReader::Mode mode) {
    reader.reset();
    input = platform::File::open_for_reading(job.input_path);
    if (!input.is_open()) {
      fail(result, job.input_kind, Step::open, job.input_path, platform::last_error());
      return false;
    }
    source.emplace(input);
    reader.emplace(*source, mode, threads);
    return true;
  };
  if (job.skip_oa2_header && !skip_oa2_header(*reader)) {
    // An .OA2 file without the marker after its header holds no document.
    result.bytes_read += reader->consumed();
    return reader->failed()
               ? fail(result, job.input_kind, Step::read, job.input_path, source->error())
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
  if (exact_first && output.in_place()) {
    // What is written in place cannot be taken back: the tags choose the reader in a pass of
    // their own before anything is written.
    exact_first = is_exact_dialect(*reader);
    if (!reopen(exact_first ? ByteReader::Mode::text : job.input_mode)) return;
  }

  std::optional<FileSink> sink(std::in_place, output);
  std::optional<ByteWriter> writer(std::in_place, *sink, job.output_mode, threads);
  reader->stop_when(&writer->failed());
  bool read_failed = false;
  if (exact_first) {
    const std::optional<std::uint64_t> without_equivalent = job.exact_first(*reader, *writer);
    read_failed = reader->failed();
    // What follows the end of the body must hold no other tag either, and counts as read, as
    // below; a read failure there is no failure of the conversion.
    exact_first = without_equivalent && (writer->failed() || is_exact_dialect(*reader));
    if (exact_first) {
      result.without_equivalent += *without_equivalent;
    } else {
      // Another dialect: the output begins again, unless nothing has reached it yet.
      reader.reset();
      writer.reset();
      const bool written = sink->count() != 0 || sink->error() != 0;
      sink.reset();
      if (written) {
        output.discard();
        output = platform::OutputFile::create(output_path, options.replace);
        if (!output.is_open()) {
          return fail(result, job.output_kind, Step::open, output_path, platform::last_error());
        }
      }
      if (!reopen(job.input_mode)) return;
      sink.emplace(output);
      writer.emplace(*sink, job.output_mode, threads);
      reader->stop_when(&writer->failed());
    }
  }
  if (!exact_first) {
    result.without_equivalent += job.convert(*reader, *writer);
    read_failed = reader->failed();
    // HTML ends at the end of its body; what follows counts as read, so that the count does not
    // depend on where the buffer's blocks end. A failure there is no failure of the conversion.
    if (job.input_mode == ByteReader::Mode::text && !writer->failed()) reader->skip_to_end();
  }
  if (job.exact_first != nullptr) {
    result.html_reader = exact_first ? HtmlReader::exact : HtmlReader::web;
  }
  result.bytes_read += reader->consumed();
  // Whatever is not committed is removed when `output` goes.
  if (read_failed && !writer->failed()) {
    return fail(result, job.input_kind, Step::read, job.input_path, source->error());
  }
  if (!writer->flush()) {
    return fail(result, job.output_kind, Step::write, output_path, sink->error());
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
  result.bytes_written += sink->count();
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

// Whether the file at `path` is in the program's own dialect, in a pass of its own; true where it
// cannot be read, as nothing then tells otherwise.
bool in_exact_dialect(const std::string& path) {
  platform::File input = platform::fits_path_capacity(path) ? platform::File::open_for_reading(path)
                                                            : platform::File();
  if (!input.is_open()) return true;
  FileSource source(input);
  ByteReader reader(source, ByteReader::Mode::text);
  return is_exact_dialect(reader);
}

Result convert_html_to_document(const ConversionPaths& paths, const ConversionOptions& options) {
  Result result;
  // One in the program's own dialect is read exactly, any other as a browser reads it. Unless a
  // reader is forced, the exact reader reads first, and checks the dialect as it goes.
  const HtmlReader forced = options.html_reader;
  StreamJob job = rule_job(forced == HtmlReader::exact ? HTML_TO_DOCUMENT : WEB_HTML_TO_DOCUMENT,
                           paths.input_path);
  if (forced == HtmlReader::automatic) job.exact_first = dialect_html_to_document;
  run(job, options, result);
  if (forced != HtmlReader::automatic) {
    result.html_reader = forced;
  } else if (!result.html_reader && result.failure && result.failure->file != FileKind::html) {
    // The output could not be begun, so no reader has read the file: the reader named is the
    // one its tags choose.
    result.html_reader = in_exact_dialect(paths.input_path) ? HtmlReader::exact : HtmlReader::web;
  }
  if (result.failure && result.failure->file == FileKind::html) result.html_reader.reset();
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
