#include "doc2html/document_to_html.h"

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>

#include "doc2html/document_decoder.h"
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

void write_code(ByteWriter& html, unsigned code) {
  if (code <= 0xFF) {
    html.put(static_cast<unsigned char>(code));
  } else {
    html.put(static_cast<unsigned char>(code >> 8));
    html.put(static_cast<unsigned char>(code & 0xFF));
  }
}

// Tags hold no LF, so they go out unchanged, in one copy.
void write_tag(ByteWriter& html, std::string_view tag) {
  html.write_unchanged(reinterpret_cast<const unsigned char*>(tag.data()), tag.size());
}

constexpr std::string_view SCRIPT_OPENING[] = {"", "<SUB>", "<SUP>"};
constexpr std::string_view SCRIPT_CLOSING[] = {"", "</SUB>", "</SUP>"};

// What the decoder finds, written as this dialect of HTML: Shift-JIS as it stands.
struct ExactSink {
  ByteWriter& html;
  std::uint64_t without_equivalent = 0;

  void character(unsigned char byte) { html.put(byte); }
  void space() { html.put(SPACE); }
  void character(CharCode code) {
    if (is_external_char(code)) {
      // Replacements are always two bytes, so 0x2031 is a space and a digit.
      CharCode replacement = external_char_replacement(code);
      const unsigned char bytes[] = {static_cast<unsigned char>(replacement >> 8),
                                     static_cast<unsigned char>(replacement & 0xFF)};
      // Replacements hold no LF (the table checks it), so they go out unchanged.
      html.write_unchanged(bytes, sizeof bytes);
      without_equivalent += replacement == NO_REPLACEMENT;
    } else if (code >= PRIVATE_CODE_FIRST) {
      // The other private codes have no text equivalent.
      write_code(html, FULL_WIDTH_SPACE);
      ++without_equivalent;
    } else {
      write_code(html, code);
    }
  }
  void paragraph() { html.write(HTML_PARAGRAPH); }
  void underline(bool on) { write_tag(html, on ? "<U>" : "</U>"); }
  void script(ScriptState from, ScriptState to) {
    write_tag(html, SCRIPT_CLOSING[static_cast<int>(from)]);
    write_tag(html, SCRIPT_OPENING[static_cast<int>(to)]);
  }
};

using Decoder = DocumentDecoder<ExactSink>;

// True for a byte that may need the decoder where it begins a character: the end of the text,
// control bytes, and the leads of the codes and external characters. Every other character is
// copied as it is, except a space that is the first of two.
constexpr bool may_need_decision(unsigned char byte) {
  const UnitStart start = unit_start(byte);
  return start != UnitStart::character && start != UnitStart::lead && start != UnitStart::space;
}

// True for a trail byte that leaves its character to the decoder: 0xF0, which may start an
// interruption, and LF, which the text-mode writer would turn into CR LF. Every other trail byte
// is copied as it is.
constexpr bool trail_needs_decision(unsigned char byte) {
  return trail_may_be_interrupted(byte) || byte == '\n';
}

constexpr simd::ByteSet DECISION_BYTES(may_need_decision);
constexpr simd::ByteSet SPACES([](unsigned char byte) {
  return unit_start(byte) == UnitStart::space;
});
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
    return {simd::bits_from(decisions_.get(), static_cast<std::size_t>(at - maps_.begin())),
            maps_.bits(2, at), maps_.bits(3, at)};
  }

 private:
  static constexpr std::size_t CAPACITY = ByteReader::LOOKAHEAD + STREAM_BLOCK_SIZE;
  static constexpr std::size_t WORDS = CAPACITY / 64 + 2;
  simd::ByteMaps maps_;
  std::unique_ptr<std::uint64_t[]> decisions_;
  std::uint64_t block_number_ = ~std::uint64_t{0};
};

// Converts the bytes in [p, end), p where a character starts. Ordinary text is most of a
// document, so the few bytes that need the decoder are found through bit operations on 64
// bytes at a time: which bytes are leads and trails, and which need a decision. The runs between
// them are copied at once; the units that write nothing (a line end is mostly these) are
// skipped, and the decoder takes the rest. Its units mostly end where the window's characters
// do, so the window's bits serve on until one does not.
Stop convert_buffered(const unsigned char* p, const unsigned char* const end, bool last,
                      const DecisionMap& map, ByteWriter& html, Decoder& decoder) {
  const unsigned char* run = p;  // the copied bytes not yet written
  auto write_run = [&](const unsigned char* to) {
    html.write_unchanged(run, static_cast<std::size_t>(to - run));
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
        const Unit unit = decoder.decode(p, end, last);
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
  ExactSink sink{html};
  Decoder decoder(sink);
  DecisionMap map;
  decode_document(document, [&](const unsigned char* begin, const unsigned char* end, bool last) {
    map.cover(document);
    return convert_buffered(begin, end, last, map, html, decoder);
  });
  html.write(HTML_CLOSING);
  return sink.without_equivalent;
}

std::uint64_t document_to_html_unit_by_unit(ByteReader& document, ByteWriter& html) {
  html.write(HTML_HEAD);
  ExactSink sink{html};
  Decoder decoder(sink);
  decode_document(document, [&](const unsigned char* p, const unsigned char* end, bool last) {
    while (p < end) {
      const unsigned char* at = p;
      if (const Unit unit = decoder.decode(p, end, last); unit != Unit::decoded)
        return Stop{at, unit};
    }
    return Stop{p, Unit::decoded};
  });
  html.write(HTML_CLOSING);
  return sink.without_equivalent;
}

}  // namespace wpconv
