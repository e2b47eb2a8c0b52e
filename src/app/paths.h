// Path texts: derived names and the choice of direction.
#ifndef WPCONV_APP_PATHS_H_
#define WPCONV_APP_PATHS_H_

#include <optional>
#include <string>
#include <string_view>

// True when a path of this length, with its terminating zero, fits the system's limit.
bool fits_path_capacity(std::string_view path);

// The path with everything from its last '.' (even one in a directory name) replaced by
// `extension`; with no '.' at all, the extension is appended. Nothing when the result would not
// fit the system's path limit: a shortened name could overwrite another file.
std::optional<std::string> replace_extension(std::string_view path, std::string_view extension);

// True when the character after the path's last '.' is 'H' or 'h': the HTML direction.
bool is_html_input(std::string_view path);

// Where the final component of a path begins.
std::size_t final_component_position(std::string_view path);

#endif  // WPCONV_APP_PATHS_H_
