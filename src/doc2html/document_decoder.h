// The document text stream read unit by unit: characters, spaces, paragraph marks, attributes
// and the codes that carry nothing. Both HTML writers take the document from here, so the rules
// of the stream live in this one place; their fast paths copy only what unit_start() and
// trail_may_be_interrupted() say this decoder would take as a plain character.
#ifndef WPCONV_DOC2HTML_DOCUMENT_DECODER_H_
#define WPCONV_DOC2HTML_DOCUMENT_DECODER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "doccodes/doc_codes.h"
#include "io/byte_stream.h"

namespace wpconv {

enum class ScriptState { none = 0, subscript = 1, superscript = 2 };

// What a byte that begins a unit is to the decoder.
enum class UnitStart : unsigned char {
  end_of_text,
  silent,     // a control byte: nothing
  space,      // a space, or with the next byte a pair of spaces
  character,  // a one-byte character
  lead,       // the lead of a two-byte character, which is nothing else
  code_lead,  // the lead of a code that may be the word processor's own
};

constexpr UnitStart unit_start(unsigned char byte) {
  switch (byte_class(byte)) {
    case ByteClass::end_of_text:
      return UnitStart::end_of_text;
    case ByteClass::control:
      return UnitStart::silent;
    case ByteClass::lead:
      return byte >= DOCUMENT_CODE_LEAD_FIRST ? UnitStart::code_lead : UnitStart::lead;
    case ByteClass::one_byte:
      break;
  }
  return byte == SPACE ? UnitStart::space : UnitStart::character;
}
static_assert(unit_start(PARAGRAPH_MARK >> 8) == UnitStart::code_lead &&
              unit_start(BLANK_CELL >> 8) == UnitStart::code_lead &&
              unit_start(SKIP3_CODE >> 8) == UnitStart::code_lead &&
              unit_start(ATTRIBUTE_CODE >> 8) == UnitStart::code_lead &&
              unit_start(CONTROL_SEQUENCE >> 8) == UnitStart::code_lead &&
              unit_start(EXTERNAL_CHAR_FIRST >> 8) == UnitStart::code_lead &&
              unit_start(PRIVATE_CODE_FIRST >> 8) == UnitStart::code_lead);

// After a trail byte 0xF0, a byte below 0x20 starts a control sequence that interrupts the
// character, except CR (it ends a line) and 0x1A (it ends the text, so that a character
// with trail byte 0xF0 right before it is kept).
constexpr unsigned char INTERRUPTION_TRAIL = CONTROL_SEQUENCE >> 8;
constexpr bool trail_may_be_interrupted(unsigned char byte) {
  return byte == INTERRUPTION_TRAIL;
}
constexpr bool interrupts_character(unsigned char byte) {
  return byte < 0x20 && byte != '\r' && byte != END_OF_TEXT;
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

// Skips the units that start at `from` and write nothing: a line end is mostly these.
inline const unsigned char* skip_silent_units(const unsigned char* from, const unsigned char* end) {
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

// The longest unit the decoder looks at: a lead byte, a trail 0xF0, an interrupting control
// sequence, the real trail and three operand bytes.
constexpr std::size_t LONGEST_UNIT = 9;
static_assert(LONGEST_UNIT <= ByteReader::LOOKAHEAD);

// What DocumentDecoder::decode() makes of the bytes at hand.
enum class Unit { decoded, needs_more, end_of_text };

// Turns units into calls of the writer's `Sink`:
//   character(unsigned char byte)  a one-byte character other than a space
//   space()                        a space on its own
//   character(CharCode code)       a two-byte character: any code that is not one of the word
//                                  processor's codes below, external and private ones included;
//                                  a pair of spaces is a full-width space
//   paragraph()                    a paragraph mark
//   underline(bool on)             every underline attribute, as it comes
//   script(ScriptState from, ScriptState to)  a change of superscript or subscript only
template <class Sink>
class DocumentDecoder {
 public:
  explicit DocumentDecoder(Sink& sink) : sink_(sink) {}

  // Decodes the unit that starts at `p` (a character, a code with its operands, a pair of
  // spaces, or a byte that ends the text), hands it to the sink and sets `p` past it. Hands over
  // nothing and answers needs_more when the unit may run past `end` and more input may come;
  // when no more comes (`last`), a unit the input ends inside is the end of the text. Every
  // unit of the document goes through here, whatever path found it, but for the plain
  // characters that the writers' fast paths copy.
  Unit decode(const unsigned char*& p, const unsigned char* end, bool last) {
    auto need = [&](const unsigned char* unit_end) { return unit_end > end; };
    const Unit incomplete = last ? Unit::end_of_text : Unit::needs_more;
    const unsigned char byte = *p;
    switch (unit_start(byte)) {
      case UnitStart::end_of_text:
        return Unit::end_of_text;
      case UnitStart::silent:
        ++p;
        return Unit::decoded;
      case UnitStart::character:
        sink_.character(byte);
        ++p;
        return Unit::decoded;
      case UnitStart::space:
        if (need(p + 2) && !last) return Unit::needs_more;
        if (!need(p + 2) && p[1] == SPACE) {
          // Two spaces in a row make a full-width space.
          sink_.character(FULL_WIDTH_SPACE);
          p += 2;
        } else {
          sink_.space();
          ++p;
        }
        return Unit::decoded;
      case UnitStart::lead:
      case UnitStart::code_lead:
        break;
    }

    if (need(p + 2)) return incomplete;  // a lead byte without its trail is nothing
    unsigned trail = p[1];
    const unsigned char* next = p + 2;
    if (trail_may_be_interrupted(static_cast<unsigned char>(trail))) {
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
        sink_.paragraph();
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
        take_attribute(attribute);
        break;
      }
      default:
        if (!writes_nothing(code)) sink_.character(static_cast<CharCode>(code));
    }
    p = next;
    return Unit::decoded;
  }

 private:
  void take_attribute(unsigned char attribute) {
    ScriptState to = script_;
    switch (attribute) {
      case ATTRIBUTE_UNDERLINE_ON:
        return sink_.underline(true);
      case ATTRIBUTE_UNDERLINE_OFF:
        return sink_.underline(false);
      case ATTRIBUTE_SUPERSCRIPT_ON:
        to = ScriptState::superscript;
        break;
      case ATTRIBUTE_SUBSCRIPT_ON:
        to = ScriptState::subscript;
        break;
      case ATTRIBUTE_SCRIPT_OFF:
        to = ScriptState::none;
        break;
      default:
        return;  // any other attribute carries nothing
    }
    if (to == script_) return;
    sink_.script(script_, to);
    script_ = to;
  }

  Sink& sink_;
  ScriptState script_ = ScriptState::none;
};

// Where a writer's step over the buffered bytes stopped, and why.
struct Stop {
  const unsigned char* at;
  Unit unit;  // decoded: the bytes are all taken, but for a lead byte that waits for its trail
};

// Feeds the whole document to `step(begin, end, last)`, which converts the bytes in
// [begin, end), begin where a unit starts, and says where it stopped.
template <class Step>
void decode_document(ByteReader& document, Step step) {
  // How many bytes the decoder needs at hand: one, unless a unit has run past the block.
  std::size_t wanted = 1;
  while (document.ensure(wanted) || document.available() > 0) {
    const unsigned char* const begin = document.data();
    const unsigned char* const end = begin + document.available();
    const Stop stop = step(begin, end, document.at_end());
    if (stop.unit == Unit::end_of_text) {
      document.advance(static_cast<std::size_t>(stop.at - begin) + 1);  // the 0x1A is taken
      break;
    }
    // A unit that runs past the block is taken again with more bytes from the next one; at the
    // end of the input, ensure() gives up and the unit is taken as the last.
    wanted = static_cast<std::size_t>(end - stop.at) + 1;
    document.advance(static_cast<std::size_t>(stop.at - begin));
  }
}

}  // namespace wpconv

#endif  // WPCONV_DOC2HTML_DOCUMENT_DECODER_H_
