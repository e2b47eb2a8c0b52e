#include "html2doc/web_rendering.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "encoding/cp932.h"

namespace wpconv {

namespace {

// What an element does to the text: the rendering model, in one table.
enum : std::uint32_t {
  BLOCK = 1u << 0,        // begins and ends a paragraph
  CLOSES_P = 1u << 1,     // its start tag closes an open p, as the tree builder does
  DROPPED = 1u << 2,      // its content is not shown
  VOID = 1u << 3,         // has no content and no end tag
  PARAGRAPH = 1u << 4,    // p: holding nothing, or only <br> or no-break spaces, an empty paragraph
  LINE_BREAK = 1u << 5,   // br: ends a paragraph, or makes an empty one
  PRE = 1u << 6,          // line breaks end paragraphs and spaces stay
  UNORDERED = 1u << 7,    // its items begin with a bullet
  ORDERED = 1u << 8,      // its items begin with their number and "."
  ITEM = 1u << 9,         // li
  DEFINITION = 1u << 10,  // dt, dd: each closes the one open before it
  ROW = 1u << 11,         // tr
  CELL = 1u << 12,        // td, th: a full-width space between the cells of a row
  TABLE = 1u << 13,
  SCOPE = 1u << 14,  // a p, li or cell outside it is not closed from inside it
  IMAGE = 1u << 15,  // img: its alt text
  UNDERLINE = 1u << 16,
  SUPERSCRIPT = 1u << 17,
  SUBSCRIPT = 1u << 18,
  HEAD = 1u << 19,     // head: ends where the body's content begins
  IN_HEAD = 1u << 20,  // may stand in the head without ending it
  FOREIGN = 1u << 21,  // svg, math
  INERT = 1u << 22,    // an element ended out of order, kept only so that nothing pops twice
};

struct ElementRule {
  std::string_view name;
  std::uint32_t flags;
};

constexpr std::uint32_t BLOCK_CLOSING_P = BLOCK | CLOSES_P;

// Sorted by name. Elements not here are inline and do nothing of their own; a style attribute
// works on every element.
constexpr ElementRule ELEMENT_RULES[] = {
    {"address", BLOCK_CLOSING_P},
    {"area", VOID},
    {"article", BLOCK_CLOSING_P},
    {"aside", BLOCK_CLOSING_P},
    {"base", VOID | IN_HEAD},
    {"basefont", VOID | IN_HEAD},
    {"bgsound", VOID | IN_HEAD},
    {"blockquote", BLOCK_CLOSING_P},
    {"br", VOID | LINE_BREAK},
    {"button", SCOPE},
    {"caption", BLOCK | SCOPE},
    {"center", BLOCK_CLOSING_P},
    {"col", VOID},
    {"dd", BLOCK_CLOSING_P | DEFINITION},
    {"details", BLOCK_CLOSING_P},
    {"dialog", BLOCK_CLOSING_P},
    {"dir", BLOCK_CLOSING_P | UNORDERED},
    {"div", BLOCK_CLOSING_P},
    {"dl", BLOCK_CLOSING_P},
    {"dt", BLOCK_CLOSING_P | DEFINITION},
    {"embed", VOID},
    {"fieldset", BLOCK_CLOSING_P},
    {"figcaption", BLOCK_CLOSING_P},
    {"figure", BLOCK_CLOSING_P},
    {"footer", BLOCK_CLOSING_P},
    {"form", BLOCK_CLOSING_P},
    {"frame", VOID},
    {"h1", BLOCK_CLOSING_P},
    {"h2", BLOCK_CLOSING_P},
    {"h3", BLOCK_CLOSING_P},
    {"h4", BLOCK_CLOSING_P},
    {"h5", BLOCK_CLOSING_P},
    {"h6", BLOCK_CLOSING_P},
    {"head", DROPPED | HEAD},
    {"header", BLOCK_CLOSING_P},
    {"hgroup", BLOCK_CLOSING_P},
    {"hr", BLOCK_CLOSING_P | VOID},
    {"iframe", DROPPED},
    {"img", VOID | IMAGE},
    {"input", VOID},
    {"ins", UNDERLINE},
    {"keygen", VOID},
    {"legend", BLOCK},
    {"li", BLOCK_CLOSING_P | ITEM},
    {"link", VOID | IN_HEAD},
    {"listing", BLOCK_CLOSING_P | PRE},
    {"main", BLOCK_CLOSING_P},
    {"math", FOREIGN | SCOPE},
    {"menu", BLOCK_CLOSING_P | UNORDERED},
    {"meta", VOID | IN_HEAD},
    {"nav", BLOCK_CLOSING_P},
    {"noembed", DROPPED},
    {"noframes", DROPPED | IN_HEAD},
    {"noscript", IN_HEAD},
    {"ol", BLOCK_CLOSING_P | ORDERED},
    {"p", BLOCK_CLOSING_P | PARAGRAPH},
    {"param", VOID},
    {"plaintext", BLOCK_CLOSING_P | PRE},
    {"pre", BLOCK_CLOSING_P | PRE},
    {"rp", DROPPED},  // the brackets around ruby text, which browsers that show ruby hide
    {"script", DROPPED | IN_HEAD},
    {"section", BLOCK_CLOSING_P},
    {"source", VOID},
    {"style", DROPPED | IN_HEAD},
    {"sub", SUBSCRIPT},
    {"summary", BLOCK_CLOSING_P},
    {"sup", SUPERSCRIPT},
    {"svg", FOREIGN | SCOPE},
    {"table", BLOCK_CLOSING_P | TABLE | SCOPE},
    {"td", CELL | SCOPE},
    {"template", DROPPED | IN_HEAD | SCOPE},
    {"textarea", BLOCK | PRE},
    {"th", CELL | SCOPE},
    {"title", DROPPED | IN_HEAD},
    {"tr", BLOCK | ROW},
    {"track", VOID},
    {"u", UNDERLINE},
    {"ul", BLOCK_CLOSING_P | UNORDERED},
    {"wbr", VOID},
    {"xmp", BLOCK_CLOSING_P | PRE},
};

static_assert(std::is_sorted(std::begin(ELEMENT_RULES), std::end(ELEMENT_RULES),
                             [](const ElementRule& a, const ElementRule& b) {
                               return a.name < b.name;
                             }));

std::uint32_t rule_of(std::string_view name) {
  const auto* rule =
      std::lower_bound(std::begin(ELEMENT_RULES), std::end(ELEMENT_RULES), name,
                       [](const ElementRule& r, std::string_view n) { return r.name < n; });
  return rule != std::end(ELEMENT_RULES) && rule->name == name ? rule->flags : 0;
}

constexpr bool is_white(char32_t c) {
  return c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r';
}
constexpr char32_t NO_BREAK_SPACE = 0xA0;
constexpr char32_t BULLET = 0x30FB;  // katakana middle dot
constexpr CharCode IDEOGRAPHIC_SPACE = FULL_WIDTH_SPACE;

std::uint32_t number_of(std::u32string_view text) {
  std::uint32_t number = 0;
  std::size_t i = 0;
  while (i < text.size() && is_white(text[i])) ++i;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9' && number < 100000000; ++i) {
    number = number * 10 + static_cast<std::uint32_t>(text[i] - '0');
  }
  return number;
}

}  // namespace

void WebRenderer::boundary() {
  open_ = false;
  pending_space_ = false;
  pending_cell_ = false;
  after_marker_ = false;
  held_spaces_ = 0;
}

void WebRenderer::begin_paragraph() {
  if (open_) return;
  if (any_paragraph_) {
    sync_attributes(true);  // what ended in the last paragraph ends there
    writer_.paragraph_end();
  }
  any_paragraph_ = true;
  open_ = true;
  ++paragraphs_;
}

void WebRenderer::empty_paragraph() {
  begin_paragraph();
  boundary();
}

void WebRenderer::line_break() {
  if (in_cell()) return block_boundary();
  if (!open_) begin_paragraph();
  boundary();
}

bool WebRenderer::in_cell() const {
  return find(CELL, TABLE) != MAX_DEPTH;
}

// Inside a table cell, blocks and line breaks only part words: a row of cells stays one
// paragraph, whatever each cell holds. Right after a list marker, a block begins nothing new.
void WebRenderer::block_boundary() {
  if (in_cell()) {
    if (open_ && !after_marker_ && !pending_cell_) pending_space_ = true;
  } else if (!after_marker_) {
    boundary();
  }
}

void WebRenderer::sync_attributes(bool only_off) {
  const bool underline = underline_ > 0;
  if (underline != written_underline_ && !(only_off && underline)) {
    writer_.attribute(underline ? ATTRIBUTE_UNDERLINE_ON : ATTRIBUTE_UNDERLINE_OFF);
    written_underline_ = underline;
  }
  if (script_ != written_script_ && written_script_ != 0) {
    writer_.attribute(ATTRIBUTE_SCRIPT_OFF);
    written_script_ = 0;
  }
  if (script_ != written_script_ && !only_off) {
    writer_.attribute(script_);
    written_script_ = script_;
  }
}

void WebRenderer::before_content() {
  begin_paragraph();
  // The space between two words takes neither's attributes where they differ.
  if (pending_cell_ || pending_space_) sync_attributes(true);
  if (pending_cell_) {
    writer_.character(IDEOGRAPHIC_SPACE);
  } else if (pending_space_) {
    writer_.character(SPACE);
  }
  pending_cell_ = false;
  pending_space_ = false;
  after_marker_ = false;
  skip_newline_ = false;
  sync_attributes(false);
  for (; held_spaces_ > 0; --held_spaces_) writer_.character(SPACE);
}

// A character of the text into the document: its code page 932 code, or a stand-in.
void WebRenderer::put(char32_t c) {
  const CharCode code = encoding::cp932_from_unicode(c);
  // A code of one byte that the document would read as a lead byte has no place either.
  if (code == encoding::NO_CP932 ||
      (code <= 0xFF && is_lead_byte(static_cast<unsigned char>(code)))) {
    writer_.stand_in();
  } else {
    writer_.character(code);
  }
}

// Where nothing is pending, the characters that need no closer look straight into the output:
// most of a page's text.
std::size_t WebRenderer::put_run(const char32_t* text, std::size_t i, std::size_t length) {
  constexpr std::size_t RUN = 512;
  const std::size_t stop = std::min(length, i + RUN);
  const std::size_t first = i;
  unsigned char* out = writer_.room(RUN * DocumentWriter::CHARACTER_OUTPUT);
  for (; i < stop; ++i) {
    const char32_t c = text[i];
    if (c <= ' ' || (c >= 0x7F && c <= NO_BREAK_SPACE)) break;
    const CharCode code = encoding::cp932_from_unicode(c);
    if (code == encoding::NO_CP932 ||
        (code <= 0xFF && is_lead_byte(static_cast<unsigned char>(code)))) {
      break;
    }
    out = writer_.put(out, writer_.document_code(code));
  }
  writer_.commit(out);
  if (i != first) {
    after_marker_ = false;
    skip_newline_ = false;
  }
  return i;
}

void WebRenderer::text(const char32_t* text, std::size_t length) {
  if (dropped_ > 0) {
    if (depth_ > 0 &&
        std::string_view(stack_[depth_ - 1].name, stack_[depth_ - 1].name_length) == "style") {
      class_styles_.feed(text, length);
      return;
    }
    // Text in the head that is not white space begins the body, as the tree builder has it.
    if (depth_ == 0 || !(stack_[depth_ - 1].flags & HEAD)) return;
    std::size_t i = 0;
    while (i < length && is_white(text[i])) ++i;
    if (i == length) return;
    pop_to(depth_ - 1);
    text += i;
    length -= i;
    if (dropped_ > 0) return;
  }
  for (std::size_t i = 0; i < length; ++i) {
    if (open_ && !pending_space_ && !pending_cell_ && held_spaces_ == 0 && pre_ == 0 &&
        (underline_ > 0) == written_underline_ && script_ == written_script_) {
      i = put_run(text, i, length);
      if (i == length) break;
    }
    const char32_t c = text[i];
    if (is_white(c)) {
      if (pre_ > 0) {
        if (c == '\n') {
          if (skip_newline_) {
            skip_newline_ = false;
          } else {
            line_break();
          }
        } else {
          before_content();
          writer_.character(SPACE);
        }
      } else if (open_ && !after_marker_) {
        pending_space_ = true;
      }
      continue;
    }
    if (c == NO_BREAK_SPACE && pre_ == 0 && !open_) {
      ++held_spaces_;  // no-break spaces alone leave the paragraph empty
      continue;
    }
    // Other control characters carry nothing.
    if (c < 0x20 || (c >= 0x7F && c < 0xA0)) continue;
    before_content();
    put(c);
  }
}

std::size_t WebRenderer::find(std::uint32_t flags, std::uint32_t stop) const {
  for (std::size_t i = depth_; i-- > 0;) {
    if (stack_[i].flags & flags) return i;
    if (stack_[i].flags & stop) break;
  }
  return MAX_DEPTH;
}

std::size_t WebRenderer::find_name(std::string_view name) const {
  for (std::size_t i = depth_; i-- > 0;) {
    if (!(stack_[i].flags & INERT) &&
        std::string_view(stack_[i].name, stack_[i].name_length) == name) {
      return i;
    }
  }
  return MAX_DEPTH;
}

void WebRenderer::update_script() {
  script_ = 0;
  for (std::size_t i = depth_; i-- > 0;) {
    if (stack_[i].script != 0) {
      script_ = stack_[i].script;
      break;
    }
  }
}

void WebRenderer::push(const HtmlTagToken& tag, std::uint32_t flags) {
  if (depth_ == MAX_DEPTH) return;
  Open& open = stack_[depth_++];
  std::copy_n(tag.name, tag.name_length, open.name);
  open.name_length = static_cast<std::uint8_t>(tag.name_length);
  open.flags = flags;
  // The element's own meaning, then its classes' rules, then its style attribute.
  TextStyle style;
  style.underline = (flags & UNDERLINE) != 0;
  if (flags & SUPERSCRIPT) style.script = TextStyle::superscript;
  if (flags & SUBSCRIPT) style.script = TextStyle::subscript;
  for (const TextStyle& more :
       {class_styles_.of_classes(tag.attributes[HtmlTagToken::CLASS].view()),
        style_of_declarations(tag.attributes[HtmlTagToken::STYLE].view())}) {
    style.underline = style.underline || more.underline;
    if (more.script != TextStyle::none) style.script = more.script;
  }
  open.underline = style.underline;
  open.script = style.script == TextStyle::superscript ? ATTRIBUTE_SUPERSCRIPT_ON
                : style.script == TextStyle::subscript ? ATTRIBUTE_SUBSCRIPT_ON
                                                       : 0;
  open.number = 0;
  if (flags & ORDERED) {
    const HtmlTagToken::Value& start = tag.attributes[HtmlTagToken::START];
    open.number = start.present ? number_of(start.view()) - 1 : 0;
  }
  open.paragraphs = paragraphs_;
  dropped_ += (flags & DROPPED) != 0;
  pre_ += (flags & PRE) != 0;
  foreign_ += (flags & FOREIGN) != 0;
  underline_ += open.underline;
  if (open.script != 0) script_ = open.script;
  if (tokenizer_ != nullptr) tokenizer_->set_foreign(foreign_ > 0);
}

void WebRenderer::pop_to(std::size_t index) {
  while (depth_ > index) {
    Open& open = stack_[--depth_];
    if (open.flags & INERT) continue;
    dropped_ -= (open.flags & DROPPED) != 0;
    pre_ -= (open.flags & PRE) != 0;
    foreign_ -= (open.flags & FOREIGN) != 0;
    underline_ -= open.underline;
    if (dropped_ == 0 && !(open.flags & DROPPED)) {
      if ((open.flags & PARAGRAPH) && paragraphs_ == open.paragraphs && !in_cell()) {
        empty_paragraph();
      }
      if (open.flags & BLOCK) block_boundary();
    }
    if (open.flags & PRE) skip_newline_ = false;
    if (std::string_view(open.name, open.name_length) == "style") class_styles_.end_sheet();
  }
  update_script();
  if (tokenizer_ != nullptr) tokenizer_->set_foreign(foreign_ > 0);
}

void WebRenderer::close_head_if_current() {
  if (depth_ > 0 && (stack_[depth_ - 1].flags & HEAD)) pop_to(depth_ - 1);
}

void WebRenderer::tag(const HtmlTagToken& tag) {
  skip_newline_ = false;  // only a line break right after <pre> is dropped
  if (tag.end) {
    end(tag);
  } else {
    start(tag);
  }
}

void WebRenderer::start(const HtmlTagToken& tag) {
  const std::string_view name = tag.tag_name();
  const std::uint32_t flags = rule_of(name);
  if (!(flags & IN_HEAD)) close_head_if_current();
  if (name == "html" || name == "body") return;
  if (dropped_ > 0) {
    if (!(flags & VOID)) push(tag, flags);
    return;
  }
  // The elements whose start closes one still open, as the tree builder closes them.
  std::size_t closed = MAX_DEPTH;
  if (flags & CLOSES_P) closed = std::min(closed, find(PARAGRAPH, SCOPE));
  if (flags & ITEM) closed = std::min(closed, find(ITEM, SCOPE | UNORDERED | ORDERED));
  if (flags & DEFINITION) closed = std::min(closed, find(DEFINITION, SCOPE));
  if (flags & ROW) closed = std::min(closed, find(ROW, TABLE));
  if (flags & CELL) closed = std::min(closed, find(CELL, ROW | TABLE));
  if (closed != MAX_DEPTH) pop_to(closed);

  if (flags & BLOCK) block_boundary();
  if (flags & LINE_BREAK) line_break();
  if (flags & CELL && open_) {
    pending_cell_ = true;
    pending_space_ = false;
  }
  if (flags & IMAGE) {
    const HtmlTagToken::Value& alt = tag.attributes[HtmlTagToken::ALT];
    if (alt.present) text(alt.text, alt.length);
  }
  if (flags & VOID) return;
  if (tag.self_closing && foreign_ > 0) return;
  push(tag, flags);
  if (flags & ITEM) list_marker();
  if (flags & PRE) skip_newline_ = true;
}

void WebRenderer::list_marker() {
  const std::size_t list = find(UNORDERED | ORDERED, SCOPE);
  begin_paragraph();
  sync_attributes(false);
  if (list != MAX_DEPTH && (stack_[list].flags & ORDERED)) {
    char digits[12];
    int count = 0;
    std::uint32_t number = ++stack_[list].number;
    do {
      digits[count++] = static_cast<char>('0' + number % 10);
      number /= 10;
    } while (number != 0);
    while (count > 0) writer_.character(static_cast<unsigned char>(digits[--count]));
    writer_.character('.');
  } else {
    put(BULLET);
  }
  after_marker_ = true;
}

void WebRenderer::end(const HtmlTagToken& tag) {
  const std::string_view name = tag.tag_name();
  const std::uint32_t flags = rule_of(name);
  if (flags & LINE_BREAK) {  // </br> is a line break too
    if (dropped_ == 0) line_break();
    return;
  }
  if (name == "html" || name == "body") return;  // browsers go on after them
  const std::size_t index = find_name(name);
  if (index == MAX_DEPTH) return;
  // An inline element ended while a block inside it is open: it stops acting, and the block
  // goes on.
  if (!(flags & (BLOCK | DROPPED | FOREIGN | PRE | SCOPE))) {
    bool block_above = false;
    for (std::size_t i = index + 1; i < depth_; ++i)
      block_above = block_above || (stack_[i].flags & BLOCK);
    if (block_above) {
      Open& open = stack_[index];
      underline_ -= open.underline;
      open.underline = false;
      open.script = 0;
      open.flags = INERT;
      update_script();
      return;
    }
  }
  pop_to(index);
}

std::uint64_t WebRenderer::finish() {
  if (written_underline_) writer_.attribute(ATTRIBUTE_UNDERLINE_OFF);
  if (written_script_ != 0) writer_.attribute(ATTRIBUTE_SCRIPT_OFF);
  return writer_.finish();
}

}  // namespace wpconv
