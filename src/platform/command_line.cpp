#include "platform/command_line.h"

namespace wpconv {

namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::size_t skip_spaces_and_tabs(std::string_view text, std::size_t pos) {
  while (pos < text.size() && is_blank(text[pos])) ++pos;
  return pos;
}

}  // namespace

std::string_view command_line_remainder(std::string_view command_line) {
  std::size_t pos = skip_spaces_and_tabs(command_line, 0);
  if (pos < command_line.size() && command_line[pos] == '"') {
    ++pos;
    while (pos < command_line.size() && command_line[pos] != '"' && command_line[pos] != '\t') {
      ++pos;
    }
    if (pos < command_line.size() && command_line[pos] == '"') ++pos;
  } else {
    while (pos < command_line.size() && !is_blank(command_line[pos])) ++pos;
  }
  return command_line.substr(skip_spaces_and_tabs(command_line, pos));
}

std::string_view unquoted_path(std::string_view path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') {
    return path.substr(1, path.size() - 2);
  }
  return path;
}

}  // namespace wpconv
