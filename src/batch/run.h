// Carrying out a batch plan: the conversions on several threads, their results reported in the
// order of the inputs.
#ifndef WPCONV_BATCH_RUN_H_
#define WPCONV_BATCH_RUN_H_

#include <string>

#include "batch/options.h"
#include "batch/plan.h"
#include "io/byte_stream.h"

namespace wpconv::batch {

struct Counts {
  unsigned long converted = 0;
  unsigned long skipped = 0;
  unsigned long failed = 0;
};

// Converts what the plan says, or with --dry-run prints on standard output what would be done;
// shows each failure (and each skip, unless quiet) and the progress on standard error, and writes
// one line for each input to `log` if there is one.
Counts run_plan(const Plan& plan, const Options& options, const std::string& program_path,
                ByteWriter* log);

}  // namespace wpconv::batch

#endif  // WPCONV_BATCH_RUN_H_
