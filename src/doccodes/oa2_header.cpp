#include "doccodes/oa2_header.h"

#include "doccodes/doc_codes.h"

namespace wpconv {

bool is_oa2_extension(std::string_view path) {
  std::size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string_view extension = path.substr(dot);
  return extension == ".OA2" || extension == ".oa2";
}

bool skip_oa2_header(ByteReader& input) {
  constexpr int HEADER_SIZE = 2000;
  for (int i = 0; i < HEADER_SIZE; ++i) {
    if (input.get() < 0) return false;
  }
  const unsigned char marker_lead = CONTROL_SEQUENCE >> 8, marker_trail = CONTROL_SEQUENCE & 0xFF;
  for (;;) {
    int byte = input.get();
    if (byte < 0) return false;
    if (byte != marker_lead) continue;
    // The byte after an F0 is used up whatever it is: F0 F0 04 does not match.
    byte = input.get();
    if (byte < 0) return false;
    if (byte == marker_trail) break;
  }
  // A file that ends within the marker's two operand bytes holds an empty text.
  input.get();
  input.get();
  return true;
}

}  // namespace wpconv
