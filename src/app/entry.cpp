#include "app/entry.h"

#include "app/conversion_paths.h"
#include "app/paths.h"
#include "app/platform.h"
#include "app/show_error.h"
#include "doc2html/doc_to_html.h"
#include "html2doc/html_to_doc.h"

int run_conversion(const std::string& path_as_given) {
  ConversionPaths paths;
  paths.program_path = platform::program_path();
  if (path_as_given.empty()) {
    std::string usage = "usage: ";
    usage += paths.program_path.substr(final_component_position(paths.program_path));
    if (paths.program_path.empty()) usage += "wpconv";
    usage += " FILE\n";
    show_error(usage.c_str());
    return -1;
  }

  platform::FullPath full = platform::full_path(path_as_given);
  if (std::optional<std::string> name = platform::stored_name(path_as_given, full)) {
    full.path.replace(full.final_component, std::string::npos, *name);
  }
  paths.input_path = full.path;

  if (is_html_input(paths.input_path)) return convert_html_to_document(paths);
  return convert_document_to_html(paths);
}
