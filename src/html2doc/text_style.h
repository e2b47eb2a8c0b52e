// What the web reader takes from CSS: underline, and superscript or subscript. From an inline
// style attribute, and from the rules of a page's style sheets for single classes, which office
// suites and online editors use for every underline they export.
#ifndef WPCONV_HTML2DOC_TEXT_STYLE_H_
#define WPCONV_HTML2DOC_TEXT_STYLE_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wpconv {

struct TextStyle {
  enum Script : std::uint8_t { none, superscript, subscript };
  bool underline = false;
  Script script = none;
};

// The style of declarations such as "color: red; text-decoration: underline".
TextStyle style_of_declarations(std::u32string_view declarations);

// The rules of a page's style sheets whose selector is one class (".T1", "span.T1"), with
// fixed room: rules past it are not kept.
class ClassStyles {
 public:
  // The text of a style sheet, a piece at a time.
  void feed(const char32_t* text, std::size_t length);
  // The end of a style sheet: a rule it leaves unfinished is dropped.
  void end_sheet();
  // The style of an element with this class attribute.
  TextStyle of_classes(std::u32string_view classes) const;

  static constexpr std::size_t CLASSES = 64;
  static constexpr std::size_t NAME_SIZE = 32;

 private:
  void take(char32_t c);
  void end_rule();
  void add(std::u32string_view name, TextStyle style);

  struct Rule {
    char32_t name[NAME_SIZE];
    std::uint8_t name_length;
    TextStyle style;
  };
  Rule rules_[CLASSES];
  std::size_t rule_count_ = 0;

  enum class State : std::uint8_t { selector, block, comment };
  State state_ = State::selector;
  State after_comment_ = State::selector;
  char32_t last_ = 0;
  static constexpr std::size_t SELECTOR_SIZE = 256;
  static constexpr std::size_t BLOCK_SIZE = 512;
  char32_t selector_[SELECTOR_SIZE];
  std::size_t selector_length_ = 0;
  char32_t block_[BLOCK_SIZE];
  std::size_t block_length_ = 0;
};

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_TEXT_STYLE_H_
