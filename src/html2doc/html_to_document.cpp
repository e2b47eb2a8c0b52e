#include "html2doc/html_to_document.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "doccodes/doc_codes.h"
#include "html2doc/document_writer.h"
#include "html2doc/html_tags.h"
#include "simd/byte_set.h"

namespace wpconv {

namespace {

constexpr unsigned char TAG_START = '<';

// How copy_plain_text treats a byte where a character starts.
enum class TextByte : unsigned char {
  one_byte,       // a one-byte character, written as it is
  lead,           // a two-byte character, written as it is
  replaced_lead,  // a two-byte character that may have a document code of its own
  dropped,        // a control byte
  stop,           // the start of a tag, or the end of the text
};

// copy_plain_text looks at the text this many bytes at a time.
constexpr int WINDOW_SIZE = 64;

// One bit a byte of a window, the first byte in the lowest bit.
struct WindowBits {
  std::uint64_t leads;  // bytes that would begin a two-byte character
  std::uint64_t other;  // bytes that would be anything but a one-byte or unreplaced two-byte char
};

// The treatment of every byte, found from the byte classes and from which two-byte characters
// the document writer replaces. The window's bit masks come from the same treatment.
class TextBytes {
 public:
  TextBytes()
      : classes_(classify_bytes()), leads_(is_lead_byte), others_([this](unsigned char byte) {
          return classes_[byte] != TextByte::one_byte && classes_[byte] != TextByte::lead;
        }) {}

  TextByte operator[](unsigned char byte) const { return classes_[byte]; }
  // The leads, and the bytes that would be anything but a one-byte or unreplaced character.
  const simd::ByteSet& leads() const { return leads_; }
  const simd::ByteSet& others() const { return others_; }

 private:
  static std::array<TextByte, 256> classify_bytes() {
    std::array<TextByte, 256> classes;
    for (unsigned byte = 0; byte < 256; ++byte) {
      switch (byte_class(static_cast<unsigned char>(byte))) {
        case ByteClass::end_of_text:
          classes[byte] = TextByte::stop;
          break;
        case ByteClass::control:
          classes[byte] = TextByte::dropped;
          break;
        case ByteClass::lead:
          classes[byte] = DocumentWriter::lead_is_replaced(static_cast<unsigned char>(byte))
                              ? TextByte::replaced_lead
                              : TextByte::lead;
          break;
        case ByteClass::one_byte:
          classes[byte] = byte == TAG_START ? TextByte::stop : TextByte::one_byte;
          break;
      }
    }
    return classes;
  }

  std::array<TextByte, 256> classes_;
  simd::ByteSet leads_;
  simd::ByteSet others_;
};

// What a tag does: the codes it writes at `out` and whether the text has started. False for the
// end of the body, which ends the conversion.
bool apply_tag(HtmlTag tag, unsigned char*& out, DocumentWriter& writer, bool& text_started) {
  unsigned char attribute = ATTRIBUTE_SCRIPT_OFF;
  switch (tag) {
    case HtmlTag::paragraph:
      if (text_started) out = writer.paragraph_end(out);
      text_started = true;
      return true;
    case HtmlTag::end_of_body:
      return false;
    case HtmlTag::other:
    case HtmlTag::html:
    case HtmlTag::end_of_html:
    case HtmlTag::body:
    case HtmlTag::meta:
      return true;
    case HtmlTag::underline_on:
      attribute = ATTRIBUTE_UNDERLINE_ON;
      break;
    case HtmlTag::underline_off:
      attribute = ATTRIBUTE_UNDERLINE_OFF;
      break;
    case HtmlTag::superscript_on:
      attribute = ATTRIBUTE_SUPERSCRIPT_ON;
      break;
    case HtmlTag::subscript_on:
      attribute = ATTRIBUTE_SUBSCRIPT_ON;
      break;
    case HtmlTag::superscript_off:
    case HtmlTag::subscript_off:
      break;
  }
  out = DocumentWriter::put_attribute(out, attribute);
  return true;
}

// The most a tag writes.
constexpr std::size_t TAG_OUTPUT = PARAGRAPH_LINE_END.size();

// The most copy_plain_text writes for a window: every byte it takes writes at most 28 bytes (a
// one-byte character and the filler line end that closes its line, or a paragraph tag of three
// bytes), the last of them may run past the window, and a copy of fixed size writes a window's
// worth beyond the end.
constexpr std::size_t WINDOW_OUTPUT = (WINDOW_SIZE + 1) * TAG_OUTPUT + WINDOW_SIZE + 1;
static_assert(DocumentWriter::CHARACTER_OUTPUT >= TAG_OUTPUT);

const TextBytes& text_byte_table() {
  static const TextBytes bytes;
  return bytes;
}

// The leads and other bytes of the reader's current block, found for the whole block at once.
class WindowMaps {
 public:
  WindowMaps()
      : maps_({&text_byte_table().leads(), &text_byte_table().others()}, STREAM_BLOCK_SIZE) {}

  // Maps the reader's buffered bytes from where they begin now, unless the block is mapped.
  void cover(const ByteReader& reader) {
    if (reader.block_number() == block_number_) return;
    block_number_ = reader.block_number();
    maps_.map(reader.data(), reader.available());
  }

  // The bits of the WINDOW_SIZE bytes at `window`.
  WindowBits window(const unsigned char* window) const {
    return {maps_.bits(0, window), maps_.bits(1, window)};
  }

 private:
  simd::ByteMaps maps_;
  std::uint64_t block_number_ = ~std::uint64_t{0};
};

// Where a conversion stops before the end of its input: at the end of the body, or, for HTML that
// may be in another dialect, at the first tag that the program does not write (left unread).
enum class Stop { none, end_of_body, other_tag };

// Converts the text already buffered in `html`: characters, dropped control bytes, the pad before
// a two-byte character on an odd column, the filler line ends, and the tags that lie whole in
// the buffer. Stops at the end of the text, at a tag that runs past the buffer and near the end
// of the buffer, where a character may run past it; the column is then always below LINE_WIDTH.
// Returns where the body or the dialect ends, if it does, with `stop_at_other` telling whether an
// other tag ends the dialect. Text is most of a page, so this does most of the work.
// It takes a window of bytes at a time: which bytes are leads and trails, which characters need a
// closer look and which need a pad are found for the whole window with bit operations, so that the
// bytes between two pads or line ends are copied at once, with no test for each character: ordinary
// text mixes one-byte and two-byte characters too irregularly for branches to guess.
Stop copy_plain_text(ByteReader& html, DocumentWriter& writer, WindowMaps& maps,
                     bool stop_at_other) {
  const TextBytes& text_bytes = text_byte_table();
  if (html.available() < 2) return Stop::none;
  maps.cover(html);
  const unsigned char* const begin = html.data();
  const unsigned char* const end = begin + html.available();
  const unsigned char* const last = end - 1;  // so that p[1] is buffered
  const unsigned char* p = begin;
  unsigned char* out = nullptr;
  Stop stop = Stop::none;

  // Takes the character or tag at `c` with every decision it may need: the number of bytes
  // taken, 0 where the main loop must take over. Always inlined: as a call it costs each
  // punctuation mark, dropped byte and tag some twenty instructions more.
  auto take_character = [&](const unsigned char* c) __attribute__((always_inline))->int {
    switch (text_bytes[*c]) {
      case TextByte::dropped:
        return 1;
      case TextByte::stop: {
        if (*c != TAG_START) return 0;  // the end of the text
        HtmlTag tag = HtmlTag::other;
        const unsigned char* tag_stop = read_tag(c, end, tag);
        if (tag_stop == nullptr) return 0;
        if (tag == HtmlTag::other && stop_at_other) {
          stop = Stop::other_tag;
          return 0;
        }
        bool text_started = true;
        if (!apply_tag(tag, out, writer, text_started)) {
          stop = Stop::end_of_body;
          return 0;
        }
        return static_cast<int>(tag_stop - c);
      }
      case TextByte::one_byte:
        out = writer.put(out, *c);
        return 1;
      case TextByte::lead:
        out = writer.put(out, static_cast<unsigned>(c[0] << 8 | c[1]));
        return 2;
      case TextByte::replaced_lead:
        out = writer.put(out, writer.document_code(static_cast<unsigned>(c[0] << 8 | c[1])));
        return 2;
    }
    return 0;
  };

  bool stopped = false;
  // Pieces are copied a window's worth at a time from anywhere in the window, so two windows of
  // bytes must be buffered.
  while (!stopped && last - p > 2 * WINDOW_SIZE) {
    out = writer.room(WINDOW_OUTPUT);
    const WindowBits bits = maps.window(p);
    const std::uint64_t trails = trail_bits(bits.leads);
    const std::uint64_t lead_starts = bits.leads & ~trails;
    const std::uint64_t other_starts = bits.other & ~trails;
    int pos = 0;  // always where a character starts
    while (pos < WINDOW_SIZE) {
      const std::uint64_t from_pos = ~std::uint64_t{0} << pos;
      const std::uint64_t others_ahead = other_starts & from_pos;
      const int other = others_ahead != 0 ? std::countr_zero(others_ahead) : WINDOW_SIZE;
      // The characters up to `other` are plain; the last of a window may end a byte past it.
      const int plain_end =
          other < WINDOW_SIZE ? other : WINDOW_SIZE + static_cast<int>(lead_starts >> 63);
      const std::uint64_t plain_leads =
          lead_starts & (other < WINDOW_SIZE ? (std::uint64_t{1} << other) - 1 : ~std::uint64_t{0});
      while (pos < plain_end) {
        // The two-byte characters that would fall on an odd column, and so need a pad.
        const std::uint64_t pads =
            pos < WINDOW_SIZE ? plain_leads & (~std::uint64_t{0} << pos) &
                                    ((writer.column() ^ pos) % 2 != 0 ? EVEN_BYTES : ODD_BYTES)
                              : 0;
        const int pad = pads != 0 ? std::countr_zero(pads) : plain_end;
        // Pads and line ends never fall together: a line ends at an even column.
        const int line_end = pos + (LINE_WIDTH - writer.column());
        const int next = line_end < pad ? line_end : pad;
        std::memcpy(out, p + pos, WINDOW_SIZE + 1);  // may be more than needed, never less
        out += next - pos;
        writer.advance_column(next - pos);
        pos = next;
        out = writer.close_if_full(out);
        if (pos == pad && pad < plain_end) out = writer.pad_if_odd(out);
      }
      if (pos < WINDOW_SIZE) {
        int taken = take_character(p + pos);
        if (taken == 0) {
          stopped = true;
          break;
        }
        pos += taken;
      }
    }
    writer.commit(out);
    p += pos;
  }
  if (!stopped) {
    // Too few bytes are left for a window.
    while (p < last) {
      out = writer.room(DocumentWriter::CHARACTER_OUTPUT);
      int taken = take_character(p);
      writer.commit(out);
      if (taken == 0) break;
      p += taken;
    }
  }
  html.advance(static_cast<std::size_t>(p - begin));
  return stop;
}

// The exact reader: its document, unfinished where it stops at an other tag.
Stop convert(ByteReader& html, DocumentWriter& writer, bool stop_at_other) {
  WindowMaps maps;
  bool text_started = false;
  for (;;) {
    if (text_started) {
      const Stop stop = copy_plain_text(html, writer, maps, stop_at_other);
      if (stop != Stop::none) return stop;
    }
    // What the window loop leaves: the text before the first paragraph tag, and characters and
    // tags that run past the reader's buffer.
    int byte = html.get();
    if (byte < 0 || byte == END_OF_TEXT) return Stop::none;
    if (is_control_byte(static_cast<unsigned char>(byte))) continue;
    unsigned code = static_cast<unsigned>(byte);
    if (is_lead_byte(static_cast<unsigned char>(byte))) {
      int trail = html.get();
      if (trail < 0) return Stop::none;
      code = code << 8 | static_cast<unsigned>(trail);
    }

    if (code == TAG_START) {
      // Tags are acted on whether or not the text has started.
      const HtmlTag tag = read_html_tag(html);
      if (tag == HtmlTag::other && stop_at_other) return Stop::other_tag;
      unsigned char* out = writer.room(TAG_OUTPUT);
      const bool body_goes_on = apply_tag(tag, out, writer, text_started);
      writer.commit(out);
      if (!body_goes_on) return Stop::end_of_body;
      continue;
    }
    if (text_started) writer.character(code);
  }
}

}  // namespace

std::uint64_t html_to_document(ByteReader& html, ByteWriter& document) {
  DocumentWriter writer(document);
  convert(html, writer, false);
  return writer.finish();
}

std::optional<std::uint64_t> dialect_html_to_document(ByteReader& html, ByteWriter& document) {
  DocumentWriter writer(document);
  if (convert(html, writer, true) == Stop::other_tag) return std::nullopt;
  return writer.finish();
}

}  // namespace wpconv
