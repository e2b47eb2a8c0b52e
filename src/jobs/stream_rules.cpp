#include "jobs/stream_rules.h"

#include "doc2html/document_to_html.h"
#include "doc2html/document_to_html5.h"
#include "html2doc/html_to_document.h"
#include "html2doc/web_reader.h"

namespace wpconv {

namespace {

std::uint64_t copy_bytes(ByteReader& input, ByteWriter& output) {
  for (int byte; (byte = input.get()) >= 0;) {
    output.put(static_cast<unsigned char>(byte));
    output.write_unchanged(input.data(), input.available());
    input.advance(input.available());
  }
  return 0;
}

}  // namespace

const StreamRule DOCUMENT_TO_HTML = {.input_kind = FileKind::document,
                                     .input_mode = ByteReader::Mode::binary,
                                     .output_extension = ".HTM",
                                     .output_kind = FileKind::html,
                                     .output_mode = ByteWriter::Mode::text,
                                     .convert = document_to_html,
                                     .then = nullptr};

const StreamRule FORMAT_FILE_COPY = {.input_kind = FileKind::format_template,
                                     .input_mode = ByteReader::Mode::binary,
                                     .output_extension = ".FMT",
                                     .output_kind = FileKind::format_file,
                                     .output_mode = ByteWriter::Mode::binary,
                                     .convert = copy_bytes,
                                     .then = nullptr};

const StreamRule HTML_TO_DOCUMENT = {.input_kind = FileKind::html,
                                     .input_mode = ByteReader::Mode::text,
                                     .output_extension = ".DOC",
                                     .output_kind = FileKind::document,
                                     .output_mode = ByteWriter::Mode::binary,
                                     .convert = html_to_document,
                                     .then = &FORMAT_FILE_COPY};

// Any other HTML, read as a browser reads it: as bytes, whose encoding the reader finds itself.
const StreamRule WEB_HTML_TO_DOCUMENT = {.input_kind = FileKind::html,
                                         .input_mode = ByteReader::Mode::binary,
                                         .output_extension = ".DOC",
                                         .output_kind = FileKind::document,
                                         .output_mode = ByteWriter::Mode::binary,
                                         .convert = web_html_to_document,
                                         .then = &FORMAT_FILE_COPY};

// UTF-8 pages, whose line ends are LF.
const StreamRule DOCUMENT_TO_HTML5 = {.input_kind = FileKind::document,
                                      .input_mode = ByteReader::Mode::binary,
                                      .output_extension = ".html",
                                      .output_kind = FileKind::html,
                                      .output_mode = ByteWriter::Mode::binary,
                                      .convert = document_to_html5,
                                      .then = nullptr};

bool is_html_input(std::string_view path) {
  std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && dot + 1 < path.size() &&
         (path[dot + 1] == 'H' || path[dot + 1] == 'h');
}

const StreamRule& rule_for(std::string_view path) {
  return is_html_input(path) ? HTML_TO_DOCUMENT : DOCUMENT_TO_HTML;
}

std::string with_extension(std::string_view path, std::string_view extension) {
  std::string result(path.substr(0, path.rfind('.')));
  result += extension;
  return result;
}

bool wanted_in_folder(std::string_view name, bool to_documents) {
  std::size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  std::string extension(name.substr(dot));
  for (char& c : extension) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return to_documents ? extension == ".HTM" || extension == ".HTML"
                      : extension == ".OA2" || extension == ".DOC";
}

}  // namespace wpconv
