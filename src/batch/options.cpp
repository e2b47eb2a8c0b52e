#include "batch/options.h"

#include <charconv>
#include <string_view>
#include <system_error>

namespace wpconv::batch {

const char* const USAGE =
    "usage: wpconv-batch [--to html|html5|doc] [--html auto|exact|web] [--force] [--dry-run]\n"
    "                    [--keep-time] [--jobs N] [--template FILE] [--log FILE] [--quiet] "
    "PATH...\n";

const char* const HELP =
    "Converts OASYS documents to HTML and HTML to OASYS documents, file by file and in whole\n"
    "folders, with the same conversions as wpconv. Existing files are never replaced unless\n"
    "--force is given, and every input is attempted whatever happens to the others.\n"
    "\n"
    "A PATH that is a file is converted in the direction its extension gives: HTML (an\n"
    "extension beginning with H) to a .DOC and a .FMT file, anything else to an .HTM file. A\n"
    "folder is searched with all its subfolders for the files to convert.\n"
    "\n"
    "  --to html        in folders, convert .OA2 and .DOC files to HTML (the default)\n"
    "  --to html5       the same, but documents become UTF-8 HTML5 pages, NAME.html\n"
    "  --to doc         in folders, convert .htm and .html files to documents\n"
    "  --force          replace outputs that exist (an output that is an input of this run,\n"
    "                   or that two inputs would write, is never written)\n"
    "  --dry-run        write nothing; print what each input would do\n"
    "  --keep-time      give each output its input's modification time\n"
    "  --jobs N         convert N files at a time (default: one for each processor)\n"
    "  --template FILE  the format template for .FMT files (default: wpconv.FMT beside the\n"
    "                   program, or in ../share/wpconv/)\n"
    "  --log FILE       write one tab-separated line for each input to FILE\n"
    "  --html auto      read HTML in wpconv's own dialect exactly and any other HTML as a\n"
    "                   browser shows it (the default); --html exact or --html web reads\n"
    "                   every HTML file with that reader\n"
    "  --quiet          no progress line and no line for skipped inputs\n"
    "  -h, --help       show this help\n"
    "  --version        show the version\n"
    "\n"
    "Exit status: 0 if nothing failed, 1 if any input failed, 2 for a usage error.\n";

namespace {

CommandLine usage_error(std::string error) {
  CommandLine command_line;
  command_line.action = CommandLine::Action::usage_error;
  command_line.error = std::move(error);
  return command_line;
}

}  // namespace

CommandLine parse_command_line(const std::vector<std::string>& arguments) {
  CommandLine command_line;
  Options& options = command_line.options;
  bool options_ended = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (options_ended || argument.size() < 2 || argument[0] != '-') {
      options.paths.push_back(argument);
      continue;
    }
    if (argument == "--") {
      options_ended = true;
      continue;
    }
    std::string_view name = argument;
    std::string value;
    bool has_value = false;
    if (std::size_t equals = name.find('='); name.starts_with("--") && equals != name.npos) {
      value = name.substr(equals + 1);
      name = name.substr(0, equals);
      has_value = true;
    }
    auto take_value = [&]() -> bool {
      if (has_value) return true;
      if (i + 1 == arguments.size()) return false;
      value = arguments[++i];
      return true;
    };
    auto flag = [&](bool& target) {
      target = true;
      return !has_value;
    };
    const bool takes_value = name == "--to" || name == "--jobs" || name == "--template" ||
                             name == "--log" || name == "--html";
    bool understood;
    if (name == "-h" || name == "--help") {
      command_line.action = CommandLine::Action::help;
      return command_line;
    } else if (name == "--version") {
      command_line.action = CommandLine::Action::version;
      return command_line;
    } else if (name == "--force") {
      understood = flag(options.force);
    } else if (name == "--dry-run") {
      understood = flag(options.dry_run);
    } else if (name == "--keep-time") {
      understood = flag(options.keep_time);
    } else if (name == "--quiet") {
      understood = flag(options.quiet);
    } else if (name == "--to") {
      understood = take_value() && (value == "html" || value == "html5" || value == "doc");
      options.to_documents = value == "doc";
      options.to_html5 = value == "html5";
    } else if (name == "--html") {
      understood = take_value() && (value == "auto" || value == "exact" || value == "web");
      options.html_reader = value == "exact" ? HtmlReader::exact
                            : value == "web" ? HtmlReader::web
                                             : HtmlReader::automatic;
    } else if (name == "--jobs") {
      understood = take_value();
      if (understood) {
        const char* end = value.data() + value.size();
        auto [stop, error] = std::from_chars(value.data(), end, options.jobs);
        understood = error == std::errc() && stop == end && options.jobs > 0;
      }
    } else if (name == "--template") {
      understood = take_value() && !value.empty();
      options.template_path = value;
    } else if (name == "--log") {
      understood = take_value() && !value.empty();
      options.log_path = value;
    } else {
      return usage_error("unknown option " + std::string(name));
    }
    if (!understood) {
      return usage_error("option " + std::string(name) +
                         (takes_value ? " needs a valid value" : " takes no value"));
    }
  }
  if (options.paths.empty()) return usage_error("no PATH given");
  return command_line;
}

}  // namespace wpconv::batch
