// Finding a file's stored name where the system has no call for it.
#ifndef WPCONV_PLATFORM_NAME_MATCH_H_
#define WPCONV_PLATFORM_NAME_MATCH_H_

#include <string_view>

namespace wpconv {

// True when `name` matches `pattern`: ASCII letters compared without regard to case, '*'
// standing for any run of bytes and '?' for any one byte.
bool name_matches(std::string_view pattern, std::string_view name);

}  // namespace wpconv

#endif  // WPCONV_PLATFORM_NAME_MATCH_H_
