// tests/oracle/OracleTestSupport.h
//
// A temporary world for the client binding: a registry of its own (through
// XDG_CONFIG_HOME), a PATH and a command line of the test's choosing, drive
// C: mapped to a folder, and Oracle homes whose bin folders hold copies of
// the stand-in client's variants under the names the search looks for.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <vector>

#include "oracle/OracleCI.h"
#include "platform/rtl/Environment.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/Registry.h"
#include "platform/win/Drives.h"
#include "tests/rtl/ScopedEnv.h"
#include "tests/rtl/TempFolder.h"

class OracleWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::path(temp_.File("")).parent_path().string();
    std::filesystem::create_directories(root_ + "/c");
    std::filesystem::create_directories(root_ + "/work");
    env_.Set("XDG_CONFIG_HOME", (root_ + "/config").c_str())
        .Set("ZORVET_DRIVES", ("C=" + root_ + "/c").c_str())
        .Set("PATH", "/usr/bin:/bin");
    InitDriveMapping();
    SetCommandLine(std::vector<String>{});
    saved_dir_ = GetCurrentDir();
    ASSERT_TRUE(SetCurrentDir(root_ + "/work"));
    OracleCI::InitializeUnit();
    Reset();
  }
  void TearDown() override {
    Reset();
    OracleCI::FinalizeUnit();
    SetCurrentDir(saved_dir_);
    SetCommandLine(std::vector<String>{});
    SetDrivePathResolver(nullptr);
  }

  // Forgets everything a test may have set or loaded.
  static void Reset() {
    OracleCI::UnloadOci();
    OracleCI::ForceOCI7.Set(false);
    for (String* text : {&OracleCI::OCIDLL, &OracleCI::OracleHomeName, &OracleCI::OCIDLLExclude,
                         &OracleCI::OraMtsDll, &OracleCI::OCILoadLog})
      text->clear();
  }

  static void SetString(HKEY root, const String& key, const String& name, const String& value) {
    HKEY opened;
    ASSERT_EQ(RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                              nullptr),
              LONG(ERROR_SUCCESS));
    ASSERT_EQ(RegSetValueExA(opened, name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1)),
              LONG(ERROR_SUCCESS));
    RegCloseKey(opened);
  }

  // Registers home `number` named `name` whose ORACLE_HOME is `dir`.
  void AddHome(int number, const String& name, const String& dir) {
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME" + std::to_string(number),
              "ORACLE_HOME_NAME", name);
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME" + std::to_string(number), "ORACLE_HOME",
              dir);
  }
  void SetHomeCounter(const String& counter) {
    SetString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\ALL_HOMES", "HOME_COUNTER", counter);
  }

  // The native folder of a home under the temporary root ("c/ora81" is
  // C:\ora81 as well).
  String Native(const String& relative) const { return root_ + "/" + relative; }

  // Copies stand-in `variant` to `native_file`, making its folder.
  static void Place(const String& variant, const String& native_file) {
    std::filesystem::create_directories(std::filesystem::path(native_file).parent_path());
    std::filesystem::copy_file(String(ZORVET_STANDIN_DIR) + "/" + variant + ".so", native_file,
                               std::filesystem::copy_options::overwrite_existing);
  }
  static void Touch(const String& native_file) {
    std::filesystem::create_directories(std::filesystem::path(native_file).parent_path());
    std::ofstream(native_file) << "not a library";
  }

  // The message of the exception InitOci raises, or "" when it loads.
  static String InitOciError() {
    try {
      OracleCI::InitOci();
      return String();
    } catch (const Exception& e) {
      return e.Message();
    }
  }

  TempFolder temp_;
  ScopedEnv env_;
  String root_;
  String saved_dir_;
};
