#include "batch/plan.h"

#include <algorithm>
#include <string_view>

#include "jobs/file_jobs.h"
#include "jobs/paths.h"
#include "platform/name_match.h"
#include "platform/platform.h"

namespace wpconv::batch {

namespace {

std::string join(const std::string& folder, const std::string& name) {
  if (!folder.empty() && platform::is_path_separator(folder.back())) return folder + name;
  return folder + platform::preferred_separator() + name;
}

void sort_by_name(std::vector<platform::DirectoryEntry>& entries) {
  std::sort(entries.begin(), entries.end(),
            [](const auto& a, const auto& b) { return a.name < b.name; });
}

class Planner {
 public:
  explicit Planner(const Options& options, std::vector<Item>& items)
      : options_(options), items_(items) {}

  void add_path(const std::string& shown) {
    platform::PathInfo info = platform::path_info(shown);
    int error = platform::last_error();
    if (info.type == platform::PathType::missing && add_matches(shown)) return;
    if (info.type == platform::PathType::directory) return add_folder(shown);
    add(shown, info.type == platform::PathType::missing ? Status::missing : Status::convert,
        info.size, error);
  }

 private:
  // A path with '*' or '?' in its last component that names no file stands for the entries
  // that match it, as a shell would have made of it.
  bool add_matches(const std::string& shown) {
    std::size_t name = final_component_position(shown);
    if (shown.find_first_of("*?", name) == std::string::npos) return false;
    std::string folder = shown.substr(0, name);
    auto entries = platform::list_directory(folder.empty() ? "." : folder);
    if (!entries) return false;
    sort_by_name(*entries);
    bool any = false;
    for (const platform::DirectoryEntry& entry : *entries) {
      if (!name_matches(std::string_view(shown).substr(name), entry.name)) continue;
      any = true;
      if (entry.info.type == platform::PathType::directory) {
        add_folder(folder + entry.name);
      } else {
        add(folder + entry.name, Status::convert, entry.info.size);
      }
    }
    return any;
  }

  // Entries in byte order of their names, so that every run goes the same way; links to
  // folders are not followed.
  void add_folder(const std::string& shown) {
    auto entries = platform::list_directory(shown);
    if (!entries) return add(shown, Status::unreadable_folder, 0, platform::last_error());
    sort_by_name(*entries);
    for (const platform::DirectoryEntry& entry : *entries) {
      if (entry.info.type == platform::PathType::directory) {
        add_folder(join(shown, entry.name));
      } else if (entry.info.type == platform::PathType::file &&
                 wanted_in_folder(entry.name, options_.to_documents)) {
        add(join(shown, entry.name), Status::convert, entry.info.size);
      }
    }
  }

  void add(std::string shown, Status status, std::uint64_t size, int system_error = 0) {
    const bool html5 = options_.to_html5 && !is_html_input(shown);
    items_.push_back(
        Item{.shown = std::move(shown), .size = size, .status = status, .html5 = html5});
    if (status != Status::convert) items_.back().system_error = system_error;
  }

  const Options& options_;
  std::vector<Item>& items_;
};

// A name an input stands under, or one of its outputs (`output` >= 0), by a hash of its key: two
// hashes that are equal are checked by the keys themselves.
struct Name {
  std::uint64_t hash;
  std::uint32_t item;
  int output;
};

std::uint64_t hash_of(const std::string& text) {
  std::uint64_t hash = 0xCBF29CE484222325;  // FNV-1a
  for (unsigned char c : text) hash = (hash ^ c) * 0x100000001B3;
  return hash;
}

// The names of the inputs still to convert and, if `with_outputs`, of their outputs, sorted so
// that equal names come together.
std::vector<Name> names_of(std::vector<Item>& items, bool with_outputs) {
  std::vector<Name> names;
  for (std::uint32_t i = 0; i < items.size(); ++i) {
    if (items[i].status != Status::convert) continue;
    names.push_back({hash_of(platform::path_key(full_path_of(items[i]))), i, -1});
    if (!with_outputs) continue;
    std::vector<std::string> outputs = outputs_of(items[i], false);
    if (outputs.empty()) items[i].status = Status::missing;  // a name too long for the system
    for (std::size_t k = 0; k < outputs.size(); ++k) {
      names.push_back({hash_of(platform::path_key(outputs[k])), i, static_cast<int>(k)});
    }
  }
  std::sort(names.begin(), names.end(), [](const Name& a, const Name& b) {
    if (a.hash != b.hash) return a.hash < b.hash;
    return a.item != b.item ? a.item < b.item : a.output < b.output;
  });
  return names;
}

// Calls `same(a, b)` for each pair of names, `a` before `b`, that are the same name of two
// different inputs.
template <class Same>
void for_each_pair(const std::vector<Item>& items, const std::vector<Name>& names, Same same) {
  auto key_of = [&](const Name& name) {
    return platform::path_key(name.output < 0 ? full_path_of(items[name.item])
                                              : outputs_of(items[name.item], false)[name.output]);
  };
  for (std::size_t first = 0; first < names.size();) {
    std::size_t end = first + 1;
    while (end < names.size() && names[end].hash == names[first].hash) ++end;
    for (std::size_t a = first; a < end; ++a) {
      for (std::size_t b = a + 1; b < end; ++b) {
        if (names[a].item != names[b].item && key_of(names[a]) == key_of(names[b])) {
          same(names[a], names[b]);
        }
      }
    }
    first = end;
  }
}

// Marks the inputs named twice; then those whose outputs are inputs of the run or are written
// from two inputs; then, unless forced, those whose outputs exist.
void settle_names(std::vector<Item>& items, bool force) {
  for_each_pair(items, names_of(items, false), [&](const Name&, const Name& later) {
    items[later.item].status = Status::duplicate;
  });
  // An input that clashes in several ways says the first of: its output is an input, its output
  // is written from another input too, it is the output of another; the first such of its
  // outputs, then of the other inputs. So the result does not hang on the order found.
  auto rank = [](Status status) {
    return status == Status::clash_input ? 3 : status == Status::clash_shared ? 2 : 1;
  };
  auto mark = [&](const Name& name, Status status, std::uint32_t other) {
    Item& item = items[name.item];
    const auto output = static_cast<std::uint8_t>(std::max(name.output, 0));
    if (item.status != Status::convert) {
      if (item.status == Status::duplicate || rank(item.status) > rank(status)) return;
      if (rank(item.status) == rank(status) &&
          (item.output < output || (item.output == output && item.other < other))) {
        return;
      }
    }
    item.status = status;
    item.output = output;
    item.other = other;
  };
  for_each_pair(items, names_of(items, true), [&](const Name& x, const Name& y) {
    if (x.output >= 0 && y.output >= 0) {
      mark(x, Status::clash_shared, y.item);
      mark(y, Status::clash_shared, x.item);
    } else {
      const Name& input = x.output < 0 ? x : y;
      const Name& writer = x.output < 0 ? y : x;
      mark(writer, Status::clash_input, input.item);
      mark(input, Status::clash_overwritten, writer.item);
    }
  });
  if (force) return;
  for (Item& item : items) {
    if (item.status != Status::convert) continue;
    std::vector<std::string> outputs = outputs_of(item, false);
    for (std::size_t k = 0; k < outputs.size(); ++k) {
      if (platform::path_info(outputs[k]).type != platform::PathType::missing) {
        item.status = Status::skip;
        item.output = static_cast<std::uint8_t>(k);
        break;
      }
    }
  }
}

}  // namespace

std::string full_path_of(const Item& item) {
  return platform::full_path(item.shown).path;
}

std::vector<std::string> outputs_of(const Item& item, bool shown) {
  if (item.html5) {
    std::optional<std::string> page = html5_output_path(shown ? item.shown : full_path_of(item));
    return page ? std::vector<std::string>{*page} : std::vector<std::string>{};
  }
  return output_paths(shown ? item.shown : full_path_of(item)).value_or(std::vector<std::string>{});
}

std::string explanation(const Plan& plan, const Item& item) {
  auto output = [&] {
    std::vector<std::string> outputs = outputs_of(item, true);
    return item.output < outputs.size() ? outputs[item.output] : std::string();
  };
  const std::string& other = plan.items[item.other].shown;
  std::string text;
  switch (item.status) {
    case Status::convert:
    case Status::duplicate:
      break;
    case Status::skip:
      return "exists: " + output();
    case Status::clash_input:
      return "clash: " + output() + " is an input of this run";
    case Status::clash_overwritten:
      return "clash: " + other + " would write over it";
    case Status::clash_shared:
      return "clash: " + output() + " is also written from " + other;
    case Status::missing:
      text =
          message_text(is_html_input(item.shown) ? FileKind::html : FileKind::document, Step::open);
      text.pop_back();  // the newline
      return text;
    case Status::unreadable_folder:
      return "folder read error";
  }
  return text;
}

std::optional<Plan> make_plan(const Options& options, const std::string& program_path,
                              std::string& error) {
  Plan plan;
  Planner planner(options, plan.items);
  for (const std::string& path : options.paths) planner.add_path(path);
  settle_names(plan.items, options.force);

  bool to_documents = std::any_of(plan.items.begin(), plan.items.end(), [](const Item& item) {
    return item.status == Status::convert && is_html_input(item.shown);
  });
  if (!to_documents) return plan;
  // The template of a wpconv installed beside this program, or where a package puts it.
  std::vector<std::string> candidates = {options.template_path};
  if (options.template_path.empty()) {
    candidates = format_template_candidates(
        program_path.substr(0, final_component_position(program_path)) + "wpconv");
  }
  if (candidates.empty()) candidates = {"wpconv.FMT"};  // the system could not tell where we are
  for (const std::string& candidate : candidates) {
    if (platform::File::open_for_reading(candidate).is_open()) {
      plan.template_path = platform::full_path(candidate).path;
      return plan;
    }
  }
  error = "no format template " + candidates.front() + " (" +
          platform::error_text(platform::last_error()) + "); give one with --template FILE";
  return std::nullopt;
}

}  // namespace wpconv::batch
