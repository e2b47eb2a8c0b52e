// The few services the programs need from the operating system. One implementation per system:
// platform_posix.cpp and platform_win32.cpp, chosen by CMake; nothing else includes system
// headers. Paths are byte strings here, as the system takes them.
#ifndef WPCONV_PLATFORM_PLATFORM_H_
#define WPCONV_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace wpconv::platform {

// True when a path of this length, with its terminating zero, fits the system's limit.
bool fits_path_capacity(const std::string& path);

// True for the characters that separate path components.
bool is_path_separator(char c);

// Called once at start-up, before anything else here.
void initialise();

// The command line after the program's name: the path to convert.
std::string command_line_remainder(int argc, char** argv);

// The full path of the running executable; empty if the system cannot tell.
std::string program_path();

struct FullPath {
  std::string path;
  std::size_t final_component = 0;  // where the last component (the file name) begins
};

// The absolute form of `path`, made from text alone: no links resolved, no existence check.
FullPath full_path(const std::string& path);

// The name under which the file's final component is stored on disk (its long name, in its
// own letter case, or the first match of a wildcard pattern); nothing when no entry is found.
std::optional<std::string> stored_name(const std::string& path_as_given, const FullPath& full);

// Shows a message and returns when the user has seen it.
void show_message(const char* text);

// The system's code for why the last call here failed (errno, GetLastError), and its text.
int last_error();
std::string error_text(int error);

// True when both paths name one existing file (same device and file number).
bool same_file(const std::string& a, const std::string& b);

// An open file, closed when it goes out of scope. Binary and unbuffered: buffering is the
// streams' job.
class File {
 public:
  File() = default;
  File(File&& other) noexcept : handle_(other.handle_) { other.handle_ = NO_HANDLE; }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      other.handle_ = NO_HANDLE;
    }
    return *this;
  }
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File() { close(); }

  bool is_open() const { return handle_ != NO_HANDLE; }
  // Reads at most `size` bytes: the count, 0 at the end, -1 on a read error.
  std::ptrdiff_t read(unsigned char* buffer, std::size_t size);
  // Writes all `size` bytes; false on any error.
  bool write(const unsigned char* buffer, std::size_t size);
  // False if the system reports an error, such as a write that failed only now.
  bool close();

  // Opens an existing file for reading; not open on failure, also for a directory.
  static File open_for_reading(const std::string& path);

 private:
  friend class OutputFile;
  using Handle = std::intptr_t;
  static constexpr Handle NO_HANDLE = -1;
  explicit File(Handle handle) : handle_(handle) {}
  Handle handle_ = NO_HANDLE;
};

// A file being written under a path. Until commit() succeeds it is not the finished output: if
// the writing fails or the object goes out of scope first, what was written is removed.
class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(OutputFile&&) noexcept = default;
  OutputFile& operator=(OutputFile&& other) noexcept {
    if (this != &other) {
      discard();
      file_ = std::move(other.file_);
      path_ = std::move(other.path_);
    }
    return *this;
  }
  ~OutputFile() { discard(); }

  // Created (or truncated) for writing; not open on failure.
  static OutputFile create(const std::string& path);

  bool is_open() const { return file_.is_open(); }
  bool write(const unsigned char* buffer, std::size_t size) { return file_.write(buffer, size); }
  // Closes the file as the finished output; false, and nothing left, on any error.
  bool commit();
  // Closes and removes what was written.
  void discard();

 private:
  File file_;
  std::string path_;
};

}  // namespace wpconv::platform

#endif  // WPCONV_PLATFORM_PLATFORM_H_
