#include "test_support.h"

#include <stdexcept>

#include "doc2html/doc_to_html.h"
#include "html2doc/html_to_doc.h"
#include "io/memory_stream.h"

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

std::string html_from_document(std::string_view document, std::size_t piece, std::size_t fail_at) {
  MemorySource source(document, piece);
  source.fail_at(fail_at);
  ByteReader reader(source);
  MemorySink sink;
  ByteWriter writer(sink, ByteWriter::Mode::text);
  write_html_from_document(reader, writer);
  writer.flush();
  return sink.bytes;
}

std::string document_from_html(std::string_view html, std::size_t piece, std::size_t fail_at) {
  MemorySource source(html, piece);
  source.fail_at(fail_at);
  ByteReader reader(source, ByteReader::Mode::text);
  MemorySink sink;
  ByteWriter writer(sink);
  write_document_from_html(reader, writer);
  writer.flush();
  return sink.bytes;
}

std::string html_body(std::string_view document) {
  const std::string head =
      "<HTML>\r\n<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\">\r\n"
      "<BODY><P>";
  const std::string closing = "\r\n</BODY>\r\n</HTML>\r\n";
  std::string html = html_from_document(document);
  if (html.compare(0, head.size(), head) != 0 || html.size() < head.size() + closing.size() ||
      html.compare(html.size() - closing.size(), closing.size(), closing) != 0) {
    return "(head or closing lines missing) " + html;
  }
  return html.substr(head.size(), html.size() - head.size() - closing.size());
}
