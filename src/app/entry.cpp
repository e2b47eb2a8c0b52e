#include "app/entry.h"

#include "jobs/file_jobs.h"
#include "jobs/paths.h"
#include "platform/platform.h"

namespace wpconv {

int run_conversion(const std::string& path_as_given) {
  ConversionPaths paths;
  paths.program_path = platform::program_path();
  if (path_as_given.empty()) {
    std::string usage = "usage: ";
    usage += paths.program_path.substr(final_component_position(paths.program_path));
    if (paths.program_path.empty()) usage += "wpconv";
    usage += " FILE\n";
    platform::show_message(usage.c_str());
    return -1;
  }

  platform::FullPath full = platform::full_path(path_as_given);
  if (std::optional<std::string> name = platform::stored_name(path_as_given, full)) {
    full.path.replace(full.final_component, std::string::npos, *name);
  }
  paths.input_path = full.path;

  Result result = convert_file(paths);
  if (result.ok()) return 0;
  platform::show_message(message_text(result.failure->file, result.failure->step));
  return -1;
}

}  // namespace wpconv
