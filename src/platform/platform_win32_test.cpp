// The Windows platform layer on real files: full paths, stored names, file identity, names in
// any script and past MAX_PATH, outputs swapped in whole, the command line and the kernels used.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "simd_levels.h"

namespace wpconv {

namespace platform {
// The C runtime's rules for splitting a command line, in platform_win32.cpp.
std::vector<std::string> split_command_line(std::string_view line);
}  // namespace platform

namespace {

std::wstring wide(const std::string& text) {
  std::wstring result(text.size(), L'\0');
  result.resize(static_cast<std::size_t>(
      MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                          static_cast<int>(result.size()))));
  return result;
}

// Paths of the tests reach the system in the \\?\ form, whatever their length.
std::wstring verbatim(const std::string& path) {
  return L"\\\\?\\" + wide(path);
}

void remove_tree(const std::string& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((verbatim(path) + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring full = verbatim(path) + L"\\" + name;
      SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        int length =
            WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string narrow(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_UTF8, 0, name.c_str(), -1, narrow.data(), length, nullptr, nullptr);
        narrow.pop_back();
        remove_tree(path + "\\" + narrow);
      } else {
        DeleteFileW(full.c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(verbatim(path).c_str());
}

// A fresh directory under the system's temporary folder, removed with all it holds afterwards.
class Win32Files : public testing::Test {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    ASSERT_GT(length, 0u);
    ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
    directory_ = std::string(temp) + "wpconv-test-" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryA(directory_.c_str(), nullptr)) << directory_;
  }

  void TearDown() override { remove_tree(directory_); }

  std::string path(const std::string& name) const { return directory_ + "\\" + name; }

  void make_file(const std::string& name, const std::string& content = "x") {
    std::string full = path(name);
    HANDLE handle = CreateFileW(verbatim(full).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << full;
    DWORD written = 0;
    WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(handle);
  }

  void make_directory(const std::string& name) {
    std::string full = path(name);
    ASSERT_TRUE(CreateDirectoryW(verbatim(full).c_str(), nullptr)) << full;
  }

  std::string content(const std::string& name) {
    platform::File file = platform::File::open_for_reading(path(name));
    std::string text;
    unsigned char buffer[256];
    for (std::ptrdiff_t got; file.is_open() && (got = file.read(buffer, sizeof buffer)) > 0;) {
      text.append(buffer, buffer + got);
    }
    return file.is_open() ? text : "(missing)";
  }

  // The names in a folder of the test (its own by default), sorted.
  std::vector<std::string> names(const std::string& folder = "") {
    std::vector<std::string> found;
    const auto entries = platform::list_directory(folder.empty() ? directory_ : path(folder));
    for (const auto& entry : entries.value_or(std::vector<platform::DirectoryEntry>{})) {
      found.push_back(entry.name);
    }
    std::sort(found.begin(), found.end());
    return found;
  }

  // The working directory for the duration of one check.
  struct InDirectory {
    explicit InDirectory(const std::string& directory) {
      GetCurrentDirectoryA(MAX_PATH, previous);
      SetCurrentDirectoryA(directory.c_str());
    }
    ~InDirectory() { SetCurrentDirectoryA(previous); }
    char previous[MAX_PATH] = {};
  };

  std::string directory_;
};

TEST_F(Win32Files, FullPathMarksTheFinalComponent) {
  make_directory("v1.0");
  InDirectory here(directory_);
  struct {
    std::string given, path, name;
  } const cases[] = {
      {"LETTER.OA2", path("LETTER.OA2"), "LETTER.OA2"},
      {"v1.0\\LETTER", path("v1.0\\LETTER"), "LETTER"},
      {"v1.0/sub/../My Letter.oa2", path("v1.0\\My Letter.oa2"), "My Letter.oa2"},
      {".\\v1.0\\.\\x.htm", path("v1.0\\x.htm"), "x.htm"},
      {"v1.0\\", path("v1.0\\"), ""},  // a directory: the file name is empty
      {"v1.0\\\xe8\xa1\xa8.htm", path("v1.0\\\xe8\xa1\xa8.htm"), "\xe8\xa1\xa8.htm"},
  };
  for (const auto& c : cases) {
    platform::FullPath full = platform::full_path(c.given);
    EXPECT_EQ(full.path, c.path) << c.given;
    EXPECT_EQ(full.path.substr(full.final_component), c.name) << c.given;
  }
}

TEST_F(Win32Files, FullPathTooLongIsNotCutShort) {
  // Past MAX_PATH is fine now; past the system's own limit the caller refuses the path whole,
  // where a cut-down one would name another file.
  std::string long_name(MAX_PATH + 10, 'a');
  EXPECT_TRUE(platform::fits_path_capacity(platform::full_path(path(long_name)).path));
  std::string name(33000, 'a');
  platform::FullPath full = platform::full_path(path(name) + ".oa2");
  EXPECT_FALSE(platform::fits_path_capacity(full.path));
  EXPECT_EQ(full.path.substr(full.final_component), name + ".oa2");

  // Short enough as given, too long once the current directory is put before it.
  InDirectory here(directory_);
  std::string relative(32750, 'a');
  full = platform::full_path(relative + ".oa2");
  EXPECT_FALSE(platform::fits_path_capacity(full.path));
  EXPECT_EQ(full.path.substr(full.final_component), relative + ".oa2");
}

TEST(Win32Paths, CapacityCountsUtf16Units) {
  // 表 is three bytes and one unit, an emoji four bytes and two units.
  std::string kanji, emoji;
  for (int i = 0; i < 10900; ++i) kanji += "\xe8\xa1\xa8";
  for (int i = 0; i < 16380; ++i) emoji += "\xf0\x9f\x93\x84";
  EXPECT_TRUE(platform::fits_path_capacity("C:\\" + kanji));
  EXPECT_FALSE(platform::fits_path_capacity("C:\\" + emoji));
  EXPECT_TRUE(platform::fits_path_capacity("C:\\" + emoji.substr(0, 16370 * 4)));
}

TEST(Win32Paths, KeyIgnoresLetterCaseOfEveryScript) {
  EXPECT_EQ(platform::path_key("C:\\Docs\\letter.oa2"), platform::path_key("c:\\DOCS\\LETTER.OA2"));
  EXPECT_EQ(platform::path_key("\xd0\x9f\xd0\xb8\xd1\x81\xd1\x8c\xd0\xbc\xd0\xbe.txt"),  // Письмо
            platform::path_key("\xd0\x9f\xd0\x98\xd0\xa1\xd0\xac\xd0\x9c\xd0\x9e.TXT"));
  EXPECT_EQ(platform::path_key("\xc3\xa4\xce\xb1.txt"), platform::path_key("\xc3\x84\xce\x91.txt"));
  EXPECT_NE(platform::path_key("a.txt"), platform::path_key("b.txt"));
  EXPECT_NE(platform::path_key("\xe8\xa1\xa8.txt"), platform::path_key("\xe8\xa1\xa9.txt"));
}

TEST_F(Win32Files, NamesInAnyScriptAndPastMaxPath) {
  // Nested folders to well past MAX_PATH, with names that no ANSI code page holds together.
  std::string folder = std::string(50, 'a');
  make_directory(folder);
  for (char c = 'b'; c < 'g'; ++c) make_directory(folder += "\\" + std::string(50, c));
  const std::string names[] = {
      "\xd0\x9f\xd0\xb8\xd1\x81\xd1\x8c\xd0\xbc\xd0\xbe.TXT",  // Письмо
      "\xe8\xa6\x8b\xe7\xa9\x8d\xe8\xa1\xa8.OA2",              // 見積表: 表 is 95 5C
      "\xed\x95\x9c\xea\xb8\x80.TXT",                          // 한글
      "\xf0\x9f\x93\x84.htm",                                  // an emoji
  };
  for (const std::string& name : names) make_file(folder + "\\" + name, name);
  const std::string base = path(folder) + "\\";
  ASSERT_GT(base.size(), 300u);
  EXPECT_EQ(this->names(folder), std::vector<std::string>(std::begin(names), std::end(names)));
  for (const std::string& name : names) {
    platform::PathInfo info = platform::path_info(base + name);
    EXPECT_EQ(info.type, platform::PathType::file) << name;
    EXPECT_EQ(info.size, name.size()) << name;
  }
  EXPECT_EQ(platform::stored_name(base + "*\xe8\xa1\xa8.oa2", {}), names[1]);

  // An output past MAX_PATH, swapped in beside its target.
  platform::OutputFile out = platform::OutputFile::create(base + names[2] + ".HTM");
  ASSERT_TRUE(out.is_open());
  EXPECT_TRUE(out.write(reinterpret_cast<const unsigned char*>("new"), 3));
  EXPECT_TRUE(out.commit());
  EXPECT_EQ(content(folder + "\\" + names[2] + ".HTM"), "new");
}

TEST_F(Win32Files, StoredNameIsTheNameOnDisk) {
  make_file("Report May.OA2");
  make_file("other.txt");
  EXPECT_EQ(platform::stored_name(path("report may.oa2"), {}), "Report May.OA2");
  EXPECT_EQ(platform::stored_name(path("REPORT MAY.OA2"), {}), "Report May.OA2");
  EXPECT_EQ(platform::stored_name(path("*.oa2"), {}), "Report May.OA2");
  EXPECT_EQ(platform::stored_name(path("?eport*"), {}), "Report May.OA2");
  EXPECT_EQ(platform::stored_name(path("missing.oa2"), {}), std::nullopt);
  EXPECT_EQ(platform::stored_name(path("*.htm"), {}), std::nullopt);
}

TEST_F(Win32Files, StoredNameOfAShortName) {
  make_file("Report May.OA2");
  char short_path[MAX_PATH];
  DWORD length = GetShortPathNameA(path("Report May.OA2").c_str(), short_path, MAX_PATH);
  ASSERT_GT(length, 0u);
  ASSERT_LT(length, static_cast<DWORD>(MAX_PATH));
  std::string short_name = std::string(short_path).substr(std::string(short_path).rfind('\\') + 1);
  ASSERT_NE(short_name, "Report May.OA2") << "the system shows no short names";
  EXPECT_EQ(platform::stored_name(short_path, {}), "Report May.OA2") << short_path;
}

TEST_F(Win32Files, SameFileByIdentityNotByText) {
  make_file("a.htm");
  make_file("b.htm");
  EXPECT_TRUE(platform::same_file(path("a.htm"), path("a.htm")));
  EXPECT_TRUE(platform::same_file(path("a.htm"), path("A.HTM")));
  EXPECT_TRUE(platform::same_file(path("a.htm"), directory_ + "/./a.htm"));
  EXPECT_FALSE(platform::same_file(path("a.htm"), path("b.htm")));
  EXPECT_FALSE(platform::same_file(path("a.htm"), path("missing.htm")));
  EXPECT_FALSE(platform::same_file(path("missing.htm"), path("missing.htm")));
}

TEST_F(Win32Files, FilesReadWriteAndRefuseDirectories) {
  make_directory("folder");
  EXPECT_FALSE(platform::File::open_for_reading(path("folder")).is_open());
  EXPECT_FALSE(platform::File::open_for_reading(path("missing")).is_open());
  EXPECT_EQ(platform::path_info(path("folder")).type, platform::PathType::directory);
  EXPECT_EQ(platform::path_info(path("missing")).type, platform::PathType::missing);

  std::string name = path("data.bin");
  platform::OutputFile out = platform::OutputFile::create(name);
  ASSERT_TRUE(out.is_open());
  const unsigned char bytes[] = {'a', '\r', '\n', 0x1a, 0, 0xff, '\n'};
  EXPECT_TRUE(out.write(bytes, sizeof bytes));
  EXPECT_TRUE(out.commit());

  // Binary both ways: no line-end translation, no stop at the end-of-file byte.
  platform::File in = platform::File::open_for_reading(name);
  ASSERT_TRUE(in.is_open());
  unsigned char read_back[16];
  EXPECT_EQ(in.read(read_back, sizeof read_back), static_cast<std::ptrdiff_t>(sizeof bytes));
  EXPECT_EQ(std::string(read_back, read_back + sizeof bytes), std::string(bytes, bytes + 7));
  EXPECT_EQ(in.read(read_back, sizeof read_back), 0);
  EXPECT_TRUE(in.close());

  // An output given up is removed.
  std::string discarded = path("discarded.bin");
  platform::OutputFile(platform::OutputFile::create(discarded)).discard();
  EXPECT_FALSE(platform::File::open_for_reading(discarded).is_open());
}

TEST_F(Win32Files, OutputReplacesTheOldFileOnlyWhenComplete) {
  const auto text = [](const char* s) { return reinterpret_cast<const unsigned char*>(s); };
  make_file("a.HTM", "old");
  {
    platform::OutputFile out = platform::OutputFile::create(path("a.HTM"));
    ASSERT_TRUE(out.is_open());
    EXPECT_TRUE(out.write(text("new"), 3));
    // Written beside the old file, which stays until the end.
    std::vector<std::string> during = names();
    ASSERT_EQ(during.size(), 2u);
    EXPECT_EQ(during[1].rfind("a.HTM.", 0), 0u) << during[1];
    EXPECT_TRUE(during[1].ends_with(platform::OutputFile::TEMPORARY_SUFFIX)) << during[1];
    EXPECT_EQ(content("a.HTM"), "old");
  }  // given up
  EXPECT_EQ(content("a.HTM"), "old");
  EXPECT_EQ(names(), std::vector<std::string>{"a.HTM"});

  // Committed, with a modification time taken from another file.
  make_file("dated", "");
  FILETIME old_time{0x12345670, 0x01d00000};
  {
    HANDLE handle = CreateFileW(verbatim(path("dated")).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_TRUE(SetFileTime(handle, nullptr, nullptr, &old_time));
    CloseHandle(handle);
  }
  std::optional<platform::FileTime> time =
      platform::File::open_for_reading(path("dated")).modification_time();
  ASSERT_TRUE(time);
  platform::OutputFile out = platform::OutputFile::create(path("a.HTM"));
  ASSERT_TRUE(out.write(text("new"), 3));
  EXPECT_TRUE(out.commit(&*time));
  EXPECT_EQ(content("a.HTM"), "new");
  std::optional<platform::FileTime> written =
      platform::File::open_for_reading(path("a.HTM")).modification_time();
  ASSERT_TRUE(written);
  EXPECT_EQ(written->seconds, time->seconds);
  EXPECT_EQ(written->fraction, time->fraction);
  EXPECT_EQ(names(), (std::vector<std::string>{"a.HTM", "dated"}));

  // Not to be replaced: refused up front, or at the end if the output appeared meanwhile.
  EXPECT_FALSE(platform::OutputFile::create(path("a.HTM"), platform::Replace::never).is_open());
  EXPECT_TRUE(platform::is_exists_error(platform::last_error()));
  out = platform::OutputFile::create(path("b.HTM"), platform::Replace::never);
  ASSERT_TRUE(out.is_open());
  make_file("b.HTM", "theirs");
  EXPECT_FALSE(out.commit());
  EXPECT_TRUE(platform::is_exists_error(platform::last_error())) << platform::last_error();
  EXPECT_EQ(content("b.HTM"), "theirs");

  // What the user may not replace is refused, and stays: here a file another program holds
  // open against writers (a read-only file is no bar to root under Wine).
  make_file("c.HTM", "held");
  HANDLE holder = CreateFileW(verbatim(path("c.HTM")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(platform::OutputFile::create(path("c.HTM")).is_open());
  CloseHandle(holder);
  EXPECT_EQ(content("c.HTM"), "held");
  make_directory("d.HTM");
  EXPECT_FALSE(platform::OutputFile::create(path("d.HTM")).is_open());
  EXPECT_EQ(names(), (std::vector<std::string>{"a.HTM", "b.HTM", "c.HTM", "d.HTM", "dated"}));

  // Several hard links: written in place, so that every link sees the new content.
  make_file("e.HTM", "old");
  ASSERT_TRUE(
      CreateHardLinkW(verbatim(path("f.HTM")).c_str(), verbatim(path("e.HTM")).c_str(), nullptr));
  out = platform::OutputFile::create(path("e.HTM"));
  ASSERT_TRUE(out.write(text("new"), 3));
  EXPECT_TRUE(out.commit());
  EXPECT_EQ(content("f.HTM"), "new");
}

TEST(Win32CommandLine, SplitByTheRuntimesRules) {
  using Arguments = std::vector<std::string>;
  struct {
    const char* line;
    Arguments expected;
  } const cases[] = {
      {"", {}},
      {"  a \t b  ", {"a", "b"}},
      {"\"My Letter.TXT\" --to doc", {"My Letter.TXT", "--to", "doc"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\"\"", {""}},
      {"C:\\dir\\ \"C:\\my dir\\\\\"", {"C:\\dir\\", "C:\\my dir\\"}},
      {"a\\\\\\\"b \\\\\\\\\"c d\"", {"a\\\"b", "\\\\c d"}},
      {"\"say \"\"hi\"\"\"", {"say \"hi\""}},
      {"\xe8\xa1\xa8\\x \"\xed\x95\x9c \xea\xb8\x80\"",
       {"\xe8\xa1\xa8\\x", "\xed\x95\x9c \xea\xb8\x80"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::split_command_line(c.line), c.expected) << c.line;
  }
}

TEST(Win32System, ErrorTextsAreOneLine) {
  std::string text = platform::error_text(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(text.empty());
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
  EXPECT_NE(text.back(), '.') << text;
}

TEST(Win32System, RedirectedOutputGetsUtf8Bytes) {
  // Only a console takes characters; a pipe or a file gets the text's own bytes.
  HANDLE read_end, write_end;
  ASSERT_TRUE(CreatePipe(&read_end, &write_end, nullptr, 0));
  const HANDLE saved = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, write_end);
  platform::write_standard_output("\xe8\xa1\xa8 \xf0\x9f\x93\x84\n");
  SetStdHandle(STD_OUTPUT_HANDLE, saved);
  CloseHandle(write_end);
  char got[32];
  DWORD length = 0;
  ReadFile(read_end, got, sizeof got, &length, nullptr);
  CloseHandle(read_end);
  EXPECT_EQ(std::string(got, length), "\xe8\xa1\xa8 \xf0\x9f\x93\x84\n");
}

TEST(Win32System, VectorKernelsWhereTheProcessorHasThem) {
  // The 32-bit program is compiled for processors without SSE2 and the 64-bit one for processors
  // without AVX2, yet each must use the best kernels that the processor it runs on has; only the
  // 64-bit one carries AVX2 kernels.
  const simd::Level start = simd::level();
  const bool sse2 = simd::set_level(simd::Level::sse2);
  if (sse2) {
    EXPECT_TRUE(__builtin_cpu_supports("sse2"));
  }
  const bool avx2 = simd::set_level(simd::Level::avx2);
  EXPECT_EQ(avx2, sse2 && sizeof(void*) == 8 && __builtin_cpu_supports("avx2") &&
                      __builtin_cpu_supports("bmi"));
  EXPECT_EQ(start, avx2 ? simd::Level::avx2 : sse2 ? simd::Level::sse2 : simd::Level::plain);
  simd::set_level(start);
}

}  // namespace
}  // namespace wpconv
