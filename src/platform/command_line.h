// The part of a Windows command line that names the file to convert.
#ifndef WPCONV_PLATFORM_COMMAND_LINE_H_
#define WPCONV_PLATFORM_COMMAND_LINE_H_

#include <string_view>

namespace wpconv {

// Skips blanks, the program name (quoted or not) and blanks again; the rest is the path,
// verbatim, quotes and inner spaces included. A program name whose opening quote is never
// closed runs to the end, leaving nothing.
std::string_view command_line_remainder(std::string_view command_line);

// The path without one pair of double quotes around the whole of it. Windows puts them around a
// dropped file's path when it holds a space; a file name can never contain a double quote, so
// such a path would otherwise name no file at all.
std::string_view unquoted_path(std::string_view path);

}  // namespace wpconv

#endif  // WPCONV_PLATFORM_COMMAND_LINE_H_
