// Bytes in one of the page encodings to Unicode code points, a buffer at a time.
#ifndef WPCONV_ENCODING_DECODER_H_
#define WPCONV_ENCODING_DECODER_H_

#include <cstddef>

#include "encoding/encoding.h"

namespace wpconv::encoding {

inline constexpr char32_t REPLACEMENT_CHARACTER = 0xFFFD;
// The most bytes decode() leaves unconsumed at the end of a buffer when not `last`: the caller
// keeps that many for the next call.
inline constexpr std::size_t MAX_UNCONSUMED = 3;

// Decodes as browsers do: a malformed sequence is one U+FFFD, and what follows it is read
// afresh. Keeps the ISO-2022-JP mode across calls; a sequence cut by the end of a buffer is left
// for the caller to present again at the front of the next one.
class Decoder {
 public:
  explicit Decoder(Encoding encoding) : encoding_(encoding) {}

  Encoding encoding() const { return encoding_; }

  // Decodes [in, in + size): appends code points to `out` (room for at least size + 1 of them)
  // and sets `produced` to their number; returns the bytes consumed. The bytes of an incomplete
  // sequence at the end are not consumed unless `last`, where they are decoded as the end of
  // the input (one U+FFFD, or as the Encoding Standard's decoder does for ISO-2022-JP).
  std::size_t decode(const unsigned char* in, std::size_t size, bool last, char32_t* out,
                     std::size_t& produced);

 private:
  // The ISO-2022-JP modes that last from one escape sequence to the next.
  enum class Iso2022Mode { ascii, roman, katakana, jis0208 };

  std::size_t decode_iso_2022_jp(const unsigned char* in, std::size_t size, bool last,
                                 char32_t* out, std::size_t& produced);

  Encoding encoding_;
  Iso2022Mode iso2022_mode_ = Iso2022Mode::ascii;
  // Set by an escape sequence, cleared by any output: two escape sequences in a row are an error.
  bool iso2022_after_escape_ = false;
};

}  // namespace wpconv::encoding

#endif  // WPCONV_ENCODING_DECODER_H_
