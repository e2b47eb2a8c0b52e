#include "jobs/stream_job.h"

#include "doccodes/oa2_header.h"
#include "html2doc/html_tags.h"
#include "jobs/stream_rules.h"

namespace wpconv {

namespace {

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
  if (reader.failed() && !writer.failed()) {
    result.failure = Failure{rule.input_kind, Step::read, 0, input_name};
  } else if (!writer.flush()) {
    result.failure = Failure{rule.output_kind, Step::write, 0, output_name};
  } else {
    result.outputs.push_back(output_name);
  }
}

// The rule for HTML: a first pass over the input tells whether it is in the program's own
// dialect, as the file job does; the input is then read again from its start.
const StreamRule* html_rule(const std::string& input_name, ByteSource& input, Result& result) {
  bool exact;
  {
    ByteReader first_pass(input, ByteReader::Mode::text);
    exact = is_exact_dialect(first_pass);
  }
  if (!input.rewind()) {
    result.failure = Failure{FileKind::html, Step::read, 0, input_name};
    return nullptr;
  }
  result.html_reader = exact ? HtmlReader::exact : HtmlReader::web;
  return exact ? &HTML_TO_DOCUMENT : &WEB_HTML_TO_DOCUMENT;
}

}  // namespace

Result convert_stream(const std::string& input_name, ByteSource& input, ByteSource& format_template,
                      OutputMaker& outputs) {
  Result result;
  const StreamRule* chosen = &rule_for(input_name);
  if (chosen == &HTML_TO_DOCUMENT) chosen = html_rule(input_name, input, result);
  if (chosen == nullptr) return result;
  const StreamRule& rule = *chosen;
  run(rule, input_name, input, is_oa2_extension(input_name),
      with_extension(input_name, rule.output_extension), outputs, result);
  if (rule.then != nullptr && result.ok()) {
    run(*rule.then, "", format_template, false,
        with_extension(input_name, rule.then->output_extension), outputs, result);
  }
  return result;
}

}  // namespace wpconv
