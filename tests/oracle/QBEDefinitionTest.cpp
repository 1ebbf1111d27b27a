// The QBE settings of an Oracle dataset: the fields following the field
// definitions, and their stored form "QBEFieldDefs".
#include <gtest/gtest.h>

#include "oracle/OracleDataSet.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/Writer.h"

namespace {

using namespace std::string_literals;

// The property name as stored definitions hold it, then the binary tag.
const String kProperty = "\x0cQBEFieldDefs\x0a"s;

String Stored(TQBEDefinition& definition, TQBEDefinition* ancestor = nullptr) {
  TStringStream stream;
  TWriter writer(&stream, 4096);
  writer.SetAncestor(ancestor);
  definition.DefineProperties(&writer);
  writer.FlushBuffer();
  return stream.DataString();
}

void ReadStored(TQBEDefinition& definition, const String& bytes) {
  TStringStream stream(bytes);
  TReader reader(&stream, 4096);
  reader.ReadProperty(&definition);
}

// The raw value: little-endian integers, names, flag bytes.
String Int32(Integer value) {
  return String(reinterpret_cast<const char*>(&value), 4);
}
void ReadRaw(TQBEDefinition& definition, const String& bytes) {
  TStringStream stream(bytes);
  definition.ReadFieldDefs(&stream);
}

struct Flags {
  bool enabled, start, anywhere, insensitive, wholeDay;
};
Flags FlagsOf(const TQBEField* f) {
  return {f->Enabled(), f->MatchStart(), f->MatchAnywhere(), f->CaseInsensitive(), f->WholeDay()};
}
bool operator==(const Flags& a, const Flags& b) {
  return a.enabled == b.enabled && a.start == b.start && a.anywhere == b.anywhere &&
         a.insensitive == b.insensitive && a.wholeDay == b.wholeDay;
}

class QBEDefinitionTest : public ::testing::Test {
 protected:
  QBEDefinitionTest() { Define(data_set_); }
  static void Define(TOracleDataSet& dataSet) {
    dataSet.FieldDefs()->Add("ID", ftInteger, 0, true);
    dataSet.FieldDefs()->Add("TITLE", ftString, 30, false);
    dataSet.FieldDefs()->Add("NOTES", ftMemo, 0, false);
  }
  TQBEDefinition* Definition() { return data_set_.QBEDefinition(); }
  TOracleDataSet data_set_{nullptr};
};

TEST_F(QBEDefinitionTest, FieldsFollowTheDefinitionsAndKeepTheirSettings) {
  TQBEDefinition* definition = Definition();
  definition->Add("GONE");
  definition->Add("title")->SetCaseInsensitive(true);
  EXPECT_TRUE(definition->SyncWithFieldDefs());
  ASSERT_EQ(definition->Count(), 3);
  EXPECT_EQ(definition->Fields(0)->FieldName(), "title");
  EXPECT_TRUE(definition->Fields(0)->CaseInsensitive());
  EXPECT_EQ(definition->Fields(1)->FieldName(), "ID");
  EXPECT_EQ(definition->Fields(2)->FieldName(), "NOTES");
  EXPECT_FALSE(definition->SyncWithFieldDefs());
  // A memo cannot be compared by the server, whatever is set.
  definition->FindField("NOTES")->SetEnabled(true);
  EXPECT_FALSE(definition->FindField("NOTES")->Enabled());
  EXPECT_EQ(definition->FindField("id")->VariableName(), "quelt__qbe1");
  EXPECT_EQ(definition->Add("ELSEWHERE")->VariableName(), "");
}

TEST_F(QBEDefinitionTest, StoredFieldsReadBackAsWritten) {
  TQBEDefinition* definition = Definition();
  definition->SyncWithFieldDefs();
  definition->FindField("ID")->SetEnabled(false);
  TQBEField* title = definition->FindField("TITLE");
  title->SetMatchStart(true);
  title->SetMatchAnywhere(true);
  title->SetCaseInsensitive(true);
  title->SetWholeDay(true);
  title->SetValue("never stored");
  const String bytes = Stored(*definition);
  ASSERT_EQ(bytes.substr(0, kProperty.size()), kProperty);
  // Version 3, three fields, the first "ID" disabled with no flags.
  EXPECT_EQ(bytes.substr(kProperty.size() + 4, 19),
            Int32(3) + Int32(3) + Int32(2) + "ID" + String(5, '\0'));

  TOracleDataSet other(nullptr);
  Define(other);
  TQBEDefinition& read = *other.QBEDefinition();
  read.Add("STALE");
  ReadStored(read, bytes);
  ASSERT_EQ(read.Count(), 3);
  for (Integer i = 0; i < 3; ++i) {
    EXPECT_EQ(read.Fields(i)->FieldName(), definition->Fields(i)->FieldName());
    EXPECT_TRUE(FlagsOf(read.Fields(i)) == FlagsOf(definition->Fields(i))) << i;
  }
  EXPECT_TRUE(VarIsNull(read.FindField("TITLE")->Value()));
}

TEST_F(QBEDefinitionTest, WrittenOnlyWhenDifferentFromTheAncestor) {
  TQBEDefinition empty(nullptr);
  EXPECT_EQ(Stored(empty), "");
  Definition()->SyncWithFieldDefs();
  TQBEDefinition ancestor(nullptr);
  ancestor.Assign(Definition());
  EXPECT_EQ(Stored(*Definition(), &ancestor), "");
  ancestor.Fields(1)->SetMatchAnywhere(true);
  EXPECT_NE(Stored(*Definition(), &ancestor), "");
  ancestor.Fields(1)->SetMatchAnywhere(false);
  ancestor.Fields(1)->SetFieldName("OTHER");
  EXPECT_NE(Stored(*Definition(), &ancestor), "");
}

TEST_F(QBEDefinitionTest, OlderVersionsLeaveTheLaterFlagsAtTheirDefaults) {
  TQBEDefinition read(nullptr);
  ReadRaw(read, Int32(1) + Int32(1) + Int32(1) + "A" + "\1\1\1"s);
  ASSERT_EQ(read.Count(), 1);
  EXPECT_TRUE((FlagsOf(read.Fields(0)) == Flags{true, true, false, true, false}));
  ReadRaw(read, Int32(2) + Int32(1) + Int32(1) + "B" + "\0\0\0\1"s);
  ASSERT_EQ(read.Count(), 1);
  EXPECT_EQ(read.Fields(0)->FieldName(), "B");
  EXPECT_TRUE((FlagsOf(read.Fields(0)) == Flags{false, false, false, false, true}));
}

TEST_F(QBEDefinitionTest, UnknownVersionOrDamagedValueIsRefused) {
  const struct {
    String bytes;
    const char* message;
  } cases[] = {
      {Int32(4) + Int32(0), "Invalid version of QBEDefinition"},
      {Int32(3) + Int32(1000000), "Invalid QBEFieldDefs data: count of 1000000 fields"},
      {Int32(3) + Int32(1) + Int32(400) + "AB\1\1\1\1\1",
       "Invalid QBEFieldDefs data: name of 400 bytes"},
      {Int32(3) + Int32(1) + Int32(1) + "A\1\1\1\1"s, "Invalid QBEFieldDefs data: flags cut short"},
  };
  for (const auto& c : cases) {
    TQBEDefinition read(nullptr);
    try {
      ReadRaw(read, c.bytes);
      ADD_FAILURE() << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
}

TEST_F(QBEDefinitionTest, AssigningCopiesSettingsAndFieldsButNotValues) {
  Definition()->SyncWithFieldDefs();
  Definition()->SetSaveQBEValues(false);
  Definition()->SetAllowFileWildCards(false);
  Definition()->SetQBEFontColor(clRed);
  Definition()->SetQBEBackgroundColor(clYellow);
  Definition()->FindField("TITLE")->SetValue("x");
  TOracleDataSet other(nullptr);
  other.SetQBEDefinition(Definition());
  const TQBEDefinition* copy = other.QBEDefinition();
  EXPECT_FALSE(copy->SaveQBEValues());
  EXPECT_FALSE(copy->AllowFileWildCards());
  EXPECT_EQ(copy->QBEFontColor(), clRed);
  EXPECT_EQ(copy->QBEBackgroundColor(), clYellow);
  ASSERT_EQ(copy->Count(), 3);
  EXPECT_TRUE(VarIsNull(copy->FindField("TITLE")->Value()));
  EXPECT_TRUE(copy->SameFields(*Definition()));
}

}  // namespace
