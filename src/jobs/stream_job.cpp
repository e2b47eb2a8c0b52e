#include "jobs/stream_job.h"

#include "doccodes/oa2_header.h"
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

}  // namespace

Result convert_stream(const std::string& input_name, ByteSource& input, ByteSource& format_template,
                      OutputMaker& outputs) {
  Result result;
  const StreamRule& rule = rule_for(input_name);
  run(rule, input_name, input, is_oa2_extension(input_name),
      with_extension(input_name, rule.output_extension), outputs, result);
  if (rule.then != nullptr && result.ok()) {
    run(*rule.then, "", format_template, false,
        with_extension(input_name, rule.then->output_extension), outputs, result);
  }
  return result;
}

}  // namespace wpconv
