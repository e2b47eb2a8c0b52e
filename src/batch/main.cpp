// wpconv-batch: the conversions of wpconv for many files and whole folders.
#include <string>

#include "batch/options.h"
#include "batch/plan.h"
#include "batch/run.h"
#include "io/file_stream.h"
#include "platform/platform.h"

namespace wpconv::batch {

namespace {

constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

int usage_error(const std::string& error) {
  platform::write_standard_error("wpconv-batch: " + error + "\n" + USAGE);
  return EXIT_USAGE;
}

int run(int argc, char** argv) {
  CommandLine command_line = parse_command_line(platform::arguments(argc, argv));
  switch (command_line.action) {
    case CommandLine::Action::help:
      platform::write_standard_output(std::string(USAGE) + "\n" + HELP);
      return 0;
    case CommandLine::Action::version:
      platform::write_standard_output("wpconv-batch " WPCONV_VERSION "\n");
      return 0;
    case CommandLine::Action::usage_error:
      return usage_error(command_line.error);
    case CommandLine::Action::run:
      break;
  }
  const Options& options = command_line.options;
  const std::string program_path = platform::program_path();
  std::string error;
  std::optional<Plan> plan = make_plan(options, program_path, error);
  if (!plan) return usage_error(error);

  // The log is an output like the others: complete, or the old one is kept.
  platform::OutputFile log_file;
  std::optional<FileSink> log_sink;
  std::optional<ByteWriter> log;
  if (!options.log_path.empty() && !options.dry_run) {
    log_file = platform::OutputFile::create(options.log_path);
    if (!log_file.is_open()) {
      return usage_error("cannot write the log " + options.log_path + " (" +
                         platform::error_text(platform::last_error()) + ")");
    }
    log_sink.emplace(log_file);
    log.emplace(*log_sink);
  }

  Counts counts = run_plan(*plan, options, program_path, log ? &*log : nullptr);
  if (log && !(log->flush() && log_file.commit())) {
    platform::write_standard_error("wpconv-batch: " + options.log_path + ": log write error (" +
                                   platform::error_text(platform::last_error()) + ")\n");
    ++counts.failed;
  }
  platform::write_standard_error(std::to_string(counts.converted) + " converted, " +
                                 std::to_string(counts.skipped) + " skipped, " +
                                 std::to_string(counts.failed) + " failed\n");
  // Started by dropping files on it, the program has a console window of its own, which would
  // close at once: let the user read the summary first.
  if (platform::started_in_own_console()) {
    platform::write_standard_error("Press Enter to close this window.");
    platform::wait_for_enter();
  }
  return counts.failed != 0 ? EXIT_FAILED : 0;
}

}  // namespace

}  // namespace wpconv::batch

int main(int argc, char** argv) {
  wpconv::platform::initialise();
  return wpconv::batch::run(argc, argv);
}
