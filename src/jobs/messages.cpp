#include "jobs/messages.h"

namespace wpconv {

namespace {

struct MessageText {
  FileKind file;
  Step step;
  const char* text;
};

// In the order of the README's table.
constexpr MessageText MESSAGES[] = {
    {FileKind::document, Step::open, "OASYS file open error\n"},
    {FileKind::document, Step::read, "OASYS file read error\n"},
    {FileKind::html, Step::open, "HTML file open error\n"},
    {FileKind::html, Step::read, "HTML file read error\n"},
    {FileKind::html, Step::write, "HTML file write error\n"},
    {FileKind::document, Step::write, "OASYS file write error\n"},
    {FileKind::format_template, Step::open, "FMT file open error\n"},
    {FileKind::format_template, Step::read, "FMT file read error\n"},
    {FileKind::format_file, Step::open, "OASYS FMT file open error\n"},
    {FileKind::format_file, Step::write, "OASYS FMT file write error\n"},
};

}  // namespace

const char* message_text(FileKind file, Step step) {
  for (const MessageText& message : MESSAGES) {
    if (message.file == file && message.step == step) return message.text;
  }
  return "file error\n";  // no step fails this way on this file
}

}  // namespace wpconv
