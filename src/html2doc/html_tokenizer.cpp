#include "html2doc/html_tokenizer.h"

#include <algorithm>
#include <iterator>

namespace wpconv {

namespace {

struct NamedReference {
  std::string_view name;  // after the '&'; with its ';' unless a legacy name
  char32_t first;
  char32_t second;  // 0 for none
};

constexpr NamedReference NAMED_REFERENCES[] = {
#include "html2doc/html_entities.inc"
};

constexpr std::size_t NAMED_REFERENCE_COUNT = std::size(NAMED_REFERENCES);

constexpr bool is_white(char32_t c) {
  return c == '\t' || c == '\n' || c == '\f' || c == ' ';
}
constexpr bool is_upper(char32_t c) {
  return c >= 'A' && c <= 'Z';
}
constexpr bool is_alpha(char32_t c) {
  return is_upper(c) || (c >= 'a' && c <= 'z');
}
constexpr bool is_digit(char32_t c) {
  return c >= '0' && c <= '9';
}
constexpr bool is_alnum(char32_t c) {
  return is_alpha(c) || is_digit(c);
}
constexpr int hex_value(char32_t c) {
  if (is_digit(c)) return static_cast<int>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<int>(c - 'a' + 10);
  if (c >= 'A' && c <= 'F') return static_cast<int>(c - 'A' + 10);
  return -1;
}
constexpr char32_t lower(char32_t c) {
  return is_upper(c) ? c + ('a' - 'A') : c;
}

constexpr char32_t REPLACEMENT = 0xFFFD;

// What numeric references to 0x80-0x9F stand for: the characters windows-1252 has there.
constexpr char32_t C1_REPLACEMENTS[32] = {
    0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};

// The attributes the renderer reads, by name.
constexpr std::string_view ATTRIBUTE_NAMES[HtmlTagToken::ATTRIBUTES] = {"alt", "style", "start",
                                                                        "class"};

}  // namespace

char32_t numeric_reference_value(std::uint32_t number) {
  if (number == 0 || number > 0x10FFFF || (number >= 0xD800 && number <= 0xDFFF)) {
    return REPLACEMENT;
  }
  if (number >= 0x80 && number <= 0x9F) return C1_REPLACEMENTS[number - 0x80];
  return number;
}

void HtmlTokenizer::feed(const char32_t* text, std::size_t length) {
  std::size_t i = 0;
  while (i < length) {
    if (state_ <= State::plaintext) {
      const std::size_t run = take_text_run(text + i, length - i);
      i += run;
      if (run != 0) continue;
    }
    char32_t c = text[i];
    // CR LF and a lone CR are one LF, as the input stream is normalised before tokenizing.
    if (c == '\r') {
      after_cr_ = true;
      c = '\n';
    } else if (c == '\n' && after_cr_) {
      after_cr_ = false;
      ++i;
      continue;
    } else {
      after_cr_ = false;
    }
    while (!step(c)) {
    }
    ++i;
  }
}

// Text in the data, RCDATA, RAWTEXT and PLAINTEXT states up to the first character that any of
// them must look at, handed on at once: most of a page.
std::size_t HtmlTokenizer::take_text_run(const char32_t* text, std::size_t length) {
  std::size_t n = 0;
  switch (state_) {
    case State::data:
    case State::rcdata:
      while (n < length && text[n] != '<' && text[n] != '&' && text[n] != '\r' && text[n] != 0) {
        ++n;
      }
      break;
    case State::rawtext:
    case State::script_data:
      while (n < length && text[n] != '<' && text[n] != '\r' && text[n] != 0) ++n;
      break;
    default:
      while (n < length && text[n] != '\r' && text[n] != 0) ++n;
      break;
  }
  if (n == 0) return 0;
  if (after_cr_ && text[0] == '\n') {
    after_cr_ = false;
    if (n > 1) sink_.text(text + 1, n - 1);
    return n;
  }
  after_cr_ = false;
  sink_.text(text, n);
  return n;
}

bool HtmlTokenizer::in_attribute() const {
  return return_state_ == State::attribute_value_double ||
         return_state_ == State::attribute_value_single ||
         return_state_ == State::attribute_value_unquoted;
}

// A character that a reference or a false start gives back: text, or part of the value.
void HtmlTokenizer::emit(char32_t c) {
  if (in_attribute()) {
    if (value_ != nullptr && value_->length < HtmlTagToken::VALUE_SIZE) {
      value_->text[value_->length++] = c;
    }
  } else {
    emit_text(c);
  }
}

void HtmlTokenizer::flush_temporary() {
  for (std::size_t i = 0; i < temporary_length_; ++i) emit(temporary_[i]);
  temporary_length_ = 0;
}

void HtmlTokenizer::start_tag(bool end) {
  tag_.name_length = 0;
  tag_.end = end;
  tag_.self_closing = false;
  for (HtmlTagToken::Value& value : tag_.attributes) {
    value.present = false;
    value.length = 0;
  }
  value_ = nullptr;
}

void HtmlTokenizer::append_name(char32_t c) {
  c = lower(c);
  if (tag_.name_length < HtmlTagToken::NAME_SIZE) {
    tag_.name[tag_.name_length++] = c < 0x80 && c != 0 ? static_cast<char>(c) : '?';
  } else {
    tag_.name[HtmlTagToken::NAME_SIZE - 1] = '?';  // cut: matches no name known
  }
}

void HtmlTokenizer::start_attribute() {
  attribute_name_length_ = 0;
  value_ = nullptr;
}

void HtmlTokenizer::append_attribute_name(char32_t c) {
  c = lower(c);
  if (attribute_name_length_ < sizeof attribute_name_) {
    attribute_name_[attribute_name_length_] = c < 0x80 ? static_cast<char>(c) : '?';
  }
  ++attribute_name_length_;
}

void HtmlTokenizer::end_attribute_name() {
  value_ = nullptr;
  if (tag_.end || attribute_name_length_ > sizeof attribute_name_) return;
  const std::string_view name(attribute_name_, attribute_name_length_);
  for (int i = 0; i < HtmlTagToken::ATTRIBUTES; ++i) {
    // The first of two attributes of the same name counts.
    if (name == ATTRIBUTE_NAMES[i] && !tag_.attributes[i].present) {
      tag_.attributes[i].present = true;
      value_ = &tag_.attributes[i];
    }
  }
}

void HtmlTokenizer::emit_tag() {
  tag_.name[tag_.name_length] = 0;
  state_ = State::data;
  if (!tag_.end) {
    // The elements whose content the tree builder has tokenized as raw text.
    const std::string_view name = tag_.tag_name();
    State content = State::data;
    if (name == "title" || name == "textarea") {
      content = State::rcdata;
    } else if (name == "script") {
      content = State::script_data;
    } else if (name == "style" || name == "xmp" || name == "iframe" || name == "noembed" ||
               name == "noframes") {
      content = State::rawtext;
    } else if (name == "plaintext") {
      content = State::plaintext;
    }
    if (content != State::data && !foreign_) {
      state_ = content;
      std::copy(name.begin(), name.end(), raw_owner_);
      raw_owner_length_ = name.size();
    }
  }
  sink_.tag(tag_);
}

bool HtmlTokenizer::appropriate_end_tag() const {
  return tag_.tag_name() == std::string_view(raw_owner_, raw_owner_length_);
}

// The code point of a numeric reference, into its place.
void HtmlTokenizer::end_numeric_reference() {
  temporary_length_ = 0;
  emit(numeric_reference_value(number_));
  state_ = return_state_;
}

void HtmlTokenizer::end_named_reference(char32_t next, bool at_end) {
  state_ = return_state_;
  if (match_length_ == 0) {  // no name: the characters are text
    flush_temporary();
    return;
  }
  const bool with_semicolon = temporary_[match_length_ - 1] == ';';
  const char32_t after =
      match_length_ < temporary_length_ ? temporary_[match_length_] : (at_end ? 0 : next);
  if (!with_semicolon && in_attribute() && (after == '=' || is_alnum(after))) {
    flush_temporary();  // left as written, for old pages' query strings
    return;
  }
  emit(match_[0]);
  if (match_[1] != 0) emit(match_[1]);
  for (std::size_t i = match_length_; i < temporary_length_; ++i) emit(temporary_[i]);
  temporary_length_ = 0;
}

void HtmlTokenizer::step_escaped(char32_t c, State escaped, State dash, State dash_dash,
                                 State less_than) {
  if (c == '-') {
    state_ = state_ == escaped ? dash : dash_dash;
  } else if (c == '<') {
    state_ = less_than;
  } else if (c == '>' && state_ == dash_dash) {
    state_ = State::script_data;
  } else {
    state_ = escaped;
  }
}

bool HtmlTokenizer::step(char32_t c) {
  switch (state_) {
    case State::data:
      if (c == '&') {
        return_state_ = State::data;
        state_ = State::character_reference;
      } else if (c == '<') {
        state_ = State::tag_open;
      } else if (c != 0) {  // the tree builder drops NUL in the body
        emit_text(c);
      }
      return true;
    case State::rcdata:
      if (c == '&') {
        return_state_ = State::rcdata;
        state_ = State::character_reference;
      } else if (c == '<') {
        return_state_ = State::rcdata;
        state_ = State::raw_less_than;
      } else {
        emit_text(c != 0 ? c : REPLACEMENT);
      }
      return true;
    case State::rawtext:
      if (c == '<') {
        return_state_ = State::rawtext;
        state_ = State::raw_less_than;
      } else {
        emit_text(c != 0 ? c : REPLACEMENT);
      }
      return true;
    case State::plaintext:
      emit_text(c != 0 ? c : REPLACEMENT);
      return true;

    case State::tag_open:
      if (c == '!') {
        temporary_length_ = 0;
        state_ = State::markup_declaration_open;
        return true;
      }
      if (c == '/') {
        state_ = State::end_tag_open;
        return true;
      }
      if (is_alpha(c)) {
        start_tag(false);
        state_ = State::tag_name;
        return false;
      }
      if (c == '?') {
        state_ = State::bogus_comment;
        return false;
      }
      emit_text('<');
      state_ = State::data;
      return false;
    case State::end_tag_open:
      if (is_alpha(c)) {
        start_tag(true);
        state_ = State::tag_name;
        return false;
      }
      if (c == '>') {
        state_ = State::data;
        return true;
      }
      state_ = State::bogus_comment;
      return false;
    case State::tag_name:
      if (is_white(c)) {
        state_ = State::before_attribute_name;
      } else if (c == '/') {
        state_ = State::self_closing_start_tag;
      } else if (c == '>') {
        emit_tag();
      } else {
        append_name(c != 0 ? c : REPLACEMENT);
      }
      return true;

    case State::raw_less_than:
      if (c == '/') {
        temporary_length_ = 0;
        state_ = State::raw_end_tag_open;
        return true;
      }
      emit_text('<');
      state_ = return_state_;
      return false;
    case State::raw_end_tag_open:
      if (is_alpha(c)) {
        start_tag(true);
        state_ = State::raw_end_tag_name;
        return false;
      }
      emit_text('<');
      emit_text('/');
      state_ = return_state_;
      return false;
    case State::raw_end_tag_name:
      if (is_alpha(c) && temporary_length_ < TEMPORARY_SIZE) {
        append_name(c);
        temporary_[temporary_length_++] = c;
        return true;
      }
      if (appropriate_end_tag() && !is_alpha(c)) {
        if (is_white(c)) {
          state_ = State::before_attribute_name;
          return true;
        }
        if (c == '/') {
          state_ = State::self_closing_start_tag;
          return true;
        }
        if (c == '>') {
          emit_tag();
          return true;
        }
      }
      emit_text('<');
      emit_text('/');
      for (std::size_t i = 0; i < temporary_length_; ++i) emit_text(temporary_[i]);
      temporary_length_ = 0;
      state_ = return_state_;
      return false;

    case State::script_data:
      if (c == '<') state_ = State::script_less_than;
      return true;
    case State::script_less_than:
      if (c == '/') {
        temporary_length_ = 0;
        return_state_ = State::script_data;
        state_ = State::raw_end_tag_open;
        return true;
      }
      state_ = c == '!' ? State::script_escape_start : State::script_data;
      return c == '!';
    case State::script_escape_start:
    case State::script_escape_start_dash:
      if (c != '-') {
        state_ = State::script_data;
        return false;
      }
      state_ = state_ == State::script_escape_start ? State::script_escape_start_dash
                                                    : State::script_escaped_dash_dash;
      return true;
    case State::script_escaped:
    case State::script_escaped_dash:
    case State::script_escaped_dash_dash:
      step_escaped(c, State::script_escaped, State::script_escaped_dash,
                   State::script_escaped_dash_dash, State::script_escaped_less_than);
      return true;
    case State::script_escaped_less_than:
      temporary_length_ = 0;
      if (c == '/') {
        return_state_ = State::script_escaped;
        state_ = State::raw_end_tag_open;
        return true;
      }
      state_ = is_alpha(c) ? State::script_double_escape_start : State::script_escaped;
      return false;
    case State::script_double_escape_start:
    case State::script_double_escape_end:
      // "<script" opens, "</script" closes a script inside the escaped text.
      if (is_white(c) || c == '/' || c == '>') {
        const bool script = std::u32string_view(temporary_, temporary_length_) == U"script";
        const bool starting = state_ == State::script_double_escape_start;
        state_ = script == starting ? State::script_double_escaped : State::script_escaped;
        return true;
      }
      if (is_alpha(c)) {
        if (temporary_length_ < TEMPORARY_SIZE) temporary_[temporary_length_++] = lower(c);
        return true;
      }
      state_ = state_ == State::script_double_escape_start ? State::script_escaped
                                                           : State::script_double_escaped;
      return false;
    case State::script_double_escaped:
    case State::script_double_escaped_dash:
    case State::script_double_escaped_dash_dash:
      step_escaped(c, State::script_double_escaped, State::script_double_escaped_dash,
                   State::script_double_escaped_dash_dash, State::script_double_escaped_less_than);
      return true;
    case State::script_double_escaped_less_than:
      if (c == '/') {
        temporary_length_ = 0;
        state_ = State::script_double_escape_end;
        return true;
      }
      state_ = State::script_double_escaped;
      return false;

    case State::before_attribute_name:
      if (is_white(c)) return true;
      if (c == '/' || c == '>') {
        state_ = State::after_attribute_name;
        return false;
      }
      start_attribute();
      if (c == '=') {
        append_attribute_name(c);
        state_ = State::attribute_name;
        return true;
      }
      state_ = State::attribute_name;
      return false;
    case State::attribute_name:
      if (is_white(c) || c == '/' || c == '>') {
        end_attribute_name();
        state_ = State::after_attribute_name;
        return false;
      }
      if (c == '=') {
        end_attribute_name();
        state_ = State::before_attribute_value;
        return true;
      }
      append_attribute_name(c != 0 ? c : REPLACEMENT);
      return true;
    case State::after_attribute_name:
      if (is_white(c)) return true;
      if (c == '/') {
        state_ = State::self_closing_start_tag;
      } else if (c == '=') {
        state_ = State::before_attribute_value;
      } else if (c == '>') {
        emit_tag();
      } else {
        start_attribute();
        state_ = State::attribute_name;
        return false;
      }
      return true;
    case State::before_attribute_value:
      if (is_white(c)) return true;
      if (c == '"') {
        state_ = State::attribute_value_double;
      } else if (c == '\'') {
        state_ = State::attribute_value_single;
      } else if (c == '>') {
        emit_tag();
      } else {
        state_ = State::attribute_value_unquoted;
        return false;
      }
      return true;
    case State::attribute_value_double:
    case State::attribute_value_single:
      if (c == (state_ == State::attribute_value_double ? U'"' : U'\'')) {
        state_ = State::after_attribute_value_quoted;
      } else if (c == '&') {
        return_state_ = state_;
        state_ = State::character_reference;
      } else {
        return_state_ = state_;
        emit(c != 0 ? c : REPLACEMENT);
      }
      return true;
    case State::attribute_value_unquoted:
      if (is_white(c)) {
        state_ = State::before_attribute_name;
      } else if (c == '&') {
        return_state_ = state_;
        state_ = State::character_reference;
      } else if (c == '>') {
        emit_tag();
      } else {
        return_state_ = state_;
        emit(c != 0 ? c : REPLACEMENT);
      }
      return true;
    case State::after_attribute_value_quoted:
      if (is_white(c)) {
        state_ = State::before_attribute_name;
        return true;
      }
      if (c == '/') {
        state_ = State::self_closing_start_tag;
        return true;
      }
      if (c == '>') {
        emit_tag();
        return true;
      }
      state_ = State::before_attribute_name;
      return false;
    case State::self_closing_start_tag:
      if (c == '>') {
        tag_.self_closing = true;
        emit_tag();
        return true;
      }
      state_ = State::before_attribute_name;
      return false;

    case State::bogus_comment:
      if (c == '>') state_ = State::data;
      return true;
    case State::markup_declaration_open: {
      // "--", "DOCTYPE" in any case, or "[CDATA[", read a character at a time.
      temporary_[temporary_length_++] = c;
      const std::size_t n = temporary_length_;
      constexpr std::u32string_view DOCTYPE = U"doctype";
      constexpr std::u32string_view CDATA = U"[CDATA[";
      bool doctype = n <= DOCTYPE.size();
      bool cdata = n <= CDATA.size();
      for (std::size_t i = 0; i < n; ++i) {
        doctype = doctype && lower(temporary_[i]) == DOCTYPE[i];
        cdata = cdata && temporary_[i] == CDATA[i];
      }
      const bool dashes = n <= 2 && temporary_[0] == '-' && (n == 1 || temporary_[1] == '-');
      temporary_length_ = doctype || cdata || dashes ? n : 0;
      if (dashes && n == 2) {
        state_ = State::comment_start;
      } else if (doctype && n == DOCTYPE.size()) {
        state_ = State::doctype;
      } else if (cdata && n == CDATA.size()) {
        // Outside svg and math a CDATA section is a bogus comment.
        state_ = foreign_ ? State::cdata_section : State::bogus_comment;
      } else if (!doctype && !cdata && !dashes) {
        state_ = State::bogus_comment;
        return false;
      } else {
        return true;
      }
      temporary_length_ = 0;
      return true;
    }
    case State::comment_start:
      if (c == '-') {
        state_ = State::comment_start_dash;
      } else if (c == '>') {
        state_ = State::data;  // <!-->
      } else {
        state_ = State::comment;
        return false;
      }
      return true;
    case State::comment_start_dash:
      if (c == '-') {
        state_ = State::comment_end;
      } else if (c == '>') {
        state_ = State::data;  // <!--->
      } else {
        state_ = State::comment;
        return false;
      }
      return true;
    case State::comment:
      if (c == '-') state_ = State::comment_end_dash;
      return true;
    case State::comment_end_dash:
      if (c == '-') {
        state_ = State::comment_end;
        return true;
      }
      state_ = State::comment;
      return false;
    case State::comment_end:
      if (c == '>') {
        state_ = State::data;
      } else if (c == '!') {
        state_ = State::comment_end_bang;
      } else if (c != '-') {
        state_ = State::comment;
        return false;
      }
      return true;
    case State::comment_end_bang:
      if (c == '-') {
        state_ = State::comment_end_dash;
      } else if (c == '>') {
        state_ = State::data;  // --!>
      } else {
        state_ = State::comment;
        return false;
      }
      return true;
    case State::doctype:
      // Every state of a DOCTYPE ends at '>', even inside its quoted identifiers.
      if (c == '>') state_ = State::data;
      return true;

    case State::cdata_section:
      if (c == ']') {
        state_ = State::cdata_section_bracket;
      } else {
        emit_text(c);
      }
      return true;
    case State::cdata_section_bracket:
      if (c == ']') {
        state_ = State::cdata_section_end;
        return true;
      }
      emit_text(']');
      state_ = State::cdata_section;
      return false;
    case State::cdata_section_end:
      if (c == ']') {
        emit_text(']');
      } else if (c == '>') {
        state_ = State::data;
      } else {
        emit_text(']');
        emit_text(']');
        state_ = State::cdata_section;
        return false;
      }
      return true;

    case State::character_reference:
      temporary_[0] = '&';
      temporary_length_ = 1;
      if (is_alnum(c)) {
        names_first_ = 0;
        names_end_ = NAMED_REFERENCE_COUNT;
        match_length_ = 0;
        state_ = State::named_character_reference;
        return false;
      }
      if (c == '#') {
        temporary_[temporary_length_++] = c;
        number_ = 0;
        state_ = State::numeric_character_reference;
        return true;
      }
      flush_temporary();
      state_ = return_state_;
      return false;
    case State::named_character_reference: {
      // The names that go on with `c` after what has been read: a range of the sorted table.
      const std::size_t at = temporary_length_ - 1;  // characters of the name read so far
      const bool possible = (is_alnum(c) || c == ';') && temporary_length_ < TEMPORARY_SIZE;
      const auto* first = NAMED_REFERENCES + names_first_;
      const auto* last = NAMED_REFERENCES + names_end_;
      if (possible) {
        const auto character = static_cast<char>(c);
        first = std::partition_point(first, last, [&](const NamedReference& r) {
          return r.name.size() <= at || r.name[at] < character;
        });
        last = std::partition_point(first, last, [&](const NamedReference& r) {
          return r.name.size() > at && r.name[at] == character;
        });
      }
      if (!possible || first == last) {
        end_named_reference(c, false);
        return false;
      }
      temporary_[temporary_length_++] = c;
      names_first_ = static_cast<std::size_t>(first - NAMED_REFERENCES);
      names_end_ = static_cast<std::size_t>(last - NAMED_REFERENCES);
      if (first->name.size() == at + 1) {  // the shortest name of the range is what was read
        match_length_ = temporary_length_;
        match_[0] = first->first;
        match_[1] = first->second;
      }
      if (c == ';') end_named_reference(0, true);
      return true;
    }
    case State::numeric_character_reference:
      if (c == 'x' || c == 'X') {
        temporary_[temporary_length_++] = c;
        state_ = State::hexadecimal_start;
        return true;
      }
      state_ = State::decimal_start;
      return false;
    case State::hexadecimal_start:
    case State::decimal_start:
      if (state_ == State::hexadecimal_start ? hex_value(c) >= 0 : is_digit(c)) {
        state_ = state_ == State::hexadecimal_start ? State::hexadecimal : State::decimal;
        return false;
      }
      flush_temporary();  // "&#" or "&#x" with no digits: text
      state_ = return_state_;
      return false;
    case State::hexadecimal:
    case State::decimal: {
      const int digit = state_ == State::hexadecimal ? hex_value(c) : (is_digit(c) ? c - '0' : -1);
      if (digit >= 0) {
        const std::uint32_t base = state_ == State::hexadecimal ? 16 : 10;
        // Past the last code point the value only needs to stay past it.
        number_ = number_ > 0x10FFFF ? number_ : number_ * base + static_cast<std::uint32_t>(digit);
        return true;
      }
      end_numeric_reference();
      return c != ';' ? false : true;
    }
  }
  return true;
}

void HtmlTokenizer::finish() {
  switch (state_) {
    case State::tag_open:
      emit_text('<');
      break;
    case State::end_tag_open:
      emit_text('<');
      emit_text('/');
      break;
    case State::raw_less_than:
      emit_text('<');
      break;
    case State::raw_end_tag_open:
    case State::raw_end_tag_name:
      emit_text('<');
      emit_text('/');
      for (std::size_t i = 0; i < temporary_length_; ++i) emit_text(temporary_[i]);
      break;
    case State::cdata_section_bracket:
      emit_text(']');
      break;
    case State::cdata_section_end:
      emit_text(']');
      emit_text(']');
      break;
    case State::character_reference:
      temporary_[0] = '&';
      temporary_length_ = 1;
      flush_temporary();
      break;
    case State::named_character_reference:
      end_named_reference(0, true);
      break;
    case State::numeric_character_reference:
    case State::hexadecimal_start:
    case State::decimal_start:
      flush_temporary();
      break;
    case State::hexadecimal:
    case State::decimal:
      end_numeric_reference();
      break;
    default:
      break;  // a tag, a comment or a DOCTYPE the input ends inside gives nothing
  }
  state_ = State::data;
}

}  // namespace wpconv
