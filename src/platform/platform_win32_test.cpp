// The Windows platform layer on real files: full paths, stored names and file identity.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/platform.h"

namespace wpconv {
namespace {

// A fresh directory under the system's temporary folder, removed with its files afterwards.
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

  void TearDown() override {
    for (const std::string& name : created_) DeleteFileA(name.c_str());
    for (auto it = directories_.rbegin(); it != directories_.rend(); ++it) {
      RemoveDirectoryA(it->c_str());
    }
    RemoveDirectoryA(directory_.c_str());
  }

  std::string path(const std::string& name) const { return directory_ + "\\" + name; }

  void make_file(const std::string& name, const std::string& content = "x") {
    std::string full = path(name);
    HANDLE handle = CreateFileA(full.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << full;
    DWORD written = 0;
    WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(handle);
    created_.push_back(full);
  }

  void make_directory(const std::string& name) {
    std::string full = path(name);
    ASSERT_TRUE(CreateDirectoryA(full.c_str(), nullptr)) << full;
    directories_.push_back(full);
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
  std::vector<std::string> created_;
  std::vector<std::string> directories_;
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
  };
  for (const auto& c : cases) {
    platform::FullPath full = platform::full_path(c.given);
    EXPECT_EQ(full.path, c.path) << c.given;
    EXPECT_EQ(full.path.substr(full.final_component), c.name) << c.given;
  }
}

TEST_F(Win32Files, FullPathTooLongIsNotCutShort) {
  // Cut to the buffer, a path would name another file; whole, the caller refuses it.
  std::string name(MAX_PATH - 10, 'a');
  platform::FullPath full = platform::full_path(path(name) + ".oa2");
  EXPECT_FALSE(platform::fits_path_capacity(full.path));
  EXPECT_EQ(full.path.substr(full.final_component), name + ".oa2");

  // Short enough as given, too long once the current directory is put before it.
  InDirectory here(directory_);
  full = platform::full_path(name + ".oa2");
  EXPECT_FALSE(platform::fits_path_capacity(full.path));
  EXPECT_EQ(full.path.substr(full.final_component), name + ".oa2");
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

  std::string name = path("data.bin");
  platform::OutputFile out = platform::OutputFile::create(name);
  ASSERT_TRUE(out.is_open());
  created_.push_back(name);
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

}  // namespace
}  // namespace wpconv
