// The document text as both HTML readers write it: the one place that knows the line layout, the
// pad before a two-byte character on an odd column, the filler and paragraph line ends, the
// attribute codes, the document code of a character and the end of the text.
#ifndef WPCONV_HTML2DOC_DOCUMENT_WRITER_H_
#define WPCONV_HTML2DOC_DOCUMENT_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "doccodes/doc_codes.h"
#include "io/byte_stream.h"

namespace wpconv {

class DocumentWriter {
 public:
  explicit DocumentWriter(ByteWriter& out) : out_(out), codes_(codes()) {}

  // A character of the HTML, one-byte (its byte) or two-byte (lead * 256 + trail, Shift-JIS):
  // written as its document code.
  void character(unsigned code) { commit(put(room(CHARACTER_OUTPUT), document_code(code))); }
  // GETA_MARK for a character that has no place in the document, counted as a stand-in.
  void stand_in() {
    ++stand_ins_;
    commit(put(room(CHARACTER_OUTPUT), GETA_MARK));
  }
  void paragraph_end() { commit(paragraph_end(room(PARAGRAPH_LINE_END.size()))); }
  void attribute(unsigned char attribute) { commit(put_attribute(room(3), attribute)); }
  // Writes END_OF_TEXT; returns how many characters were written as stand-ins.
  std::uint64_t finish() {
    out_.put(END_OF_TEXT);
    return stand_ins_;
  }

  // The most put() writes for one character: a pad, a filler line end, the character and another
  // filler line end.
  static constexpr std::size_t CHARACTER_OUTPUT = 3 + 2 * FILLER_LINE_END.size();

  // The same steps straight into the output buffer, for loops that take many characters at a
  // time: room() gives the buffer, commit() hands back how far it was written.
  unsigned char* room(std::size_t size) { return out_.room(size); }
  void commit(unsigned char* end) { out_.wrote_up_to(end); }

  int column() const { return column_; }
  // For a run of one-column bytes copied at once: they must not pass the end of the line.
  void advance_column(int count) { column_ += count; }

  // The document code of a character, counting those that get a stand-in.
  unsigned document_code(unsigned code) {
    if (code <= 0xFF) return code;
    const CharCode result = codes_[code];
    stand_ins_ += result == GETA_MARK && code >> 8 >= DOCUMENT_CODE_LEAD_FIRST;
    return result;
  }
  // Whether any character with this lead byte has a document code other than itself.
  static bool lead_is_replaced(unsigned char lead);

  unsigned char* close_if_full(unsigned char* out) {
    if (column_ < LINE_WIDTH) return out;
    std::memcpy(out, FILLER_LINE_END.data(), FILLER_LINE_END.size());
    column_ = 0;
    return out + FILLER_LINE_END.size();
  }

  unsigned char* pad_if_odd(unsigned char* out) {
    if (column_ % 2 == 0) return out;
    *out++ = SPACE;
    ++column_;
    return close_if_full(out);
  }

  // Writes a document code, with its pad and line ends.
  unsigned char* put(unsigned char* out, unsigned code) {
    if (code <= 0xFF) {
      *out++ = static_cast<unsigned char>(code);
      ++column_;
    } else {
      out = pad_if_odd(out);
      *out++ = static_cast<unsigned char>(code >> 8);
      *out++ = static_cast<unsigned char>(code & 0xFF);
      column_ += 2;
    }
    return close_if_full(out);
  }

  unsigned char* paragraph_end(unsigned char* out) {
    std::memcpy(out, PARAGRAPH_LINE_END.data(), PARAGRAPH_LINE_END.size());
    column_ = 0;
    return out + PARAGRAPH_LINE_END.size();
  }

  // Attribute codes take no column.
  static unsigned char* put_attribute(unsigned char* out, unsigned char attribute) {
    out[0] = ATTRIBUTE_CODE >> 8;
    out[1] = ATTRIBUTE_CODE & 0xFF;
    out[2] = attribute;
    return out + 3;
  }

 private:
  // The document code of every two-byte character, found once from document_code_for(), so
  // that its tables stay the one place that knows them.
  static const CharCode* codes();

  ByteWriter& out_;
  const CharCode* codes_;
  int column_ = 0;
  std::uint64_t stand_ins_ = 0;
};

}  // namespace wpconv

#endif  // WPCONV_HTML2DOC_DOCUMENT_WRITER_H_
