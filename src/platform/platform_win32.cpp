// The platform layer on Windows, through the wide-character calls. Paths stay UTF-8 above this
// file and become UTF-16 only at the system's calls, so no name depends on the code page of the
// system; paths too long for the old limit reach the system in their \\?\ form.
#include <windows.h>

#include <algorithm>
#include <random>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/platform.h"

namespace wpconv::platform {

namespace {

// The longest path the system takes, in UTF-16 units, counted as it reaches the kernel.
constexpr std::size_t SYSTEM_PATH_UNITS = 32767;
// The longest name of one folder entry.
constexpr std::size_t NAME_UNITS = 255;
// Shorter paths go to the system as they are; longer ones in the \\?\ form. Below MAX_PATH, so
// that a folder's path keeps room for an 8.3 name, as the old calls require.
constexpr std::size_t LONG_PATH_UNITS = MAX_PATH - 12;

constexpr std::wstring_view VERBATIM_PREFIX = L"\\\\?\\";
constexpr std::wstring_view VERBATIM_UNC_PREFIX = L"\\\\?\\UNC\\";
constexpr std::wstring_view DEVICE_PREFIX = L"\\\\.\\";

constexpr DWORD SHARE_ALL = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

HANDLE handle_of(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t handle_value(HANDLE handle) {
  return reinterpret_cast<std::intptr_t>(handle);
}

// Keeps the last error across clean-up that may change it.
class SavedError {
 public:
  SavedError() : error_(GetLastError()) {}
  ~SavedError() { SetLastError(error_); }

 private:
  DWORD error_;
};

// Closes a handle that is only asked about.
class QueryHandle {
 public:
  explicit QueryHandle(HANDLE handle) : handle_(handle) {}
  QueryHandle(const QueryHandle&) = delete;
  QueryHandle& operator=(const QueryHandle&) = delete;
  ~QueryHandle() {
    if (is_open()) {
      SavedError saved;
      CloseHandle(handle_);
    }
  }
  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

std::wstring widen(std::string_view text) {
  if (text.empty()) return {};
  const int size = static_cast<int>(text.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
  return wide;
}

std::string narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, text.data(), length, nullptr, nullptr);
  return text;
}

std::size_t utf16_units(std::string_view text) {
  if (text.empty()) return 0;
  return static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0));
}

// Calls `get(buffer, size)`, which returns the length of its result or the size it needs, with a
// buffer that grows until the result fits; empty on failure.
template <class Get>
std::wstring grown(Get get) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (int attempt = 0; attempt < 4; ++attempt) {
    const DWORD length = get(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return std::wstring(buffer.data(), length);
    buffer.resize(std::max<std::size_t>(length, buffer.size() * 2));
  }
  return {};
}

std::wstring full_path_wide(const std::wstring& path) {
  return grown([&](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(path.c_str(), size, buffer, nullptr);
  });
}

// The form of `path` that the system takes: as it is while short, absolute in the \\?\ form
// (which the system takes as it stands, so it must be complete) beyond.
std::wstring system_path(std::string_view path) {
  std::wstring wide = widen(path);
  if (wide.size() < LONG_PATH_UNITS || wide.starts_with(VERBATIM_PREFIX) ||
      wide.starts_with(DEVICE_PREFIX)) {
    return wide;
  }
  std::wstring full = full_path_wide(wide);
  if (full.empty() || full.starts_with(VERBATIM_PREFIX) || full.starts_with(DEVICE_PREFIX)) {
    return full.empty() ? wide : full;
  }
  if (full.starts_with(L"\\\\")) return std::wstring(VERBATIM_UNC_PREFIX) + full.substr(2);
  return std::wstring(VERBATIM_PREFIX) + full;
}

// A path from the system in the \\?\ form, written plain where that is the same path.
std::string plain_path(std::wstring_view path) {
  if (path.starts_with(VERBATIM_UNC_PREFIX)) {
    return "\\\\" + narrow(path.substr(VERBATIM_UNC_PREFIX.size()));
  }
  if (path.starts_with(VERBATIM_PREFIX) && path.size() >= 6 && path[5] == L':') {
    return narrow(path.substr(VERBATIM_PREFIX.size()));
  }
  return narrow(path);
}

bool is_not_found(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
         error == ERROR_INVALID_NAME || error == ERROR_BAD_NETPATH || error == ERROR_NOT_READY;
}

// Opens an existing file or directory, following links, for asking about it only: no rights to
// read or write, and no sharing refused, so that it works while the converter has the file open.
HANDLE open_for_query(const std::string& path) {
  return CreateFileW(system_path(path).c_str(), 0, SHARE_ALL, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

PathInfo info_of(DWORD attributes, DWORD size_high, DWORD size_low) {
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {PathType::directory, 0};
  return {PathType::file, static_cast<std::uint64_t>(size_high) << 32 | size_low};
}

bool is_link_tag(DWORD tag) {
  return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT;
}

bool is_console(HANDLE handle) {
  DWORD mode;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

void write_standard(DWORD which, std::string_view text) {
  const HANDLE handle = GetStdHandle(which);
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return;
  if (is_console(handle)) {
    // A console shows characters, whatever its code page: UTF-16 reaches it unchanged.
    const std::wstring wide = widen(text);
    for (std::size_t done = 0; done < wide.size();) {
      DWORD count = static_cast<DWORD>(std::min<std::size_t>(wide.size() - done, 8192));
      if (count < wide.size() - done && IS_HIGH_SURROGATE(wide[done + count - 1])) --count;
      DWORD written = 0;
      if (!WriteConsoleW(handle, wide.data() + done, count, &written, nullptr) || written == 0) {
        return;
      }
      done += written;
    }
    return;
  }
  // A file or a pipe gets the UTF-8 bytes, as a log should hold them.
  while (!text.empty()) {
    DWORD written = 0;
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1u << 30));
    if (!WriteFile(handle, text.data(), wanted, &written, nullptr) || written == 0) return;
    text.remove_prefix(written);
  }
}

FILETIME filetime_of(const FileTime& time) {
  const auto ticks = static_cast<std::uint64_t>(time.seconds * 10000000 + time.fraction);
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// A temporary file beside `target`, with fresh letters and this system's limits on names.
std::string temporary_name(const std::string& target) {
  static thread_local std::mt19937 random = [] {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    std::seed_seq seed{
        static_cast<unsigned>(std::random_device{}()), static_cast<unsigned>(GetCurrentProcessId()),
        static_cast<unsigned>(GetCurrentThreadId()), static_cast<unsigned>(now.LowPart)};
    return std::mt19937(seed);
  }();
  return OutputFile::temporary_path(
      target, target.find_last_of("\\/") + 1,  // npos + 1 is 0: no folder
      static_cast<std::uint32_t>(random()), [](const std::string& path, std::size_t name) {
        return utf16_units(std::string_view(path).substr(name)) <= NAME_UNITS &&
               fits_path_capacity(path);
      });
}

}  // namespace

// The arguments of a command line by the C runtime's rules: blanks separate them outside double
// quotes, "" inside quotes is a quote, and backslashes escape a quote only.
std::vector<std::string> split_command_line(std::string_view line) {
  std::vector<std::string> arguments;
  std::size_t i = 0;
  for (;;) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i == line.size()) return arguments;
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
      if (line[i] == '\\') {
        std::size_t backslashes = 0;
        for (; i < line.size() && line[i] == '\\'; ++i) ++backslashes;
        const bool before_quote = i < line.size() && line[i] == '"';
        argument.append(before_quote ? backslashes / 2 : backslashes, '\\');
        if (before_quote && backslashes % 2 == 1) {
          argument += '"';
          ++i;
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          argument += '"';
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        argument += line[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
}

bool fits_path_capacity(const std::string& path) {
  // What reaches the kernel: the \\?\ form, as \??\ or \??\UNC\.
  std::size_t prefix = 4;
  if (path.starts_with("\\\\?\\")) {
    prefix = 0;
  } else if (path.starts_with("\\\\")) {
    prefix = 6;
  }
  return utf16_units(path) + prefix < SYSTEM_PATH_UNITS;
}

bool is_path_separator(char c) {
  return c == '\\' || c == '/';
}

char preferred_separator() {
  return '\\';
}

void initialise() {
  // A path on an empty drive or a missing share should fail the open, not stop the run with a
  // system dialog that nobody may be there to close.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::string command_line_remainder(int, char**) {
  // The C runtime's argv has lost the runs of blanks that belong to the path, and its names are
  // in the ANSI code page.
  const std::string line = narrow(GetCommandLineW());
  return std::string(unquoted_path(wpconv::command_line_remainder(line)));
}

std::vector<std::string> arguments(int, char**) {
  return split_command_line(wpconv::command_line_remainder(narrow(GetCommandLineW())));
}

std::string program_path() {
  return plain_path(grown([](wchar_t* buffer, DWORD size) {
    // A result that fills the buffer has been cut short: ask again with more room.
    return GetModuleFileNameW(nullptr, buffer, size);
  }));
}

FullPath full_path(const std::string& path) {
  FullPath full;
  const std::wstring wide = full_path_wide(widen(path));
  if (!wide.empty()) {
    full.path = narrow(wide);
  } else {
    // No full path from the system: the text as given, after the current directory when it is
    // relative, is at least as long, so a path refused for its length is refused still.
    const bool absolute = (!path.empty() && is_path_separator(path[0])) || path.find(':') == 1;
    if (!absolute) {
      full.path = narrow(
          grown([](wchar_t* buffer, DWORD size) { return GetCurrentDirectoryW(size, buffer); }));
      if (!full.path.empty() && !is_path_separator(full.path.back())) full.path += '\\';
    }
    full.path += path;
  }
  // Separators are ASCII, never part of a longer UTF-8 sequence. A path that ends in one names a
  // directory: its file name is empty.
  full.final_component = full.path.find_last_of("\\/") + 1;
  return full;
}

std::optional<std::string> stored_name(const std::string& path_as_given, const FullPath&) {
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(system_path(path_as_given).c_str(), FindExInfoBasic,
                                         &found, FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return narrow(found.cFileName);
}

std::string path_key(const std::string& path) {
  // Upper case by the invariant rules, as the file system compares names: any script's letters,
  // whatever the user's language.
  std::wstring wide = widen(path);
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  std::wstring upper(wide.size(), L'\0');
  if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), size, upper.data(), size,
                    nullptr, nullptr, 0) != size) {
    return path;
  }
  return narrow(upper);
}

bool same_file(const std::string& a, const std::string& b) {
  const QueryHandle handle_a(open_for_query(a));
  if (!handle_a.is_open()) return false;
  const QueryHandle handle_b(open_for_query(b));
  BY_HANDLE_FILE_INFORMATION info_a, info_b;
  return handle_b.is_open() && GetFileInformationByHandle(handle_a.get(), &info_a) &&
         GetFileInformationByHandle(handle_b.get(), &info_b) &&
         info_a.dwVolumeSerialNumber == info_b.dwVolumeSerialNumber &&
         info_a.nFileIndexHigh == info_b.nFileIndexHigh &&
         info_a.nFileIndexLow == info_b.nFileIndexLow;
}

PathInfo path_info(const std::string& path) {
  const QueryHandle handle(open_for_query(path));
  if (!handle.is_open()) {
    // Something that cannot be opened even to ask about it: what its folder entry says. A link
    // that leads nowhere is missing, as it is on POSIX.
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (is_not_found(GetLastError()) ||
        !GetFileAttributesExW(system_path(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      return {};
    }
    return info_of(data.dwFileAttributes, data.nFileSizeHigh, data.nFileSizeLow);
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle.get(), &info)) return {PathType::other, 0};
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
      GetFileType(handle.get()) != FILE_TYPE_DISK) {
    return {PathType::other, 0};  // a device, such as NUL or CON
  }
  return info_of(info.dwFileAttributes, info.nFileSizeHigh, info.nFileSizeLow);
}

std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path) {
  const std::string prefix =
      path.empty() || is_path_separator(path.back()) ? path : path + preferred_separator();
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(system_path(prefix + '*').c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  std::vector<DirectoryEntry> entries;
  if (search == INVALID_HANDLE_VALUE) {
    // The root of a drive may have no entries at all, not even "." and "..".
    if (GetLastError() == ERROR_FILE_NOT_FOUND && path_info(path).type == PathType::directory) {
      return entries;
    }
    return std::nullopt;
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") continue;
    DirectoryEntry entry{narrow(name), {}};
    const DWORD attributes = found.dwFileAttributes;
    const bool link =
        (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && is_link_tag(found.dwReserved0);
    if (link && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      entry.info = {PathType::other, 0};  // a link or junction to a folder is not followed
    } else if (link) {
      // A link to a file counts as the file it names, with its size.
      entry.info = path_info(prefix + entry.name);
      if (entry.info.type != PathType::file) entry.info = {PathType::other, 0};
    } else {
      entry.info = info_of(attributes, found.nFileSizeHigh, found.nFileSizeLow);
    }
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  {
    SavedError saved;
    FindClose(search);
  }
  if (!complete) return std::nullopt;
  return entries;
}

void show_message(const char* text) {
  MessageBoxW(nullptr, widen(text).c_str(), nullptr, MB_OK);
}

void write_standard_output(std::string_view text) {
  write_standard(STD_OUTPUT_HANDLE, text);
}

void write_standard_error(std::string_view text) {
  write_standard(STD_ERROR_HANDLE, text);
}

bool standard_error_is_terminal() {
  return is_console(GetStdHandle(STD_ERROR_HANDLE));
}

bool started_in_own_console() {
  // Started from a command prompt, the console has the prompt's process too; dropped files on
  // the program give it a console of its own. Input from anything but that console (a script,
  // a pipe, a file) means nobody is there to press Enter.
  DWORD processes[2];
  return is_console(GetStdHandle(STD_INPUT_HANDLE)) && GetConsoleProcessList(processes, 2) == 1;
}

void wait_for_enter() {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (input == nullptr || input == INVALID_HANDLE_VALUE) return;
  if (is_console(input)) {
    wchar_t c = 0;
    DWORD got = 0;
    while (ReadConsoleW(input, &c, 1, &got, nullptr) && got == 1 && c != L'\r' && c != L'\n') {
    }
    return;
  }
  char c = 0;
  DWORD got = 0;
  while (ReadFile(input, &c, 1, &got, nullptr) && got == 1 && c != '\n') {
  }
}

int last_error() {
  return static_cast<int>(GetLastError());
}

std::string error_text(int error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring result = length != 0 ? std::wstring(text, length) : std::wstring();
  LocalFree(text);
  // One line, to go inside a message of ours: without the line end and the full stop (in
  // Japanese, the ideographic one).
  while (!result.empty() &&
         std::wstring_view(L"\r\n .\u3002").find(result.back()) != std::wstring_view::npos) {
    result.pop_back();
  }
  if (result.empty()) return "error " + std::to_string(error);
  return narrow(result);
}

bool is_exists_error(int error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

File File::open_for_reading(const std::string& path) {
  const HANDLE handle =
      CreateFileW(system_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return File();
  File file(handle_value(handle));
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return File();
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return File();
  }
  file.size_ = std::uint64_t{information.nFileSizeHigh} << 32 | information.nFileSizeLow;
  return file;
}

std::ptrdiff_t File::read(unsigned char* buffer, std::size_t size) {
  const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD got = 0;
  if (!ReadFile(handle_of(handle_), buffer, wanted, &got, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(got);
}

bool File::write(const unsigned char* buffer, std::size_t size) {
  while (size > 0) {
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(handle_of(handle_), buffer, wanted, &written, nullptr) || written == 0) {
      return false;
    }
    buffer += written;
    size -= written;
  }
  return true;
}

bool File::close() {
  if (!is_open()) return true;
  const bool closed = CloseHandle(handle_of(handle_)) != 0;
  handle_ = NO_HANDLE;
  return closed;
}

std::optional<FileTime> File::modification_time() const {
  // Whole seconds and 100-nanosecond ticks since 1601, the system's own count.
  FILETIME written;
  if (!GetFileTime(handle_of(handle_), nullptr, nullptr, &written)) return std::nullopt;
  const std::uint64_t ticks =
      static_cast<std::uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime;
  return FileTime{static_cast<std::int64_t>(ticks / 10000000),
                  static_cast<std::int64_t>(ticks % 10000000)};
}

OutputFile OutputFile::create(const std::string& path, Replace replace) {
  OutputFile output;
  output.replace_ = replace;
  const bool may_replace = replace != Replace::never;
  output.target_ = path;
  {
    const QueryHandle existing(open_for_query(path));
    output.replacing_ = existing.is_open() || !is_not_found(GetLastError());
    BY_HANDLE_FILE_INFORMATION info{};
    if (existing.is_open() && GetFileInformationByHandle(existing.get(), &info)) {
      if (!may_replace) {
        SetLastError(ERROR_FILE_EXISTS);
        return output;
      }
      if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return output;
      }
      // The file that the path names once links are followed gets the new content, beside it,
      // so that a link stays a link.
      const std::wstring final_path = grown([&](wchar_t* buffer, DWORD size) {
        return GetFinalPathNameByHandleW(existing.get(), buffer, size,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      });
      if (!final_path.empty()) output.target_ = plain_path(final_path);
      // A swap would split hard links, and a device is no file to swap.
      output.in_place_ = info.nNumberOfLinks > 1 || GetFileType(existing.get()) != FILE_TYPE_DISK;
      if (output.in_place_ && replace == Replace::by_swap) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return output;
      }
    } else if (output.replacing_ && !may_replace) {
      SetLastError(ERROR_FILE_EXISTS);
      return output;
    }
  }
  if (output.replacing_) {
    // Refuse what the user could not overwrite: a read-only file, one denied to the user, one
    // another program holds open against writers.
    const QueryHandle probe(CreateFileW(system_path(output.target_).c_str(), GENERIC_WRITE,
                                        SHARE_ALL, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!probe.is_open()) return output;
  }
  if (!output.in_place_) {
    for (int attempt = 0; attempt < 100; ++attempt) {
      output.path_ = temporary_name(output.target_);
      const HANDLE handle =
          CreateFileW(system_path(output.path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
      if (handle != INVALID_HANDLE_VALUE) {
        output.file_ = File(handle_value(handle));
        break;
      }
      const DWORD error = GetLastError();
      if (is_exists_error(static_cast<int>(error))) continue;
      // A folder the user may not write holds a file the user may: write it in place, as an
      // editor would.
      if (output.replacing_ && error == ERROR_ACCESS_DENIED && replace == Replace::allowed) {
        output.in_place_ = true;
      }
      break;
    }
  }
  if (output.in_place_) {
    output.path_ = output.target_;
    const HANDLE handle = CreateFileW(
        system_path(output.path_).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
        output.replacing_ ? TRUNCATE_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) output.file_ = File(handle_value(handle));
  }
  return output;
}

bool OutputFile::commit(const FileTime* modification_time) {
  const HANDLE handle = handle_of(file_.handle_);
  const std::wstring temporary = system_path(path_);
  bool written = true;
  if (!in_place_ && replacing_) {
    // The replacement keeps what the old file had beyond its content: when it was created and
    // whether it is hidden. The old file goes only once the new one is on the disk.
    WIN32_FILE_ATTRIBUTE_DATA old;
    if (GetFileAttributesExW(system_path(target_).c_str(), GetFileExInfoStandard, &old)) {
      FILE_BASIC_INFO basic{};
      basic.CreationTime.LowPart = old.ftCreationTime.dwLowDateTime;
      basic.CreationTime.HighPart = static_cast<LONG>(old.ftCreationTime.dwHighDateTime);
      basic.FileAttributes = old.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                                     FILE_ATTRIBUTE_NOT_CONTENT_INDEXED);
      written = SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
    }
    written = written && FlushFileBuffers(handle) != 0;
  }
  if (written && modification_time != nullptr) {
    const FILETIME time = filetime_of(*modification_time);
    written = SetFileTime(handle, nullptr, nullptr, &time) != 0;
  }
  written = file_.close() && written;
  if (written && !in_place_) {
    const std::wstring target = system_path(target_);
    const DWORD flags = replace_ != Replace::never ? MOVEFILE_REPLACE_EXISTING : 0;
    // A virus scanner or an indexer may hold either file for a moment: wait a little for it.
    for (DWORD wait = 10;; wait *= 2) {
      written = MoveFileExW(temporary.c_str(), target.c_str(), flags) != 0;
      const DWORD error = written ? ERROR_SUCCESS : GetLastError();
      if (written || wait > 320 ||
          (error != ERROR_SHARING_VIOLATION && error != ERROR_LOCK_VIOLATION &&
           error != ERROR_ACCESS_DENIED)) {
        break;
      }
      Sleep(wait);
    }
  }
  // A file written in place existed before this run: whatever failed, it is not ours to remove.
  if (!written && !in_place_) {
    SavedError saved;
    DeleteFileW(temporary.c_str());
  }
  return written;
}

void OutputFile::discard() {
  if (!file_.is_open()) return;
  SavedError saved;
  file_.close();
  if (!in_place_) DeleteFileW(system_path(path_).c_str());
}

}  // namespace wpconv::platform
