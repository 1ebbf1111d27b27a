#include "platform/rtl/Paths.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

TEST(DrivePaths, SplitAtBackslashAndColon) {
  const String path = "D:\\Photos\\a.txt";
  EXPECT_EQ(ExtractFilePath(path), "D:\\Photos\\");
  EXPECT_EQ(ExtractFileDir(path), "D:\\Photos");
  EXPECT_EQ(ExtractFileName(path), "a.txt");
  EXPECT_EQ(ExtractFileExt(path), ".txt");
  EXPECT_EQ(ExtractFileDrive(path), "D:");
  EXPECT_EQ(ExtractFileName("d:a.txt"), "a.txt");
  EXPECT_EQ(ExtractFileDir("D:\\a.txt"), "D:\\");
  EXPECT_EQ(ExtractFileDir("D:"), "D:");
  EXPECT_EQ(ExtractFileName("D:"), "");
  EXPECT_EQ(ExtractFileExt("D:\\a.b\\c"), "");
}

TEST(NativePaths, SplitAtSlashOnly) {
  const String path = "/home/u/x:y\\z.tar.gz";
  EXPECT_EQ(ExtractFilePath(path), "/home/u/");
  EXPECT_EQ(ExtractFileDir(path), "/home/u");
  EXPECT_EQ(ExtractFileName(path), "x:y\\z.tar.gz");
  EXPECT_EQ(ExtractFileExt(path), ".gz");
  EXPECT_EQ(ExtractFileDrive(path), "");
  EXPECT_EQ(ExtractFileDir("/a"), "/");
  EXPECT_EQ(ExtractFileExt("/a.b/c"), "");
}

TEST(PathForms, AreRecognisedByTheirStart) {
  EXPECT_TRUE(IsDrivePath("D:"));
  EXPECT_TRUE(IsDrivePath("e:\\x"));
  EXPECT_FALSE(IsDrivePath("1:\\x"));
  EXPECT_FALSE(IsDrivePath("/D:"));
  EXPECT_TRUE(IsNativePath("/"));
  EXPECT_FALSE(IsNativePath("Zorvet.stbl"));
}

TEST(Extensions, ChangeOrRemove) {
  EXPECT_EQ(ChangeFileExt("D:\\a.b\\Zorvet", ".INI"), "D:\\a.b\\Zorvet.INI");
  EXPECT_EQ(ChangeFileExt("/opt/zorvet/Zorvet.bin", ".INI"), "/opt/zorvet/Zorvet.INI");
  EXPECT_EQ(ChangeFileExt("$$$.ico", ".txt"), "$$$.txt");
  EXPECT_EQ(ChangeFileExt("$$$.ico", ""), "$$$");
}

TEST(TrailingDelimiters, FollowThePathForm) {
  EXPECT_EQ(IncludeTrailingBackslash("D:"), "D:\\");
  EXPECT_EQ(IncludeTrailingBackslash("D:\\"), "D:\\");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter("/tmp/"), "/tmp/");
  EXPECT_EQ(IncludeTrailingPathDelimiter(""), "\\");
  EXPECT_EQ(ExcludeTrailingBackslash("D:\\Photos\\"), "D:\\Photos");
  EXPECT_EQ(ExcludeTrailingBackslash("D:\\"), "D:");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp/"), "/tmp");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/"), "/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter("/tmp\\"), "/tmp\\");
}

TEST(ForbiddenCharacters, MoveToPrivateUseAndBack) {
  const String native = "a\\b:c*d?e\"f<g>h|i";
  const String shown = NativeNameToWindows(native);
  EXPECT_EQ(shown.find_first_of("\\:*?\"<>|"), String::npos);
  EXPECT_EQ(shown.substr(0, 4), "a\xEF\x81\x9C");  // U+F05C
  EXPECT_EQ(WindowsNameToNative(shown), native);
}

TEST(ForbiddenCharacters, LeaveEverythingElseAlone) {
  const String other = "x\xEF\x81\x81y\xFF";  // U+F041 ('A' is allowed) and a bad byte
  EXPECT_EQ(WindowsNameToNative(other), other);
  EXPECT_EQ(NativeNameToWindows("caf\xE9.txt"), "caf\xE9.txt");
}

// Every form a Linux name may take next to the stand-ins: the forbidden
// characters, the stand-ins themselves (as copies from SMB or Mac file
// servers hold them), U+F000 alone and before either, other characters of
// the block, and bad UTF-8 that is cut inside a stand-in.
const std::vector<String>& NameForms() {
  static const String standin = "\xEF\x80\xBA";  // U+F03A, for ':'
  static const String escape = "\xEF\x80\x80";   // U+F000
  static const std::vector<String> forms{
      "a:b",
      "a" + standin + "b",
      "a" + standin + ":b",  // the stand-in and the character it stands for
      "a" + escape + "b",
      "a" + escape + standin + "b",
      "a" + escape + ":b",  // the escape before a forbidden character
      escape,
      escape + escape,
      "a\xEF\x81\x81z",  // U+F041: 'A' is allowed, so it stands for nothing
      "a\xEF\x80z",      // a stand-in cut short
      "a\xEF\x80",       // cut short at the end
      standin + "\xFF",  // a stand-in and a bad byte
      "\\:*?\"<>|",
      "plain.txt",
  };
  return forms;
}

TEST(ForbiddenCharacters, EveryNameFormComesBackAsItWas) {
  for (const String& native : NameForms()) {
    const String shown = NativeNameToWindows(native);
    EXPECT_EQ(shown.find_first_of("\\:*?\"<>|"), String::npos) << shown;
    EXPECT_EQ(WindowsNameToNative(shown), native) << shown;
  }
}

TEST(ForbiddenCharacters, NoTwoNamesAreShownAlike) {
  std::set<String> shown;
  for (const String& native : NameForms())
    EXPECT_TRUE(shown.insert(NativeNameToWindows(native)).second) << native;
}

TEST(ForbiddenCharacters, AStandInInANameIsShownEscaped) {
  // U+F03A is shown behind U+F000; ':' is shown as U+F03A.
  EXPECT_EQ(NativeNameToWindows("\xEF\x80\xBA"), "\xEF\x80\x80\xEF\x80\xBA");
  EXPECT_EQ(NativeNameToWindows(":"), "\xEF\x80\xBA");
  // Typed in by hand, a U+F000 that escapes nothing is taken as it stands.
  EXPECT_EQ(WindowsNameToNative("\xEF\x80\x80x"), "\xEF\x80\x80x");
  EXPECT_EQ(WindowsNameToNative("x\xEF\x80\x80"), "x\xEF\x80\x80");
}

TEST(Executable, NamesTheRunningProgram) {
  const String exe = ExecutableFileName();
  EXPECT_TRUE(IsNativePath(exe));
  EXPECT_EQ(ExtractFileName(exe), "tests_rtl");
  EXPECT_EQ(ExecutableFolder(), ExtractFilePath(exe));
  EXPECT_EQ(ParamStr(0), exe);
  EXPECT_EQ(ParamStr(ParamCount() + 1), "");
}

class DriveResolution : public ::testing::Test {
 protected:
  void TearDown() override { SetDrivePathResolver(nullptr); }
};

TEST_F(DriveResolution, NeedsAResolverForDrivePaths) {
  String native = "untouched";
  EXPECT_FALSE(ResolvePath("D:\\a", native));
  EXPECT_TRUE(ResolvePath("/etc/hosts", native));
  EXPECT_EQ(native, "/etc/hosts");
  native = "untouched";
  EXPECT_FALSE(ResolvePath("relative\\name", native));
  EXPECT_EQ(native, "untouched");
}

TEST_F(DriveResolution, HandsDrivePathsToTheResolver) {
  String asked;
  SetDrivePathResolver([&asked](const String& drive_path, String& native) {
    asked = drive_path;
    if (drive_path[0] != 'e' && drive_path[0] != 'E') return false;
    native = "/media/e/" + drive_path.substr(3);
    return true;
  });
  String native;
  EXPECT_TRUE(ResolvePath("e:\\x", native));
  EXPECT_EQ(asked, "e:\\x");
  EXPECT_EQ(native, "/media/e/x");
  native = "untouched";
  EXPECT_FALSE(ResolvePath("F:\\x", native));
  EXPECT_EQ(native, "untouched");
  TDrivePathResolver previous = SetDrivePathResolver(nullptr);
  EXPECT_TRUE(previous);
  EXPECT_FALSE(ResolvePath("E:\\x", native));
}
