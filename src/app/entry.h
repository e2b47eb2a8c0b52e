// From the command line to one conversion.
#ifndef WPCONV_APP_ENTRY_H_
#define WPCONV_APP_ENTRY_H_

#include <string>

namespace wpconv {

// Resolves the path given on the command line, converts the file and shows the message of a
// failure. Returns the exit status: 0, or -1 after an error message.
int run_conversion(const std::string& path_as_given);

}  // namespace wpconv

#endif  // WPCONV_APP_ENTRY_H_
