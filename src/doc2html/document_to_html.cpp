#include "doc2html/document_to_html.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

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

constexpr int NO_BYTE = -1;

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
    html.put(static_cast<unsigned char>(replacement >> 8));
    html.put(static_cast<unsigned char>(replacement & 0xFF));
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

ScriptState write_attribute(ByteWriter& html, int attribute, ScriptState script) {
  switch (attribute) {
    case ATTRIBUTE_UNDERLINE_ON:
      html.write("<U>");
      return script;
    case ATTRIBUTE_UNDERLINE_OFF:
      html.write("</U>");
      return script;
    case ATTRIBUTE_SUPERSCRIPT_ON:
      if (script == ScriptState::none) html.write("<SUP>");
      if (script == ScriptState::subscript) html.write("</SUB><SUP>");
      return ScriptState::superscript;
    case ATTRIBUTE_SUBSCRIPT_ON:
      if (script == ScriptState::none) html.write("<SUB>");
      if (script == ScriptState::superscript) html.write("</SUP><SUB>");
      return ScriptState::subscript;
    case ATTRIBUTE_SCRIPT_OFF:
      if (script == ScriptState::subscript) html.write("</SUB>");
      if (script == ScriptState::superscript) html.write("</SUP>");
      return ScriptState::none;
    default:
      return script;
  }
}

// Reads and drops `count` bytes; false if the input ends first.
bool skip_bytes(ByteReader& document, int count) {
  for (int i = 0; i < count; ++i) {
    if (document.get() < 0) return false;
  }
  return true;
}

// True for a byte that may need the state machine wherever it stands: the end of the text,
// control bytes, and the leads of the codes and external characters, which include the trail
// 0xF0 that may start an interruption. Every other byte is copied as it is, whether it is a
// one-byte character, a lead byte or a trail byte, except a space that is the first of two.
constexpr bool may_need_decision(unsigned char byte) {
  return byte_class(byte) == ByteClass::end_of_text || byte_class(byte) == ByteClass::control ||
         byte >= DOCUMENT_CODE_LEAD_FIRST;
}
static_assert(INTERRUPTION_TRAIL >= DOCUMENT_CODE_LEAD_FIRST);
constexpr simd::ByteSet DECISION_BYTES(may_need_decision);
constexpr simd::ByteSet SPACES([](unsigned char byte) { return byte == SPACE; });

// Where the bytes that may need a decision lie in the reader's current block, one bit a byte,
// found for the whole block at once: the bytes of DECISION_BYTES, and each space followed by
// another or by the end of the block (the next block may begin with one).
class DecisionMap {
 public:
  DecisionMap() : maps_({&DECISION_BYTES, &SPACES}, STREAM_BLOCK_SIZE), decisions_(WORDS) {}

  // Maps the reader's buffered bytes from where they begin now, unless the block is mapped.
  void cover(const ByteReader& reader) {
    if (reader.block_number() == block_number_) return;
    block_number_ = reader.block_number();
    maps_.map(reader.data(), reader.available());
    const std::uint64_t* decision_bytes = maps_.words(0);
    const std::uint64_t* spaces = maps_.words(1);
    words_ = (reader.available() + 63) / 64;
    for (std::size_t w = 0; w < words_; ++w) {
      decisions_[w] = decision_bytes[w] | (spaces[w] & (spaces[w] >> 1 | spaces[w + 1] << 63));
    }
    const std::size_t last = reader.available() - 1;
    decisions_[last / 64] |= spaces[last / 64] & std::uint64_t{1} << last % 64;
  }

  // The first byte at `from` or after it that may need a decision, or the end of the block.
  const unsigned char* next(const unsigned char* from) const {
    if (from >= maps_.end()) return maps_.end();
    const auto offset = static_cast<std::size_t>(from - maps_.begin());
    std::size_t word = offset / 64;
    if (std::uint64_t bits = decisions_[word] >> offset % 64) return from + std::countr_zero(bits);
    while (++word < words_) {
      if (decisions_[word] != 0) {
        return maps_.begin() + 64 * word + std::countr_zero(decisions_[word]);
      }
    }
    return maps_.end();
  }

 private:
  static constexpr std::size_t WORDS = STREAM_BLOCK_SIZE / 64 + 1;
  simd::ByteMaps maps_;
  std::vector<std::uint64_t> decisions_;
  std::uint64_t block_number_ = ~std::uint64_t{0};
  std::size_t words_ = 0;
};

// True if `byte` is a trail byte, given that a character starts at `from`. A byte that is not a
// lead byte is always followed by the start of a character (it is a one-byte character or a trail
// byte), so only the lead bytes right before `byte` need counting.
bool is_trail_byte(const unsigned char* from, const unsigned char* byte) {
  const unsigned char* first_lead = byte;
  while (first_lead != from && is_lead_byte(first_lead[-1])) --first_lead;
  return (byte - first_lead) % 2 != 0;
}

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

// Converts the bytes already buffered in `document` for as long as they need no decision beyond
// their own value: characters that are copied unchanged, control bytes and blank cells. Stops
// where the state machine must take over, including where a character runs past the buffer.
// Ordinary text is most of a document, so this does most of the work, finding the few bytes
// that matter and writing the runs between them at once.
void copy_plain_run(ByteReader& document, ByteWriter& html, DecisionMap& map) {
  if (document.available() == 0) return;
  map.cover(document);
  const unsigned char* const begin = document.data();
  const unsigned char* const end = begin + document.available();
  const unsigned char* run = begin;  // the copied bytes not yet written
  const unsigned char* p = begin;    // where a character starts
  for (;;) {
    const unsigned char* q = map.next(p);
    if (q == end) {
      p = is_trail_byte(p, end) ? end - 1 : end;  // a lead byte waits for its trail
      break;
    }
    if (is_trail_byte(p, q)) {
      // A trail 0xF0 leaves its character to the state machine, and so does a trail LF, which
      // the text-mode writer turns into CR LF; any other trail is copied.
      if (*q == INTERRUPTION_TRAIL || *q == '\n') {
        p = q - 1;
        break;
      }
      p = q + 1;
      continue;
    }
    p = q;
    // Two spaces make a full-width space; the state machine also sees to a space whose next byte
    // is not in the buffer yet.
    if (*q == SPACE) break;
    if (const unsigned char* next = skip_silent_units(q, end); next != q) {
      if (q != run) html.write_unchanged(run, static_cast<std::size_t>(q - run));
      run = p = next;
    } else {
      break;
    }
  }
  html.write_unchanged(run, static_cast<std::size_t>(p - run));
  document.advance(static_cast<std::size_t>(p - begin));
}

}  // namespace

std::uint64_t document_to_html(ByteReader& document, ByteWriter& html) {
  std::uint64_t without_equivalent = 0;
  html.write(HTML_HEAD);
  ScriptState script = ScriptState::none;
  int pending = NO_BYTE;  // read ahead, belongs to the next character
  DecisionMap map;
  for (;;) {
    if (pending == NO_BYTE) copy_plain_run(document, html, map);
    int byte = pending != NO_BYTE ? pending : document.get();
    pending = NO_BYTE;
    if (byte < 0 || byte == END_OF_TEXT) break;

    unsigned code = static_cast<unsigned>(byte);
    if (is_lead_byte(static_cast<unsigned char>(byte))) {
      int trail = document.get();
      if (trail < 0) break;
      if (trail == INTERRUPTION_TRAIL) {
        int next = document.get();
        if (interrupts_character(next)) {
          if (!skip_bytes(document, 2)) break;
          trail = document.get();
          if (trail < 0) break;
        } else {
          pending = next;
        }
      }
      code = code << 8 | static_cast<unsigned>(trail);
    }

    if (writes_nothing(code)) continue;

    switch (code) {
      case SPACE: {
        int next = document.get();
        if (next == SPACE) {
          write_code(html, FULL_WIDTH_SPACE);
        } else {
          html.put(SPACE);
          pending = next;
        }
        break;
      }
      case PARAGRAPH_MARK:
        html.write(HTML_PARAGRAPH);
        break;
      case SKIP3_CODE:
        if (!skip_bytes(document, 3)) goto end_of_text;
        break;
      case CONTROL_SEQUENCE:
        if (!skip_bytes(document, 2)) goto end_of_text;
        break;
      case ATTRIBUTE_CODE: {
        int attribute = document.get();
        if (attribute < 0) goto end_of_text;
        script = write_attribute(html, attribute, script);
        // The word processor puts a space after the end of a script; HTML needs none.
        if (attribute == ATTRIBUTE_SCRIPT_OFF) {
          int next = document.get();
          if (next != SPACE) pending = next;
        }
        break;
      }
      default:
        without_equivalent += write_character(html, code);
    }
  }
end_of_text:
  html.write(HTML_CLOSING);
  return without_equivalent;
}

}  // namespace wpconv
