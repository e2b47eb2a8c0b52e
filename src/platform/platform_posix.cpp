// The platform layer on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

#include "platform/name_match.h"
#include "platform/platform.h"

namespace wpconv::platform {

namespace {

int descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
}

// Keeps errno across clean-up that may change it.
class SavedError {
 public:
  SavedError() : error_(errno) {}
  ~SavedError() { errno = error_; }

 private:
  int error_;
};

int open_retrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do fd = open(path, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

bool write_all(int fd, const char* text, std::size_t length) {
  while (length > 0) {
    ssize_t written = write(fd, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

int openat_retrying(int folder, const char* name, int flags, mode_t mode = 0) {
  int fd;
  do fd = openat(folder, name, flags | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  return fd;
}

// A folder opened only to name files within it: no permission to read it is needed.
#ifdef O_PATH
constexpr int FOLDER_FLAGS = O_PATH;
#else
constexpr int FOLDER_FLAGS = O_RDONLY;
#endif

// Renames `from` to `to` in `folder` unless `to` exists, in one step where the system has one.
bool rename_without_replacing(int folder, const char* from, const char* to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(folder, from, folder, to, RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;  // else the file system cannot: link
#endif
  if (linkat(folder, from, folder, to, 0) != 0) return false;
  unlinkat(folder, from, 0);
  return true;
}

PathInfo info_of(const struct stat& status) {
  if (S_ISREG(status.st_mode)) return {PathType::file, static_cast<std::uint64_t>(status.st_size)};
  return {S_ISDIR(status.st_mode) ? PathType::directory : PathType::other, 0};
}

// The file a path names once every symbolic link on its final component is followed, so that
// the link can stay a link while that file is replaced.
// `status` gets what is there, if anything: false when nothing is.
bool link_target(std::string& path, struct stat& status) {
  for (int hops = 0; hops < 40; ++hops) {
    if (lstat(path.c_str(), &status) != 0) return false;
    if (!S_ISLNK(status.st_mode)) return true;
    std::vector<char> buffer(PATH_MAX);
    ssize_t length = readlink(path.c_str(), buffer.data(), buffer.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) break;
    std::string target(buffer.data(), static_cast<std::size_t>(length));
    if (target[0] != '/') target = path.substr(0, path.rfind('/') + 1) + target;
    path = target;
  }
  return stat(path.c_str(), &status) == 0;
}

// The name of a temporary file beside the output named `name`, with fresh letters; it is
// opened within the output's folder, so only the limit on names applies.
std::string temporary_name(const std::string& name) {
  static thread_local std::mt19937 random{std::random_device{}()};
  return OutputFile::temporary_path(
      name, 0, static_cast<std::uint32_t>(random()),
      [](const std::string& path, std::size_t start) { return path.size() - start <= NAME_MAX; });
}

}  // namespace

bool fits_path_capacity(const std::string& path) {
  return path.size() < PATH_MAX;
}

bool is_path_separator(char c) {
  return c == '/';
}

void initialise() {
  // Past a file size limit, a write should fail (and the incomplete file be removed), not kill
  // the process and leave the file behind.
  signal(SIGXFSZ, SIG_IGN);
#ifdef __GLIBC__
  // The buffers of one conversion are freed and taken again for the next: keep the memory
  // rather than give it back to the system and ask for it again, thousands of times a batch.
  mallopt(M_TRIM_THRESHOLD, 4 << 20);
  mallopt(M_MMAP_THRESHOLD, 4 << 20);
#endif
}

char preferred_separator() {
  return '/';
}

std::vector<std::string> arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string command_line_remainder(int argc, char** argv) {
  std::string path;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) path += ' ';
    path += argv[i];
  }
  return path;
}

std::string program_path() {
  std::vector<char> buffer(PATH_MAX);
  ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
  if (length <= 0 || static_cast<std::size_t>(length) >= buffer.size()) return {};
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

FullPath full_path(const std::string& path) {
  std::string absolute;
  if (path.empty() || path[0] != '/') {
    // Asked once: the programs never change their current folder, and a batch asks for
    // thousands of full paths.
    static const std::string current = [] {
      std::vector<char> cwd(PATH_MAX);
      return getcwd(cwd.data(), cwd.size()) != nullptr ? std::string(cwd.data()) : std::string();
    }();
    absolute = current + '/';
  }
  absolute += path;
  FullPath full;
  // Most paths hold no "." or ".." component and no empty one: they are full as they are.
  if (absolute.find("/.") == std::string::npos && absolute.find("//") == std::string::npos) {
    full.path = std::move(absolute);
    full.final_component = full.path.rfind('/') + 1;
    return full;
  }

  // Drop "." and empty components, take ".." back a component, by text alone.
  std::vector<std::string> components;
  std::size_t start = 0;
  while (start <= absolute.size()) {
    std::size_t end = absolute.find('/', start);
    if (end == std::string::npos) end = absolute.size();
    std::string component = absolute.substr(start, end - start);
    if (component == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!component.empty() && component != ".") {
      components.push_back(component);
    }
    start = end + 1;
  }
  for (const std::string& component : components) full.path += '/' + component;
  // A path that names a directory keeps its final separator and has an empty file name.
  if (full.path.empty() || absolute.back() == '/') full.path += '/';
  full.final_component = full.path.rfind('/') + 1;
  return full;
}

std::optional<std::string> stored_name(const std::string&, const FullPath& full) {
  std::string name = full.path.substr(full.final_component);
  struct stat status;
  if (name.empty() || lstat(full.path.c_str(), &status) == 0) return std::nullopt;

  DIR* directory = opendir(full.path.substr(0, full.final_component).c_str());
  if (directory == nullptr) return std::nullopt;
  std::optional<std::string> first;
  while (const dirent* entry = readdir(directory)) {
    std::string_view candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (name_matches(name, candidate) && (!first || candidate < *first)) first = candidate;
  }
  closedir(directory);
  return first;
}

void show_message(const char* text) {
  write_standard_error(text);
}

void write_standard_output(std::string_view text) {
  write_all(STDOUT_FILENO, text.data(), text.size());
}

void write_standard_error(std::string_view text) {
  write_all(STDERR_FILENO, text.data(), text.size());
}

bool standard_error_is_terminal() {
  return isatty(STDERR_FILENO) != 0;
}

bool started_in_own_console() {
  return false;  // a terminal belongs to the shell that started the program
}

void wait_for_enter() {
  for (int c; (c = std::getchar()) != EOF && c != '\n';) {
  }
}

std::string path_key(const std::string& path) {
  return path;
}

PathInfo path_info(const std::string& path) {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return {};
  return info_of(status);
}

std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path) {
  DIR* directory = opendir(path.c_str());
  if (directory == nullptr) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  std::string prefix = path.empty() || path.back() == '/' ? path : path + '/';
  errno = 0;
  while (const dirent* entry = readdir(directory)) {
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    DirectoryEntry found{std::string(name), {PathType::other, 0}};
    struct stat status;
    std::string full = prefix + found.name;
    if (lstat(full.c_str(), &status) == 0) {
      found.info = info_of(status);
      if (S_ISLNK(status.st_mode) && stat(full.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
        found.info = info_of(status);
      }
    }
    entries.push_back(std::move(found));
    errno = 0;
  }
  bool failed = errno != 0;
  {
    SavedError saved;
    closedir(directory);
  }
  if (failed) return std::nullopt;
  return entries;
}

int last_error() {
  return errno;
}

std::string error_text(int error) {
  return std::strerror(error);
}

bool is_exists_error(int error) {
  return error == EEXIST;
}

File File::open_for_reading(const std::string& path) {
  int fd = open_retrying(path.c_str(), O_RDONLY);
  if (fd < 0) return File();
  File file(fd);
  struct stat status;
  if (fstat(fd, &status) != 0) return File();
  if (S_ISDIR(status.st_mode)) {
    errno = EISDIR;
    return File();
  }
  if (S_ISREG(status.st_mode)) file.size_ = static_cast<std::uint64_t>(status.st_size);
  return file;
}

std::ptrdiff_t File::read(unsigned char* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = ::read(descriptor(handle_), buffer, size);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

bool File::write(const unsigned char* buffer, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(descriptor(handle_), buffer, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    buffer += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool File::close() {
  if (!is_open()) return true;
  // POSIX leaves the descriptor closed even when close reports an error, EINTR included.
  bool closed = ::close(descriptor(handle_)) == 0;
  handle_ = NO_HANDLE;
  return closed;
}

std::optional<FileTime> File::modification_time() const {
  struct stat status;
  if (fstat(descriptor(handle_), &status) != 0) return std::nullopt;
  return FileTime{status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

OutputFile OutputFile::create(const std::string& path, Replace replace) {
  OutputFile output;
  output.replace_ = replace;
  output.target_ = path;
  struct stat existing;
  output.replacing_ = link_target(output.target_, existing);
  if (output.replacing_) {
    if (replace == Replace::never) {
      errno = EEXIST;
      return output;
    }
    if (S_ISDIR(existing.st_mode)) {
      errno = EISDIR;
      return output;
    }
    // Refuse what the user could not overwrite: a read-only file, an immutable one.
    int probe = open_retrying(output.target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY);
    if (probe < 0) return output;
    close(probe);
    output.mode_ = existing.st_mode & 07777;
    // A swap would split hard links, and a device or pipe is no file to swap.
    output.in_place_ = existing.st_nlink > 1 || !S_ISREG(existing.st_mode);
    if (output.in_place_ && replace == Replace::by_swap) {
      errno = S_ISREG(existing.st_mode) ? EMLINK : EINVAL;
      return output;
    }
  }
  // Everything below works on names within the output's folder, so that a temporary name longer
  // than the output's own still fits where the whole path is as long as the system allows.
  const std::size_t slash = output.target_.rfind('/');
  const std::string folder = slash == std::string::npos ? "."
                             : slash == 0               ? "/"
                                                        : output.target_.substr(0, slash);
  const std::string name = output.target_.substr(slash + 1);
  const int folder_fd = open_retrying(folder.c_str(), FOLDER_FLAGS | O_DIRECTORY);
  if (folder_fd < 0) return output;
  output.folder_ = File(folder_fd);
  if (!output.in_place_) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      output.path_ = temporary_name(name);
      // A replacement stays private until it takes the old file's permission bits.
      int fd =
          openat_retrying(folder_fd, output.path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW,
                          output.replacing_ ? 0600 : 0666);
      if (fd >= 0) {
        output.file_ = File(fd);
        // A file that belongs to someone else keeps its owner, or is written in place.
        if (output.replacing_ && (existing.st_uid != geteuid() || existing.st_gid != getegid()) &&
            fchown(fd, existing.st_uid, existing.st_gid) != 0 && replace == Replace::allowed) {
          output.file_.close();
          unlinkat(folder_fd, output.path_.c_str(), 0);
          output.in_place_ = true;
        }
        break;
      }
      if (errno == EEXIST) continue;
      // A folder the user may not write holds a file the user may: write it in place, as an
      // editor would.
      if (output.replacing_ && (errno == EACCES || errno == EPERM) && replace == Replace::allowed) {
        output.in_place_ = true;
      }
      break;
    }
  }
  if (output.in_place_) {
    output.path_ = name;
    int fd = openat_retrying(folder_fd, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (fd >= 0) output.file_ = File(fd);
  }
  return output;
}

bool OutputFile::commit(const FileTime* modification_time) {
  const int fd = descriptor(file_.handle_);
  const int folder = descriptor(folder_.handle_);
  const std::string name = target_.substr(target_.rfind('/') + 1);
  bool written = true;
  if (!in_place_ && replacing_) {
    // The old file goes only once the new one is on the disk.
    written = fchmod(fd, static_cast<mode_t>(mode_)) == 0 && fsync(fd) == 0;
  }
  if (written && modification_time != nullptr) {
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(modification_time->seconds),
                                static_cast<long>(modification_time->fraction)}};
    written = futimens(fd, times) == 0;
  }
  written = file_.close() && written;
  if (written && !in_place_) {
    if (replace_ != Replace::never) {
      written = renameat(folder, path_.c_str(), folder, name.c_str()) == 0;
    } else if (rename_without_replacing(folder, path_.c_str(), name.c_str())) {
      folder_.close();
      return true;
    } else if (errno != EEXIST && faccessat(folder, name.c_str(), F_OK, AT_SYMLINK_NOFOLLOW) != 0) {
      // A file system without hard links: the check and the rename are apart, but close.
      written = renameat(folder, path_.c_str(), folder, name.c_str()) == 0;
    } else {
      errno = EEXIST;
      written = false;
    }
  }
  // A file written in place existed before this run: whatever failed, it is not ours to remove.
  if (!written && !in_place_) {
    SavedError saved;
    unlinkat(folder, path_.c_str(), 0);
  }
  SavedError saved;
  folder_.close();
  return written;
}

void OutputFile::discard() {
  if (!file_.is_open()) return;
  SavedError saved;
  file_.close();
  if (!in_place_) unlinkat(descriptor(folder_.handle_), path_.c_str(), 0);
  folder_.close();
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat status_a, status_b;
  return stat(a.c_str(), &status_a) == 0 && stat(b.c_str(), &status_b) == 0 &&
         status_a.st_dev == status_b.st_dev && status_a.st_ino == status_b.st_ino;
}

}  // namespace wpconv::platform
