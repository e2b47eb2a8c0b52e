#include "doc2html/document_to_html5.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>

#include "doc2html/document_decoder.h"
#include "doc2html/external_chars.h"
#include "doccodes/doc_codes.h"
#include "encoding/cp932.h"
#include "simd/byte_set.h"

namespace wpconv {

namespace {

constexpr std::string_view PAGE_HEAD =
    "<!DOCTYPE html>\n"
    "<html lang=\"ja\">\n"
    "<head>\n"
    "<meta charset=\"utf-8\">\n"
    "<title>";
constexpr std::string_view PAGE_BODY = "</title>\n</head>\n<body>\n";
constexpr std::string_view PAGE_CLOSING = "</body>\n</html>\n";
constexpr std::string_view UNTITLED = "\xE7\x84\xA1\xE9\xA1\x8C";  // 無題
// The spaces a browser would collapse: at the edges of a paragraph, and all but the first of
// a run.
constexpr std::string_view KEPT_SPACE = "&nbsp;";
constexpr std::string_view SCRIPT_OPENING[] = {"", "<sub>", "<sup>"};
constexpr std::string_view SCRIPT_CLOSING[] = {"", "</sub>", "</sup>"};

constexpr char32_t FULL_WIDTH_SPACE_CHAR = U'\u3000';
constexpr char32_t STAND_IN_CHAR = U'\u3013';  // 〓, what the document itself writes for one

// A character's UTF-8: up to three bytes, then their count, so that one four-byte copy writes
// it. A count of 0: the character is not copied as it stands (see Utf8Table).
using Utf8 = simd::PairEntry;

constexpr Utf8 utf8_of(char32_t c) {
  if (c < 0x80) return {static_cast<unsigned char>(c), 0, 0, 1};
  if (c < 0x800) {
    return {static_cast<unsigned char>(0xC0 | c >> 6),
            static_cast<unsigned char>(0x80 | (c & 0x3F)), 0, 2};
  }
  if (c < 0x10000) {
    return {static_cast<unsigned char>(0xE0 | c >> 12),
            static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<unsigned char>(0x80 | (c & 0x3F)), 3};
  }
  return {0, 0, 0, 0};  // code page 932 has nothing beyond the first plane
}

// The character a code is on the page: its Unicode, but for the control characters (DEL, from
// 0x7F), which a page may not hold as text and browsers do not show.
char32_t character_on_page(CharCode code) {
  const char32_t c = encoding::unicode_from_cp932(code);
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) ? encoding::NO_UNICODE : c;
}

// The text a one-byte character needs in HTML, if not itself.
constexpr std::string_view escape_of(unsigned char byte) {
  switch (byte) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    default:
      return {};
  }
}

// Whether the decoder takes the two bytes of `code`, before other text, as one character that it
// hands over as it is.
bool decoded_as_character(CharCode code) {
  struct Probe {
    void character(unsigned char) { other = true; }
    void space() { other = true; }
    void character(CharCode c) { taken = c; }
    void paragraph() { other = true; }
    void underline(bool) { other = true; }
    void script(ScriptState, ScriptState) { other = true; }
    CharCode taken = 0;
    bool other = false;
  } probe;
  DocumentDecoder<Probe> decoder(probe);
  unsigned char unit[LONGEST_UNIT];
  std::fill(std::begin(unit), std::end(unit), 'a');
  unit[0] = static_cast<unsigned char>(code >> 8);
  unit[1] = static_cast<unsigned char>(code & 0xFF);
  const unsigned char* p = unit;
  return decoder.decode(p, unit + LONGEST_UNIT, true) == Unit::decoded && p == unit + 2 &&
         probe.taken == code && !probe.other;
}

// The UTF-8 of every code that the decoder would take as a plain character and that goes out
// as it stands, by the two bytes from where the character starts: a two-byte code by its lead and
// trail, a one-byte code by itself and whatever byte follows, so that the fast path looks a
// character up without asking whether it is one byte long. The rest (a byte the decoder decides
// about, a lead of the word processor's codes, a trail that may be interrupted, a character to
// escape, a code without Unicode) have a count of 0 and go through the decoder. A space is in
// the table as itself, and two as a full-width space, for the fast path, which decides by their
// neighbours whether they may go out so; a two-byte code never ends in a space byte.
class Utf8Table {
 public:
  Utf8Table() : pairs_(new Utf8[0x10000]) {
    for (unsigned pair = 0; pair <= 0xFFFF; ++pair) {
      const auto high = static_cast<unsigned char>(pair >> 8);
      const auto low = static_cast<unsigned char>(pair & 0xFF);
      const bool lead = is_lead_byte(high);
      const CharCode code = static_cast<CharCode>(lead ? pair : high);
      const bool plain = !lead ? unit_start(high) == UnitStart::character && escape_of(high).empty()
                               : unit_start(high) == UnitStart::lead &&
                                     !trail_may_be_interrupted(low) && low != SPACE;
      const char32_t c = plain ? character_on_page(code) : encoding::NO_UNICODE;
      at(high, low) = c == encoding::NO_UNICODE ? Utf8{} : utf8_of(c);
      if (high == SPACE) at(high, low) = utf8_of(SPACE);
    }
    // Two spaces are a full-width space.
    at(SPACE, SPACE) = (*this)[FULL_WIDTH_SPACE];
    // An external character that the decoder hands over as a character, and whose replacement
    // is a two-byte character that goes out as it stands, is that character.
    for (unsigned code = EXTERNAL_CHAR_FIRST; code <= EXTERNAL_CHAR_LAST; ++code) {
      const auto replacement = external_char_replacement(static_cast<CharCode>(code));
      const auto low = static_cast<unsigned char>(code & 0xFF);
      if (is_lead_byte(static_cast<unsigned char>(replacement >> 8)) &&
          !trail_may_be_interrupted(low) && low != SPACE &&
          decoded_as_character(static_cast<CharCode>(code))) {
        at(static_cast<unsigned char>(code >> 8), low) = (*this)[replacement];
      }
    }
    for (unsigned lead = 0; lead <= 0xFF; ++lead) {
      if (unit_start(static_cast<unsigned char>(lead)) != UnitStart::lead) continue;
      const char32_t c = character_on_page(static_cast<CharCode>(lead << 8 | INTERRUPTION_TRAIL));
      if (c != encoding::NO_UNICODE) interruptible_[lead] = utf8_of(c);
    }
  }
  // The entry of a code: one byte, or lead << 8 | trail.
  const Utf8& operator[](unsigned code) const {
    return code <= 0xFF ? pairs_[code] : pairs_[simd::pair_index(code >> 8, code & 0xFF)];
  }
  // The entries by the two bytes from where a character starts, through simd::pair_index().
  const Utf8* pairs() const { return pairs_.get(); }
  // The entries of the two-byte characters whose trail may be interrupted, by their lead, for
  // where the byte after the trail shows that it is not; a count of 0 for the other bytes.
  const Utf8* interruptible() const { return interruptible_.data(); }

 private:
  Utf8& at(unsigned char first, unsigned char second) {
    return pairs_[simd::pair_index(first, second)];
  }
  std::unique_ptr<Utf8[]> pairs_;
  std::array<Utf8, 256> interruptible_{};
};

const Utf8Table& utf8_table() {
  static const Utf8Table table;
  return table;
}

std::string_view as_text(const Utf8& utf8) {
  return {reinterpret_cast<const char*>(utf8.data()), utf8[3]};
}

// Holds the start of the body while the title is looked for.
class HeldBody : public ByteSink {
 public:
  bool write(const unsigned char* buffer, std::size_t size) override {
    bytes.append(reinterpret_cast<const char*>(buffer), size);
    return true;
  }
  std::string bytes;
};

// What the decoder finds, written as an HTML5 page.
class Html5Sink {
 public:
  explicit Html5Sink(ByteWriter& page)
      : page_(page), held_(new HeldBody), held_writer_(new ByteWriter(*held_)) {}

  // The decoder's events.
  void character(unsigned char byte) {
    if (std::string_view escape = escape_of(byte); !escape.empty()) return text(escape, false);
    write_code(byte);
  }
  void space() {
    open_paragraph();
    if (!title_settled_ && title_length_ > 0 && title_blank_.empty()) title_blank_ = " ";
    if (!wrote_character_ || after_space_) {
      resolve_pending(" ");
      write(KEPT_SPACE);
    } else {
      space_pending_ = true;
    }
    after_space_ = true;
    wrote_character_ = true;
    check_held();
  }
  void character(CharCode code) {
    if (is_external_char(code)) {
      // Replacements are two bytes: one two-byte character, or two one-byte ones.
      const CharCode replacement = external_char_replacement(code);
      stand_ins_ += replacement == NO_REPLACEMENT;
      const auto high = static_cast<unsigned char>(replacement >> 8);
      const auto low = static_cast<unsigned char>(replacement & 0xFF);
      if (is_lead_byte(high)) return write_code(replacement);
      for (unsigned char byte : {high, low}) {
        if (byte == SPACE) {
          space();
        } else {
          character(byte);
        }
      }
      return;
    }
    if (code >= PRIVATE_CODE_FIRST) {
      ++stand_ins_;
      return text(as_text(utf8_of(FULL_WIDTH_SPACE_CHAR)), true);
    }
    write_code(code);
  }
  void paragraph() {
    open_paragraph();
    close_paragraph();
    marks_ = true;
    if (title_settled_) {
      // After a mark the next paragraph is written even when empty (see finish()), so it opens
      // now, which leaves the fast path free to go on.
      return open_paragraph();
    }
    if (title_has_text_) return settle_title();
    title_.clear();
    title_length_ = 0;
    title_blank_ = {};
    check_held();
  }
  // Only changes are written, and always well nested: an element that ends while one opened
  // inside it is open closes that one first and opens it again after, and what is open at the
  // end of a paragraph closes there and opens again in the next.
  void underline(bool on) {
    if (on == underline_) return;
    open_paragraph();
    const std::string_view script = SCRIPT_CLOSING[static_cast<int>(script_)];
    const bool inside_script = script_ != ScriptState::none;
    if (on) {
      underline_outside_ = !inside_script;
      tag("<u>");
    } else if (underline_outside_ && inside_script) {
      tag(script);
      tag("</u>");
      tag(SCRIPT_OPENING[static_cast<int>(script_)]);
    } else {
      tag("</u>");
    }
    underline_ = on;
  }
  void script(ScriptState from, ScriptState to) {
    open_paragraph();
    const bool underline_inside = underline_ && !underline_outside_;
    if (from == ScriptState::none) {
      underline_outside_ = underline_;
    } else {
      if (underline_inside) tag("</u>");
      tag(SCRIPT_CLOSING[static_cast<int>(from)]);
      if (to == ScriptState::none) underline_outside_ = true;
    }
    tag(SCRIPT_OPENING[static_cast<int>(to)]);
    if (underline_inside) tag("<u>");
    script_ = to;
  }

  // The end of the document: the last paragraph closed, the page completed.
  std::uint64_t finish() {
    // After a paragraph mark the last paragraph is there even when empty, as the .HTM file's
    // last <P> is.
    if (paragraph_open_ || marks_) {
      open_paragraph();
      close_paragraph();
    }
    if (!title_settled_) settle_title();
    write(PAGE_CLOSING);
    return stand_ins_;
  }

  // For the fast path: whether plain characters may go out as they stand, and where.
  bool plain() const { return paragraph_open_ && !space_pending_ && title_settled_; }
  ByteWriter& out() { return *out_; }
  bool space_may_be_plain() const { return wrote_character_ && !after_space_; }
  // After the fast path wrote characters, the last not a space.
  void wrote_plain() {
    after_space_ = false;
    wrote_character_ = true;
  }

 private:
  static constexpr std::size_t PENDING_TAGS = 32;

  void write(std::string_view text) {
    out_->write_unchanged(reinterpret_cast<const unsigned char*>(text.data()), text.size());
  }

  void write_code(CharCode code) {
    const Utf8& utf8 = table_[code];
    if (utf8[3] != 0) return text(as_text(utf8), code == FULL_WIDTH_SPACE);
    const char32_t c = character_on_page(code);
    Utf8 found = c == encoding::NO_UNICODE ? Utf8{} : utf8_of(c);
    if (found[3] == 0) {
      ++stand_ins_;
      found = utf8_of(STAND_IN_CHAR);
    }
    text(as_text(found), c == FULL_WIDTH_SPACE_CHAR);
  }

  // A character other than a space, as `html`; `blank` for one that shows as a space.
  void text(std::string_view html, bool blank) {
    open_paragraph();
    resolve_pending(" ");
    write(html);
    after_space_ = false;
    wrote_character_ = true;
    if (!title_settled_) add_to_title(html, blank);
  }

  // Out of line, as the title is settled soon, so that the fast path takes in only the rest.
  [[gnu::noinline]] void add_to_title(std::string_view html, bool blank) {
    if (blank) {
      if (title_length_ > 0 && title_blank_.empty()) title_blank_ = html;
      return check_held();
    }
    if (!title_blank_.empty()) {
      title_ += title_blank_;
      title_blank_.clear();
      ++title_length_;
    }
    title_ += html;
    title_has_text_ = true;
    if (++title_length_ >= TITLE_LENGTH) return settle_title();
    check_held();
  }

  void tag(std::string_view html) {
    if (html.empty()) return;
    open_paragraph();
    if (!space_pending_) {
      write(html);
    } else {
      tag_after_space(html);
    }
    check_held();
  }
  // A tag after a space that waits to see what follows it; rare, so out of line.
  [[gnu::noinline]] void tag_after_space(std::string_view html) {
    if (pending_tags_.size() + html.size() <= PENDING_TAGS) {
      pending_tags_ += html;
    } else {
      resolve_pending(KEPT_SPACE);
      write(html);
    }
  }

  void open_paragraph() {
    if (paragraph_open_) return;
    write("<p>");
    paragraph_open_ = true;
    const std::string_view script = SCRIPT_OPENING[static_cast<int>(script_)];
    if (underline_ && underline_outside_) write("<u>");
    write(script);
    if (underline_ && !underline_outside_) write("<u>");
  }

  void close_paragraph() {
    resolve_pending(KEPT_SPACE);  // a space at the end of a paragraph
    if (!wrote_character_) write("<br>");
    const std::string_view script = SCRIPT_CLOSING[static_cast<int>(script_)];
    if (underline_ && !underline_outside_) write("</u>");
    write(script);
    if (underline_ && underline_outside_) write("</u>");
    write("</p>\n");
    paragraph_open_ = false;
    wrote_character_ = false;
    after_space_ = false;
  }

  // The space that waited to see whether the paragraph ends after it, with the tags after it.
  void resolve_pending(std::string_view space) {
    if (space_pending_) write_pending(space);
  }
  [[gnu::noinline]] void write_pending(std::string_view space) {  // rare: out of line
    space_pending_ = false;
    write(space);
    write(pending_tags_);
    pending_tags_.clear();
  }

  void check_held() {
    if (!title_settled_ && held_->bytes.size() >= TITLE_SEARCH_LIMIT) settle_title();
  }

  // The head with the title, then the body held so far; from here on the body goes straight
  // to the page.
  [[gnu::noinline]] void settle_title() {
    title_settled_ = true;
    page_.write(PAGE_HEAD);
    page_.write(title_has_text_ ? std::string_view(title_) : UNTITLED);
    page_.write(PAGE_BODY);
    held_writer_->flush();
    page_.write(held_->bytes);
    out_ = &page_;
    held_writer_.reset();
    held_.reset();
    title_ = std::string();
  }

  ByteWriter& page_;
  const Utf8Table& table_ = utf8_table();
  std::unique_ptr<HeldBody> held_;
  std::unique_ptr<ByteWriter> held_writer_;
  ByteWriter* out_ = held_writer_.get();
  std::uint64_t stand_ins_ = 0;

  bool paragraph_open_ = false;
  bool marks_ = false;  // a paragraph mark has been seen
  bool underline_ = false;
  bool underline_outside_ = true;  // underline opened before the script, so around it
  ScriptState script_ = ScriptState::none;
  bool wrote_character_ = false;  // in this paragraph, spaces included
  bool after_space_ = false;      // the last character was a space
  bool space_pending_ = false;
  std::string pending_tags_;

  bool title_settled_ = false;
  std::string title_;        // as HTML
  int title_length_ = 0;     // characters
  std::string title_blank_;  // a space or full-width space to come before the next text
  bool title_has_text_ = false;
};

// The leads of two-byte characters, as 0 or 1, to step over a character without a branch.
constexpr std::array<unsigned char, 256> LEAD_BYTES = [] {
  std::array<unsigned char, 256> leads{};
  for (unsigned byte = 0; byte < 256; ++byte) {
    leads[byte] = is_lead_byte(static_cast<unsigned char>(byte));
  }
  return leads;
}();
constexpr simd::ByteSet LEADS(is_lead_byte);
constexpr simd::ByteSet SPACES([](unsigned char byte) {
  return unit_start(byte) == UnitStart::space;
});
// The units that write nothing, found by their bytes: a control byte, or the one two-byte code
// that writes nothing, the blank cell, by its lead and its trail.
static_assert([] {
  for (unsigned code = 0x100; code <= 0xFFFF; ++code) {
    if (writes_nothing(code) != (code == BLANK_CELL)) return false;
  }
  return true;
}());
constexpr simd::ByteSet SILENT_FIRSTS([](unsigned char byte) {
  return unit_start(byte) == UnitStart::silent || byte == BLANK_CELL >> 8;
});
constexpr simd::ByteSet CELL_TRAILS([](unsigned char byte) { return byte == (BLANK_CELL & 0xFF); });

using Decoder = DocumentDecoder<Html5Sink>;

// The decoder's step with the sink's handling of what it finds all in one, for the fast path:
// attributes and paragraph marks are many. The sink's rarer work stays out of line.
[[gnu::flatten]] Unit decode_unit(Decoder& decoder, const unsigned char*& p,
                                  const unsigned char* end, bool last) {
  return decoder.decode(p, end, last);
}

// The parse of a block, from its bytes alone: which bytes start units, which of those write
// nothing, and which spaces pair off, with the maps it is made from. A block is parsed from its
// start as though a unit starts there; where the bytes carried from the block before end in a
// unit that runs into it, the copy finds the parse out of step and parses anew (see copy()).
class BlockParse : public BlockIndex {
 public:
  struct Parse {
    std::uint64_t starts, spaces, seconds, silent;
  };

  BlockParse() : maps_({&LEADS, &SPACES, &SILENT_FIRSTS, &CELL_TRAILS}, CAPACITY) {}

  // Maps and parses [data, data + size), at most CAPACITY bytes.
  void build(const unsigned char* data, std::size_t size) {
    maps_.map(data, size);
    const std::uint64_t* const leads = maps_.words(0);
    const std::uint64_t* const spaces = maps_.words(1);
    const std::uint64_t* const silent_firsts = maps_.words(2);
    const std::uint64_t* const cell_trails = maps_.words(3);
    const std::size_t words = (size + 63) / 64;
    std::uint64_t in_character = 0;  // the word before ended with a lead byte
    std::uint64_t in_pair = 0;       // ... with the first of two spaces, if a space follows
    for (std::size_t w = 0; w < words; ++w) {
      // The maps hold a clear word past the run, for the trail of a cell that ends the word.
      const Parse word =
          parse(leads[w], spaces[w], silent_firsts[w],
                cell_trails[w] >> 1 | cell_trails[w + 1] << 63, in_character, in_pair);
      starts_[w] = word.starts;
      space_units_[w] = word.spaces;
      seconds_[w] = word.seconds;
      silent_[w] = word.silent;
    }
    starts_[words] = space_units_[words] = seconds_[words] = silent_[words] = 0;
  }

  const unsigned char* begin() const { return maps_.begin(); }
  // The parse of the 64 bytes from `at`, which lies in the block.
  Parse window(const unsigned char* at) const {
    return {window_bits(starts_.get(), at), window_bits(space_units_.get(), at),
            window_bits(seconds_.get(), at), window_bits(silent_.get(), at)};
  }
  // The leads among the 64 bytes from `at`.
  std::uint64_t leads(const unsigned char* at) const { return maps_.bits(0, at); }
  // The parse of the 64 bytes from `at` anew, as though a unit starts there.
  Parse parse_from(const unsigned char* at) const {
    std::uint64_t in_character = 0, in_pair = 0;
    return parse(maps_.bits(0, at), maps_.bits(1, at), maps_.bits(2, at), maps_.bits(3, at + 1),
                 in_character, in_pair);
  }

 private:
  static constexpr std::size_t CAPACITY = ByteReader::LOOKAHEAD + STREAM_BLOCK_SIZE;
  static constexpr std::size_t WORDS = CAPACITY / 64 + 2;

  // The parse of 64 bytes from a unit start, or from where the word before left off: where units
  // start, the spaces among them, the second space of each pair, and the units that write
  // nothing. `cell_trails_after` has the bits of the bytes whose next one is a blank cell's
  // trail; `in_character` and `in_pair` carry a lead or a first space from the word before into
  // this one, and on into the next.
  static Parse parse(std::uint64_t leads, std::uint64_t spaces, std::uint64_t silent_firsts,
                     std::uint64_t cell_trails_after, std::uint64_t& in_character,
                     std::uint64_t& in_pair) {
    const std::uint64_t trails = trail_bits_after(leads, in_character);
    const std::uint64_t space_units = spaces & ~trails;
    const std::uint64_t seconds = trail_bits_after(space_units, in_pair) & space_units;
    const std::uint64_t starts = ~trails & ~seconds;
    // A control byte, or the lead of a blank cell.
    const std::uint64_t silent = starts & silent_firsts & (~leads | cell_trails_after);
    return {starts, space_units, seconds, silent};
  }

  // The trails among `leads`, the first of them a trail when `carry` is set; sets `carry` when a
  // lead that starts a character ends the word.
  static std::uint64_t trail_bits_after(std::uint64_t leads, std::uint64_t& carry) {
    // Without a branch: a first byte that is a trail starts no run of leads.
    const std::uint64_t trails = trail_bits(leads & ~carry) | carry;
    carry = (leads & ~trails) >> 63;
    return trails;
  }

  std::uint64_t window_bits(const std::uint64_t* words, const unsigned char* at) const {
    return simd::bits_from(words, static_cast<std::size_t>(at - maps_.begin()));
  }

  simd::ByteMaps maps_;
  std::unique_ptr<std::uint64_t[]> starts_{new std::uint64_t[WORDS]};
  std::unique_ptr<std::uint64_t[]> space_units_{new std::uint64_t[WORDS]};
  std::unique_ptr<std::uint64_t[]> seconds_{new std::uint64_t[WORDS]};
  std::unique_ptr<std::uint64_t[]> silent_{new std::uint64_t[WORDS]};
};

class BlockParser : public BlockIndexer {
 public:
  std::unique_ptr<BlockIndex> make() const override { return std::make_unique<BlockParse>(); }
  void index(const unsigned char* data, std::size_t size, BlockIndex& index) const override {
    static_cast<BlockParse&>(index).build(data, size);
  }
};
const BlockParser BLOCK_PARSER;

// The fast path: the plain characters from a unit start on, spaces among them, written as they
// stand from the table, while the sink takes them so. Two spaces are a full-width space, a
// character. A space on its own goes out as it is only between two characters of the paragraph:
// the first only when the paragraph has a character and its last is not a space (`space_ok`),
// and none that is not followed by a plain character. The units that write nothing are skipped
// and the decoder takes the others on the way, as long as the sink takes plain characters after
// them: a line end, an attribute or a paragraph mark does not end the fast path.
class PlainCopier {
  // The most a window or the rest writes: three bytes for each of 66 read, and the last copy
  // writes four.
  static constexpr std::size_t ROOM = 3 * 66 + 4;

 public:
  explicit PlainCopier(const Utf8Table& table) : table_(table) {}

  // Takes the parse of the reader's block, unless it has it: the one the reading thread made,
  // or else its own of the buffered bytes, from where a unit starts.
  void cover(const ByteReader& reader) {
    if (reader.block_number() == block_number_) return;
    block_number_ = reader.block_number();
    if (const BlockIndex* index = reader.block_index(BLOCK_PARSER)) {
      block_ = static_cast<const BlockParse*>(index);
    } else {
      own_.build(reader.data(), reader.available());
      block_ = &own_;
    }
  }
  // Where the parse begins: copy() takes bytes from here on.
  const unsigned char* begin() const { return block_->begin(); }

  // Converts from `p`, which lies in the parsed block as `end` does, while sink.plain(). Stops
  // at the unit that the caller's decoder is to take (one after which the sink does not take
  // plain characters, a space that waits for what follows it, or one of the last bytes), or
  // where the decoder could not take one.
  Stop copy(const unsigned char* p, const unsigned char* end, bool last, Html5Sink& sink,
            Decoder& decoder) const {
    // Locals only, so that they stay in registers: the stores of the text could alias members.
    const Utf8* const pairs = table_.pairs();
    const Utf8* const interruptible = table_.interruptible();
    ByteWriter& out = sink.out();
    bool space_ok = sink.space_may_be_plain();
    const unsigned char* told = p;  // the sink knows of what was written before here
    bool untold = false;            // characters were written since
    unsigned char* written = nullptr;
    // Hands the text written up to `c` to the sink.
    auto tell = [&](const unsigned char* c) {
      out.wrote_up_to(written);
      if (untold) {
        sink.wrote_plain();
        space_ok = true;
        untold = false;
      }
      told = c;
    };
    // Where the copy stops, at `c`: a space on its own just before (`after_single`) goes back to
    // the decoder, as the character after it is not copied. It was written since the last call
    // of room(), which may have passed the bytes before on.
    auto stop = [&](const unsigned char* c, bool after_single) {
      if (after_single) {
        --c;
        --written;
      }
      tell(c);
      return Stop{c, Unit::decoded};
    };
    // Whole windows of 64 bytes, found from their bits: where characters start does not hang on
    // the byte before, so their table look-ups overlap, and the spaces that may not go out as
    // they are are found for the whole window, so that a character costs no branch of its own.
    // A character may end a byte past the window.
    while (end - p >= 64 + 2) {
      written = out.room(ROOM);
      const std::uint64_t leads = block_->leads(p);
      // Spaces pair off from the first of a run, as the decoder takes them: two are a full-width
      // space, a character looked up by its two bytes like any other.
      BlockParse::Parse parsed = block_->window(p);
      if ((parsed.starts & 1) == 0) {
        // A unit of the decoder took bytes that the parse of the block took otherwise: the
        // window is parsed from here. Where a unit starts, the two parses agree from there on.
        parsed = block_->parse_from(p);
      }
      const auto [starts, spaces, seconds, silent] = parsed;
      const std::uint64_t singles = spaces & ~seconds & ~(seconds >> 1);
      // The units that the copy looks at: those that write nothing are passed over, but for one
      // right after a space on its own, which goes to the decoder with the space, as what
      // follows them decides how the space is written.
      const std::uint64_t units = starts & ~(silent & ~(singles << 1));
      // A space on its own that may not go out as it is: the first unit, when the paragraph has
      // no character before or its last is a space.
      const std::uint64_t held = singles & units & (0 - units) & (0 - std::uint64_t{!space_ok});
      // A space on its own that is the window's last unit is left to the next window, which
      // sees what follows it: another space to pair with, or a unit that it must not be
      // written before.
      const std::uint64_t last_unit =
          units == 0 ? 0 : std::uint64_t{1} << (63 - std::countl_zero(units));
      const std::uint64_t last_single = last_unit & singles;
      // The units before the first held space: held & -held is its bit, or 0 for none.
      const std::uint64_t copied = units & ~last_single & ((held & (0 - held)) - 1);
      // The bits from where the sink was last told, in this window.
      auto since_told = [&] {
        return told > p ? ~std::uint64_t{0} << (told - p) : ~std::uint64_t{0};
      };
      const unsigned char* next = nullptr;  // where a unit left this window's bits behind
      std::uint64_t left = copied;
      while ((left = simd::write_pairs(p, left, pairs, written)) != 0) {
        const auto i = static_cast<unsigned>(std::countr_zero(left));
        left &= left - 1;
        const unsigned char* c = p + i;
        // A character whose trail may be interrupted, where the byte after it shows it is not
        // (a window's bytes are followed by two more).
        if (c[1] == INTERRUPTION_TRAIL && !interrupts_character(c[2])) {
          if (const Utf8 utf8 = interruptible[c[0]]; utf8[3] != 0) {
            std::memcpy(written, utf8.data(), 4);
            written += utf8[3];
            continue;
          }
        }
        // What was written since the sink was told, the last unit a space on its own or not.
        const std::uint64_t before = copied & ~(~std::uint64_t{0} << i) & since_told();
        if (before != 0) {
          const auto last = static_cast<unsigned>(63 - std::countl_zero(before));
          untold = untold || (before & ~(std::uint64_t{1} << last)) != 0;
          if ((singles >> last & 1) != 0) return stop(p + last + 1, true);
          untold = true;
        }
        tell(c);
        // The decoder's unit may take bytes that the bits took for characters.
        const Unit unit = decode_unit(decoder, c, end, last);
        if (unit != Unit::decoded) return {p + i, unit};
        told = c;
        if (!sink.plain()) return {c, Unit::decoded};
        // The copy goes on in this window where the bits see a unit start after the unit, and
        // saw no space among its bytes (the end of a script takes the space after it), as long
        // as a space on its own may go out as it is; it writes on after what the unit wrote.
        if (const auto j = static_cast<unsigned>(c - p);
            j < 64 && ((starts >> j) & 1) != 0 &&
            (spaces & (~std::uint64_t{0} << i) & ~(~std::uint64_t{0} << j)) == 0 &&
            sink.space_may_be_plain()) {
          written = out.room(ROOM);
          left = copied & (~std::uint64_t{0} << j);
          continue;
        }
        next = c;
        break;
      }
      if (next != nullptr) {
        // The bits are worked out anew from there.
        p = next;
        space_ok = sink.space_may_be_plain();
        continue;
      }
      untold = untold || (copied & since_told()) != 0;
      if (held != 0) return stop(p + std::countr_zero(held), false);  // after no single space
      out.wrote_up_to(written);
      space_ok = space_ok || untold;                // the last unit written is a character
      if (last_single == 1) return stop(p, false);  // the window holds no more
      // A unit may end a byte past the window.
      p += last_single != 0 ? std::countr_zero(last_single) : 64 + ((leads & starts) >> 63);
    }
    // The rest one unit at a time, leaving the last two bytes to the decoder.
    written = out.room(ROOM);
    bool after_single = false;
    while (end - p > 2) {
      const Utf8& utf8 = pairs[simd::pair_index(p)];
      const bool space = p[0] == SPACE;
      const bool single = space && p[1] != SPACE;
      if (utf8[3] == 0 || (single && !space_ok)) break;
      std::memcpy(written, utf8.data(), 4);
      written += utf8[3];
      space_ok = !single;
      untold = untold || !single;
      after_single = single;
      p += 1 + (LEAD_BYTES[p[0]] | space) - single;
    }
    return stop(p, after_single);
  }

 private:
  const Utf8Table& table_;
  BlockParse own_;
  const BlockParse* block_ = &own_;
  std::uint64_t block_number_ = ~std::uint64_t{0};
};

std::uint64_t convert(ByteReader& document, ByteWriter& html, bool fast) {
  PlainCopier copier(utf8_table());
  Html5Sink sink(html);
  Decoder decoder(sink);
  // Where blocks are read ahead, the reading thread parses them.
  if (fast) document.index_blocks(&BLOCK_PARSER);
  decode_document(document, [&](const unsigned char* p, const unsigned char* end, bool last) {
    if (fast) copier.cover(document);
    while (p < end) {
      if (fast) {
        // Where a copy stops, another would stop at once: the unit there goes to the decoder,
        // unless it writes nothing. The bytes carried from the block before, ahead of its
        // parse, go to the decoder too.
        if (sink.plain() && p >= copier.begin()) {
          const Stop stop = copier.copy(p, end, last, sink, decoder);
          if (stop.unit != Unit::decoded) return stop;
          p = stop.at;
          if (p == end) break;  // a line end took the last bytes
        }
        if (const unsigned char* next = skip_silent_units(p, end); next != p) {
          p = next;
          continue;
        }
      }
      const unsigned char* const at = p;
      if (const Unit unit = decode_unit(decoder, p, end, last); unit != Unit::decoded) {
        return Stop{at, unit};
      }
    }
    return Stop{p, Unit::decoded};
  });
  if (fast) document.index_blocks(nullptr);
  return sink.finish();
}

}  // namespace

std::uint64_t document_to_html5(ByteReader& document, ByteWriter& html) {
  return convert(document, html, true);
}

std::uint64_t document_to_html5_unit_by_unit(ByteReader& document, ByteWriter& html) {
  return convert(document, html, false);
}

}  // namespace wpconv
