// The platform layer on POSIX systems.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "platform/name_match.h"
#include "platform/platform.h"

namespace wpconv::platform {

namespace {

int descriptor(std::intptr_t handle) {
  return static_cast<int>(handle);
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
    std::vector<char> cwd(PATH_MAX);
    if (getcwd(cwd.data(), cwd.size()) != nullptr) absolute = cwd.data();
    absolute += '/';
  }
  absolute += path;

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
  FullPath full;
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
  std::size_t length = std::strlen(text);
  while (length > 0) {
    ssize_t written = write(STDERR_FILENO, text, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;
    text += written;
    length -= static_cast<std::size_t>(written);
  }
}

int last_error() {
  return errno;
}

std::string error_text(int error) {
  return std::strerror(error);
}

File File::open_for_reading(const std::string& path) {
  int fd;
  do fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return File();
  File file(fd);
  struct stat status;
  if (fstat(fd, &status) != 0) return File();
  if (S_ISDIR(status.st_mode)) {
    errno = EISDIR;
    return File();
  }
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

OutputFile OutputFile::create(const std::string& path) {
  OutputFile output;
  int fd;
  do fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return output;
  output.file_ = File(fd);
  output.path_ = path;
  return output;
}

bool OutputFile::commit() {
  if (file_.close()) return true;
  int error = errno;
  unlink(path_.c_str());
  errno = error;
  return false;
}

void OutputFile::discard() {
  if (!file_.is_open()) return;
  int error = errno;
  file_.close();
  unlink(path_.c_str());
  errno = error;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat status_a, status_b;
  return stat(a.c_str(), &status_a) == 0 && stat(b.c_str(), &status_b) == 0 &&
         status_a.st_dev == status_b.st_dev && status_a.st_ino == status_b.st_ino;
}

}  // namespace wpconv::platform
