// Which encoding a page is in, from its first bytes.
#ifndef WPCONV_ENCODING_DETECT_H_
#define WPCONV_ENCODING_DETECT_H_

#include <cstddef>

#include "encoding/encoding.h"

namespace wpconv::encoding {

// The largest first block detect_encoding looks at.
inline constexpr std::size_t DETECTION_BLOCK = 64 * 1024;
// How much of the page the <meta> prescan reads, as browsers do.
inline constexpr std::size_t PRESCAN_LENGTH = 1024;

struct Detected {
  Encoding encoding;
  std::size_t bom_length;  // bytes of byte order mark to skip before decoding
  enum class Source { bom, meta, xml_declaration, detected } source;
};

// The encoding of a page whose first bytes (up to DETECTION_BLOCK of them) are `data`: a byte
// order mark; else a <meta charset> or <meta http-equiv="Content-Type" content="...charset=...">
// in the first PRESCAN_LENGTH bytes, found as browsers find it; else the encoding of an XML
// declaration; else what the bytes look like: ISO-2022-JP escapes, valid UTF-8, or whichever of
// Shift_JIS and EUC-JP reads them without errors and with more kana and common kanji.
Detected detect_encoding(const unsigned char* data, std::size_t size);

}  // namespace wpconv::encoding

#endif  // WPCONV_ENCODING_DETECT_H_
