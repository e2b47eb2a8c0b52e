#include "doc2html/doc_to_html.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <bit>
#include <cstring>

#include "doc2html/external_chars.h"
#include "doccodes/doc_codes.h"

namespace {

constexpr std::string_view kHtmlHead =
    "<HTML>\n"
    "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\n"
    "<BODY><P>";
constexpr std::string_view kHtmlClosing = "\n</BODY>\n</HTML>\n";
constexpr std::string_view kParagraph = "\n<P>";

enum class ScriptState { none = 0, subscript = 1, superscript = 2 };

constexpr int kNoByte = -1;

// After a trail byte 0xF0, a byte below 0x20 starts a control sequence that interrupts the
// character, except CR (it ends a line) and 0x1A (it ends the text, so that a character
// with trail byte 0xF0 right before it is kept).
bool interrupts_character(int byte) {
  return byte >= 0 && byte < 0x20 && byte != '\r' && byte != END_OF_TEXT;
}

void write_code(ByteWriter& html, unsigned code) {
  if (code <= 0xFF) {
    html.put(static_cast<unsigned char>(code));
  } else {
    html.put(static_cast<unsigned char>(code >> 8));
    html.put(static_cast<unsigned char>(code & 0xFF));
  }
}

void write_character(ByteWriter& html, unsigned code) {
  if (is_external_char(code)) {
    CharCode replacement = external_char_replacement(static_cast<CharCode>(code));
    html.put(static_cast<unsigned char>(replacement >> 8));
    html.put(static_cast<unsigned char>(replacement & 0xFF));
    return;
  }
  // The other private codes have no text equivalent.
  if (code >= 0xF000) code = 0x8140;
  write_code(html, code);
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

// True if the byte at `byte` may need a decision, in whatever role it plays: control bytes, code
// and external character leads, the trail byte 0xF0 that may start an interruption, and a space
// that may be the first of two. Every other byte is copied, whether it is a one-byte character,
// a lead byte or a trail byte.
bool may_need_decision(const unsigned char* byte, const unsigned char* end) {
  return *byte < ' ' || *byte >= EXTERNAL_CHAR_FIRST >> 8 ||
         (*byte == ' ' && (byte + 1 == end || byte[1] == ' '));
}
static_assert(0xF0 >= EXTERNAL_CHAR_FIRST >> 8 && END_OF_TEXT < ' ');

// The first byte of [from, end) that may need a decision, or `end`. Runs between such bytes are
// long, so sixteen bytes are tested at a time where the processor allows.
const unsigned char* find_decision_byte(const unsigned char* from, const unsigned char* end) {
#if defined(__SSE2__)
  // Shifted by this much, the control bytes and the code range are exactly the bytes up to kLast.
  constexpr unsigned char kShift = 0x100 - (EXTERNAL_CHAR_FIRST >> 8);
  constexpr unsigned char kLast = ' ' - 1 + kShift;
  const __m128i shift = _mm_set1_epi8(static_cast<char>(kShift));
  const __m128i last = _mm_set1_epi8(static_cast<char>(kLast));
  const __m128i space = _mm_set1_epi8(' ');
  for (; end - from > 16; from += 16) {  // one byte more, for the one after a space
    __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 1));
    __m128i shifted = _mm_add_epi8(block, shift);
    __m128i found =
        _mm_or_si128(_mm_cmpeq_epi8(_mm_min_epu8(shifted, last), shifted),
                     _mm_and_si128(_mm_cmpeq_epi8(block, space), _mm_cmpeq_epi8(next, space)));
    if (int mask = _mm_movemask_epi8(found); mask != 0) {
      return from + std::countr_zero(static_cast<unsigned>(mask));
    }
  }
#endif
  while (from != end && !may_need_decision(from, end)) ++from;
  return from;
}

// True if `byte` is a trail byte, given that a character starts at `from`. A byte that is not a
// lead byte is always followed by the start of a character (it is a one-byte character or a trail
// byte), so only the lead bytes right before `byte` need counting.
bool is_trail_byte(const unsigned char* from, const unsigned char* byte) {
  const unsigned char* first_lead = byte;
  while (first_lead != from && is_lead_byte(first_lead[-1])) --first_lead;
  return (byte - first_lead) % 2 != 0;
}

// Skips the control bytes and blank cells that start at `from`, all of which write nothing: a
// line end is mostly these.
const unsigned char* skip_blanks(const unsigned char* from, const unsigned char* end) {
  for (;;) {
    if (static_cast<std::size_t>(end - from) >= FILLER_LINE_END.size() &&
        std::memcmp(from, FILLER_LINE_END.data(), FILLER_LINE_END.size()) == 0) {
      from += FILLER_LINE_END.size();
    } else if (from != end && *from < ' ' && *from != END_OF_TEXT) {
      ++from;
    } else if (end - from >= 2 && (from[0] << 8 | from[1]) == BLANK_CELL) {
      from += 2;
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
void copy_plain_run(ByteReader& document, ByteWriter& html) {
  if (document.available() == 0) return;
  const unsigned char* const begin = document.data();
  const unsigned char* const end = begin + document.available();
  const unsigned char* run = begin;  // the copied bytes not yet written
  const unsigned char* p = begin;    // where a character starts
  for (;;) {
    const unsigned char* q = find_decision_byte(p, end);
    if (q == end) {
      p = is_trail_byte(p, end) ? end - 1 : end;  // a lead byte waits for its trail
      break;
    }
    if (is_trail_byte(p, q)) {
      // A trail 0xF0 leaves its character to the state machine, and so does a trail LF, which
      // the text-mode writer turns into CR LF; any other trail is copied.
      if (*q == 0xF0 || *q == '\n') {
        p = q - 1;
        break;
      }
      p = q + 1;
      continue;
    }
    p = q;
    // Two spaces make a full-width space; the state machine also sees to a space whose next byte
    // is not in the buffer yet.
    if (*q == ' ') break;
    if (const unsigned char* next = skip_blanks(q, end); next != q) {
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

void write_html_from_document(ByteReader& document, ByteWriter& html) {
  html.write(kHtmlHead);
  ScriptState script = ScriptState::none;
  int pending = kNoByte;  // read ahead, belongs to the next character
  for (;;) {
    if (pending == kNoByte) copy_plain_run(document, html);
    int byte = pending != kNoByte ? pending : document.get();
    pending = kNoByte;
    if (byte < 0 || byte == END_OF_TEXT) break;
    if (byte < 0x20) continue;

    unsigned code = static_cast<unsigned>(byte);
    if (is_lead_byte(code)) {
      int trail = document.get();
      if (trail < 0) break;
      if (trail == 0xF0) {
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

    switch (code) {
      case ' ': {
        int next = document.get();
        if (next == ' ') {
          html.write(FULL_WIDTH_SPACE, sizeof FULL_WIDTH_SPACE);
        } else {
          html.put(' ');
          pending = next;
        }
        break;
      }
      case PARAGRAPH_MARK:
        html.write(kParagraph);
        break;
      case BLANK_CELL:
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
          if (next != ' ') pending = next;
        }
        break;
      }
      default:
        write_character(html, code);
    }
  }
end_of_text:
  html.write(kHtmlClosing);
}
