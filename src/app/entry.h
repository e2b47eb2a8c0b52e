// From the command line to one conversion.
#ifndef WPCONV_APP_ENTRY_H_
#define WPCONV_APP_ENTRY_H_

#include <string>

// Resolves the path given on the command line, chooses the direction from its extension and
// runs the converter. Returns the exit status: 0, or -1 after an error message.
int run_conversion(const std::string& path_as_given);

#endif  // WPCONV_APP_ENTRY_H_
