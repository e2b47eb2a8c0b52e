#include "doc2html/external_chars.h"

namespace wpconv {

namespace {

constexpr CharCode external_char_table[EXTERNAL_CHAR_ROWS][EXTERNAL_CHAR_ROW_SIZE] = {
#include "doc2html/external_chars.inc"
};

// A replacement is written as it stands, through a text-mode writer: no byte of it may be LF.
constexpr bool holds_no_lf() {
  for (const auto& row : external_char_table) {
    for (CharCode entry : row) {
      if ((entry >> 8) == '\n' || (entry & 0xFF) == '\n') return false;
    }
  }
  return true;
}
static_assert(holds_no_lf());

}  // namespace

CharCode external_char_replacement(CharCode code) {
  unsigned row = (code >> 8) - (EXTERNAL_CHAR_FIRST >> 8);
  unsigned trail = code & 0xFF;
  if (row >= EXTERNAL_CHAR_ROWS || trail < EXTERNAL_CHAR_TRAIL_FIRST ||
      trail > EXTERNAL_CHAR_TRAIL_LAST) {
    return NO_REPLACEMENT;
  }
  return external_char_table[row][trail - EXTERNAL_CHAR_TRAIL_FIRST];
}

}  // namespace wpconv
