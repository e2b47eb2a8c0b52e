#include "app/entry.h"

#include "jobs/file_jobs.h"
#include "jobs/paths.h"
#include "platform/platform.h"

namespace wpconv {

namespace {

constexpr const char* HELP =
    "Converts one file and writes the result beside it: an OASYS document (.OA2, .DOC, any\n"
    "extension that does not begin with H) into an .HTM file, or an HTML file (an extension\n"
    "beginning with H) into a .DOC and a .FMT file. Outputs that exist are replaced; when a\n"
    "conversion fails, they stay as they were. For many files or whole folders, use\n"
    "wpconv-batch.\n"
    "\n"
    "On an error one message goes to standard error and the exit status is 255.\n";

std::string usage(const std::string& program_path) {
  std::string name = program_path.substr(final_component_position(program_path));
  return "usage: " + (name.empty() ? std::string("wpconv") : name) + " FILE\n";
}

}  // namespace

int run_conversion(const std::string& path_as_given) {
  ConversionPaths paths;
  paths.program_path = platform::program_path();
  if (path_as_given.empty()) {
    platform::show_message(usage(paths.program_path).c_str());
    return -1;
  }
  // Asked for help or the version: unless a file of that name is there to convert.
  if ((path_as_given == "--help" || path_as_given == "-h" || path_as_given == "--version") &&
      platform::path_info(path_as_given).type == platform::PathType::missing) {
    platform::write_standard_output(path_as_given == "--version"
                                        ? std::string("wpconv " WPCONV_VERSION "\n")
                                        : usage(paths.program_path) + HELP);
    return 0;
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
