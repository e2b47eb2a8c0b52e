// The command line of wpconv-batch.
#ifndef WPCONV_BATCH_OPTIONS_H_
#define WPCONV_BATCH_OPTIONS_H_

#include <string>
#include <vector>

#include "jobs/file_jobs.h"

namespace wpconv::batch {

struct Options {
  bool to_documents = false;  // --to doc: the HTML files of folders; otherwise their documents
  bool to_html5 = false;      // --to html5: documents to UTF-8 HTML5 pages instead of .HTM files
  bool force = false;
  bool dry_run = false;
  bool keep_time = false;
  bool quiet = false;
  unsigned jobs = 0;  // 0: one for each processor
  std::string template_path;
  std::string log_path;
  std::vector<std::string> paths;

  // --html: which reader reads HTML files.
  HtmlReader html_reader = HtmlReader::automatic;
};

struct CommandLine {
  enum class Action { run, help, version, usage_error };
  Action action = Action::run;
  Options options;
  std::string error;  // what is wrong with a command line that gives a usage error
};

// Options may come before or among the paths, as --name VALUE or --name=VALUE; "--" ends them.
CommandLine parse_command_line(const std::vector<std::string>& arguments);

// The one-line synopsis, and the whole help.
extern const char* const USAGE;
extern const char* const HELP;

}  // namespace wpconv::batch

#endif  // WPCONV_BATCH_OPTIONS_H_
