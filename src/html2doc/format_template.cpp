#include "html2doc/format_template.h"

#include <memory>

#include "app/paths.h"
#include "app/platform.h"
#include "app/show_error.h"
#include "io/byte_stream.h"
#include "io/file_stream.h"

namespace {

constexpr std::string_view kFormatExtension = ".FMT";
constexpr const char* kTemplateOpenError = "FMT file open error\n";
constexpr const char* kTemplateReadError = "FMT file read error\n";
constexpr const char* kOutputOpenError = "OASYS FMT file open error\n";
constexpr const char* kOutputWriteError = "OASYS FMT file write error\n";

}  // namespace

std::optional<std::string> format_template_path(std::string_view program_path) {
  if (program_path.empty()) return std::nullopt;  // the system could not tell where we are
  std::string_view file_name = program_path.substr(final_component_position(program_path));
  if (file_name.find('.') != std::string_view::npos) {
    return replace_extension(program_path, kFormatExtension);
  }
  std::string path(program_path);
  path += kFormatExtension;
  if (!fits_path_capacity(path)) return std::nullopt;
  return path;
}

int copy_format_template(const ConversionPaths& paths) {
  std::optional<std::string> template_path = format_template_path(paths.program_path);
  if (!template_path) return show_error_and_fail(kTemplateOpenError);
  platform::File source = platform::open_for_reading(*template_path);
  if (source == platform::no_file) return show_error_and_fail(kTemplateOpenError);

  std::optional<std::string> output_path = replace_extension(paths.input_path, kFormatExtension);
  if (!output_path || platform::same_file(*output_path, paths.input_path)) {
    platform::close_file(source);
    return show_error_and_fail(kOutputOpenError);
  }
  // The output is the template itself (an HTML file named after the program, beside it):
  // it already holds exactly the copy, and truncating it would destroy the template.
  if (platform::same_file(*output_path, *template_path)) {
    platform::close_file(source);
    return 0;
  }
  platform::File output = platform::create_for_writing(*output_path);
  if (output == platform::no_file) {
    platform::close_file(source);
    return show_error_and_fail(kOutputOpenError);
  }

  std::unique_ptr<unsigned char[]> block(new unsigned char[kStreamBlockSize]);
  for (;;) {
    std::ptrdiff_t got = platform::read_file(source, block.get(), kStreamBlockSize);
    if (got == 0) break;
    if (got < 0 || !platform::write_file(output, block.get(), static_cast<std::size_t>(got))) {
      platform::close_file(source);
      discard_output(output, *output_path);
      return show_error_and_fail(got < 0 ? kTemplateReadError : kOutputWriteError);
    }
  }
  platform::close_file(source);
  if (!platform::close_file(output)) {
    platform::remove_file(*output_path);
    return show_error_and_fail(kOutputWriteError);
  }
  return 0;
}
