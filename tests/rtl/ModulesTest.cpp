#include "platform/rtl/Modules.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/rtl/Environment.h"
#include "platform/rtl/Paths.h"

namespace {

// The file of the C math library this test runs with, copied under a
// Windows-style name: any file name loads.
class ModulesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(static_cast<double (*)(double)>(&::cos)), &info), 0);
    folder_ = std::filesystem::path(temp_.File("")).parent_path().string();
    std::filesystem::create_directories(folder_ + "/bin");
    std::filesystem::copy_file(info.dli_fname, folder_ + "/bin/oci.dll");
    SetDrivePathResolver([this](const String& drive_path, String& native) {
      if (std::toupper(drive_path[0]) != 'C') return false;
      String rest = drive_path.substr(2);
      for (char& c : rest)
        if (c == '\\') c = '/';
      native = folder_ + rest;
      return true;
    });
  }
  void TearDown() override { SetDrivePathResolver(nullptr); }

  TempFolder temp_;
  String folder_;
};

TEST_F(ModulesTest, LoadsByDrivePathAndNativePathAndBindsByExactName) {
  for (const String& name : {String("C:\\bin\\oci.dll"), folder_ + "/bin/oci.dll"}) {
    HMODULE module = LoadLibraryA(name.c_str());
    ASSERT_TRUE(IsModuleHandle(module)) << name << ": " << LoadLibraryError();
    auto cosine = reinterpret_cast<double (*)(double)>(GetProcAddress(module, "cos"));
    ASSERT_NE(cosine, nullptr);
    EXPECT_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(GetProcAddress(module, "COS"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "no_such_routine"), nullptr);
    EXPECT_EQ(FreeLibrary(module), TRUE);
  }
}

TEST_F(ModulesTest, FailuresAreSmallNumbers) {
  const auto code = [](HMODULE m) { return reinterpret_cast<std::uintptr_t>(m); };
  EXPECT_EQ(code(LoadLibraryA("C:\\bin\\missing.dll")), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(code(LoadLibraryA("Q:\\oci.dll")), ERROR_FILE_NOT_FOUND);  // unmapped drive
  std::filesystem::copy_file("/proc/self/cmdline", folder_ + "/bin/text.dll");
  EXPECT_EQ(code(LoadLibraryA("C:\\bin\\text.dll")), ERROR_BAD_FORMAT);
  EXPECT_FALSE(LoadLibraryError().empty());
  EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(31), "cos"), nullptr);
  EXPECT_EQ(FreeLibrary(reinterpret_cast<HMODULE>(31)), FALSE);
}

TEST_F(ModulesTest, ABareNameIsFoundInTheCurrentFolderThenInPath) {
  const String saved = GetCurrentDir();
  ASSERT_TRUE(SetCurrentDir(folder_ + "/bin"));
  EXPECT_EQ(FindLibraryFile("oci.dll"), std::filesystem::canonical(folder_ + "/bin/oci.dll"));
  EXPECT_EQ(FindLibraryFile("bin\\oci.dll"), "");  // relative to the current folder
  ASSERT_TRUE(SetCurrentDir(folder_));
  EXPECT_NE(FindLibraryFile("bin\\oci.dll"), "");
  {
    ScopedEnv env;
    env.Set("PATH", ("/nonexistent:" + folder_ + "/bin").c_str());
    EXPECT_EQ(FindLibraryFile("oci.dll"), folder_ + "/bin/oci.dll");
    HMODULE module = LoadLibraryA("oci.dll");
    EXPECT_TRUE(IsModuleHandle(module));
    FreeLibrary(module);
  }
  ASSERT_TRUE(SetCurrentDir(saved));
}

}  // namespace
