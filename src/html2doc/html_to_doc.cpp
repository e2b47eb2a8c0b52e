#include "html2doc/html_to_doc.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "doccodes/doc_codes.h"
#include "html2doc/html_tags.h"
#include "html2doc/sjis_to_document.h"

namespace {

void write_attribute(ByteWriter& document, unsigned char attribute) {
  document.put(ATTRIBUTE_CODE >> 8);
  document.put(ATTRIBUTE_CODE & 0xFF);
  document.put(attribute);
}

// How copy_plain_text treats a byte where a character starts.
enum class TextByte : unsigned char {
  one_byte,       // a one-byte character, written as it is
  lead,           // a two-byte character, written as it is
  replaced_lead,  // a two-byte character that may have a document code of its own
  dropped,        // a control byte
  stop,           // the start of a tag, or the end of the text
};

// copy_plain_text looks at the text this many bytes at a time.
constexpr int kWindowSize = 64;

// One bit a byte of a window, the first byte in the lowest bit.
struct WindowBits {
  std::uint64_t leads;  // bytes that would begin a two-byte character
  std::uint64_t other;  // bytes that would be anything but a one-byte or unreplaced two-byte char
};

// The treatment of every byte, and the two-byte characters that document_code_for() replaces,
// one bit each: found once by asking it about every character, so that its table stays the one
// place that knows them.
class TextBytes {
 public:
  TextBytes() {
    for (unsigned byte = 0; byte < 256; ++byte) {
      classes_[byte] = byte == '<' || byte == END_OF_TEXT ? TextByte::stop
                       : byte < ' '                       ? TextByte::dropped
                       : is_lead_byte(byte)               ? TextByte::lead
                                                          : TextByte::one_byte;
    }
    for (unsigned code = 0; code <= 0xFFFF; ++code) {
      if (!is_lead_byte(code >> 8) || document_code_for(static_cast<CharCode>(code)) == code) {
        continue;
      }
      replaced_[code / 64] |= bit(code);
#ifdef __SSE2__
      if (classes_[code >> 8] != TextByte::replaced_lead) {
        replaced_lead_bytes_[replaced_lead_count_++] = _mm_set1_epi8(static_cast<char>(code >> 8));
      }
#endif
      classes_[code >> 8] = TextByte::replaced_lead;
    }
  }
  TextByte operator[](unsigned char byte) const {
    return classes_[byte];
  }
  bool is_replaced(unsigned code) const {
    return (replaced_[code / 64] & bit(code)) != 0;
  }

  // The leads and the bytes that need a closer look among the kWindowSize bytes at `bytes`.
  WindowBits window(const unsigned char* bytes) const {
#ifdef __SSE2__
    WindowBits bits{0, 0};
    for (int part = 0; part < kWindowSize; part += 16) {
      Bits16 part_bits = window16(bytes + part);
      bits.leads |= std::uint64_t{part_bits.leads} << part;
      bits.other |= std::uint64_t{part_bits.other} << part;
    }
    return bits;
#else
    WindowBits bits{0, 0};
    for (int i = 0; i < kWindowSize; ++i) {
      TextByte kind = classes_[bytes[i]];
      bits.leads |= std::uint64_t{is_lead_byte(bytes[i])} << i;
      bits.other |= std::uint64_t{kind != TextByte::one_byte && kind != TextByte::lead} << i;
    }
    return bits;
#endif
  }

 private:
#ifdef __SSE2__
  struct Bits16 {
    unsigned leads, other;
  };
  Bits16 window16(const unsigned char* bytes) const {
    const __m128i window = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    // Lead bytes are 0x80-0x9F and 0xE0-0xFF: their top three bits are 100 or 111.
    const __m128i top = _mm_and_si128(window, _mm_set1_epi8(static_cast<char>(0xE0)));
    const __m128i leads = _mm_or_si128(_mm_cmpeq_epi8(top, _mm_set1_epi8(static_cast<char>(0x80))),
                                       _mm_cmpeq_epi8(top, _mm_set1_epi8(static_cast<char>(0xE0))));
    // Below ' ' are the control bytes and END_OF_TEXT.
    const __m128i low = _mm_cmpeq_epi8(_mm_min_epu8(window, _mm_set1_epi8(' ' - 1)), window);
    __m128i other = _mm_or_si128(low, _mm_cmpeq_epi8(window, _mm_set1_epi8('<')));
    for (int i = 0; i < replaced_lead_count_; ++i) {
      other = _mm_or_si128(other, _mm_cmpeq_epi8(window, replaced_lead_bytes_[i]));
    }
    return {static_cast<unsigned>(_mm_movemask_epi8(leads)),
            static_cast<unsigned>(_mm_movemask_epi8(other))};
  }
#endif

  static std::uint64_t bit(unsigned code) {
    return std::uint64_t{1} << (code % 64);
  }
  std::array<TextByte, 256> classes_;
  std::array<std::uint64_t, 0x10000 / 64> replaced_{};
  int replaced_lead_count_ = 0;
#ifdef __SSE2__
  __m128i replaced_lead_bytes_[256] = {};  // each lead in every byte, to compare with
#endif
};

// The bytes of a window at even and at odd offsets.
constexpr std::uint64_t kEvenBytes = 0x5555555555555555;
constexpr std::uint64_t kOddBytes = ~kEvenBytes;

// The trail bytes of a window that begins with a character, given its lead-like bytes. Any
// other byte is followed by a new character, so every run of lead-like bytes starts with one
// and alternates lead and trail, ending with the byte after it as a trail when its length is odd.
// Adding a run's first bit to the run clears it, which picks out the runs by where they start.
std::uint64_t trail_bits(std::uint64_t leads) {
  const std::uint64_t run_starts = leads & ~(leads << 1);
  const std::uint64_t even_runs = leads & ~(leads + (run_starts & kEvenBytes));
  const std::uint64_t odd_runs = leads & ~(leads + (run_starts & kOddBytes));
  return ((even_runs << 1) & kOddBytes) | ((odd_runs << 1) & kEvenBytes);
}

// The most copy_plain_text writes for one character: a pad, a filler line end, the character and
// another filler line end.
constexpr std::size_t kCharacterOutput = 3 + 2 * FILLER_LINE_END.size();
// ... and for a window of characters, which are at most a byte past it: three bytes a character
// (a pad and two bytes), a filler line end for each LINE_WIDTH of that and one more, and the
// window's worth written beyond the end by a copy of fixed size.
constexpr std::size_t kWindowOutput =
    3 * (kWindowSize + 1) + 4 * FILLER_LINE_END.size() + kWindowSize + 1;

// Converts the ordinary text already buffered in `html` for as long as it needs no decision
// beyond the line layout: characters, dropped control bytes, the pad before a two-byte character
// on an odd column and the filler line ends. Stops at a tag, at the end of the text and near the
// end of the buffer, where a character may run past it; returns the new column, always below
// LINE_WIDTH. Text is most of a page, so this does most of the work. It takes a window of bytes
// at a time: which bytes are leads and trails, which characters need a closer look and which
// need a pad are found for the whole window with bit operations, so that the bytes between two
// pads or line ends are copied at once, with no test for each character: ordinary text mixes
// one-byte and two-byte characters too irregularly for branches to guess.
int copy_plain_text(ByteReader& html, ByteWriter& document, int column) {
  static const TextBytes text_bytes;
  if (html.available() < 2) return column;
  const unsigned char* const begin = html.data();
  const unsigned char* const last = begin + html.available() - 1;  // so that p[1] is buffered
  const unsigned char* p = begin;
  unsigned char* out = nullptr;

  auto close_line = [&] {
    std::memcpy(out, FILLER_LINE_END.data(), FILLER_LINE_END.size());
    out += FILLER_LINE_END.size();
    column = 0;
  };
  // Takes the character at `c` with every decision it may need: the number of bytes taken,
  // 0 at a stop byte.
  auto take_character = [&](const unsigned char* c) -> int {
    TextByte kind = text_bytes[*c];
    if (kind == TextByte::dropped) return 1;
    if (kind == TextByte::stop) return 0;
    int taken = 1;
    if (kind == TextByte::one_byte) {
      *out++ = *c;
      ++column;
    } else {
      // Two-byte characters start on even columns.
      if (column % 2 != 0) {
        *out++ = ' ';
        if (++column >= LINE_WIDTH) close_line();
      }
      unsigned code = static_cast<unsigned>(c[0] << 8 | c[1]);
      if (kind == TextByte::replaced_lead && text_bytes.is_replaced(code)) {
        code = document_code_for(static_cast<CharCode>(code));
      }
      out[0] = static_cast<unsigned char>(code >> 8);
      out[1] = static_cast<unsigned char>(code & 0xFF);
      out += 2;
      column += 2;
      taken = 2;
    }
    if (column >= LINE_WIDTH) close_line();
    return taken;
  };

  bool stopped = false;
  // Pieces are copied a window's worth at a time from anywhere in the window, so two windows of
  // bytes must be buffered.
  while (!stopped && last - p > 2 * kWindowSize) {
    out = document.room(kWindowOutput);
    const WindowBits bits = text_bytes.window(p);
    const std::uint64_t trails = trail_bits(bits.leads);
    const std::uint64_t lead_starts = bits.leads & ~trails;
    const std::uint64_t other_starts = bits.other & ~trails;
    int pos = 0;  // always where a character starts
    while (pos < kWindowSize) {
      const std::uint64_t from_pos = ~std::uint64_t{0} << pos;
      const std::uint64_t others_ahead = other_starts & from_pos;
      const int other = others_ahead != 0 ? std::countr_zero(others_ahead) : kWindowSize;
      // The characters up to `other` are plain; the last of a window may end a byte past it.
      const int plain_end =
          other < kWindowSize ? other : kWindowSize + static_cast<int>(lead_starts >> 63);
      const std::uint64_t plain_leads =
          lead_starts & (other < kWindowSize ? (std::uint64_t{1} << other) - 1 : ~std::uint64_t{0});
      while (pos < plain_end) {
        // A two-byte character at `j` needs a pad when column + j - pos is odd.
        const std::uint64_t pads = pos < kWindowSize
                                       ? plain_leads & (~std::uint64_t{0} << pos) &
                                             ((column ^ pos) % 2 != 0 ? kEvenBytes : kOddBytes)
                                       : 0;
        const int pad = pads != 0 ? std::countr_zero(pads) : plain_end;
        // Pads and line ends never fall together: a line ends at an even column.
        const int line_end = pos + (LINE_WIDTH - column);
        const int next = line_end < pad ? line_end : pad;
        std::memcpy(out, p + pos, kWindowSize + 1);  // may be more than needed, never less
        out += next - pos;
        column += next - pos;
        pos = next;
        if (column == LINE_WIDTH) {
          close_line();
        } else if (pos == pad && pad < plain_end) {
          *out++ = ' ';
          if (++column == LINE_WIDTH) close_line();
        }
      }
      if (pos < kWindowSize) {
        int taken = take_character(p + pos);
        if (taken == 0) {
          stopped = true;
          break;
        }
        pos += taken;
      }
    }
    document.wrote_up_to(out);
    p += pos;
  }
  if (!stopped) {
    // Too few bytes are left for a window.
    while (p < last) {
      out = document.room(kCharacterOutput);
      int taken = take_character(p);
      document.wrote_up_to(out);
      if (taken == 0) break;
      p += taken;
    }
  }
  html.advance(static_cast<std::size_t>(p - begin));
  return column;
}

}  // namespace

void write_document_from_html(ByteReader& html, ByteWriter& document) {
  int column = 0;
  bool text_started = false;
  for (;;) {
    // A full line is closed before the next byte is read, whatever that byte turns out to be.
    if (column >= LINE_WIDTH) {
      document.write(FILLER_LINE_END);
      column = 0;
    }
    if (text_started) column = copy_plain_text(html, document, column);
    int byte = html.get();
    if (byte < 0 || byte == END_OF_TEXT) break;
    if (byte < 0x20) continue;
    unsigned code = static_cast<unsigned>(byte);
    if (is_lead_byte(code)) {
      int trail = html.get();
      if (trail < 0) break;
      code = code << 8 | static_cast<unsigned>(trail);
    }

    if (code == '<') {
      switch (read_html_tag(html)) {
        case HtmlTag::paragraph:
          if (text_started) {
            document.write(PARAGRAPH_LINE_END);
            column = 0;
          }
          text_started = true;
          break;
        case HtmlTag::end_of_body:
          goto end_of_body;
        case HtmlTag::underline_on:
          write_attribute(document, ATTRIBUTE_UNDERLINE_ON);
          break;
        case HtmlTag::underline_off:
          write_attribute(document, ATTRIBUTE_UNDERLINE_OFF);
          break;
        case HtmlTag::superscript_on:
          write_attribute(document, ATTRIBUTE_SUPERSCRIPT_ON);
          break;
        case HtmlTag::subscript_on:
          write_attribute(document, ATTRIBUTE_SUBSCRIPT_ON);
          break;
        case HtmlTag::superscript_off:
        case HtmlTag::subscript_off:
          write_attribute(document, ATTRIBUTE_SCRIPT_OFF);
          break;
        case HtmlTag::other:
          break;
      }
      continue;
    }
    if (!text_started) continue;

    if (code <= 0xFF) {
      document.put(static_cast<unsigned char>(code));
      ++column;
      continue;
    }
    code = document_code_for(static_cast<CharCode>(code));
    // Two-byte characters start on even columns.
    if (column % 2 != 0) {
      document.put(' ');
      if (++column >= LINE_WIDTH) {
        document.write(FILLER_LINE_END);
        column = 0;
      }
    }
    document.put(static_cast<unsigned char>(code >> 8));
    document.put(static_cast<unsigned char>(code & 0xFF));
    column += 2;
  }
end_of_body:
  document.put(END_OF_TEXT);
}
