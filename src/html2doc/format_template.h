// The format file of a document pair, copied from a template beside the program.
#ifndef WPCONV_HTML2DOC_FORMAT_TEMPLATE_H_
#define WPCONV_HTML2DOC_FORMAT_TEMPLATE_H_

#include <optional>
#include <string>
#include <string_view>

#include "app/conversion_paths.h"

// The template's path: the program's path with the extension .FMT. A program file name without
// a dot (usual outside Windows) gets .FMT appended, so a dot in a directory name is never taken
// for the program's extension.
std::optional<std::string> format_template_path(std::string_view program_path);

// Copies the template byte for byte into the input path with the extension .FMT. Returns 0, or
// -1 after showing one error message.
int copy_format_template(const ConversionPaths& paths);

#endif  // WPCONV_HTML2DOC_FORMAT_TEMPLATE_H_
