// Variables of every type, their text, the stored "Data" (round trip and
// damaged streams), assignment between lists and the column holders.
#include <gtest/gtest.h>

#include <cstring>

#include "oracle/OracleSession.h"
#include "oracle/OracleTypes.h"
#include "platform/rtl/DateTime.h"

using namespace Oracle;

namespace {

class Variables : public ::testing::Test {
 protected:
  TVariableData& Declare(const String& name, Integer type) {
    return *variables.DeclareVariable(name, type);
  }
  Variant RoundTrip(Integer type, const Variant& value) {
    TVariableData& variable = Declare("V", type);
    variable.SetValue(0, value, nullptr);
    return variable.Value(nullptr);
  }

  TPersistent owner;
  TVariables variables{&owner};
};

TEST_F(Variables, EveryScalarTypeKeepsItsValue) {
  EXPECT_EQ(RoundTrip(otInteger, 42).AsInteger(), 42);
  EXPECT_EQ(RoundTrip(otFloat, 2.5).AsDouble(), 2.5);
  EXPECT_EQ(RoundTrip(otString, "abc").AsString(), "abc");
  EXPECT_EQ(RoundTrip(otChar, "x").AsString(), "x");
  EXPECT_EQ(RoundTrip(otPLSQLString, "long string").AsString(), "long string");
  EXPECT_EQ(RoundTrip(1, "varchar").AsString(), "varchar");
  EXPECT_EQ(RoundTrip(otLong, "a long text").AsString(), "a long text");
  const TDateTime when = EncodeDateTime(2000, 3, 4, 5, 6, 7, 0);
  EXPECT_DOUBLE_EQ(RoundTrip(otDate, when).AsDouble(), double(when));
  const Byte bytes[] = {0, 1, 255};
  const Variant raw = RoundTrip(otLongRaw, VarByteArray(bytes, 3));
  ASSERT_EQ(VarArrayElementCount(raw), 3u);
  EXPECT_EQ(std::memcmp(VarArrayBytes(raw), bytes, 3), 0);
  EXPECT_EQ(VarArrayElementCount(RoundTrip(otLongRaw, "ab")), 2u);
  EXPECT_TRUE(RoundTrip(otInteger, Null()).IsNull());
}

TEST_F(Variables, ADateIsStoredInTheClientsSevenBytes) {
  TVariableData& date = Declare("D", otDate);
  date.SetValue(0, EncodeDateTime(2000, 3, 4, 5, 6, 7, 0), nullptr);
  const Byte expected[] = {120, 100, 3, 4, 6, 7, 8};
  EXPECT_EQ(std::memcmp(date.Buffer(), expected, 7), 0);
  date.SetValue(0, 0.0, nullptr);  // zero is null by default
  EXPECT_EQ(date.Indicator(0), -1);
  TOracleSession session(nullptr);
  session.Preferences()->SetZeroDateIsNull(false);
  date.SetValue(0, 0.0, &session);
  const Byte zero[] = {118, 199, 12, 30, 1, 1, 1};
  EXPECT_EQ(std::memcmp(date.Buffer(), zero, 7), 0);
  EXPECT_EQ(date.Indicator(0), 0);
}

TEST_F(Variables, LineBreaksLoseTheirCrUnlessTheSessionSaysOtherwise) {
  TVariableData& text = Declare("T", otString);
  text.SetValue(0, "a\r\nb", nullptr);
  EXPECT_STREQ(reinterpret_cast<const char*>(text.Buffer()), "a\nb");
  EXPECT_EQ(text.Value(nullptr).AsString(), "a\r\nb");
  TOracleSession session(nullptr);
  session.Preferences()->SetConvertCRLF(false);
  text.SetValue(0, "a\r\nb", &session);
  EXPECT_STREQ(reinterpret_cast<const char*>(text.Buffer()), "a\r\nb");
}

TEST_F(Variables, AStringIsCutToItsBuffer) {
  TVariableData& text = Declare("T", otString);
  text.SetArraySize(1, 9, nullptr);
  EXPECT_EQ(text.BufferSize(), 10);
  text.SetValue(0, "0123456789abc", nullptr);
  EXPECT_EQ(text.Value(nullptr).AsString(), "012345678");
}

TEST_F(Variables, WrongValuesAndIndexesAreRefused) {
  TVariableData& raw = Declare("RAW", otLongRaw);
  try {
    raw.SetValue(0, 5, nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Only one-dimensional array of bytes allowed for RAW");
  }
  TVariableData& cursor = Declare("CUR", otCursor);
  try {
    cursor.SetValue(0, "text", nullptr);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Pass LongInt(Object) to complex variable CUR");
  }
  cursor.SetValue(0, 7, nullptr);
  EXPECT_EQ(cursor.ObjectId(), 7);
  EXPECT_EQ(cursor.Value(nullptr).AsInteger(), 7);
  cursor.SetValue(0, 0, nullptr);
  EXPECT_EQ(cursor.Indicator(0), -1);
  // An element outside the variable is a range error, not a stray write.
  TVariableData& number = Declare("N", otInteger);
  EXPECT_THROW(number.SetValue(1, 5, nullptr), ERangeError);
  EXPECT_THROW(number.SetValue(-1, 5, nullptr), ERangeError);
  EXPECT_THROW(Declare("X", 2), Exception);
  EXPECT_THROW(Declare("", otInteger), Exception);
}

TEST_F(Variables, PlsqlTablesAreCheckedAndSized) {
  Declare("S", otString);
  Declare("L", otLong);
  Declare("I", otInteger);
  const struct {
    const char* name;
    Integer size, string_size;
    const char* message;
  } refused[] = {
      {"L", 5, 0, "Only PL/SQL Tables of strings, integers, floats and dates supported"},
      {"S", 5, 0, "You must specify a string size for a PL/SQL Table of strings"},
      {"I", 5, 4, "You can only specify a string size for a PL/SQL Table of strings"},
      {"I", 0, 0, "You must specify the size of the PL/SQL Table"},
      {"Q", 5, 0, "Variable Q not declared"},
  };
  for (const auto& c : refused) {
    try {
      variables.DeclarePLSQLTable(c.name, c.size, c.string_size);
      ADD_FAILURE() << c.message;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  variables.DeclarePLSQLTable("S", 3, 20);
  TVariableData& table = *variables.Items(0);
  EXPECT_EQ(table.BufferSize(), 21);
  table.SetValue(2, "last", nullptr);
  EXPECT_EQ(table.Indicator(2), 0);
  EXPECT_THROW(table.SetValue(3, "past", nullptr), ERangeError);
  EXPECT_EQ(table.ValueText(nullptr), "(PL/SQL Table)");
}

TEST_F(Variables, ValueTextNamesWhatCannotBeShown) {
  const struct {
    Integer type;
    const char* text;
  } cases[] = {{otLong, "(Long)"},           {otLongRaw, "(Long Raw)"}, {otObject, "(Object)"},
               {otReference, "(Reference)"}, {otCLOB, "(CLOB)"},        {otBLOB, "(BLOB)"},
               {otBFile, "(BFile)"},         {otCursor, "(Cursor)"},    {otInteger, "Null"}};
  for (const auto& c : cases) EXPECT_EQ(Declare("V", c.type).ValueText(nullptr), c.text);
  Declare("V", otInteger).SetValue(0, 12, nullptr);
  EXPECT_EQ(variables.Items(0)->ValueText(nullptr), "12");
}

TEST_F(Variables, TheStoredDataReadsBackAsItWasWritten) {
  Declare("NUM", otInteger).SetValue(0, 5, nullptr);
  Declare("TXT", otString).SetValue(0, "hello", nullptr);
  Declare("NIL", otDate);
  Declare("LNG", otLong).SetValue(0, "long one", nullptr);
  Declare("TAB", otFloat);
  variables.DeclarePLSQLTable("TAB", 4, 0);
  TMemoryStream stream;
  variables.WriteData(&stream);
  stream.SetPosition(0);
  TVariables copy(&owner);
  copy.ReadData(&stream);
  ASSERT_EQ(copy.Count(), 5);
  EXPECT_TRUE(copy.SameData(variables));
  EXPECT_EQ(copy.Items(0)->Value(nullptr).AsInteger(), 5);
  EXPECT_EQ(copy.Items(1)->Value(nullptr).AsString(), "hello");
  EXPECT_TRUE(copy.Items(2)->Value(nullptr).IsNull());
  EXPECT_EQ(copy.Items(3)->Value(nullptr).AsString(), "long one");
  EXPECT_TRUE(copy.Items(4)->IsPLSQLTable());
  EXPECT_EQ(copy.Items(4)->ElementCount(), 4);
  copy.Items(1)->SetValue(0, "other", nullptr);
  EXPECT_FALSE(copy.SameData(variables));
}

TEST_F(Variables, TheStoredLayoutStaysByteForByte) {
  Declare("AB", otString).SetValue(0, "x", nullptr);
  TMemoryStream stream;
  variables.WriteData(&stream);
  const Byte expected[] = {3, 0, 0, 0, 1, 0, 0, 0, 2,   0, 0, 0, 'A', 'B',
                           5, 0, 0, 0, 2, 0, 0, 0, 'x', 0, 0, 0, 0,   0};
  ASSERT_EQ(stream.Size(), Int64(sizeof expected));
  EXPECT_EQ(std::memcmp(stream.Memory(), expected, sizeof expected), 0);
}

// A four-letter name fills one word of the streams below.
constexpr Integer kName = 0x4E4E4E4E;  // "NNNN"

TMemoryStream* Stream(std::initializer_list<Integer> words, TMemoryStream& stream) {
  for (Integer word : words) stream.WriteBuffer(&word, sizeof word);
  stream.SetPosition(0);
  return &stream;
}

TEST_F(Variables, AVersionOneStreamDeclaresOnly) {
  TMemoryStream stream;
  variables.ReadData(Stream({1, 1, 4, kName, otInteger}, stream));
  ASSERT_EQ(variables.Count(), 1);
  EXPECT_EQ(variables.Items(0)->Name(), "NNNN");
  EXPECT_EQ(variables.Items(0)->Indicator(0), -1);
}

TEST_F(Variables, ADamagedStreamIsRefusedWithoutReadingPastIt) {
  const std::initializer_list<Integer> damaged[] = {
      {4, 0},                                   // a version from the future
      {3, 1000000},                             // more variables than bytes
      {3, 1, 2000000000, 0},                    // a name longer than the stream
      {3, 1, 4, kName, otInteger, 8, 1, 2, 0},  // a value longer than its buffer
      {3, 1, 4, kName, otInteger, 4},           // a value cut short
      {3, 1, 4, kName, otString, 0, 1, -5, 0},  // a table of negative size
      {3, 1, 4, kName, otString, -1, 0},        // a negative value size
  };
  for (const auto& words : damaged) {
    TMemoryStream stream;
    EXPECT_THROW(variables.ReadData(Stream(words, stream)), Exception);
  }
}

TEST_F(Variables, AssignmentNeedsAnOwnedList) {
  Declare("A", otInteger).SetValue(0, 3, nullptr);
  Declare("T", otString);
  variables.DeclarePLSQLTable("T", 2, 30);
  TVariables loose(nullptr);
  EXPECT_THROW(loose.Assign(&variables), EConvertError);
  TVariables target(&owner);
  target.Assign(&variables);
  ASSERT_EQ(target.Count(), 2);
  EXPECT_EQ(target.Items(0)->Value(nullptr).AsInteger(), 3);
  EXPECT_TRUE(target.Items(1)->IsPLSQLTable());
  EXPECT_EQ(target.Items(1)->BufferSize(), 31);
}

TEST(FieldData, HandleColumnsKeepAPointerPerRowAndPiecesAddUp) {
  TCollection columns(TCollectionItemClass::Of<TFieldData>());
  auto* column = static_cast<TFieldData*>(columns.Add());
  column->AllocateRows(otReference, 4, 3);
  EXPECT_EQ(column->Size, Integer(sizeof(void*)));
  int object = 0;
  column->SetRowHandle(2, &object);
  EXPECT_EQ(column->RowHandle(2), &object);
  EXPECT_EQ(column->RowHandle(0), nullptr);
  EXPECT_THROW(column->RowHandle(3), ERangeError);
  column->SetRowHandle(2, nullptr);
  auto* text = static_cast<TFieldData*>(columns.Add());
  text->AllocateRows(otLong, 10, 1);
  static_cast<TLongPiece*>(text->LongPieces.Add())->SetSize(100);
  static_cast<TLongPiece*>(text->LongPieces.Add())->SetSize(23);
  EXPECT_EQ(text->LongSize(), 123);
}

}  // namespace
