// Finding a file's stored name where the system has no call for it.
#ifndef WPCONV_APP_NAME_MATCH_H_
#define WPCONV_APP_NAME_MATCH_H_

#include <string_view>

// True when `name` matches `pattern`: ASCII letters compared without regard to case, '*'
// standing for any run of bytes and '?' for any one byte.
bool name_matches(std::string_view pattern, std::string_view name);

#endif  // WPCONV_APP_NAME_MATCH_H_
