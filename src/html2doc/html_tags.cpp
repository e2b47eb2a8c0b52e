#include "html2doc/html_tags.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "doccodes/doc_codes.h"

namespace wpconv {

namespace {

struct TagName {
  std::string_view text;
  HtmlTag tag;
};

constexpr TagName TAGS[] = {
    {"<P>", HtmlTag::paragraph},        {"</BODY>", HtmlTag::end_of_body},
    {"<U>", HtmlTag::underline_on},     {"</U>", HtmlTag::underline_off},
    {"<SUP>", HtmlTag::superscript_on}, {"</SUP>", HtmlTag::superscript_off},
    {"<SUB>", HtmlTag::subscript_on},   {"</SUB>", HtmlTag::subscript_off},
    {"<HTML>", HtmlTag::html},          {"</HTML>", HtmlTag::end_of_html},
    {"<BODY>", HtmlTag::body},
};

// Longer tags match none of the above, so only this much of a tag is kept; the rest is read
// and dropped, whatever its length.
constexpr std::size_t LONGEST_TAG = 7;

constexpr unsigned char upper_case(unsigned char byte) {
  return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 'a' + 'A') : byte;
}

// A tag's text of at most eight bytes in upper case, as one number, for one comparison a tag.
template <class Byte>
constexpr std::uint64_t packed(const Byte* text, std::size_t length) {
  std::uint64_t value = 0;
  for (std::size_t i = 0; i < length; ++i) {
    value |= std::uint64_t{upper_case(static_cast<unsigned char>(text[i]))} << (8 * i);
  }
  return value;
}

struct PackedTag {
  std::uint64_t text;
  HtmlTag tag;
};

// Each known tag has a slot of its own, found by multiplying its packed text and keeping the top
// SLOT_BITS bits, so that a tag costs one look-up and one comparison. The multiplier is searched
// for at compile time from the table above, so a new tag needs nothing more.
constexpr unsigned SLOT_BITS = 4;
static_assert(std::size(TAGS) <= 1u << SLOT_BITS);

constexpr unsigned slot_of(std::uint64_t text, std::uint64_t multiplier) {
  return static_cast<unsigned>((text * multiplier) >> (64 - SLOT_BITS));
}

constexpr std::uint64_t SLOT_MULTIPLIER = [] {
  // Candidates from a linear congruential generator (Knuth's MMIX constants), kept odd: close
  // multipliers would place the tags alike, and compilers cap the work done here.
  for (std::uint64_t multiplier = 0x9E3779B97F4A7C15;;
       multiplier = (multiplier * 6364136223846793005 + 1442695040888963407) | 1) {
    std::array<bool, 1u << SLOT_BITS> taken{};
    bool apart = true;
    for (const TagName& tag : TAGS) {
      const unsigned slot = slot_of(packed(tag.text.data(), tag.text.size()), multiplier);
      apart = apart && !taken[slot];
      taken[slot] = true;
    }
    if (apart) return multiplier;
  }
}();

// Empty slots hold text 0, which no tag has: it starts with '<'.
constexpr auto TAG_SLOTS = [] {
  std::array<PackedTag, 1u << SLOT_BITS> slots{};
  for (PackedTag& slot : slots) slot = {0, HtmlTag::other};
  for (const TagName& tag : TAGS) {
    const std::uint64_t text = packed(tag.text.data(), tag.text.size());
    slots[slot_of(text, SLOT_MULTIPLIER)] = {text, tag.tag};
  }
  return slots;
}();

constexpr std::uint64_t ONES = 0x0101010101010101;

// The tag whose text is packed in `value` (byte i in bits 8i to 8i + 7, nothing past the tag),
// compared in upper case.
[[gnu::always_inline]] inline HtmlTag tag_of_packed(std::uint64_t value, std::size_t length) {
  // The letters a to z in upper case, eight bytes at once: a byte is one of them when its low
  // seven bits reach 'a' but pass no further than 'z', and its top bit is clear.
  const std::uint64_t low = value & (0x7F * ONES);
  const std::uint64_t at_a = low + (0x80 - 'a') * ONES;
  const std::uint64_t past_z = low + (0x80 - 'z' - 1) * ONES;
  value ^= (at_a & ~past_z & ~value & (0x80 * ONES)) >> 2;
  static_assert('a' - 'A' == 0x80 >> 2);
  if (length <= LONGEST_TAG) {
    const PackedTag& slot = TAG_SLOTS[slot_of(value, SLOT_MULTIPLIER)];
    if (slot.text == value) return slot.tag;
  }
  // "<META" and then white space, '/' or '>': the program writes its attributes.
  constexpr std::uint64_t META = packed("<META", 5);
  const auto after = static_cast<unsigned char>(value >> 40);
  if (length >= 6 && (value & 0xFFFFFFFFFF) == META &&
      (after == ' ' || after == '\t' || after == '\n' || after == '\f' || after == '/' ||
       after == '>')) {
    return HtmlTag::meta;
  }
  return HtmlTag::other;
}

// The tag whose text, from '<' to '>', is `length` bytes long and begins with the bytes of
// `first` (byte i in bits 8i to 8i + 7; nothing past the tag).
[[gnu::always_inline]] inline HtmlTag tag_of(std::uint64_t first, std::size_t length) {
  if (length < 8) first &= ~std::uint64_t{0} >> (64 - 8 * length);
  return tag_of_packed(first, length);
}

// The first eight bytes at `text`, or as many as there are before `end`.
[[gnu::always_inline]] inline std::uint64_t first_bytes(const unsigned char* text,
                                                        const unsigned char* end) {
  std::uint64_t value = 0;
  if (std::endian::native == std::endian::little && end - text >= 8) {
    std::memcpy(&value, text, sizeof value);
    return value;
  }
  for (int i = 0; i < 8 && text + i != end; ++i) value |= std::uint64_t{text[i]} << (8 * i);
  return value;
}

// Just past the first '>' at `text` or after it, or nothing if there is none before `end`: the
// one place that finds where a tag ends.
[[gnu::always_inline]] inline const unsigned char* tag_end(const unsigned char* text,
                                                           const unsigned char* end) {
  // Most tags are short: look at their first eight bytes at once before asking the library. The
  // lowest byte that the subtraction finds zero is exact (a borrow only reaches the bytes above).
  if (std::endian::native == std::endian::little && end - text >= 8) {
    std::uint64_t value;
    std::memcpy(&value, text, sizeof value);
    const std::uint64_t other_than_close = value ^ ('>' * ONES);
    const std::uint64_t closes = (other_than_close - ONES) & ~other_than_close & (0x80 * ONES);
    if (closes != 0) return text + std::countr_zero(closes) / 8 + 1;
    text += 8;
  }
  if (text >= end) return nullptr;  // an empty buffer may have no address at all
  const void* close = std::memchr(text, '>', static_cast<std::size_t>(end - text));
  return close != nullptr ? static_cast<const unsigned char*>(close) + 1 : nullptr;
}

}  // namespace

const unsigned char* read_tag(const unsigned char* text, const unsigned char* end, HtmlTag& tag) {
  const unsigned char* stop = tag_end(text + 1, end);
  if (stop != nullptr) tag = tag_of(first_bytes(text, end), static_cast<std::size_t>(stop - text));
  return stop;
}

HtmlTag read_html_tag(ByteReader& html) {
  // The first bytes of the tag, which tell what it is, and its length.
  std::uint64_t first = '<';
  std::size_t length = 1;
  for (;;) {
    const unsigned char* rest = html.data();
    const unsigned char* end = rest + html.available();
    const unsigned char* stop = tag_end(rest, end);
    const unsigned char* taken = stop != nullptr ? stop : end;
    for (const unsigned char* c = rest;
         c != taken && length + static_cast<std::size_t>(c - rest) < 8; ++c) {
      first |= std::uint64_t{*c} << (8 * (length + static_cast<std::size_t>(c - rest)));
    }
    length += static_cast<std::size_t>(taken - rest);
    html.advance(static_cast<std::size_t>(taken - rest));
    if (stop != nullptr) return tag_of(first, length);
    // The tag runs past the buffered bytes: take the next one, which refills the buffer.
    int byte = html.get();
    if (byte < 0) return HtmlTag::other;  // the input ends inside the tag
    if (length < 8) first |= std::uint64_t{static_cast<unsigned char>(byte)} << (8 * length);
    ++length;
    if (byte == '>') return tag_of(first, length);
  }
}

namespace {

// Whether the byte just before `at` ends an odd run of lead bytes that begins at or after
// `start`, where a character begins: then the byte at `at` is the trail byte of a character. A
// run of lead bytes after any other byte alternates lead and trail, as that byte ends a character
// whatever it is.
bool is_trail(const unsigned char* start, const unsigned char* at) {
  std::size_t run = 0;
  while (at - run != start && is_lead_byte(*(at - run - 1))) ++run;
  return run % 2 != 0;
}

}  // namespace

bool is_exact_dialect(ByteReader& html) {
  bool trail_first = false;  // the buffer begins with the trail byte of the last one's lead
  while (html.ensure(1)) {
    const unsigned char* const begin = html.data();
    const unsigned char* const end = begin + html.available();
    const unsigned char* start = begin + (trail_first ? 1 : 0);
    trail_first = false;
    for (;;) {
      const auto* open = static_cast<const unsigned char*>(
          std::memchr(start, '<', static_cast<std::size_t>(end - start)));
      if (open == nullptr) {
        trail_first = start != end && is_trail(start, end);
        html.advance(static_cast<std::size_t>(end - begin));
        break;
      }
      if (is_trail(start, open)) {
        start = open + 1;
        continue;
      }
      HtmlTag tag = HtmlTag::other;
      const unsigned char* stop = read_tag(open, end, tag);
      if (stop == nullptr) {
        // The tag runs past the buffer.
        html.advance(static_cast<std::size_t>(open + 1 - begin));
        if (read_html_tag(html) == HtmlTag::other) return false;
        break;
      }
      if (tag == HtmlTag::other) return false;
      start = stop;
    }
  }
  return true;
}

}  // namespace wpconv
