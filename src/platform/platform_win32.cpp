// The platform layer on Windows, through the ANSI code page calls.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "platform/command_line.h"
#include "platform/platform.h"

namespace wpconv::platform {

namespace {

HANDLE handle_of(std::intptr_t handle) {
  return reinterpret_cast<HANDLE>(handle);
}

// Opens an existing file or directory for asking about it only: no rights to read or write,
// and no sharing refused, so that it works while the converter has the file open.
HANDLE open_for_query(const std::string& path) {
  return CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                     nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

bool fits_path_capacity(const std::string& path) {
  return path.size() < MAX_PATH;
}

bool is_path_separator(char c) {
  return c == '\\' || c == '/';
}

void initialise() {
  // A path on an empty drive or a missing share should fail the open, not stop the run with a
  // system dialog that nobody may be there to close.
  SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

std::string command_line_remainder(int, char**) {
  // The C runtime's argv has lost the runs of blanks that belong to the path.
  return std::string(unquoted_path(wpconv::command_line_remainder(GetCommandLineA())));
}

std::string program_path() {
  char buffer[MAX_PATH];
  DWORD length = GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  // A result that fills the buffer has been cut short.
  if (length == 0 || length >= MAX_PATH) return {};
  return std::string(buffer, length);
}

FullPath full_path(const std::string& path) {
  std::vector<char> buffer(MAX_PATH);
  char* file_part = nullptr;
  DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer.data(), &file_part);
  if (length >= MAX_PATH) {
    // Too long for the program's buffers: take it whole anyway, so that the caller sees its
    // real length and refuses it rather than working on a cut-down name.
    buffer.resize(length);
    file_part = nullptr;
    length = GetFullPathNameA(path.c_str(), length, buffer.data(), &file_part);
    if (length >= buffer.size()) length = 0;
  }
  FullPath full;
  if (length != 0) {
    full.path.assign(buffer.data(), length);
    // No file part: the path ends in a separator, so its file name is empty.
    full.final_component = file_part != nullptr
                               ? static_cast<std::size_t>(file_part - buffer.data())
                               : full.path.size();
    return full;
  }
  // Some systems give no full path at all when it would be too long. The text as given, after
  // the current directory when it is relative, is then at least as long, so it is refused too.
  bool absolute = (!path.empty() && is_path_separator(path[0])) || path.find(':') == 1;
  if (!absolute) {
    char directory[MAX_PATH];
    DWORD directory_length = GetCurrentDirectoryA(MAX_PATH, directory);
    if (directory_length > 0 && directory_length < MAX_PATH) {
      full.path.assign(directory, directory_length);
      if (!is_path_separator(full.path.back())) full.path += '\\';
    }
  }
  full.path += path;
  full.final_component = full.path.size();
  while (full.final_component > 0 && !is_path_separator(full.path[full.final_component - 1])) {
    --full.final_component;
  }
  return full;
}

std::optional<std::string> stored_name(const std::string& path_as_given, const FullPath&) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA(path_as_given.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  FindClose(search);
  return std::string(found.cFileName);
}

void show_message(const char* text) {
  MessageBoxA(nullptr, text, nullptr, MB_OK);
}

int last_error() {
  return static_cast<int>(GetLastError());
}

std::string error_text(int error) {
  char* text = nullptr;
  DWORD length = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(error), 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = length != 0 ? std::string(text, length) : "error " + std::to_string(error);
  LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == '.')) {
    result.pop_back();
  }
  return result;
}

File File::open_for_reading(const std::string& path) {
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return File();
  File file(reinterpret_cast<std::intptr_t>(handle));
  BY_HANDLE_FILE_INFORMATION information;
  if (!GetFileInformationByHandle(handle, &information)) return File();
  if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return File();
  }
  return file;
}

std::ptrdiff_t File::read(unsigned char* buffer, std::size_t size) {
  DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD got = 0;
  if (!ReadFile(handle_of(handle_), buffer, wanted, &got, nullptr)) return -1;
  return static_cast<std::ptrdiff_t>(got);
}

bool File::write(const unsigned char* buffer, std::size_t size) {
  while (size > 0) {
    DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
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
  bool closed = CloseHandle(handle_of(handle_)) != 0;
  handle_ = NO_HANDLE;
  return closed;
}

OutputFile OutputFile::create(const std::string& path, Replace replace) {
  OutputFile output;
  output.replace_ = replace;
  const bool may_replace = replace != Replace::never;
  output.target_ = output.path_ = path;
  output.in_place_ = true;
  HANDLE handle =
      CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                  may_replace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return output;
  output.file_ = File(reinterpret_cast<std::intptr_t>(handle));
  return output;
}

bool OutputFile::commit(const FileTime*) {
  if (file_.close()) return true;
  DWORD error = GetLastError();
  DeleteFileA(path_.c_str());
  SetLastError(error);
  return false;
}

std::optional<FileTime> File::modification_time() const {
  return std::nullopt;
}

std::uint64_t File::size() const {
  LARGE_INTEGER size;
  return GetFileSizeEx(handle_of(handle_), &size) ? static_cast<std::uint64_t>(size.QuadPart) : 0;
}

char preferred_separator() {
  return '\\';
}

bool is_exists_error(int error) {
  return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
}

void OutputFile::discard() {
  if (!file_.is_open()) return;
  DWORD error = GetLastError();
  file_.close();
  DeleteFileA(path_.c_str());
  SetLastError(error);
}

bool same_file(const std::string& a, const std::string& b) {
  HANDLE handle_a = open_for_query(a);
  if (handle_a == INVALID_HANDLE_VALUE) return false;
  HANDLE handle_b = open_for_query(b);
  bool same = false;
  if (handle_b != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info_a, info_b;
    same = GetFileInformationByHandle(handle_a, &info_a) &&
           GetFileInformationByHandle(handle_b, &info_b) &&
           info_a.dwVolumeSerialNumber == info_b.dwVolumeSerialNumber &&
           info_a.nFileIndexHigh == info_b.nFileIndexHigh &&
           info_a.nFileIndexLow == info_b.nFileIndexLow;
    CloseHandle(handle_b);
  }
  CloseHandle(handle_a);
  return same;
}

// Until the wide-character layer is done: what the batch companion needs, in the simplest form.
std::vector<std::string> arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::string path_key(const std::string& path) {
  std::string key = path;
  for (char& c : key) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  return key;
}

PathInfo path_info(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return {};
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return {PathType::directory, 0};
  return {PathType::file, (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow};
}

std::optional<std::vector<DirectoryEntry>> list_directory(const std::string& path) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return std::nullopt;
  std::vector<DirectoryEntry> entries;
  do {
    std::string name = found.cFileName;
    if (name == "." || name == "..") continue;
    bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    entries.push_back({name,
                       {folder ? PathType::directory : PathType::file,
                        (std::uint64_t{found.nFileSizeHigh} << 32) | found.nFileSizeLow}});
  } while (FindNextFileA(search, &found));
  FindClose(search);
  return entries;
}

void write_standard_output(std::string_view text) {
  DWORD written;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

void write_standard_error(std::string_view text) {
  DWORD written;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

bool standard_error_is_terminal() {
  DWORD mode;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

bool started_in_own_console() {
  return false;
}

void wait_for_enter() {}

}  // namespace wpconv::platform
