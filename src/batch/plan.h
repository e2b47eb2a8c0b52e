// What a batch run will do, decided for every input before anything is converted, so that the
// result depends neither on the order of the conversions nor on how many run at once. Kept small:
// an archive may hold a hundred thousand files.
#ifndef WPCONV_BATCH_PLAN_H_
#define WPCONV_BATCH_PLAN_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "batch/options.h"

namespace wpconv::batch {

enum class Status : std::uint8_t {
  convert,
  skip,               // an output exists and --force is not given
  clash_input,        // an output is an input of the run
  clash_overwritten,  // an input of the run is the output of another
  clash_shared,       // an output is written from another input too
  missing,            // the path names nothing
  unreadable_folder,
  duplicate,  // named before: converted once, not counted again
};

struct Item {
  std::string shown;  // the path as given, or as found below a folder given
  std::uint64_t size = 0;
  Status status = Status::convert;
  std::uint8_t output = 0;  // for a skip or clash: which of its outputs
  bool html5 = false;       // a document to an HTML5 page (--to html5)
  std::uint32_t other = 0;  // for a clash: the other input involved
  int system_error = 0;     // for a missing path or an unreadable folder
};

struct Plan {
  std::vector<Item> items;
  std::string template_path;  // the format template, when anything is converted to documents
};

// The plan for `options`; nothing, with `error` set, for a usage error.
std::optional<Plan> make_plan(const Options& options, const std::string& program_path,
                              std::string& error);

// The full path of an input, and the paths its conversion writes as full paths or as shown.
std::string full_path_of(const Item& item);
std::vector<std::string> outputs_of(const Item& item, bool shown);

// Why an input is not converted, as its line in the log and on standard error says it.
std::string explanation(const Plan& plan, const Item& item);

}  // namespace wpconv::batch

#endif  // WPCONV_BATCH_PLAN_H_
