#include "platform/rtl/RegistryClasses.h"

#include <gtest/gtest.h>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/StringList.h"

namespace {

class RegistryClassesTest : public ::testing::Test {
 protected:
  RegistryClassesTest() { env_.Set("XDG_CONFIG_HOME", temp_.File("config").c_str()); }

  TempFolder temp_;
  ScopedEnv env_;
};

TEST_F(RegistryClassesTest, KeysOpenRelativeToTheOpenKeyOrFromTheRoot) {
  TRegistry reg;
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.OpenKey("Software\\Zorvet", false));
  ASSERT_TRUE(reg.OpenKey("Software\\Zorvet", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Zorvet");
  ASSERT_TRUE(reg.OpenKey("Main", true));
  EXPECT_EQ(reg.CurrentPath(), "Software\\Zorvet\\Main");
  reg.WriteString("Caption", "Discs");
  reg.WriteInteger("Width", -640);
  reg.WriteBool("Visible", true);
  ASSERT_TRUE(reg.OpenKey("\\Software", false));
  EXPECT_EQ(reg.CurrentPath(), "Software");
  EXPECT_TRUE(reg.HasSubKeys());
  EXPECT_TRUE(reg.KeyExists("Zorvet\\main"));
  EXPECT_FALSE(reg.KeyExists("Other"));

  TRegistry reader;
  ASSERT_TRUE(reader.OpenKeyReadOnly("Software\\Zorvet\\Main"));
  EXPECT_EQ(reader.ReadString("caption"), "Discs");
  EXPECT_EQ(reader.ReadInteger("Width"), -640);
  EXPECT_TRUE(reader.ReadBool("Visible"));
  EXPECT_EQ(reader.ReadString("Missing"), "");
  EXPECT_THROW(reader.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(reader.ReadInteger("Caption"), ERegistryException);
  EXPECT_THROW(reader.ReadString("Width"), ERegistryException);
  EXPECT_THROW(reader.WriteString("Caption", "no"), ERegistryException);
  TStringList names;
  reader.GetValueNames(&names);
  EXPECT_EQ(names.CommaText(), "Caption,Width,Visible");
  EXPECT_TRUE(reader.DeleteValue("Caption") == false);  // read-only handle
}

TEST_F(RegistryClassesTest, DeletingAKeyTakesItsSubkeys) {
  TRegistry reg;
  ASSERT_TRUE(reg.CreateKey("Software\\Z\\A\\Deep"));
  ASSERT_TRUE(reg.CreateKey("Software\\Z\\B"));
  EXPECT_EQ(reg.CurrentKey(), nullptr);  // created, not opened
  EXPECT_TRUE(reg.DeleteKey("Software\\Z\\A"));
  ASSERT_TRUE(reg.OpenKey("Software\\Z", false));
  TStringList names;
  reg.GetKeyNames(&names);
  EXPECT_EQ(names.CommaText(), "B");
  EXPECT_FALSE(reg.DeleteKey("Missing"));
}

TEST_F(RegistryClassesTest, EveryRootHoldsItsOwnTree) {
  const HKEY roots[] = {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_CURRENT_CONFIG,
                        HKEY_CLASSES_ROOT, HKEY_USERS,         HKEY_DYN_DATA};
  int n = 0;
  for (HKEY root : roots) {
    TRegistry reg;
    reg.SetRootKey(root);
    ASSERT_TRUE(reg.OpenKey("Zorvet", true));
    reg.WriteInteger("Root", n++);
  }
  n = 0;
  for (HKEY root : roots) {
    TRegistry reg;
    reg.SetRootKey(root);
    ASSERT_TRUE(reg.OpenKeyReadOnly("Zorvet"));
    EXPECT_EQ(reg.ReadInteger("Root"), n++);
  }
}

TEST_F(RegistryClassesTest, IniFileOverAKey) {
  {
    TRegIniFile ini("Software\\Zorvet");
    ini.WriteString("Main", "Caption", "\"quoted\" as given");
    ini.WriteInteger("Main", "Width", 640);
    ini.WriteBool("Main", "Visible", true);
    ini.WriteString("Main.Lines", "Count", "2");
    ini.WriteString("", "Top", "plain");
    EXPECT_EQ(ini.ReadString("main", "CAPTION", "d"), "\"quoted\" as given");
    EXPECT_EQ(ini.ReadString("Main", "Missing", "d"), "d");
    EXPECT_EQ(ini.ReadString("None", "Caption", "d"), "d");
    EXPECT_EQ(ini.ReadInteger("Main", "Width", 0), 640);
    EXPECT_EQ(ini.ReadInteger("Main", "Caption", 9), 9);
    EXPECT_TRUE(ini.ReadBool("Main", "Visible", false));
    EXPECT_EQ(ini.ReadString("", "Top", ""), "plain");
    // An integer some other writer stored as a number.
    ASSERT_TRUE(ini.OpenKey("Main", false));
    ini.TRegistry::WriteInteger("Height", 480);
    ASSERT_TRUE(ini.OpenKey("\\Software\\Zorvet", false));
    EXPECT_EQ(ini.ReadInteger("Main", "Height", 0), 480);
  }
  TRegIniFile ini("Software\\Zorvet", KEY_READ);
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), "Main,Main.Lines");
  ini.ReadSection("Main", &list);
  EXPECT_EQ(list.CommaText(), "Caption,Width,Visible,Height");
  ini.ReadSectionValues("Main.Lines", &list);
  EXPECT_EQ(list.CommaText(), "Count=2");
  EXPECT_THROW(ini.WriteString("Main", "Width", "1"), ERegistryException);

  TRegIniFile writer("Software\\Zorvet");
  writer.DeleteKey("Main", "Width");
  writer.EraseSection("Main.Lines");
  EXPECT_EQ(ini.ReadString("Main", "Width", "gone"), "gone");
  ini.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), "Main");
}

TEST_F(RegistryClassesTest, ReadOnlyIniFileNeverCreatesItsKey) {
  TRegIniFile reader("Software\\Absent", KEY_READ);
  EXPECT_EQ(reader.CurrentKey(), nullptr);
  EXPECT_EQ(reader.ReadString("S", "I", "def"), "def");
  TRegistry reg;
  EXPECT_FALSE(reg.KeyExists("Software\\Absent"));
}

TEST_F(RegistryClassesTest, AnIniFileAndARegistryKeyAnswerAlikeThroughTheirBase) {
  TIniFile file("Zorvet.ini");
  TRegIniFile key("Software\\Zorvet");
  for (TCustomIniFile* ini :
       {static_cast<TCustomIniFile*>(&file), static_cast<TCustomIniFile*>(&key)}) {
    SCOPED_TRACE(ini->FileName());
    ASSERT_NE(dynamic_cast<TObject*>(ini), nullptr) << "callers hand it on as an object";
    ini->WriteInteger("Main", "Width", -640);
    ini->WriteBool("Main", "Visible", true);
    ini->WriteString("Main", "Caption", "Discs");
    EXPECT_EQ(ini->ReadInteger("Main", "Width", 0), -640);
    EXPECT_TRUE(ini->ReadBool("Main", "Visible", false));
    EXPECT_EQ(ini->ReadString("Main", "Visible", ""), "1");
    EXPECT_EQ(ini->ReadInteger("Main", "Caption", 7), 7) << "text that is no number";
    EXPECT_FALSE(ini->ReadBool("Main", "Absent", false));
    ini->DeleteKey("Main", "Caption");
    TStringList list;
    ini->ReadSectionValues("Main", &list);
    EXPECT_EQ(list.Count(), 2);
    EXPECT_NE(list.IndexOf("Width=-640"), -1);
    ini->EraseSection("Main");
    ini->ReadSections(&list);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(ini->ReadInteger("Main", "Width", 5), 5);
  }
}

}  // namespace
