// A conversion for a caller without files, such as a web page: the input comes from a byte
// source and each output goes to a sink the caller makes. Named as the input file would be, it
// makes the file job's choices (the direction, the outputs' names, the .OA2 header, the format
// file beside a document) and fails with the same messages.
#ifndef WPCONV_JOBS_STREAM_JOB_H_
#define WPCONV_JOBS_STREAM_JOB_H_

#include <string>

#include "io/byte_stream.h"
#include "jobs/file_jobs.h"

namespace wpconv {

// Where the outputs go: a sink for each, asked for by name in the order they are written. A name
// asked for again starts that output anew (HTML found to be of another dialect half-way).
class OutputMaker {
 public:
  virtual ~OutputMaker() = default;
  virtual ByteSink& create(const std::string& name) = 0;
};

// Converts `input`, named `input_name`, and copies `format_template` beside a document; HTML of
// another dialect than the program's own is read twice, so `input` must rewind. Only the
// outputs listed in the result are complete: the caller drops any other sink it made. A failure
// names the input or output concerned; its message is message_text(file, step).
Result convert_stream(const std::string& input_name, ByteSource& input, ByteSource& format_template,
                      OutputMaker& outputs);

}  // namespace wpconv

#endif  // WPCONV_JOBS_STREAM_JOB_H_
