// The entry logic on any texts: the command-line remainder, derived names, the choice of
// direction and the stored-name match. The input is split at its first zero byte into two
// texts, `a` and `b`, used as command line, path, pattern, name or extension.
//
// Checked besides the absence of crashes and sanitizer reports:
// - the remainder is a tail of the command line that starts with neither space nor tab, and
//   after a program name, plain or quoted, and blanks, it is exactly the rest of the line;
// - a derived name is the path up to its last '.' followed by the extension, or nothing
//   exactly when that would not fit the path capacity; the direction and the .OA2 test then
//   look only at the new extension;
// - name_matches agrees with a plain dynamic-programming match of '*', '?' and case-folded
//   ASCII letters.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "doccodes/oa2_header.h"
#include "fuzz_support.h"
#include "jobs/paths.h"
#include "platform/command_line.h"
#include "platform/name_match.h"
#include "platform/platform.h"

namespace wpconv {
namespace {

bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

std::string without(std::string_view text, std::string_view dropped) {
  std::string result;
  for (char c : text) {
    if (dropped.find(c) == std::string_view::npos) result += c;
  }
  return result;
}

std::string_view trim_blanks(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  return text;
}

void check_command_line(std::string_view line, std::string_view rest) {
  std::string_view remainder = command_line_remainder(line);
  check(line.ends_with(remainder), "the remainder is not a tail of the command line", line);
  check(remainder.empty() || !is_blank(remainder.front()), "the remainder starts blank", line);

  rest = trim_blanks(rest);
  std::string program = without(line, " \t\"");
  if (program.empty()) program = "wpconv";
  std::string plain = " \t" + program + " \t " + std::string(rest);
  check(command_line_remainder(plain) == rest, "wrong remainder after a plain name", plain);
  std::string quoted = "\"" + without(line, "\t\"") + "\"" + std::string(rest);
  check(command_line_remainder(quoted) == rest, "wrong remainder after a quoted name", quoted);
}

void check_derived_name(std::string_view path, std::string_view extension) {
  std::size_t dot = path.rfind('.');
  std::string_view stem = path.substr(0, dot);
  std::optional<std::string> derived = replace_extension(path, extension);
  bool fits = platform::fits_path_capacity(std::string(stem) + std::string(extension));
  check(derived.has_value() == fits, "a derived name is refused or kept wrongly", path);
  if (!derived) return;
  check(*derived == std::string(stem) + std::string(extension), "wrong derived name", path);
  if (extension.starts_with('.') && extension.find('.', 1) == std::string_view::npos) {
    bool html = extension.size() > 1 && (extension[1] == 'H' || extension[1] == 'h');
    check(is_html_input(*derived) == html, "direction not taken from the extension", *derived);
    bool oa2 = extension == ".OA2" || extension == ".oa2";
    check(is_oa2_extension(*derived) == oa2, ".OA2 test not taken from the extension", *derived);
  }
}

// Whether the whole name matches the whole pattern, by dynamic programming over prefixes.
bool matches_by_table(std::string_view pattern, std::string_view name) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  // row[j]: the pattern so far matches the first j bytes of the name.
  std::vector<bool> row(name.size() + 1, false);
  row[0] = true;
  for (char p : pattern) {
    std::vector<bool> next(name.size() + 1, false);
    for (std::size_t j = 0; j <= name.size(); ++j) {
      if (p == '*') {
        next[j] = row[j] || (j > 0 && next[j - 1]);
      } else if (j > 0) {
        next[j] = row[j - 1] && (p == '?' || fold(p) == fold(name[j - 1]));
      }
    }
    row = std::move(next);
  }
  return row[name.size()];
}

void check_name_match(std::string_view pattern, std::string_view name) {
  check(name_matches(name, name), "a name does not match itself", name);
  check(name_matches("*", name), "'*' does not match everything", name);
  if (pattern.size() * name.size() <= 1 << 16) {
    check(name_matches(pattern, name) == matches_by_table(pattern, name),
          "name_matches disagrees with the table match", pattern);
  }
}

}  // namespace

int fuzz_one(const std::uint8_t* data, std::size_t size) {
  std::string_view input = as_text(data, size);
  std::size_t zero = input.find('\0');
  std::string_view a = input.substr(0, zero);
  std::string_view b = zero == std::string_view::npos ? std::string_view() : input.substr(zero + 1);

  check_command_line(a, b);
  check_derived_name(a, b);
  check_derived_name(b, a);
  check_name_match(a, b);
  return 0;
}

}  // namespace wpconv

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return wpconv::fuzz_one(data, size);
}
