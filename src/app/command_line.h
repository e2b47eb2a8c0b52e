// The part of a Windows command line that names the file to convert.
#ifndef WPCONV_APP_COMMAND_LINE_H_
#define WPCONV_APP_COMMAND_LINE_H_

#include <string_view>

// Skips blanks, the program name (quoted or not) and blanks again; the rest is the path,
// verbatim, quotes and inner spaces included. A program name whose opening quote is never
// closed runs to the end, leaving nothing.
std::string_view command_line_remainder(std::string_view command_line);

#endif  // WPCONV_APP_COMMAND_LINE_H_
