#include "platform/rtl/IniFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ScopedEnv.h"
#include "TempFolder.h"
#include "platform/rtl/StringList.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  IniFileTest() { env_.Set("XDG_CONFIG_HOME", temp_.File("config").c_str()); }

  String Path() const { return temp_.File("config") + "/zorvet/test.ini"; }
  void Put(const String& bytes) {
    std::filesystem::create_directories(temp_.File("config") + "/zorvet");
    std::ofstream(Path(), std::ios::binary) << bytes;
  }
  String Bytes() const {
    std::ifstream in(Path(), std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    return all.str();
  }

  TempFolder temp_;
  ScopedEnv env_;
};

TEST_F(IniFileTest, NameWithoutFolderLiesInTheWindowsFolderWhichIsCreated) {
  TIniFile ini("test.ini");
  EXPECT_EQ(ini.NativeFileName(), Path());
  ini.WriteString("Main", "Caption", "Discs");
  EXPECT_EQ(Bytes(), "[Main]\r\nCaption=Discs\r\n");
  TIniFile elsewhere(temp_.File("other.ini"));
  EXPECT_EQ(elsewhere.NativeFileName(), temp_.File("other.ini"));
}

TEST_F(IniFileTest, ReadingMatchesNamesIgnoringCaseTrimsAndStripsOneQuotePair) {
  Put("[Main]\r\n  Width = 640 \r\nTitle=\"\"quoted\"\"\r\nSingle=' a '\r\nHalf=\"open\r\n"
      "Empty=\r\n[Other]\r\nWidth=1\r\n");
  TIniFile ini("test.ini");
  struct Case {
    const char* ident;
    const char* expected;
  } cases[] = {{"WIDTH", "640"},   {"title", "\"quoted\""}, {"Single", " a "},
               {"Half", "\"open"}, {"Empty", ""},           {"Missing", "<def>"}};
  for (const Case& c : cases)
    EXPECT_EQ(ini.ReadString("mAIN", c.ident, "<def>"), c.expected) << c.ident;
  EXPECT_EQ(ini.ReadInteger("main", "width", 0), 640);
  EXPECT_EQ(ini.ReadInteger("Other", "Width", 0), 1);
  EXPECT_EQ(ini.ReadString("None", "Width", "d"), "d");
}

TEST_F(IniFileTest, IntegersAndBooleans) {
  Put("[S]\nHex=0x1A\nDollar=$10\nBad=12a\nZero=0\nTwo=2\n");
  TIniFile ini("test.ini");
  EXPECT_EQ(ini.ReadInteger("S", "Hex", 0), 26);
  EXPECT_EQ(ini.ReadInteger("S", "Dollar", 0), 16);
  EXPECT_EQ(ini.ReadInteger("S", "Bad", 7), 7);
  EXPECT_EQ(ini.ReadInteger("S", "Missing", -3), -3);
  EXPECT_FALSE(ini.ReadBool("S", "Zero", true));
  EXPECT_TRUE(ini.ReadBool("S", "Two", false));
  EXPECT_TRUE(ini.ReadBool("S", "Missing", true));
  ini.WriteBool("S", "Flag", true);
  ini.WriteInteger("S", "Number", -5);
  EXPECT_EQ(ini.ReadString("S", "Flag", ""), "1");
  EXPECT_EQ(ini.ReadInteger("S", "Number", 0), -5);
}

TEST_F(IniFileTest, WritingKeepsOtherLinesAndTheFilesLineEnds) {
  Put("; comment\n[A]\nx=1\nstray text\n\n[B]\ny=2\n");
  TIniFile ini("test.ini");
  ini.WriteString("a", "X", "10");  // replaced in place
  ini.WriteString("A", "z", "3");   // after the section's last line, before the blank
  ini.WriteString("C", "w", "4");   // a new section at the end
  EXPECT_EQ(Bytes(), "; comment\n[A]\nX=10\nstray text\nz=3\n\n[B]\ny=2\n[C]\nw=4\n");
  EXPECT_FALSE(std::filesystem::exists(Path() + ".new" + std::to_string(getpid())));
}

TEST_F(IniFileTest, FileWithoutFinalLineEndStaysWithout) {
  Put("[A]\r\nx=1");
  TIniFile("test.ini").WriteString("A", "x", "2");
  EXPECT_EQ(Bytes(), "[A]\r\nx=2");
}

TEST_F(IniFileTest, ValueWithLineBreaksStaysOnOneLine) {
  TIniFile ini("test.ini");
  ini.WriteString("Find", "Text", "one\r\ntwo\nthree\rfour");
  ini.WriteString("Find", "Next", "kept");
  EXPECT_EQ(ini.ReadString("Find", "Text", ""), "one  two three four");
  EXPECT_EQ(ini.ReadString("Find", "Next", ""), "kept");
  EXPECT_EQ(Bytes(), "[Find]\r\nText=one  two three four\r\nNext=kept\r\n");
  ini.WriteString("Find", "Plain", " as is \t");
  EXPECT_NE(Bytes().find("Plain= as is \t\r\n"), String::npos);
}

TEST_F(IniFileTest, SectionsAndTheirValues) {
  Put("[A]\nx=1\ny=\"2\"\n; note\n[Empty]\n[B]\nz=3\n");
  TIniFile ini("test.ini");
  TStringList list;
  ini.ReadSections(&list);
  EXPECT_EQ(list.CommaText(), "A,Empty,B");
  ini.ReadSection("a", &list);
  EXPECT_EQ(list.CommaText(), "x,y");
  ini.ReadSectionValues("A", &list);
  EXPECT_EQ(list.CommaText(), "x=1,y=2");
  ini.ReadSection("missing", &list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(ini.SectionExists("b"));
  EXPECT_FALSE(ini.SectionExists("Empty"));  // holds no ident
  EXPECT_TRUE(ini.ValueExists("A", "Y"));
  EXPECT_FALSE(ini.ValueExists("B", "x"));

  ini.DeleteKey("A", "X");
  ini.EraseSection("b");
  EXPECT_EQ(Bytes(), "[A]\ny=\"2\"\n; note\n[Empty]\n");
  ini.UpdateFile();
  EXPECT_EQ(Bytes(), "[A]\ny=\"2\"\n; note\n[Empty]\n");
}

TEST_F(IniFileTest, WriteThatCannotReachTheDiskRaises) {
  // A folder where the file should be: the rename cannot replace it.
  std::filesystem::create_directories(Path());
  TIniFile ini("test.ini");
  EXPECT_THROW(ini.WriteString("A", "x", "1"), EIniFileException);
  EXPECT_EQ(ini.ReadString("A", "x", "none"), "none");
}

}  // namespace
