#include "batch/run.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "jobs/file_jobs.h"
#include "platform/platform.h"

namespace wpconv::batch {

namespace {

using Clock = std::chrono::steady_clock;

// What became of one input, as the log and standard error show it.
struct Outcome {
  const char* status = "converted";  // or "skipped", "failed", "clash"
  std::string message;
  std::uint64_t bytes_read = 0, bytes_written = 0, without_equivalent = 0;
  const char* html_reader = "";  // "exact" or "web" for an HTML input that was read
};

std::string with_reason(std::string message, int system_error) {
  if (system_error != 0) message += " (" + platform::error_text(system_error) + ")";
  return message;
}

Outcome outcome_of(const Plan& plan, const Item& item, const Result* result) {
  Outcome outcome;
  switch (item.status) {
    case Status::convert:
    case Status::duplicate:
      break;
    case Status::skip:
      outcome.status = "skipped";
      break;
    case Status::clash_input:
    case Status::clash_overwritten:
    case Status::clash_shared:
      outcome.status = "clash";
      break;
    case Status::missing:
    case Status::unreadable_folder:
      outcome.status = "failed";
  }
  if (result == nullptr) {
    outcome.message = with_reason(explanation(plan, item), item.system_error);
    return outcome;
  }
  outcome.bytes_read = result->bytes_read;
  outcome.bytes_written = result->bytes_written;
  outcome.without_equivalent = result->without_equivalent;
  if (result->html_reader) {
    outcome.html_reader = *result->html_reader == HtmlReader::exact ? "exact" : "web";
  }
  if (result->ok()) return outcome;
  const Failure& failure = *result->failure;
  if (failure.step == Step::open && result->outputs.empty() &&
      platform::is_exists_error(failure.system_error)) {
    // An output that appeared after the plan was made is left alone, as one found before.
    outcome.status = "skipped";
    outcome.message = "exists: " + failure.path;
    return outcome;
  }
  outcome.status = "failed";
  outcome.message = message_text(failure.file, failure.step);
  outcome.message.pop_back();  // its newline
  outcome.message = with_reason(outcome.message, failure.system_error);
  return outcome;
}

// A field of the log, with no tab or line break inside: control characters, which only POSIX
// names may hold, are written as \t, \n, \r or \xHH. A backslash stays as it is, as Windows
// paths are full of them.
std::string field(std::string_view text) {
  std::string written;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20) {
      written += c;
    } else if (c == '\t') {
      written += "\\t";
    } else if (c == '\n') {
      written += "\\n";
    } else if (c == '\r') {
      written += "\\r";
    } else {
      constexpr char HEX[] = "0123456789ABCDEF";
      written += {'\\', 'x', HEX[byte >> 4], HEX[byte & 15]};
    }
  }
  return written;
}

std::string log_line(const Item& item, const Outcome& outcome) {
  std::string outputs;
  for (const std::string& output : outputs_of(item, true)) {
    outputs += (outputs.empty() ? "" : "|") + field(output);
  }
  return field(item.shown) + '\t' + outcome.status + '\t' + outputs + '\t' +
         field(outcome.message) + '\t' + std::to_string(outcome.bytes_read) + '\t' +
         std::to_string(outcome.bytes_written) + '\t' + std::to_string(outcome.without_equivalent) +
         '\t' + outcome.html_reader + '\n';
}

std::string megabytes(double bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", bytes / 1e6);
  return text;
}

// The status line redrawn in place while a run goes on, on a terminal only.
class Progress {
 public:
  Progress(bool shown, std::size_t total_files, std::uint64_t total_bytes)
      : shown_(shown), total_files_(total_files), total_bytes_(total_bytes) {}
  ~Progress() { clear(); }

  void update(std::size_t files, std::uint64_t bytes) {
    if (!shown_) return;
    Clock::time_point now = Clock::now();
    if (now - drawn_ < std::chrono::milliseconds(100)) return;
    drawn_ = now;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
    std::string line = "\r" + std::to_string(files) + " of " + std::to_string(total_files_) +
                       " files, " + megabytes(static_cast<double>(bytes)) + " of " +
                       megabytes(static_cast<double>(total_bytes_)) + ", " + megabytes(rate) + "/s";
    if (rate > 0 && bytes < total_bytes_) {
      line += ", " + std::to_string(static_cast<long>((total_bytes_ - bytes) / rate)) + " s left";
    }
    width_ = std::max(width_, line.size());
    line.resize(width_, ' ');
    platform::write_standard_error(line);
  }

  // Takes the line away, before any other line and at the end.
  void clear() {
    if (width_ == 0) return;
    platform::write_standard_error("\r" + std::string(width_, ' ') + "\r");
    width_ = 0;
  }

 private:
  bool shown_;
  std::size_t total_files_;
  std::uint64_t total_bytes_;
  Clock::time_point start_ = Clock::now();
  Clock::time_point drawn_;
  std::size_t width_ = 0;
};

Result convert(const Plan& plan, std::size_t i, const ConversionOptions& options,
               const std::string& program_path) {
  ConversionPaths paths{.program_path = program_path,
                        .input_path = full_path_of(plan.items[i]),
                        .template_path = plan.template_path};
  if (plan.items[i].html5) return convert_document_to_html5(paths, options);
  return convert_file(paths, options);
}

// The conversions on worker threads, handed out in input order and never more than a window
// ahead of the last one reported, so that the results waiting to be reported stay few.
class Workers {
 public:
  Workers(const Plan& plan, const ConversionOptions& options, const std::string& program_path,
          unsigned threads)
      : plan_(plan), options_(options), program_path_(program_path), results_(4 * threads) {
    for (unsigned i = 0; i < threads; ++i) threads_.emplace_back([this] { work(); });
  }
  ~Workers() {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    for (std::thread& thread : threads_) thread.join();
  }

  // The result of input `i`, the next to report, once it is there; nothing if it is not yet
  // after `wait`.
  std::optional<Result> take(std::size_t i, std::chrono::milliseconds wait) {
    std::unique_lock lock(mutex_);
    Slot& slot = results_[i % results_.size()];
    if (!changed_.wait_for(lock, wait, [&] { return slot.index == i; })) return std::nullopt;
    slot.index = NONE;
    reported_ = i + 1;
    changed_.notify_all();
    return std::move(slot.result);
  }

 private:
  static constexpr std::size_t NONE = ~std::size_t{0};
  struct Slot {
    std::size_t index = NONE;
    Result result;
  };

  void work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      while (next_ < plan_.items.size() && plan_.items[next_].status != Status::convert) ++next_;
      if (stopping_ || next_ == plan_.items.size()) return;
      if (next_ >= reported_ + results_.size()) {
        changed_.wait(lock);
        continue;
      }
      std::size_t i = next_++;
      lock.unlock();
      Result result = convert(plan_, i, options_, program_path_);
      lock.lock();
      results_[i % results_.size()] = {i, std::move(result)};
      changed_.notify_all();
    }
  }

  const Plan& plan_;
  const ConversionOptions& options_;
  const std::string& program_path_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Slot> results_;
  std::size_t next_ = 0;
  std::size_t reported_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

void count(Counts& counts, const Outcome& outcome) {
  std::string_view status = outcome.status;
  if (status == "converted") {
    ++counts.converted;
  } else if (status == "skipped") {
    ++counts.skipped;
  } else {
    ++counts.failed;
  }
}

Counts dry_run(const Plan& plan) {
  Counts counts;
  for (const Item& item : plan.items) {
    if (item.status == Status::duplicate) continue;
    Outcome outcome = outcome_of(plan, item, nullptr);
    count(counts, outcome);
    std::string line = item.shown + ": ";
    if (item.status == Status::convert) {
      std::vector<std::string> outputs = outputs_of(item, true);
      line += "convert to " + outputs[0] + (outputs.size() > 1 ? ", " + outputs[1] : "");
    } else {
      line += std::string(outcome.status == std::string_view("skipped") ? "skip" : outcome.status) +
              " (" + outcome.message + ")";
    }
    platform::write_standard_output(line + '\n');
  }
  return counts;
}

}  // namespace

Counts run_plan(const Plan& plan, const Options& options, const std::string& program_path,
                ByteWriter* log) {
  if (options.dry_run) return dry_run(plan);
  const ConversionOptions conversion{
      .replace = options.force ? platform::Replace::by_swap : platform::Replace::never,
      .keep_time = options.keep_time,
      .html_reader = options.html_reader};
  std::size_t total_files = 0;
  std::uint64_t total_bytes = 0;
  for (const Item& item : plan.items) {
    if (item.status != Status::convert) continue;
    ++total_files;
    total_bytes += item.size;
  }
  unsigned threads = options.jobs != 0 ? options.jobs : std::thread::hardware_concurrency();
  threads = static_cast<unsigned>(std::min<std::size_t>(std::max(threads, 1u), total_files));
  std::optional<Workers> workers;
  if (threads > 1) workers.emplace(plan, conversion, program_path, threads);

  Progress progress(!options.quiet && platform::standard_error_is_terminal(), total_files,
                    total_bytes);
  Counts counts;
  std::size_t files_done = 0;
  std::uint64_t bytes_done = 0;
  for (std::size_t i = 0; i < plan.items.size(); ++i) {
    const Item& item = plan.items[i];
    if (item.status == Status::duplicate) continue;
    std::optional<Result> result;
    if (item.status == Status::convert) {
      if (!workers) result = convert(plan, i, conversion, program_path);
      while (!result) {
        result = workers->take(i, std::chrono::milliseconds(100));
        progress.update(files_done, bytes_done);
      }
      ++files_done;
      bytes_done += item.size;
    }
    Outcome outcome = outcome_of(plan, item, result ? &*result : nullptr);
    count(counts, outcome);
    std::string_view status = outcome.status;
    if (status != "converted" && (status != "skipped" || !options.quiet)) {
      progress.clear();
      platform::write_standard_error(
          "wpconv-batch: " + item.shown + ": " +
          (status == "skipped" ? "skipped (" + outcome.message + ")" : outcome.message) + "\n");
    }
    if (log != nullptr) log->write(log_line(item, outcome));
    progress.update(files_done, bytes_done);
  }
  return counts;
}

}  // namespace wpconv::batch
