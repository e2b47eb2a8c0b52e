#include "encoding/decoder.h"

#include <cstdint>
#include <cstring>

#include "encoding/cp932.h"

namespace wpconv::encoding {

namespace {

constexpr char32_t FFFD = REPLACEMENT_CHARACTER;

constexpr bool in_range(unsigned byte, unsigned first, unsigned last) {
  return byte - first <= last - first;
}

// Each decoder below reads whole sequences from `in` and stops before one that the buffer cuts
// off, unless `last`; it returns the bytes consumed and leaves the count of code points written
// in `produced`.

std::size_t decode_utf8(const unsigned char* in, std::size_t size, bool last, char32_t* out,
                        std::size_t& produced) {
  std::size_t i = 0;
  char32_t* o = out;
  while (i < size) {
    // Runs of ASCII, eight bytes at a time.
    while (size - i >= 8) {
      std::uint64_t block;
      std::memcpy(&block, in + i, 8);
      if (block & 0x8080808080808080u) break;
      for (int k = 0; k < 8; ++k) o[k] = in[i + k];
      o += 8;
      i += 8;
    }
    if (i == size) break;
    unsigned lead = in[i];
    if (lead < 0x80) {
      *o++ = lead;
      ++i;
      continue;
    }
    // The continuation bytes a lead byte wants, and the range its first one must fall in (which
    // rules out overlong forms, surrogates and values past U+10FFFF).
    std::size_t needed;
    unsigned lower = 0x80, upper = 0xBF;
    char32_t c;
    if (in_range(lead, 0xC2, 0xDF)) {
      needed = 1;
      c = lead & 0x1F;
    } else if (in_range(lead, 0xE0, 0xEF)) {
      needed = 2;
      c = lead & 0x0F;
      if (lead == 0xE0) lower = 0xA0;
      if (lead == 0xED) upper = 0x9F;
    } else if (in_range(lead, 0xF0, 0xF4)) {
      needed = 3;
      c = lead & 0x07;
      if (lead == 0xF0) lower = 0x90;
      if (lead == 0xF4) upper = 0x8F;
    } else {
      *o++ = FFFD;
      ++i;
      continue;
    }
    std::size_t k = 1;
    for (; k <= needed && i + k < size; ++k) {
      unsigned byte = in[i + k];
      if (!in_range(byte, lower, upper)) break;
      lower = 0x80;
      upper = 0xBF;
      c = c << 6 | (byte & 0x3F);
    }
    if (k > needed) {
      *o++ = c;
      i += k;
    } else if (i + k < size) {
      *o++ = FFFD;  // the byte that broke the sequence is read afresh
      i += k;
    } else if (last) {
      *o++ = FFFD;
      i = size;
    } else {
      break;
    }
  }
  produced = o - out;
  return i;
}

std::size_t decode_utf16(const unsigned char* in, std::size_t size, bool last, bool big_endian,
                         char32_t* out, std::size_t& produced) {
  auto unit_at = [&](std::size_t at) -> unsigned {
    return big_endian ? in[at] << 8 | in[at + 1] : in[at + 1] << 8 | in[at];
  };
  std::size_t i = 0;
  char32_t* o = out;
  while (size - i >= 2) {
    unsigned unit = unit_at(i);
    if (in_range(unit, 0xDC00, 0xDFFF)) {
      *o++ = FFFD;
      i += 2;
    } else if (!in_range(unit, 0xD800, 0xDBFF)) {
      *o++ = unit;
      i += 2;
    } else if (size - i < 4) {
      break;
    } else {
      unsigned next = unit_at(i + 2);
      if (in_range(next, 0xDC00, 0xDFFF)) {
        *o++ = 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
        i += 4;
      } else {
        *o++ = FFFD;  // the unit after a lone lead surrogate is read afresh
        i += 2;
      }
    }
  }
  if (last && i < size) {
    *o++ = FFFD;
    i = size;
  }
  produced = o - out;
  return i;
}

std::size_t decode_shift_jis(const unsigned char* in, std::size_t size, bool last, char32_t* out,
                             std::size_t& produced) {
  std::size_t i = 0;
  char32_t* o = out;
  while (i < size) {
    unsigned lead = in[i];
    if (lead <= 0x80) {
      *o++ = lead;
      ++i;
    } else if (in_range(lead, 0xA1, 0xDF)) {
      *o++ = 0xFF61 - 0xA1 + lead;
      ++i;
    } else if (in_range(lead, 0x81, 0x9F) || in_range(lead, 0xE0, 0xFC)) {
      if (i + 1 == size) {
        if (!last) break;
        *o++ = FFFD;
        ++i;
        continue;
      }
      unsigned trail = in[i + 1];
      char32_t c = NO_UNICODE;
      if (in_range(trail, 0x40, 0x7E) || in_range(trail, 0x80, 0xFC)) {
        c = unicode_from_cp932_pointer((lead - (lead < 0xA0 ? 0x81 : 0xC1)) * 188 + trail -
                                       (trail < 0x7F ? 0x40 : 0x41));
      }
      if (c != NO_UNICODE) {
        *o++ = c;
        i += 2;
      } else {
        *o++ = FFFD;
        i += trail < 0x80 ? 1 : 2;  // an ASCII byte after the lead is read afresh
      }
    } else {
      *o++ = FFFD;  // 0xA0 and 0xFD-0xFF: private characters in Python's codec, errors in a page
      ++i;
    }
  }
  produced = o - out;
  return i;
}

std::size_t decode_euc_jp(const unsigned char* in, std::size_t size, bool last, char32_t* out,
                          std::size_t& produced) {
  std::size_t i = 0;
  char32_t* o = out;
  while (i < size) {
    unsigned lead = in[i];
    if (lead < 0x80) {
      *o++ = lead;
      ++i;
      continue;
    }
    if (lead != 0x8E && lead != 0x8F && !in_range(lead, 0xA1, 0xFE)) {
      *o++ = FFFD;
      ++i;
      continue;
    }
    // A sequence: 8E and a half-width katakana byte, 8F and two JIS X 0212 bytes, or two JIS X
    // 0208 bytes. JIS X 0212 is decoded to Unicode in full, so that the 281 of its characters
    // that code page 932 also holds (IBM kanji among them) keep their place; the others have no
    // code in a document either way.
    std::size_t length = lead == 0x8F ? 3 : 2;
    std::size_t available = size - i;
    if (available < length) {
      bool prefix = available < 2 || lead != 0x8F || in_range(in[i + 1], 0xA1, 0xFE);
      if (prefix) {
        if (!last) break;
        *o++ = FFFD;
        i = size;
        continue;
      }
    }
    unsigned second = in[i + 1];
    if (lead == 0x8E) {
      if (in_range(second, 0xA1, 0xDF)) {
        *o++ = 0xFF61 - 0xA1 + second;
        i += 2;
      } else {
        *o++ = FFFD;
        i += second < 0x80 ? 1 : 2;
      }
      continue;
    }
    if (lead == 0x8F) {
      if (!in_range(second, 0xA1, 0xFE)) {
        *o++ = FFFD;
        i += second < 0x80 ? 1 : 2;
        continue;
      }
      unsigned third = in[i + 2];
      char32_t c = NO_UNICODE;
      if (in_range(third, 0xA1, 0xFE)) {
        c = unicode_from_jis0212_pointer((second - 0xA1) * 94 + third - 0xA1);
      }
      if (c != NO_UNICODE) {
        *o++ = c;
        i += 3;
      } else {
        *o++ = FFFD;
        i += third < 0x80 ? 2 : 3;
      }
      continue;
    }
    char32_t c = NO_UNICODE;
    if (in_range(second, 0xA1, 0xFE)) {
      c = unicode_from_cp932_pointer((lead - 0xA1) * 94 + second - 0xA1);
    }
    if (c != NO_UNICODE) {
      *o++ = c;
      i += 2;
    } else {
      *o++ = FFFD;
      i += second < 0x80 ? 1 : 2;
    }
  }
  produced = o - out;
  return i;
}

// windows-1252's bytes 0x80-0x9F; the five it leaves undefined stand for themselves.
constexpr char16_t windows_1252_high[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

std::size_t decode_windows_1252(const unsigned char* in, std::size_t size, char32_t* out,
                                std::size_t& produced) {
  for (std::size_t i = 0; i < size; ++i) {
    unsigned byte = in[i];
    out[i] = in_range(byte, 0x80, 0x9F) ? windows_1252_high[byte - 0x80] : byte;
  }
  produced = size;
  return size;
}

}  // namespace

std::size_t Decoder::decode_iso_2022_jp(const unsigned char* in, std::size_t size, bool last,
                                        char32_t* out, std::size_t& produced) {
  constexpr unsigned char ESC = 0x1B;
  std::size_t i = 0;
  char32_t* o = out;
  auto emit = [&](char32_t c) {
    *o++ = c;
    iso2022_after_escape_ = false;
  };
  while (i < size) {
    unsigned byte = in[i];
    if (byte == ESC) {
      // ESC ( B, ESC ( J, ESC ( I, ESC $ @, ESC $ B.
      if (size - i < 3) {
        bool prefix = size - i == 1 || in[i + 1] == '$' || in[i + 1] == '(';
        if (prefix && !last) break;
      }
      unsigned first = size - i > 1 ? in[i + 1] : 0;
      unsigned second = size - i > 2 ? in[i + 2] : 0;
      bool known = true;
      Iso2022Mode mode = iso2022_mode_;
      if (first == '(' && second == 'B') {
        mode = Iso2022Mode::ascii;
      } else if (first == '(' && second == 'J') {
        mode = Iso2022Mode::roman;
      } else if (first == '(' && second == 'I') {
        mode = Iso2022Mode::katakana;
      } else if (first == '$' && (second == '@' || second == 'B')) {
        mode = Iso2022Mode::jis0208;
      } else {
        known = false;
      }
      if (!known) {
        // The bytes after the ESC are read afresh in the current mode.
        emit(FFFD);
        ++i;
        continue;
      }
      iso2022_mode_ = mode;
      i += 3;
      if (iso2022_after_escape_) *o++ = FFFD;  // nothing between two escape sequences
      iso2022_after_escape_ = true;
      continue;
    }
    switch (iso2022_mode_) {
      case Iso2022Mode::ascii:
        emit(byte < 0x80 && byte != 0x0E && byte != 0x0F ? byte : FFFD);
        ++i;
        break;
      case Iso2022Mode::roman:
        emit(byte == 0x5C                                  ? 0x00A5
             : byte == 0x7E                                ? 0x203E
             : byte < 0x80 && byte != 0x0E && byte != 0x0F ? byte
                                                           : FFFD);
        ++i;
        break;
      case Iso2022Mode::katakana:
        emit(in_range(byte, 0x21, 0x5F) ? 0xFF61 - 0x21 + byte : FFFD);
        ++i;
        break;
      case Iso2022Mode::jis0208: {
        if (!in_range(byte, 0x21, 0x7E)) {
          emit(FFFD);
          ++i;
          break;
        }
        if (i + 1 == size) {
          if (!last) goto done;
          emit(FFFD);
          ++i;
          break;
        }
        unsigned trail = in[i + 1];
        if (trail == ESC) {
          emit(FFFD);  // the escape sequence itself is still read
          ++i;
          break;
        }
        char32_t c = NO_UNICODE;
        if (in_range(trail, 0x21, 0x7E)) {
          c = unicode_from_cp932_pointer((byte - 0x21) * 94 + trail - 0x21);
        }
        emit(c == NO_UNICODE ? FFFD : c);
        i += 2;
        break;
      }
    }
  }
done:
  produced = o - out;
  return i;
}

std::size_t Decoder::decode(const unsigned char* in, std::size_t size, bool last, char32_t* out,
                            std::size_t& produced) {
  switch (encoding_) {
    case Encoding::utf8:
      return decode_utf8(in, size, last, out, produced);
    case Encoding::utf16le:
      return decode_utf16(in, size, last, false, out, produced);
    case Encoding::utf16be:
      return decode_utf16(in, size, last, true, out, produced);
    case Encoding::shift_jis:
      return decode_shift_jis(in, size, last, out, produced);
    case Encoding::euc_jp:
      return decode_euc_jp(in, size, last, out, produced);
    case Encoding::iso_2022_jp:
      return decode_iso_2022_jp(in, size, last, out, produced);
    case Encoding::windows_1252:
      return decode_windows_1252(in, size, out, produced);
  }
  produced = 0;
  return size;
}

}  // namespace wpconv::encoding
