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

#include "app/name_match.h"
#include "app/platform.h"

namespace platform {

std::size_t path_capacity() {
  return PATH_MAX;
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

File open_for_reading(const std::string& path) {
  int fd;
  do fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return no_file;
  struct stat status;
  if (fstat(fd, &status) != 0 || S_ISDIR(status.st_mode)) {
    close(fd);
    return no_file;
  }
  return fd;
}

File create_for_writing(const std::string& path) {
  int fd;
  do fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  return fd < 0 ? no_file : fd;
}

std::ptrdiff_t read_file(File file, unsigned char* buffer, std::size_t size) {
  for (;;) {
    ssize_t got = read(static_cast<int>(file), buffer, size);
    if (got >= 0) return got;
    if (errno != EINTR) return -1;
  }
}

bool write_file(File file, const unsigned char* buffer, std::size_t size) {
  while (size > 0) {
    ssize_t written = write(static_cast<int>(file), buffer, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    buffer += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool close_file(File file) {
  return close(static_cast<int>(file)) == 0;
}

bool remove_file(const std::string& path) {
  return unlink(path.c_str()) == 0;
}

bool same_file(const std::string& a, const std::string& b) {
  struct stat status_a, status_b;
  return stat(a.c_str(), &status_a) == 0 && stat(b.c_str(), &status_b) == 0 &&
         status_a.st_dev == status_b.st_dev && status_a.st_ino == status_b.st_ino;
}

}  // namespace platform
