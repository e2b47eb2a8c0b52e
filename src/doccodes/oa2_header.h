// Where the text of an .OA2 file begins.
#ifndef WPCONV_DOCCODES_OA2_HEADER_H_
#define WPCONV_DOCCODES_OA2_HEADER_H_

#include <string_view>

#include "io/byte_stream.h"

namespace wpconv {

// True when the path's extension, from its last '.', is exactly ".OA2" or ".oa2".
bool is_oa2_extension(std::string_view path);

// Reads past the header: from offset 2000 on, up to the first F0 04 pair and the two bytes
// after it. False when the input ends before such a pair: then it holds no document text.
bool skip_oa2_header(ByteReader& input);

}  // namespace wpconv

#endif  // WPCONV_DOCCODES_OA2_HEADER_H_
