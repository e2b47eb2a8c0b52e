// What entry hands to a converter.
#ifndef WPCONV_APP_CONVERSION_PATHS_H_
#define WPCONV_APP_CONVERSION_PATHS_H_

#include <string>

struct ConversionPaths {
  std::string program_path;  // the running executable, for the format template beside it
  std::string input_path;    // resolved full path of the file to convert
};

#endif  // WPCONV_APP_CONVERSION_PATHS_H_
