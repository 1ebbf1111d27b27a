#include "platform/rtl/Registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "ScopedEnv.h"
#include "TempFolder.h"

namespace {

class RegistryTest : public ::testing::Test {
 protected:
  RegistryTest() { env_.Set("XDG_CONFIG_HOME", temp_.File("config").c_str()); }

  HKEY Create(HKEY root, const char* path, REGSAM access = KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, access, nullptr, &key, nullptr),
              LONG(ERROR_SUCCESS));
    return key;
  }
  static void SetString(HKEY key, const char* name, const String& text) {
    ASSERT_EQ(RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             DWORD(text.size() + 1)),
              LONG(ERROR_SUCCESS));
  }
  // The value's bytes, or "<code>" when the read fails.
  static String Query(HKEY root, const char* path, const char* name, DWORD* type = nullptr) {
    HKEY key;
    LONG code = RegOpenKeyExA(root, path, 0, KEY_READ, &key);
    if (code != ERROR_SUCCESS) return "<" + std::to_string(code) + ">";
    char buffer[256];
    DWORD size = sizeof buffer;
    code = RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    return code == ERROR_SUCCESS ? String(buffer, size) : "<" + std::to_string(code) + ">";
  }
  String FileText() const {
    std::ifstream in(RegistryFileName());
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  TempFolder temp_;
  ScopedEnv env_;
};

TEST_F(RegistryTest, LivesInTheWindowsFolderAndStartsEmpty) {
  EXPECT_EQ(RegistryFileName(), temp_.File("config") + "/zorvet/registry.txt");
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", "ORACLE_HOME"), "<2>");
}

TEST_F(RegistryTest, ValuesSurviveAReadOfTheFileByteForByte) {
  HKEY key = Create(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME0");
  SetString(key, "ORACLE_HOME", "C:\\ora \"81\"\n");
  SetString(key, "", "default");
  const DWORD number = 0x1A2B3C4D;
  ASSERT_EQ(RegSetValueExA(key, "n", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), 4),
            LONG(ERROR_SUCCESS));
  const BYTE odd[] = {'a', 0, 'b', 0xFF};  // a string type that is not "text, one null"
  ASSERT_EQ(RegSetValueExA(key, "odd", 0, REG_SZ, odd, sizeof odd), LONG(ERROR_SUCCESS));
  ASSERT_EQ(RegSetValueExA(key, "empty", 0, REG_BINARY, nullptr, 0), LONG(ERROR_SUCCESS));
  RegCloseKey(key);

  // Another writer's copy of the same text: the registry reads the file again.
  const String text = FileText();
  std::remove(RegistryFileName().c_str());
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME0", "n"), "<2>");
  std::ofstream(RegistryFileName()) << text;

  DWORD type = 0;
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "software\\oracle\\home0", "oracle_home", &type),
            String("C:\\ora \"81\"\n") + '\0');
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME0", nullptr), String("default", 8));
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME0", "n", &type),
            String(reinterpret_cast<const char*>(&number), 4));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME0", "odd", &type),
            String(reinterpret_cast<const char*>(odd), sizeof odd));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE\\HOME0", "empty", &type), "");
  EXPECT_EQ(type, REG_BINARY);
  EXPECT_NE(text.find("\"n\"=dword:1a2b3c4d\n"), String::npos) << text;
}

TEST_F(RegistryTest, RootsAreSeparateTrees) {
  RegCloseKey(Create(HKEY_CURRENT_USER, "Software\\Ternmark"));
  HKEY key;
  EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Ternmark", 0, KEY_READ, &key),
            LONG(ERROR_FILE_NOT_FOUND));
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\TERNMARK\\", 0, KEY_READ, &key),
            LONG(ERROR_SUCCESS));
  RegCloseKey(key);
}

TEST_F(RegistryTest, RefusesWhatWindowsRefuses) {
  HKEY read_only = Create(HKEY_CURRENT_USER, "A\\B", KEY_READ);
  const BYTE byte = 1;
  EXPECT_EQ(RegSetValueExA(read_only, "x", 0, REG_BINARY, &byte, 1), LONG(ERROR_ACCESS_DENIED));
  HKEY key;
  EXPECT_EQ(RegCreateKeyExA(read_only, "C", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            LONG(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "A\\\\B", 0, KEY_READ, &key),
            LONG(ERROR_BAD_PATHNAME));
  EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "\\A", 0, KEY_READ, &key), LONG(ERROR_BAD_PATHNAME));
  // A key with subkeys stays; a key deleted while open says so.
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A"), LONG(ERROR_ACCESS_DENIED));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, "A\\B"), LONG(ERROR_SUCCESS));
  DWORD size = 0;
  EXPECT_EQ(RegQueryValueExA(read_only, "x", nullptr, nullptr, nullptr, &size),
            LONG(ERROR_KEY_DELETED));
  EXPECT_EQ(RegCloseKey(read_only), LONG(ERROR_SUCCESS));
  EXPECT_EQ(RegCloseKey(read_only), LONG(ERROR_INVALID_HANDLE));
  EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, ""), LONG(ERROR_ACCESS_DENIED));
}

TEST_F(RegistryTest, ShortBuffersGetTheSizeNeeded) {
  HKEY key = Create(HKEY_CURRENT_USER, "S");
  SetString(key, "v", "hello");
  char buffer[4];
  DWORD size = sizeof buffer;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size),
            LONG(ERROR_MORE_DATA));
  EXPECT_EQ(size, 6u);
  size = 0;
  EXPECT_EQ(RegQueryValueExA(key, "v", nullptr, nullptr, nullptr, &size), LONG(ERROR_SUCCESS));
  EXPECT_EQ(size, 6u);
  RegCloseKey(key);
}

TEST_F(RegistryTest, EnumeratesSubkeysByNameAndValuesInOrderSet) {
  HKEY key = Create(HKEY_CURRENT_USER, "E");
  for (const char* name : {"beta", "Alpha", "gamma"}) RegCloseKey(Create(key, name));
  for (const char* name : {"z", "a", "m"}) SetString(key, name, name);
  std::vector<String> keys, values;
  char name[64];
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    const LONG code = RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(code, LONG(ERROR_SUCCESS));
    keys.emplace_back(name, size);
  }
  for (DWORD i = 0;; ++i) {
    DWORD size = sizeof name;
    const LONG code = RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
    if (code == ERROR_NO_MORE_ITEMS) break;
    ASSERT_EQ(code, LONG(ERROR_SUCCESS));
    values.emplace_back(name, size);
  }
  EXPECT_EQ(keys, (std::vector<String>{"Alpha", "beta", "gamma"}));
  EXPECT_EQ(values, (std::vector<String>{"z", "a", "m"}));
  DWORD tiny = 3;
  EXPECT_EQ(RegEnumKeyExA(key, 0, name, &tiny, nullptr, nullptr, nullptr, nullptr),
            LONG(ERROR_MORE_DATA));
  RegCloseKey(key);
}

TEST_F(RegistryTest, ABrokenFileIsReadButNeverOverwritten) {
  RegCloseKey(Create(HKEY_CURRENT_USER, "K"));
  const String broken = "Zorvet registry 1\n[HKEY_CURRENT_USER\\K]\n\"a\"=\"1\"\ngarbage\n";
  std::ofstream(RegistryFileName(), std::ios::trunc) << broken;
  EXPECT_EQ(Query(HKEY_CURRENT_USER, "K", "a"), String("1", 2));
  HKEY key;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "K", 0, KEY_ALL_ACCESS, &key), LONG(ERROR_SUCCESS));
  const BYTE byte = 1;
  EXPECT_EQ(RegSetValueExA(key, "b", 0, REG_BINARY, &byte, 1), LONG(ERROR_BADDB));
  RegCloseKey(key);
  EXPECT_EQ(FileText(), broken);
}

}  // namespace
