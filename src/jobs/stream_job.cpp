#include "jobs/stream_job.h"

#include "doccodes/oa2_header.h"
#include "html2doc/html_tags.h"
#include "html2doc/html_to_document.h"
#include "jobs/stream_rules.h"

namespace wpconv {

namespace {

// Adds the end of a conversion to `result`: a read failure, a write failure or a complete output.
void finish(const StreamRule& rule, ByteReader& reader, ByteWriter& writer,
            const std::string& input_name, const std::string& output_name, Result& result) {
  if (reader.failed() && !writer.failed()) {
    result.failure = Failure{rule.input_kind, Step::read, 0, input_name};
  } else if (!writer.flush()) {
    result.failure = Failure{rule.output_kind, Step::write, 0, output_name};
  } else {
    result.outputs.push_back(output_name);
  }
}

// Adds what streaming `source` into its output by `rule` did to `result`.
void run(const StreamRule& rule, const std::string& input_name, ByteSource& source,
         bool skip_header, const std::string& output_name, OutputMaker& outputs, Result& result) {
  ByteReader reader(source, rule.input_mode);
  if (skip_header && !skip_oa2_header(reader)) {
    // An .OA2 file without the marker after its header holds no document.
    result.failure =
        Failure{rule.input_kind, reader.failed() ? Step::read : Step::open, 0, input_name};
    return;
  }
  ByteSink& sink = outputs.create(output_name);
  ByteWriter writer(sink, rule.output_mode);
  reader.stop_when(&writer.failed());
  result.without_equivalent += rule.convert(reader, writer);
  finish(rule, reader, writer, input_name, output_name, result);
}

// HTML, as the file job reads it: the exact reader reads first and checks the dialect as it goes,
// the rest after the end of the body included; at a tag of another dialect, the output begins
// anew and the web reader reads the input again from its start.
void run_html(const std::string& input_name, ByteSource& input, const std::string& output_name,
              OutputMaker& outputs, Result& result) {
  {
    ByteReader reader(input, HTML_TO_DOCUMENT.input_mode);
    ByteSink& sink = outputs.create(output_name);
    ByteWriter writer(sink, HTML_TO_DOCUMENT.output_mode);
    reader.stop_when(&writer.failed());
    const std::optional<std::uint64_t> without_equivalent =
        dialect_html_to_document(reader, writer);
    if (without_equivalent && (writer.failed() || is_exact_dialect(reader))) {
      result.html_reader = HtmlReader::exact;
      result.without_equivalent += *without_equivalent;
      // A read that failed, during the conversion or the check after it, is the reader's.
      return finish(HTML_TO_DOCUMENT, reader, writer, input_name, output_name, result);
    }
  }
  if (!input.rewind()) {
    result.failure = Failure{FileKind::html, Step::read, 0, input_name};
    return;
  }
  result.html_reader = HtmlReader::web;
  run(WEB_HTML_TO_DOCUMENT, input_name, input, false, output_name, outputs, result);
}

}  // namespace

Result convert_stream(const std::string& input_name, ByteSource& input, ByteSource& format_template,
                      OutputMaker& outputs) {
  Result result;
  const StreamRule& rule = rule_for(input_name);
  const std::string output_name = with_extension(input_name, rule.output_extension);
  if (&rule == &HTML_TO_DOCUMENT) {
    run_html(input_name, input, output_name, outputs, result);
  } else {
    run(rule, input_name, input, is_oa2_extension(input_name), output_name, outputs, result);
  }
  if (rule.then != nullptr && result.ok()) {
    run(*rule.then, "", format_template, false,
        with_extension(input_name, rule.then->output_extension), outputs, result);
  }
  return result;
}

}  // namespace wpconv
