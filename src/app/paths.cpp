#include "app/paths.h"

#include "app/platform.h"

bool fits_path_capacity(std::string_view path) {
  return path.size() < platform::path_capacity();
}

std::optional<std::string> replace_extension(std::string_view path, std::string_view extension) {
  std::string result(path.substr(0, path.rfind('.')));
  result += extension;
  if (!fits_path_capacity(result)) return std::nullopt;
  return result;
}

bool is_html_input(std::string_view path) {
  std::size_t dot = path.rfind('.');
  return dot != std::string_view::npos && dot + 1 < path.size() &&
         (path[dot + 1] == 'H' || path[dot + 1] == 'h');
}

std::size_t final_component_position(std::string_view path) {
  std::size_t pos = path.size();
  while (pos > 0 && !platform::is_path_separator(path[pos - 1])) --pos;
  return pos;
}
