#include "jobs/paths.h"

#include "platform/platform.h"

namespace wpconv {

namespace {

constexpr std::string_view FORMAT_EXTENSION = ".FMT";

}  // namespace

std::optional<std::string> replace_extension(std::string_view path, std::string_view extension) {
  std::string result = with_extension(path, extension);
  if (!platform::fits_path_capacity(result)) return std::nullopt;
  return result;
}

std::size_t final_component_position(std::string_view path) {
  std::size_t pos = path.size();
  while (pos > 0 && !platform::is_path_separator(path[pos - 1])) --pos;
  return pos;
}

std::optional<std::string> format_template_path(std::string_view program_path) {
  if (program_path.empty()) return std::nullopt;  // the system could not tell where we are
  std::string_view file_name = program_path.substr(final_component_position(program_path));
  if (file_name.find('.') != std::string_view::npos) {
    return replace_extension(program_path, FORMAT_EXTENSION);
  }
  std::string path(program_path);
  path += FORMAT_EXTENSION;
  if (!platform::fits_path_capacity(path)) return std::nullopt;
  return path;
}

std::vector<std::string> format_template_candidates(std::string_view program_path) {
  std::optional<std::string> beside = format_template_path(program_path);
  if (!beside) return {};
  const std::size_t name = final_component_position(*beside);
  const char separator = platform::preferred_separator();
  std::string shared = beside->substr(0, name) + ".." + separator + "share" + separator + "wpconv" +
                       separator + beside->substr(name);
  if (!platform::fits_path_capacity(shared)) return {*beside};
  return {*beside, shared};
}

}  // namespace wpconv
