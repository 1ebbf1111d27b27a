#include "platform/rtl/FileServices.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Paths.h"

namespace {

// Each test gets a fresh folder, reachable natively and as drive T:.
class FileServicesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tmp = std::getenv("TMPDIR");
    String pattern = String(tmp && *tmp ? tmp : "/tmp") + "/zorvet-files-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    SetDrivePathResolver([root = root_](const String& drive_path, String& native) {
      if (drive_path[0] != 'T' && drive_path[0] != 't') return false;
      String rest = drive_path.substr(2);
      for (char& c : rest)
        if (c == '\\') c = '/';
      native = root + (rest.empty() || rest[0] != '/' ? "/" : "") + WindowsNameToNative(rest);
      return true;
    });
  }
  void TearDown() override {
    SetDrivePathResolver(nullptr);
    std::filesystem::remove_all(root_);
  }

  String Native(const String& name) const { return root_ + "/" + name; }
  void Write(const String& name, std::size_t size) const {
    std::ofstream(Native(name), std::ios::binary) << String(size, 'x');
  }

  String root_;
};

}  // namespace

TEST_F(FileServicesTest, ExistenceThroughBothForms) {
  Write("a.txt", 1);
  ASSERT_TRUE(ForceDirectories(Native("sub")));
  EXPECT_TRUE(FileExists(Native("a.txt")));
  EXPECT_TRUE(FileExists("T:\\a.txt"));
  EXPECT_TRUE(FileExists("t:\\A.txt") == FileExists(Native("A.txt")));  // names keep their case
  EXPECT_FALSE(FileExists("T:\\sub"));
  EXPECT_TRUE(DirectoryExists("T:\\sub"));
  EXPECT_TRUE(DirectoryExists("T:\\"));
  EXPECT_FALSE(DirectoryExists("T:\\a.txt"));
  EXPECT_FALSE(FileExists("Q:\\a.txt"));
  EXPECT_EQ(errno, ENOENT);
}

TEST_F(FileServicesTest, ForbiddenCharactersReachTheRealName) {
  Write("what?.txt", 3);
  EXPECT_TRUE(FileExists("T:\\" + NativeNameToWindows("what?.txt")));
  EXPECT_EQ(FileSize("T:\\" + NativeNameToWindows("what?.txt")), 3);
}

TEST_F(FileServicesTest, DeleteRemovesFilesOnly) {
  Write("a.txt", 1);
  ASSERT_TRUE(ForceDirectories(Native("sub")));
  EXPECT_TRUE(DeleteFile("T:\\a.txt"));
  EXPECT_FALSE(FileExists(Native("a.txt")));
  EXPECT_FALSE(DeleteFile("T:\\a.txt"));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_FALSE(DeleteFile("T:\\sub"));
  EXPECT_TRUE(DirectoryExists(Native("sub")));
}

TEST_F(FileServicesTest, RenameNeverReplacesAnExistingName) {
  Write("a.txt", 1);
  Write("b.txt", 2);
  EXPECT_FALSE(RenameFile("T:\\a.txt", Native("b.txt")));
  EXPECT_EQ(errno, EEXIST);
  EXPECT_EQ(FileSize(Native("b.txt")), 2);
  EXPECT_TRUE(RenameFile("T:\\a.txt", "T:\\c.ico"));
  EXPECT_FALSE(FileExists(Native("a.txt")));
  EXPECT_EQ(FileSize(Native("c.ico")), 1);
}

TEST_F(FileServicesTest, ForceDirectoriesMakesEveryLevel) {
  EXPECT_TRUE(ForceDirectories("T:\\one\\two\\three\\"));
  EXPECT_TRUE(DirectoryExists(Native("one/two/three")));
  EXPECT_TRUE(ForceDirectories(Native("one/two")));
  Write("file", 1);
  EXPECT_FALSE(ForceDirectories(Native("file/below")));
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_EQ(errno, EINVAL);
}

TEST_F(FileServicesTest, AnAtomicWriteReplacesTheWholeFileOrLeavesItAlone) {
  const auto read = [](const String& file) {
    std::ifstream in(file, std::ios::binary);
    return String(std::istreambuf_iterator<char>(in), {});
  };
  const String file = Native("deep/er/settings.ini");
  ASSERT_TRUE(WriteFileAtomically(file, "first line\n", 0600)) << "folders are made";
  EXPECT_EQ(read(file), "first line\n");
  struct stat info;
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_TRUE(WriteFileAtomically(file, "2", 0600));
  EXPECT_EQ(read(file), "2") << "nothing of the longer content is left";

  // Failures: the name is a folder, or a folder on the way is a file.
  std::filesystem::create_directory(Native("taken"));
  errno = 0;
  EXPECT_FALSE(WriteFileAtomically(Native("taken"), "x", 0644));
  EXPECT_NE(errno, 0);
  EXPECT_FALSE(WriteFileAtomically(file + "/below", "x", 0644));
  EXPECT_EQ(read(file), "2");
  std::vector<String> names;
  for (const auto& entry : std::filesystem::directory_iterator(Native("")))
    names.push_back(entry.path().filename().string());
  for (const auto& entry : std::filesystem::directory_iterator(Native("deep/er")))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<String>{"deep", "settings.ini", "taken"})) << "no new file is left";
}

TEST_F(FileServicesTest, AgeIsTheLocalLastWriteTime) {
  Write("a.txt", 1);
  std::tm local{};
  local.tm_year = 2001 - 1900;
  local.tm_mon = 1;
  local.tm_mday = 3;
  local.tm_hour = 4;
  local.tm_min = 5;
  local.tm_sec = 6;
  local.tm_isdst = -1;
  const timespec times[2] = {{std::mktime(&local), 0}, {std::mktime(&local), 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Native("a.txt").c_str(), times, 0), 0);
  TDateTime age = 0;
  ASSERT_TRUE(FileAge("T:\\a.txt", age));
  EXPECT_NEAR(age, EncodeDateTime(2001, 2, 3, 4, 5, 6, 0), 0.5 / MSecsPerDay);
  EXPECT_FALSE(FileAge("T:\\missing", age));
}

TEST_F(FileServicesTest, ALinkIsDatedAsTheLinkNotItsTarget) {
  Write("target", 3);
  ASSERT_EQ(symlink("target", Native("link").c_str()), 0);
  timespec target_times[2] = {{0, UTIME_OMIT}, {1600000000, 0}};
  timespec link_times[2] = {{0, UTIME_OMIT}, {1500000000, 0}};
  ASSERT_EQ(utimensat(AT_FDCWD, Native("target").c_str(), target_times, 0), 0);
  ASSERT_EQ(utimensat(AT_FDCWD, Native("link").c_str(), link_times, AT_SYMLINK_NOFOLLOW), 0);
  TDateTime age = 0;
  ASSERT_TRUE(FileAge("T:\\link", age));
  EXPECT_EQ(age, UnixTimeToDateTime(1500000000, 0));
  // A link whose target is gone still has a date of its own.
  ASSERT_EQ(symlink("gone", Native("dangling").c_str()), 0);
  EXPECT_TRUE(FileAge(Native("dangling"), age));
}

TEST_F(FileServicesTest, SizeOfFilesOnly) {
  Write("a.bin", 1234);
  EXPECT_EQ(FileSize("T:\\a.bin"), 1234);
  EXPECT_EQ(FileSize(Native("missing")), -1);
  EXPECT_EQ(FileSize("T:\\"), -1);
}
