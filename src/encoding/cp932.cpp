#include "encoding/cp932.h"

#include <iterator>

namespace wpconv::encoding {

namespace cp932_tables {

const std::uint8_t page_of_high_byte[256] = {
#define WPCONV_CP932_PAGE_INDEX
#include "encoding/unicode_to_cp932.inc"
#undef WPCONV_CP932_PAGE_INDEX
};

const std::uint16_t pages[][256] = {
#include "encoding/unicode_to_cp932.inc"
};

}  // namespace cp932_tables

namespace {

constexpr std::uint16_t single_bytes[] = {
#define WPCONV_CP932_SINGLE
#include "encoding/cp932_to_unicode.inc"
#undef WPCONV_CP932_SINGLE
};
constexpr std::uint16_t NO_SINGLE = 0xFFFF;

constexpr std::uint16_t double_bytes[] = {
#include "encoding/cp932_to_unicode.inc"
};

constexpr unsigned JIS0212_ROWS = 77;
constexpr std::uint16_t jis0212[] = {
#include "encoding/jis0212_to_unicode.inc"
};

// The generated tables have exactly the shapes the lookups take.
static_assert(std::size(single_bytes) == 256);
static_assert(std::size(double_bytes) == CP932_POINTERS);
static_assert(std::size(jis0212) == JIS0212_ROWS * 94);

}  // namespace

char32_t unicode_from_cp932(CharCode code) {
  if (code < 0x100) return single_bytes[code] == NO_SINGLE ? NO_UNICODE : single_bytes[code];
  unsigned lead = code >> 8;
  unsigned trail = code & 0xFF;
  bool lead_ok = (lead - 0x81u <= 0x9Fu - 0x81u) || (lead - 0xE0u <= 0xFCu - 0xE0u);
  bool trail_ok = (trail - 0x40u <= 0x7Eu - 0x40u) || (trail - 0x80u <= 0xFCu - 0x80u);
  if (!lead_ok || !trail_ok) return NO_UNICODE;
  return unicode_from_cp932_pointer((lead - (lead < 0xA0 ? 0x81 : 0xC1)) * 188 + trail -
                                    (trail < 0x7F ? 0x40 : 0x41));
}

char32_t unicode_from_cp932_pointer(unsigned pointer) {
  if (pointer >= CP932_POINTERS || double_bytes[pointer] == 0) return NO_UNICODE;
  return double_bytes[pointer];
}

char32_t unicode_from_jis0212_pointer(unsigned pointer) {
  if (pointer >= JIS0212_ROWS * 94 || jis0212[pointer] == 0) return NO_UNICODE;
  return jis0212[pointer];
}

}  // namespace wpconv::encoding
