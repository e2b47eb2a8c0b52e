// Path texts: derived names and the choice of direction.
#ifndef WPCONV_JOBS_PATHS_H_
#define WPCONV_JOBS_PATHS_H_

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "jobs/stream_rules.h"

namespace wpconv {

// The path with everything from its last '.' (even one in a directory name) replaced by
// `extension`; with no '.' at all, the extension is appended. Nothing when the result would not
// fit the system's path limit: a shortened name could overwrite another file.
std::optional<std::string> replace_extension(std::string_view path, std::string_view extension);

// Where the final component of a path begins.
std::size_t final_component_position(std::string_view path);

// The format template's path: the program's path with the extension .FMT. A program file name
// without a dot (usual outside Windows) gets .FMT appended, so a dot in a directory name is never
// taken for the program's extension.
std::optional<std::string> format_template_path(std::string_view program_path);

// Where to look for the format template, in order: beside the program, then under the same name
// in ../share/wpconv/ from the program's folder, where an installed copy keeps it.
std::vector<std::string> format_template_candidates(std::string_view program_path);

}  // namespace wpconv

#endif  // WPCONV_JOBS_PATHS_H_
