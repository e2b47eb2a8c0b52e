// What a browser shows of a page, as document text: the rendering model of the web reader. It
// takes the tokenizer's text and tags, keeps a small stack of open elements (no tree of the
// page) and feeds the document writer with characters, paragraph ends and attribute codes.
#ifndef WPCONV_HTML2DOC_WEB_RENDERING_H_
#define WPCONV_HTML2DOC_WEB_RENDERING_H_

#include <cstddef>
#include <cstdint>

#include "html2doc/document_writer.h"
#include "html2doc/html_tokenizer.h"
#include "html2doc/text_style.h"

namespace wpconv {

class WebRenderer : public TokenSink {
 public:
  explicit WebRenderer(DocumentWriter& writer) : writer_(writer) {}
  // The tokenizer learns from here when it is inside svg or math.
  void attach(HtmlTokenizer& tokenizer) { tokenizer_ = &tokenizer; }

  void text(const char32_t* text, std::size_t length) override;
  void tag(const HtmlTagToken& tag) override;
  // Closes the attributes still on; returns the stand-ins counted.
  std::uint64_t finish();

  // Open elements beyond this depth are not tracked: their end tags are ignored.
  static constexpr std::size_t MAX_DEPTH = 256;

 private:
  struct Open {
    char name[HtmlTagToken::NAME_SIZE + 1];
    std::uint8_t name_length;
    std::uint32_t flags;       // of the element's rule
    bool underline;            // from the element or its style
    std::uint8_t script;       // 0, or the attribute byte of superscript or subscript
    std::uint32_t number;      // an ordered list's last item number
    std::uint64_t paragraphs;  // paragraphs begun before the element
  };

  void start(const HtmlTagToken& tag);
  void end(const HtmlTagToken& tag);
  void push(const HtmlTagToken& tag, std::uint32_t flags);
  void pop_to(std::size_t index);  // pops the elements from `index` up
  // The innermost open element with one of `flags`, searching no deeper than one with one of
  // `stop`; MAX_DEPTH for none.
  std::size_t find(std::uint32_t flags, std::uint32_t stop) const;
  std::size_t find_name(std::string_view name) const;
  void close_head_if_current();
  void update_script();

  void boundary();
  void block_boundary();
  bool in_cell() const;
  void begin_paragraph();
  void empty_paragraph();
  void line_break();
  void list_marker();
  // A character that is content, with the space, cell separator or held no-break spaces before
  // it and the attribute codes it needs.
  void before_content();
  void put(char32_t c);
  std::size_t put_run(const char32_t* text, std::size_t i, std::size_t length);
  // Writes the attribute codes that the text from here on needs; only those that end, if
  // `only_off`.
  void sync_attributes(bool only_off);

  DocumentWriter& writer_;
  HtmlTokenizer* tokenizer_ = nullptr;
  Open stack_[MAX_DEPTH];
  std::size_t depth_ = 0;
  ClassStyles class_styles_;

  // Counts over the open elements.
  int dropped_ = 0;    // inside head, title, script, style, template...
  int pre_ = 0;        // inside pre, textarea, plaintext...
  int underline_ = 0;  // inside u, ins, or text-decoration: underline
  int foreign_ = 0;    // inside svg or math
  std::uint8_t script_ = 0;

  // The paragraph being written.
  bool open_ = false;           // it has begun
  bool any_paragraph_ = false;  // a paragraph has begun before: the next needs a mark first
  std::uint64_t paragraphs_ = 0;
  bool pending_space_ = false;     // white space after content, written before the next content
  bool pending_cell_ = false;      // a new cell of the row: a full-width space before its content
  bool after_marker_ = false;      // white space after a list marker is dropped
  bool skip_newline_ = false;      // the line break right after <pre> is not content
  std::uint32_t held_spaces_ = 0;  // no-break spaces before any content of the paragraph

  // The attributes written: underline on, and the script byte on (0 for none).
  bool written_underline_ = false;
  std::uint8_t written_script_ = 0;
};

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_WEB_RENDERING_H_
