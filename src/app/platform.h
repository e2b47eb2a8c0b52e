// The few services the program needs from the operating system. One implementation per
// system: platform_posix.cpp and platform_win32.cpp; nothing else includes system headers.
#ifndef WPCONV_APP_PLATFORM_H_
#define WPCONV_APP_PLATFORM_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The longest path the system accepts, in bytes, counting the terminating zero.
std::size_t path_capacity();

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

// Files: a handle per open file, binary, unbuffered; buffering is the streams' job.
using File = std::intptr_t;
inline constexpr File no_file = -1;

File open_for_reading(const std::string& path);    // no_file on failure, also for a directory
File create_for_writing(const std::string& path);  // created or truncated
// Reads at most `size` bytes: the count, 0 at the end, -1 on a read error.
std::ptrdiff_t read_file(File file, unsigned char* buffer, std::size_t size);
// Writes all `size` bytes; false on any error.
bool write_file(File file, const unsigned char* buffer, std::size_t size);
bool close_file(File file);  // false if the system reports a (delayed) write error
bool remove_file(const std::string& path);
// True when both paths name one existing file (same device and file number).
bool same_file(const std::string& a, const std::string& b);

}  // namespace platform

#endif  // WPCONV_APP_PLATFORM_H_
