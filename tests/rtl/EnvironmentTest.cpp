#include "platform/rtl/Environment.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/rtl/Paths.h"

namespace {

TEST(EnvironmentTest, VariablesAsWindowsCopiesThem) {
  ScopedEnv env;
  env.Set("ZORVET_TEST_VAR", "abc").Set("ZORVET_TEST_UNSET", nullptr);
  char buffer[8];
  EXPECT_EQ(GetEnvironmentVariableA("ZORVET_TEST_VAR", buffer, sizeof buffer), 3u);
  EXPECT_STREQ(buffer, "abc");
  EXPECT_EQ(GetEnvironmentVariableA("ZORVET_TEST_VAR", buffer, 3), 4u);  // null included
  EXPECT_EQ(GetEnvironmentVariableA("ZORVET_TEST_UNSET", buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetEnvironmentVariable("ZORVET_TEST_VAR"), "abc");
  EXPECT_EQ(GetEnvironmentVariable("ZORVET_TEST_UNSET"), "");
}

TEST(EnvironmentTest, WindowsFolderFollowsXdgConfigHome) {
  ScopedEnv env;
  env.Set("XDG_CONFIG_HOME", "/x/conf").Set("HOME", "/home/u");
  EXPECT_EQ(WindowsFolder(), "/x/conf/zorvet/");
  env.Set("XDG_CONFIG_HOME", "");
  EXPECT_EQ(WindowsFolder(), "/home/u/.config/zorvet/");
}

TEST(EnvironmentTest, CurrentFolderKeepsTheDriveFormItWasSetIn) {
  TempFolder temp;
  const String root = std::filesystem::path(temp.File("")).parent_path().string();
  std::filesystem::create_directories(root + "/bin");
  const String saved = GetCurrentDir();
  SetDrivePathResolver([&](const String& drive_path, String& native) {
    String rest = drive_path.substr(2);
    for (char& c : rest)
      if (c == '\\') c = '/';
    native = root + rest;
    return true;
  });
  ASSERT_TRUE(SetCurrentDir("C:\\bin\\"));
  EXPECT_EQ(GetCurrentDir(), "C:\\bin");
  ASSERT_TRUE(SetCurrentDir(".."));  // relative, and now shown natively
  EXPECT_EQ(GetCurrentDir(), std::filesystem::canonical(root).string());
  EXPECT_FALSE(SetCurrentDir("C:\\missing"));
  EXPECT_FALSE(SetCurrentDir(""));
  SetDrivePathResolver(nullptr);
  ASSERT_TRUE(SetCurrentDir(saved));
}

TEST(EnvironmentTest, CommandLineAsMainSetsIt) {
  const char* argv[] = {"prog", "OCIDLL=/x/oci.dll", "", "b"};
  SetCommandLine(4, argv);
  EXPECT_EQ(ParamCount(), 3);
  EXPECT_EQ(ParamStr(1), "OCIDLL=/x/oci.dll");
  EXPECT_EQ(ParamStr(2), "");
  EXPECT_EQ(ParamStr(3), "b");
  EXPECT_EQ(ParamStr(4), "");
  EXPECT_EQ(ParamStr(0), ExecutableFileName());
  SetCommandLine({});
  EXPECT_EQ(ParamCount(), 0);
}

}  // namespace
