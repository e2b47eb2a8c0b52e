// The services the programs need from the operating system. One implementation per system:
// platform_posix.cpp and platform_win32.cpp, chosen by CMake; nothing else includes system
// headers. Paths and texts are UTF-8 byte strings everywhere above this layer (on POSIX, the
// bytes the system takes as they are); an implementation converts only at the system's calls.
#ifndef WPCONV_PLATFORM_PLATFORM_H_
#define WPCONV_PLATFORM_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace wpconv::platform {

// --- start-up and the command line ---

// Called once at start-up, before anything else here.
void initialise();

// The command line after the program's name, for the single-file program: the path to convert.
std::string command_line_remainder(int argc, char** argv);

// The arguments after the program's name, one by one, for programs with options.
std::vector<std::string> arguments(int argc, char** argv);

// The full path of the running executable; empty if the system cannot tell.
std::string program_path();

// --- paths ---

// True when the system can take a path this long (on POSIX PATH_MAX bytes with the terminating
// zero; on Windows 32,767 UTF-16 units).
bool fits_path_capacity(const std::string& path);

// True for the characters that separate path components; the one the system writes itself.
bool is_path_separator(char c);
char preferred_separator();

struct FullPath {
  std::string path;
  std::size_t final_component = 0;  // where the last component (the file name) begins
};

// The absolute form of `path`, made from text alone: no links resolved, no existence check.
FullPath full_path(const std::string& path);

// The name under which the file's final component is stored on disk (its long name, in its
// own letter case, or the first match of a wildcard pattern); nothing when no entry is found.
std::optional<std::string> stored_name(const std::string& path_as_given, const FullPath& full);

// A text that is equal for two paths exactly when the system takes them as the same name (on
// Windows, letters in other case are the same).
std::string path_key(const std::string& path);

// True when both paths name one existing file (same device and file number).
bool same_file(const std::string& a, const std::string& b);

enum class PathType { missing, file, directory, other };

struct PathInfo {
  PathType type = PathType::missing;
  std::uint64_t size = 0;  // of a file
};

// What is at `path`, following symbolic links.
PathInfo path_info(const std::string& path);

struct DirectoryEntry {
  std::string name;
  // A link to a file counts as a file; a link to a folder is not followed and counts as other.
  PathInfo info;
};

// The entries of a folder, without "." and "..", in no particular order; nothing on failure.
std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path);

// --- messages and consoles ---

// Shows a message of the single-file program and returns when the user has seen it (on POSIX on
// standard error, on Windows in a message box).
void show_message(const char* text);

// Writes to standard output or standard error, as the console shows UTF-8 where it is one.
void write_standard_output(std::string_view text);
void write_standard_error(std::string_view text);
bool standard_error_is_terminal();

// True when the program has a console window of its own, as one started by dropping files on it
// has, and its standard input is that console: then it may wait for the user.
bool started_in_own_console();
// Waits until the user presses Enter.
void wait_for_enter();

// The system's code for why the last call here failed (errno, GetLastError), and its text.
int last_error();
std::string error_text(int error);
// True for the code of a file that exists where it should not.
bool is_exists_error(int error);

// --- files ---

// A file's modification time, in the system's own units.
struct FileTime {
  std::int64_t seconds = 0;
  std::int64_t fraction = 0;
};

// An open file, closed when it goes out of scope. Binary and unbuffered: buffering is the
// streams' job.
class File {
 public:
  File() = default;
  File(File&& other) noexcept : handle_(other.handle_), size_(other.size_) {
    other.handle_ = NO_HANDLE;
  }
  File& operator=(File&& other) noexcept {
    if (this != &other) {
      close();
      handle_ = other.handle_;
      size_ = other.size_;
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
  std::optional<FileTime> modification_time() const;
  // The size the file had when it was opened for reading; 0 if the system could not tell.
  std::uint64_t size() const { return size_; }

  // Opens an existing file for reading; not open on failure, also for a directory.
  static File open_for_reading(const std::string& path);

 private:
  friend class OutputFile;
  using Handle = std::intptr_t;
  static constexpr Handle NO_HANDLE = -1;
  explicit File(Handle handle) : handle_(handle) {}
  Handle handle_ = NO_HANDLE;
  std::uint64_t size_ = 0;
};

// What may become of a file that is already where an output goes.
enum class Replace {
  never,    // it stays, and the output is refused
  by_swap,  // it is replaced by a swap only, never written over; otherwise the output is refused
  allowed,  // it is replaced by a swap, or written over where a swap cannot serve (see below)
};

// An output file, written so that a failure never costs the file it replaces. It is written to
// a new temporary file beside its path (beside the file a symbolic link names), whose name ends
// in TEMPORARY_SUFFIX, and put in place by commit() with one rename once it is complete; if the
// writing fails, or the object goes out of scope first, the temporary file is removed and a file
// that was there stays as it was. A replaced file's permission bits carry over. Where a swap cannot
// serve, Replace::allowed writes over the existing file in place: an output with several hard
// links (a rename would split them), in a folder the user may not write, owned by someone else
// whom the replacement could not keep as owner, or a device or pipe. A file written in place is
// never removed, whatever fails: only the temporary file is ever the program's to remove.
class OutputFile {
 public:
  static constexpr std::string_view TEMPORARY_SUFFIX = ".wpconv-tmp";

  // The temporary file beside `target`, whose name starts at `name`, named so that a person sees
  // what it is: the output's name, a dot, six letters drawn from `random` and TEMPORARY_SUFFIX;
  // or "wpconv" in place of the output's name where `fits` refuses that path as too long.
  static std::string temporary_path(const std::string& target, std::size_t name,
                                    std::uint32_t random,
                                    bool (*fits)(const std::string& path, std::size_t name)) {
    std::string letters;
    for (int i = 0; i < 6; ++i, random /= 36)
      letters += "abcdefghijklmnopqrstuvwxyz0123456789"[random % 36];
    std::string path = target + '.' + letters + std::string(TEMPORARY_SUFFIX);
    if (!fits(path, name))
      path = target.substr(0, name) + "wpconv." + letters + std::string(TEMPORARY_SUFFIX);
    return path;
  }

  OutputFile() = default;
  OutputFile(OutputFile&& other) noexcept { *this = std::move(other); }
  OutputFile& operator=(OutputFile&& other) noexcept {
    if (this != &other) {
      discard();
      file_ = std::move(other.file_);
      folder_ = std::move(other.folder_);
      path_ = std::move(other.path_);
      target_ = std::move(other.target_);
      in_place_ = other.in_place_;
      replace_ = other.replace_;
      replacing_ = other.replacing_;
      mode_ = other.mode_;
    }
    return *this;
  }
  ~OutputFile() { discard(); }

  // Begins the output for `path`; not open on failure. An existing output that the user may not
  // replace (read-only, immutable, a folder) is refused here, as is one that `replace` keeps.
  static OutputFile create(const std::string& path, Replace replace = Replace::allowed);

  bool is_open() const { return file_.is_open(); }
  // Whether the output is written over the existing file (see above), where what is written
  // cannot be taken back: a device or a pipe may have passed it on.
  bool in_place() const { return in_place_; }
  bool write(const unsigned char* buffer, std::size_t size) { return file_.write(buffer, size); }
  // Closes the file, gives it `modification_time` if there is one, and puts it in place; false,
  // and nothing left, on any error. With Replace::never, an output that has appeared meanwhile
  // is not replaced: that is an error too.
  bool commit(const FileTime* modification_time = nullptr);
  // Closes and removes what was written.
  void discard();

 private:
  File file_;
  File folder_;         // the target's folder, where the system can name files within one (POSIX)
  std::string path_;    // what is being written: the temporary file, or the target in place
                        // (on POSIX its name within folder_)
  std::string target_;  // where it goes
  bool in_place_ = false;
  Replace replace_ = Replace::allowed;
  bool replacing_ = false;  // an output existed when this one began
  unsigned mode_ = 0;       // permission bits to give a replacement
};

}  // namespace wpconv::platform

#endif  // WPCONV_PLATFORM_PLATFORM_H_
