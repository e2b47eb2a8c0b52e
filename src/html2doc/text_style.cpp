#include "html2doc/text_style.h"

#include <algorithm>

namespace wpconv {

namespace {

constexpr bool is_white(char32_t c) {
  return c == ' ' || c == '\n' || c == '\t' || c == '\f' || c == '\r';
}

constexpr char32_t lower(char32_t c) {
  return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// `text` from `at` on begins with `word` (lower case ASCII), in any case.
bool starts_with(std::u32string_view text, std::size_t at, std::string_view word) {
  if (at > text.size() || text.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (lower(text[at + i]) != static_cast<char32_t>(word[i])) return false;
  }
  return true;
}

std::u32string_view trimmed(std::u32string_view text) {
  while (!text.empty() && is_white(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_white(text.back())) text.remove_suffix(1);
  return text;
}

constexpr bool is_name_character(char32_t c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
         c == '_' || c >= 0x80;
}

}  // namespace

TextStyle style_of_declarations(std::u32string_view declarations) {
  TextStyle style;
  while (!declarations.empty()) {
    const std::size_t end = std::min(declarations.find(U';'), declarations.size());
    const std::u32string_view declaration = declarations.substr(0, end);
    declarations.remove_prefix(std::min(end + 1, declarations.size()));
    const std::size_t colon = declaration.find(U':');
    if (colon == std::u32string_view::npos) continue;
    const std::u32string_view name = trimmed(declaration.substr(0, colon));
    const std::u32string_view value = trimmed(declaration.substr(colon + 1));
    if (starts_with(name, 0, "text-decoration")) {  // text-decoration and text-decoration-line
      for (std::size_t i = 0; i < value.size(); ++i) {
        style.underline = style.underline || starts_with(value, i, "underline");
      }
    } else if (starts_with(name, 0, "vertical-align") && name.size() == 14) {
      if (starts_with(value, 0, "super")) style.script = TextStyle::superscript;
      if (starts_with(value, 0, "sub")) style.script = TextStyle::subscript;
    }
  }
  return style;
}

void ClassStyles::feed(const char32_t* text, std::size_t length) {
  for (std::size_t i = 0; i < length; ++i) take(text[i]);
}

void ClassStyles::end_sheet() {
  state_ = State::selector;
  selector_length_ = 0;
  block_length_ = 0;
  last_ = 0;
}

void ClassStyles::take(char32_t c) {
  const char32_t last = last_;
  last_ = c;
  switch (state_) {
    case State::comment:
      if (last == '*' && c == '/') {
        state_ = after_comment_;
        last_ = 0;
      }
      return;
    case State::selector:
    case State::block:
      if (last == '/' && c == '*') {
        // The '/' taken before was the comment's start.
        std::size_t& length = state_ == State::selector ? selector_length_ : block_length_;
        if (length > 0) --length;
        after_comment_ = state_;
        state_ = State::comment;
        last_ = 0;
        return;
      }
      break;
  }
  if (state_ == State::block) {
    if (c == '}') {
      end_rule();
      state_ = State::selector;
      selector_length_ = 0;
    } else if (block_length_ < BLOCK_SIZE) {
      block_[block_length_++] = c;
    }
    return;
  }
  if (c == '{') {
    // An at-rule such as @media holds rules of its own; they are read as if it were not there.
    const std::u32string_view selector = trimmed({selector_, selector_length_});
    if (!selector.empty() && selector.front() == '@') {
      selector_length_ = 0;
    } else {
      state_ = State::block;
      block_length_ = 0;
    }
  } else if (c == '}' || c == ';') {
    selector_length_ = 0;  // the end of an at-rule
  } else if (selector_length_ < SELECTOR_SIZE) {
    selector_[selector_length_++] = c;
  } else {
    selector_[0] = '@';  // too long to be kept: its rule is skipped
  }
}

void ClassStyles::end_rule() {
  const TextStyle style = style_of_declarations({block_, block_length_});
  if (!style.underline && style.script == TextStyle::none) return;
  std::u32string_view selectors(selector_, selector_length_);
  while (!selectors.empty()) {
    const std::size_t end = std::min(selectors.find(U','), selectors.size());
    std::u32string_view selector = trimmed(selectors.substr(0, end));
    selectors.remove_prefix(std::min(end + 1, selectors.size()));
    // An element name, if any, then one class and nothing more.
    while (!selector.empty() && is_name_character(selector.front())) selector.remove_prefix(1);
    if (selector.size() < 2 || selector.front() != '.') continue;
    selector.remove_prefix(1);
    if (std::all_of(selector.begin(), selector.end(), is_name_character)) add(selector, style);
  }
}

void ClassStyles::add(std::u32string_view name, TextStyle style) {
  if (name.size() > NAME_SIZE) return;
  for (std::size_t i = 0; i < rule_count_; ++i) {
    Rule& rule = rules_[i];
    if (std::u32string_view(rule.name, rule.name_length) == name) {
      rule.style = style;  // the later rule wins
      return;
    }
  }
  if (rule_count_ == CLASSES) return;
  Rule& rule = rules_[rule_count_++];
  std::copy(name.begin(), name.end(), rule.name);
  rule.name_length = static_cast<std::uint8_t>(name.size());
  rule.style = style;
}

TextStyle ClassStyles::of_classes(std::u32string_view classes) const {
  TextStyle style;
  while (!classes.empty()) {
    while (!classes.empty() && is_white(classes.front())) classes.remove_prefix(1);
    std::size_t end = 0;
    while (end < classes.size() && !is_white(classes[end])) ++end;
    const std::u32string_view name = classes.substr(0, end);
    classes.remove_prefix(end);
    for (std::size_t i = 0; i < rule_count_ && !name.empty(); ++i) {
      const Rule& rule = rules_[i];
      if (std::u32string_view(rule.name, rule.name_length) != name) continue;
      style.underline = style.underline || rule.style.underline;
      if (rule.style.script != TextStyle::none) style.script = rule.style.script;
    }
  }
  return style;
}

}  // namespace wpconv
