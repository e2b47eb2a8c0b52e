#include "test_support.h"

#include <stdexcept>

#include "doc2html/document_to_html.h"
#include "doccodes/doc_codes.h"
#include "html2doc/html_to_document.h"
#include "html2doc/web_reader.h"
#include "memory_stream.h"

namespace wpconv {

std::string bytes(std::string_view notation) {
  std::string result;
  for (std::size_t i = 0; i < notation.size();) {
    char c = notation[i];
    if (c == ' ') {
      ++i;
    } else if (c == '\'') {
      std::size_t end = notation.find('\'', i + 1);
      if (end == std::string_view::npos) throw std::invalid_argument("unclosed quote");
      result += notation.substr(i + 1, end - i - 1);
      i = end + 1;
    } else {
      result += static_cast<char>(std::stoi(std::string(notation.substr(i, 2)), nullptr, 16));
      i += 2;
    }
  }
  return result;
}

std::string stream(Converter convert, std::string_view input, ReadPlan plan,
                   ByteReader::Mode reading, ByteWriter::Mode writing, std::uint64_t* count) {
  MemorySource source(input, plan.piece);
  source.fail_at(plan.fail_at);
  ByteReader reader(source, reading, plan.threads);
  MemorySink sink;
  ByteWriter writer(sink, writing, plan.threads);
  const std::uint64_t converted = convert(reader, writer);
  if (count != nullptr) *count = converted;
  writer.flush();
  return sink.bytes;
}

std::string document_to_html(std::string_view document, ReadPlan plan) {
  return stream(document_to_html, document, plan, ByteReader::Mode::binary, ByteWriter::Mode::text);
}

std::string html_to_document(std::string_view html, ReadPlan plan) {
  return stream(html_to_document, html, plan, ByteReader::Mode::text, ByteWriter::Mode::binary);
}

std::string web_html_to_document(std::string_view html, ReadPlan plan) {
  return stream(web_html_to_document, html, plan, ByteReader::Mode::binary,
                ByteWriter::Mode::binary);
}

std::string html_body(std::string_view document) {
  std::string html = document_to_html(document);
  if (!html.starts_with(HTML_HEAD) || html.size() < HTML_HEAD.size() + HTML_CLOSING.size() ||
      !html.ends_with(HTML_CLOSING)) {
    return "(head or closing lines missing) " + html;
  }
  return html.substr(HTML_HEAD.size(), html.size() - HTML_HEAD.size() - HTML_CLOSING.size());
}

std::optional<std::string> layout_fault(std::string_view document) {
  int column = 0;
  for (std::size_t i = 0; i < document.size();) {
    std::string_view rest = document.substr(i);
    if (rest.starts_with(FILLER_LINE_END) || rest.starts_with(PARAGRAPH_LINE_END)) {
      i += rest.starts_with(FILLER_LINE_END) ? FILLER_LINE_END.size() : PARAGRAPH_LINE_END.size();
      column = 0;
      continue;
    }
    unsigned char c = static_cast<unsigned char>(document[i]);
    if (c == END_OF_TEXT) {
      if (i + 1 == document.size()) return std::nullopt;
      return "end of text at " + std::to_string(i) + " is not the last byte";
    }
    if (rest.size() >= 3 && rest.starts_with("\xEF\xC0")) {
      unsigned char attribute = static_cast<unsigned char>(rest[2]);
      if (attribute == ATTRIBUTE_UNDERLINE_ON || attribute == ATTRIBUTE_UNDERLINE_OFF ||
          attribute == ATTRIBUTE_SUPERSCRIPT_ON || attribute == ATTRIBUTE_SUBSCRIPT_ON ||
          attribute == ATTRIBUTE_SCRIPT_OFF) {
        i += 3;
        continue;
      }
    }
    int width = is_lead_byte(c) ? 2 : 1;
    if (width == 2 && column % 2 != 0) {
      return "two-byte character on an odd column at " + std::to_string(i);
    }
    column += width;
    if (column > LINE_WIDTH) return "line too long at " + std::to_string(i);
    i += width;
  }
  return "no end-of-text byte";
}

}  // namespace wpconv
