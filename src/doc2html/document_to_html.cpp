#include "doc2html/document_to_html.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "doc2html/external_chars.h"
#include "doccodes/doc_codes.h"
#include "simd/byte_set.h"

namespace wpconv {

namespace {

constexpr std::string_view HTML_HEAD =
    "<HTML>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\n"
    "<BODY><P>";
constexpr std::string_view HTML_CLOSING = "\n</BODY>\n</HTML>\n";
constexpr std::string_view HTML_PARAGRAPH = "\n<P>";

enum class ScriptState { none = 0, subscript = 1, superscript = 2 };

// After a trail byte 0xF0, a byte below 0x20 starts a control sequence that interrupts the
// character, except CR (it ends a line) and 0x1A (it ends the text, so that a character
// with trail byte 0xF0 right before it is kept).
constexpr unsigned char INTERRUPTION_TRAIL = CONTROL_SEQUENCE >> 8;
bool interrupts_character(int byte) {
  return byte >= 0 && byte < 0x20 && byte != '\r' && byte != END_OF_TEXT;
}

// The codes that write nothing at all: control bytes and blank cells.
constexpr bool writes_nothing(unsigned code) {
  return code == BLANK_CELL || (code <= 0xFF && is_control_byte(static_cast<unsigned char>(code)));
}

// The length of the unit at `from` that writes nothing, or 0.
template <class Byte>
constexpr std::size_t silent_unit_length(const Byte* from, const Byte* end) {
  if (from == end) return 0;
  const auto first = static_cast<unsigned char>(*from);
  if (!is_lead_byte(first)) return writes_nothing(first) ? 1 : 0;
  return end - from >= 2 && writes_nothing(static_cast<unsigned>(
                                first << 8 | static_cast<unsigned char>(from[1])))
             ? 2
             : 0;
}

// A line end is a run of such units, so a whole one is skipped at once.
constexpr bool writes_nothing(std::string_view units) {
  const char* from = units.data();
  const char* end = from + units.size();
  while (std::size_t length = silent_unit_length(from, end)) from += length;
  return from == end;
}
static_assert(writes_nothing(FILLER_LINE_END));

void write_code(ByteWriter& html, unsigned code) {
  if (code <= 0xFF) {
    html.put(static_cast<unsigned char>(code));
  } else {
    html.put(static_cast<unsigned char>(code >> 8));
    html.put(static_cast<unsigned char>(code & 0xFF));
  }
}

// Returns whether the character had no text equivalent.
bool write_character(ByteWriter& html, unsigned code) {
  if (is_external_char(code)) {
    // Replacements are always two bytes, so 0x2031 is a space and a digit.
    CharCode replacement = external_char_replacement(static_cast<CharCode>(code));
    const unsigned char bytes[] = {static_cast<unsigned char>(replacement >> 8),
                                   static_cast<unsigned char>(replacement & 0xFF)};
    // Replacements hold no LF (the table checks it), so they go out unchanged.
    html.write_unchanged(bytes, sizeof bytes);
    return replacement == NO_REPLACEMENT;
  }
  // The other private codes have no text equivalent.
  if (code >= PRIVATE_CODE_FIRST) {
    write_code(html, FULL_WIDTH_SPACE);
    return true;
  }
  write_code(html, code);
  return false;
}

// Tags hold no LF, so they go out unchanged, in one copy.
void write_tag(ByteWriter& html, std::string_view tag) {
  html.write_unchanged(reinterpret_cast<const unsigned char*>(tag.data()), tag.size());
}

ScriptState write_attribute(ByteWriter& html, int attribute, ScriptState script) {
  switch (attribute) {
    case ATTRIBUTE_UNDERLINE_ON:
      write_tag(html, "<U>");
      return script;
    case ATTRIBUTE_UNDERLINE_OFF:
      write_tag(html, "</U>");
      return script;
    case ATTRIBUTE_SUPERSCRIPT_ON:
      if (script == ScriptState::none) write_tag(html, "<SUP>");
      if (script == ScriptState::subscript) write_tag(html, "</SUB><SUP>");
      return ScriptState::superscript;
    case ATTRIBUTE_SUBSCRIPT_ON:
      if (script == ScriptState::none) write_tag(html, "<SUB>");
      if (script == ScriptState::superscript) write_tag(html, "</SUP><SUB>");
      return ScriptState::subscript;
    case ATTRIBUTE_SCRIPT_OFF:
      if (script == ScriptState::subscript) write_tag(html, "</SUB>");
      if (script == ScriptState::superscript) write_tag(html, "</SUP>");
      return ScriptState::none;
    default:
      return script;
  }
}

// The longest unit the decoder looks at: a lead byte, a trail 0xF0, an interrupting control
// sequence, the real trail and three operand bytes.
constexpr std::size_t LONGEST_UNIT = 9;
static_assert(LONGEST_UNIT <= ByteReader::LOOKAHEAD);

struct Decoder {
  ByteWriter& html;
  ScriptState script = ScriptState::none;
  std::uint64_t without_equivalent = 0;
};

// What decode_unit() makes of the bytes at hand.
enum class Unit { decoded, needs_more, end_of_text };

// Decodes the unit that starts at `p` (a character, a code with its operands, a pair of spaces,
// or a byte that ends the text), writes its HTML and sets `p` past it. Writes nothing and
// answers needs_more when the unit may run past `end` and more input may come; when no more
// comes (`last`), a unit the input ends inside is the end of the text. Every byte of the
// document goes through here, whatever path found it.
Unit decode_unit(const unsigned char*& p, const unsigned char* end, bool last, Decoder& decoder) {
  auto need = [&](const unsigned char* unit_end) { return unit_end > end; };
  const Unit incomplete = last ? Unit::end_of_text : Unit::needs_more;
  const unsigned char byte = *p;
  if (byte == END_OF_TEXT) return Unit::end_of_text;
  if (!is_lead_byte(byte)) {
    if (writes_nothing(byte)) {
      ++p;
    } else if (byte != SPACE) {
      decoder.html.put(byte);
      ++p;
    } else if (need(p + 2) && !last) {
      return Unit::needs_more;
    } else if (!need(p + 2) && p[1] == SPACE) {
      // Two spaces in a row make a full-width space.
      write_code(decoder.html, FULL_WIDTH_SPACE);
      p += 2;
    } else {
      decoder.html.put(SPACE);
      ++p;
    }
    return Unit::decoded;
  }

  if (need(p + 2)) return incomplete;  // a lead byte without its trail is not written
  unsigned trail = p[1];
  const unsigned char* next = p + 2;
  if (trail == INTERRUPTION_TRAIL) {
    if (need(next + 1) && !last) return Unit::needs_more;
    // At the end of the input the 0xF0 stays the trail.
    if (!need(next + 1) && interrupts_character(*next)) {
      if (need(next + 4)) return incomplete;
      trail = next[3];
      next += 4;
    }
  }
  const unsigned code = static_cast<unsigned>(byte) << 8 | trail;
  switch (code) {
    case PARAGRAPH_MARK:
      decoder.html.write(HTML_PARAGRAPH);
      break;
    case SKIP3_CODE:
      if (need(next + 3)) return incomplete;
      next += 3;
      break;
    case CONTROL_SEQUENCE:
      if (need(next + 2)) return incomplete;
      next += 2;
      break;
    case ATTRIBUTE_CODE: {
      if (need(next + 1)) return incomplete;
      const unsigned char attribute = *next++;
      // The word processor puts a space after the end of a script; HTML needs none.
      if (attribute == ATTRIBUTE_SCRIPT_OFF) {
        if (need(next + 1) && !last) return Unit::needs_more;
        if (!need(next + 1) && *next == SPACE) ++next;
      }
      decoder.script = write_attribute(decoder.html, attribute, decoder.script);
      break;
    }
    default:
      if (!writes_nothing(code)) decoder.without_equivalent += write_character(decoder.html, code);
  }
  p = next;
  return Unit::decoded;
}

// True for a byte that may need the decoder where it begins a character: the end of the text,
// control bytes, and the leads of the codes and external characters. Every other character is
// copied as it is, except a space that is the first of two.
constexpr bool may_need_decision(unsigned char byte) {
  return byte_class(byte) == ByteClass::end_of_text || byte_class(byte) == ByteClass::control ||
         byte >= DOCUMENT_CODE_LEAD_FIRST;
}

// True for a trail byte that leaves its character to the decoder: 0xF0, which may start an
// interruption, and LF, which the text-mode writer would turn into CR LF. Every other trail byte
// is copied as it is.
constexpr bool trail_needs_decision(unsigned char byte) {
  return byte == INTERRUPTION_TRAIL || byte == '\n';
}

constexpr simd::ByteSet DECISION_BYTES(may_need_decision);
constexpr simd::ByteSet SPACES([](unsigned char byte) { return byte == SPACE; });
constexpr simd::ByteSet LEADS(is_lead_byte);
constexpr simd::ByteSet DECISION_TRAILS(trail_needs_decision);

// What a window of 64 bytes holds, one bit a byte, the first the lowest.
struct WindowBits {
  std::uint64_t decisions;  // bytes of DECISION_BYTES, and spaces followed by a space
  std::uint64_t leads;      // bytes that would begin a two-byte character
  std::uint64_t decision_trails;
};

// The bits of the reader's current block, found for the whole block at once. A space counts as
// the first of two when the block ends after it, as the next block may begin with one.
class DecisionMap {
 public:
  DecisionMap()
      : maps_({&DECISION_BYTES, &SPACES, &LEADS, &DECISION_TRAILS}, CAPACITY),
        decisions_(new std::uint64_t[WORDS]) {}

  // Maps the reader's buffered bytes from where they begin now, unless the block is mapped.
  void cover(const ByteReader& reader) {
    if (reader.block_number() == block_number_) return;
    block_number_ = reader.block_number();
    maps_.map(reader.data(), reader.available());
    const std::uint64_t* decision_bytes = maps_.words(0);
    const std::uint64_t* spaces = maps_.words(1);
    const std::size_t words = (reader.available() + 63) / 64;
    for (std::size_t w = 0; w < words; ++w) {
      decisions_[w] = decision_bytes[w] | (spaces[w] & (spaces[w] >> 1 | spaces[w + 1] << 63));
    }
    decisions_[words] = 0;
    const std::size_t last = reader.available() - 1;
    decisions_[last / 64] |= spaces[last / 64] & std::uint64_t{1} << last % 64;
  }

  // The bits of the 64 bytes at `at`, which lies in the block; those past its end are clear.
  WindowBits window(const unsigned char* at) const {
    const auto offset = static_cast<std::size_t>(at - maps_.begin());
    const std::uint64_t* word = decisions_.get() + offset / 64;
    const unsigned shift = offset % 64;
    return {shift == 0 ? word[0] : word[0] >> shift | word[1] << (64 - shift), maps_.bits(2, at),
            maps_.bits(3, at)};
  }

 private:
  static constexpr std::size_t CAPACITY = ByteReader::LOOKAHEAD + STREAM_BLOCK_SIZE;
  static constexpr std::size_t WORDS = CAPACITY / 64 + 2;
  simd::ByteMaps maps_;
  std::unique_ptr<std::uint64_t[]> decisions_;
  std::uint64_t block_number_ = ~std::uint64_t{0};
};

// Skips the units that start at `from` and write nothing: a line end is mostly these.
const unsigned char* skip_silent_units(const unsigned char* from, const unsigned char* end) {
  for (;;) {
    if (static_cast<std::size_t>(end - from) >= FILLER_LINE_END.size() &&
        std::memcmp(from, FILLER_LINE_END.data(), FILLER_LINE_END.size()) == 0) {
      from += FILLER_LINE_END.size();
    } else if (std::size_t length = silent_unit_length(from, end)) {
      from += length;
    } else {
      return from;
    }
  }
}

// Where convert_buffered() stopped, and why.
struct Stop {
  const unsigned char* at;
  Unit unit;  // decoded: the bytes are all taken, but for a lead byte that waits for its trail
};

// Converts the bytes in [p, end), p where a character starts. Ordinary text is most of a
// document, so the few bytes that need the decoder are found through bit operations on 64
// bytes at a time: which bytes are leads and trails, and which need a decision. The runs between
// them are copied at once; the units that write nothing (a line end is mostly these) are
// skipped, and the decoder takes the rest. Its units mostly end where the window's characters
// do, so the window's bits serve on until one does not.
Stop convert_buffered(const unsigned char* p, const unsigned char* const end, bool last,
                      const DecisionMap& map, Decoder& decoder) {
  const unsigned char* run = p;  // the copied bytes not yet written
  auto write_run = [&](const unsigned char* to) {
    decoder.html.write_unchanged(run, static_cast<std::size_t>(to - run));
    run = to;
  };
  while (p < end) {
    const unsigned char* const window = p;
    const auto left = static_cast<std::size_t>(end - window);
    const WindowBits bits = map.window(window);
    const std::uint64_t trails = trail_bits(bits.leads);
    const std::uint64_t lead_starts = bits.leads & ~trails;
    // The bits past the end of the block are clear.
    std::uint64_t events = (bits.decisions & ~trails) | (bits.decision_trails & trails);
    // A character that begins at the last byte and whose trail needs the decoder.
    if (left > 64 && (lead_starts >> 63) != 0 && DECISION_TRAILS.contains(window[64])) {
      events |= std::uint64_t{1} << 63;
    }
    // A lead byte that ends the buffer waits for its trail, unless the input ends there.
    const bool lead_waits = left <= 64 && ((lead_starts >> (left - 1)) & 1) != 0;
    if (lead_waits && last) events |= std::uint64_t{1} << (left - 1);
    for (;;) {
      const auto at = static_cast<std::size_t>(p - window);
      const std::uint64_t ahead = at < 64 ? events & (~std::uint64_t{0} << at) : 0;
      if (ahead == 0) {
        if (left > 64) {
          p = window + 64 + (lead_starts >> 63);  // a character may end a byte past the window
          break;
        }
        p = lead_waits && !last ? end - 1 : end;
        write_run(p);
        return {p, Unit::decoded};
      }
      const int event = std::countr_zero(ahead);
      // The decoder takes a character whose trail needs it from its lead.
      const unsigned char* q = window + event - ((trails >> event) & 1);
      if (const unsigned char* next = skip_silent_units(q, end); next != q) {
        write_run(q);
        run = p = next;
      } else {
        write_run(q);
        p = q;
        const Unit unit = decode_unit(p, end, last, decoder);
        if (unit != Unit::decoded) return {q, unit};
        run = p;
      }
      // Past the window, or out of step with its characters: the bits are worked out anew.
      const auto now = static_cast<std::size_t>(p - window);
      if (now >= 64 || now >= left || ((trails >> now) & 1) != 0) break;
    }
  }
  write_run(p);
  return {p, Unit::decoded};
}

}  // namespace

std::uint64_t document_to_html(ByteReader& document, ByteWriter& html) {
  html.write(HTML_HEAD);
  Decoder decoder{html};
  DecisionMap map;
  // How many bytes the decoder needs at hand: one, unless a unit has run past the block.
  std::size_t wanted = 1;
  while (document.ensure(wanted) || document.available() > 0) {
    map.cover(document);
    const unsigned char* const begin = document.data();
    const unsigned char* const end = begin + document.available();
    const Stop stop = convert_buffered(begin, end, document.at_end(), map, decoder);
    if (stop.unit == Unit::end_of_text) {
      document.advance(static_cast<std::size_t>(stop.at - begin) + 1);  // the 0x1A is taken
      break;
    }
    // A unit that runs past the block is taken again with more bytes from the next one; at the
    // end of the input, ensure() gives up and the unit is taken as the last.
    wanted = static_cast<std::size_t>(end - stop.at) + 1;
    document.advance(static_cast<std::size_t>(stop.at - begin));
  }
  html.write(HTML_CLOSING);
  return decoder.without_equivalent;
}

}  // namespace wpconv
