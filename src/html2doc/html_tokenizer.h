// HTML tokenized as browsers tokenize it, for everything that decides what is text: tags and
// their attributes, comments, DOCTYPEs, CDATA sections, the raw text of script and style, the
// escapable raw text of title and textarea, plaintext and character references. Streaming: code
// points go in a buffer at a time, text and tags come out, and the state between buffers is a
// few small fixed fields.
#ifndef WPCONV_HTML2DOC_HTML_TOKENIZER_H_
#define WPCONV_HTML2DOC_HTML_TOKENIZER_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace wpconv {

// A start or end tag as the renderer needs it: its name, and the few attributes it reads.
struct HtmlTagToken {
  // Names of known elements are shorter; a longer name is kept cut, and marked as such.
  static constexpr std::size_t NAME_SIZE = 15;
  // Attribute values longer than this are cut.
  static constexpr std::size_t VALUE_SIZE = 1024;

  struct Value {
    bool present = false;
    std::size_t length = 0;
    char32_t text[VALUE_SIZE];
    std::u32string_view view() const { return {text, length}; }
  };
  enum Attribute { ALT, STYLE, START, CLASS, ATTRIBUTES };

  char name[NAME_SIZE + 1] = {};  // ASCII lower case; a name with other letters gets a '?'
  std::size_t name_length = 0;
  bool end = false;
  bool self_closing = false;
  Value attributes[ATTRIBUTES];

  std::string_view tag_name() const { return {name, name_length}; }
};

class TokenSink {
 public:
  virtual ~TokenSink() = default;
  // Text, character references already replaced; CR LF and CR are already LF.
  virtual void text(const char32_t* text, std::size_t length) = 0;
  virtual void tag(const HtmlTagToken& tag) = 0;
};

class HtmlTokenizer {
 public:
  explicit HtmlTokenizer(TokenSink& sink) : sink_(sink) {}

  void feed(const char32_t* text, std::size_t length);
  // The end of the input: whatever is pending is finished as the standard says.
  void finish();
  // Inside svg or math, where CDATA sections are text and raw-text elements are not raw.
  void set_foreign(bool foreign) { foreign_ = foreign; }

 private:
  enum class State : std::uint8_t {
    data,
    rcdata,
    rawtext,
    script_data,
    plaintext,
    tag_open,
    end_tag_open,
    tag_name,
    raw_less_than,  // in RCDATA or RAWTEXT (return_state_ tells which)
    raw_end_tag_open,
    raw_end_tag_name,
    // Script data: "<!--" in a script, and "<script" inside that, decide where it ends. Its
    // text is never shown, so these states only look.
    script_less_than,
    script_escape_start,
    script_escape_start_dash,
    script_escaped,
    script_escaped_dash,
    script_escaped_dash_dash,
    script_escaped_less_than,
    script_double_escape_start,
    script_double_escaped,
    script_double_escaped_dash,
    script_double_escaped_dash_dash,
    script_double_escaped_less_than,
    script_double_escape_end,
    before_attribute_name,
    attribute_name,
    after_attribute_name,
    before_attribute_value,
    attribute_value_double,
    attribute_value_single,
    attribute_value_unquoted,
    after_attribute_value_quoted,
    self_closing_start_tag,
    bogus_comment,
    markup_declaration_open,
    comment_start,
    comment_start_dash,
    comment,
    comment_end_dash,
    comment_end,
    comment_end_bang,
    doctype,
    cdata_section,
    cdata_section_bracket,
    cdata_section_end,
    character_reference,
    named_character_reference,
    numeric_character_reference,
    hexadecimal_start,
    decimal_start,
    hexadecimal,
    decimal,
  };

  // One code point in the current state; false when it must be taken again in the new state.
  bool step(char32_t c);
  // A script's escaped text, once or twice over, where its states differ only in their names:
  // dashes count up to two, "-->" ends the escape and '<' may begin a tag.
  void step_escaped(char32_t c, State escaped, State dash, State dash_dash, State less_than);
  std::size_t take_text_run(const char32_t* text, std::size_t length);
  void emit(char32_t c);
  void emit_text(char32_t c) { sink_.text(&c, 1); }
  void flush_temporary();
  void start_tag(bool end);
  void append_name(char32_t c);
  void start_attribute();
  void append_attribute_name(char32_t c);
  void end_attribute_name();
  void emit_tag();
  bool appropriate_end_tag() const;
  bool in_attribute() const;
  void end_numeric_reference();
  // The named reference found so far (the longest match), then what follows it.
  void end_named_reference(char32_t next, bool at_end);

  TokenSink& sink_;
  State state_ = State::data;
  State return_state_ = State::data;  // after a character reference or a raw-text '<'
  bool foreign_ = false;
  bool after_cr_ = false;  // a LF right after a CR is dropped: CR LF is one line end

  HtmlTagToken tag_;
  // The name of the last start tag whose content is raw text, for its end tag.
  char raw_owner_[HtmlTagToken::NAME_SIZE + 1] = {};
  std::size_t raw_owner_length_ = 0;
  // The attribute being read: its name (cut), and where its value goes, if anywhere.
  char attribute_name_[8] = {};
  std::size_t attribute_name_length_ = 0;
  HtmlTagToken::Value* value_ = nullptr;

  // Characters taken that may still turn out to be text: "&" and a reference's name, "</" and
  // an end tag's name, "<!" and the start of a declaration.
  static constexpr std::size_t TEMPORARY_SIZE = 40;
  char32_t temporary_[TEMPORARY_SIZE];
  std::size_t temporary_length_ = 0;

  // A named reference: the names in the table that begin with what has been read.
  std::size_t names_first_ = 0;
  std::size_t names_end_ = 0;
  std::size_t match_length_ = 0;  // of temporary_, 0 for none yet
  char32_t match_[2] = {};
  // A numeric reference.
  std::uint32_t number_ = 0;
};

// The code point of a numeric character reference, with the standard's replacements.
char32_t numeric_reference_value(std::uint32_t number);

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_HTML_TOKENIZER_H_
