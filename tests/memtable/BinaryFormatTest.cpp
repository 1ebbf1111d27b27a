// tests/memtable/BinaryFormatTest.cpp
//
// The binary table format: its bytes, what it reads back (definitions,
// values of every type, null flags, older versions), streams of the older
// versions 100 to 250 built by hand, and damaged streams refused cleanly.
#include <gtest/gtest.h>

#include "FormatTestSupport.h"
#include "memtable/BinaryStreamFormat.h"
#include "platform/data/Field.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Writer.h"

namespace {

using namespace std::string_literals;

// A stream with the signature, then what `body` writes.
String HandBuilt(const std::function<void(TWriter&)>& body) {
  TStringStream stream;
  {
    TWriter w(&stream, 1024);
    w.WriteSignature();
    body(w);
    w.FlushBuffer();
  }
  return stream.DataString();
}

// One field definition as versions before 250 wrote it (no kind, no default).
void OldFieldDef(TWriter& w, const String& name, const String& type, Integer size) {
  w.WriteString(name);
  w.WriteString(type);
  w.WriteInteger(size);
  w.WriteString(name);
  w.WriteString("");
  w.WriteInteger(10);
  w.WriteBoolean(false);
  w.WriteBoolean(false);
}

void EmptyList(TWriter& w) {
  w.WriteListBegin();
  w.WriteListEnd();
}

void TypeHeader(TWriter& w, const std::vector<TFieldType>& types) {
  w.WriteListBegin();
  w.WriteInteger(static_cast<Int64>(types.size()));
  for (TFieldType type : types) w.WriteInteger(type);
  w.WriteListEnd();
}

// An index definition list of one entry.
void IndexList(TWriter& w, const String& name, const String& fields,
               std::initializer_list<bool> options) {
  w.WriteListBegin();
  w.WriteString(name);
  w.WriteString(fields);
  w.WriteString(name);
  for (bool b : options) w.WriteBoolean(b);
  w.WriteListEnd();
}

// A value written by hand: its tag, then its bytes as given.
void Tagged(TWriter& w, TValueType tag, const String& bytes) {
  w.WriteValue(tag);
  w.Write(bytes.data(), static_cast<Int64>(bytes.size()));
}

class BinaryFormatTest : public ::testing::Test {
 protected:
  std::unique_ptr<TvomMemTable> Sample() {
    auto t = MakeTable({{"Name", ftString, 20}, {"Size", ftInteger}});
    AddTextRow(*t, {"alpha", "1"});
    AddTextRow(*t, {"beta"});
    AddTextRow(*t, {"gamma", "-300"});
    return t;
  }
  TvomBinaryStreamFormat bin{nullptr};
};

TEST_F(BinaryFormatTest, StartsWithSignatureAndVersion) {
  auto t = Sample();
  const String bytes = SavedBytes(*t, bin);
  EXPECT_EQ("TPF0\x03\xfb\x00\x01"s, bytes.substr(0, 8));
  EXPECT_EQ("3.00", bin.Version());
}

TEST_F(BinaryFormatTest, DefinitionsNullFlagsAndValuesComeBack) {
  auto t = Sample();
  t->IndexDefs()->Add("BySize", "Size;Name", {ixDescending, ixCaseInsensitive, ixUnique});
  t->FieldByName("Name")->SetDisplayLabel("Disc name");
  t->FieldByName("Name")->SetEditMask(">aaa");
  t->FieldByName("Size")->SetDefaultExpression("0");
  t->FieldByName("Size")->SetReadOnly(true);
  const String bytes = SavedBytes(*t, bin);
  auto u = MakeTable({{"X", ftFloat}});
  LoadBytes(*u, bin, bytes);
  ASSERT_EQ(2, u->FieldCount());
  EXPECT_EQ("Disc name", u->FieldByName("Name")->DisplayLabel());
  EXPECT_EQ(">aaa", u->FieldByName("Name")->EditMask());
  EXPECT_EQ("0", u->FieldByName("Size")->DefaultExpression());
  EXPECT_TRUE(u->FieldByName("Size")->ReadOnly());
  ASSERT_EQ(1, u->IndexDefs()->Count());
  EXPECT_EQ("Size;Name", u->IndexDefs()->Items(0)->Fields());
  EXPECT_EQ((TIndexOptions{ixDescending, ixCaseInsensitive, ixUnique}),
            u->IndexDefs()->Items(0)->Options());
  EXPECT_EQ((std::vector<String>{"alpha", "beta", "gamma"}), Column(*u, "Name"));
  EXPECT_EQ((std::vector<String>{"1", "<null>", "-300"}), Column(*u, "Size"));
  EXPECT_TRUE(TableAtRest(*u));
}

TEST_F(BinaryFormatTest, EveryFieldTypeRoundTrips) {
  auto t = MakeTable(EveryStorableType());
  AddRow(*t, FillEveryType);
  AddRow(*t, [](TvomCustomMemTable&) {});  // every field null but the auto-increment
  // What text would round: milliseconds, the ends of the 64-bit range and
  // of the date range, a float's last digit.
  AddRow(*t, [](TvomCustomMemTable& r) {
    r.FieldByName("LI")->SetAsLargeInt(9223372036854775807LL);
    r.FieldByName("T")->SetAsDateTime(EncodeTime(12, 0, 0, 1));
    r.FieldByName("DT")->SetAsDateTime(EncodeDateTime(9999, 12, 31, 23, 59, 59, 999));
    r.FieldByName("D")->SetAsDateTime(EncodeDate(1, 1, 1));
    r.FieldByName("F")->SetAsFloat(0.1 + 0.2);
  });
  AddRow(*t, [](TvomCustomMemTable& r) {
    r.FieldByName("LI")->SetAsLargeInt(-9223372036854775807LL - 1);
  });
  auto u = std::make_unique<TvomMemTable>(nullptr);
  LoadBytes(*u, bin, SavedBytes(*t, bin));
  ExpectSameTable(*t, *u);
  u->Last();
  EXPECT_EQ(-9223372036854775807LL - 1, u->FieldByName("LI")->AsLargeInt());
  u->Prior();
  EXPECT_EQ(9223372036854775807LL, u->FieldByName("LI")->AsLargeInt());
  EXPECT_EQ(0.1 + 0.2, u->FieldByName("F")->AsFloat());
  EXPECT_EQ(EncodeTime(12, 0, 0, 1), u->FieldByName("T")->AsDateTime());
}

TEST_F(BinaryFormatTest, TextTagsFollowTheBytes) {
  auto t = MakeTable({{"S", ftString, 10}, {"B", ftBytes, 2}, {"W", ftWideString, 4}});
  AddRow(*t, [](TvomCustomMemTable& r) {
    r.Fields(0)->SetAsString("é");
    r.Fields(1)->SetAsString("\xff\xfe");
    r.Fields(2)->SetAsString("ü");
  });
  AddTextRow(*t, {"plain"});
  bin.SetsfDef({});
  bin.SetsfIndexDef({});
  const String bytes = SavedBytes(*t, bin);
  // UTF-8 text: tag 20 and its bytes once, never converted twice.
  EXPECT_NE(String::npos, bytes.find("\x08\x14\x02\x00\x00\x00\xc3\xa9"s));
  EXPECT_NE(String::npos, bytes.find("\x08\x14\x02\x00\x00\x00\xc3\xbc"s));
  // Binary values: the short string tag whatever the bytes.
  EXPECT_NE(String::npos, bytes.find("\x08\x06\x02\xff\xfe"s));
  EXPECT_NE(String::npos, bytes.find("\x08\x06\x05plain"s));
}

TEST_F(BinaryFormatTest, ReaderTakesEveryStringAndIntegerTag) {
  const String stream = HandBuilt([](TWriter& w) {
    w.WriteInteger(251);
    EmptyList(w);
    EmptyList(w);
    TypeHeader(w, {ftString, ftInteger});
    w.WriteListBegin();
    auto record = [&](const std::function<void()>& text, const std::function<void()>& number) {
      w.WriteListBegin();
      w.WriteInteger(usUnmodified);
      w.WriteBoolean(false);
      text();
      w.WriteBoolean(false);
      number();
      w.WriteListEnd();
    };
    record([&] { w.WriteString("short"); }, [&] { w.WriteInteger(5); });
    record([&] { Tagged(w, vaLString, "\x04\x00\x00\x00long"s); }, [&] { w.WriteInteger(300); });
    record([&] { w.WriteString("ütf"); }, [&] { w.WriteInteger(70000); });
    record([&] { Tagged(w, vaWString, "\x02\x00\x00\x00w\x00\xfc\x00"s); },
           [&] { Tagged(w, vaInt64, "\xff\xff\xff\xff\xff\xff\xff\xff"s); });
    w.WriteListEnd();
  });
  auto t = MakeTable({{"S", ftString, 10}, {"N", ftInteger}});
  LoadBytes(*t, bin, stream);
  EXPECT_EQ((std::vector<String>{"short", "long", "ütf", "wü"}), Column(*t, "S"));
  EXPECT_EQ((std::vector<String>{"5", "300", "70000", "-1"}), Column(*t, "N"));
}

TEST_F(BinaryFormatTest, DeltasCarryTheOlderVersions) {
  auto t = Sample();
  t->CheckPoint();
  t->SetEnableVersioning(true);
  t->First();
  t->Edit();
  t->FieldByName("Name")->SetAsString("ALPHA");
  t->Post();
  bin.SetsfDeltas(sfSaveDeltas | sfLoadDeltas);
  const String bytes = SavedBytes(*t, bin);

  auto u = MakeTable({{"Name", ftString, 20}, {"Size", ftInteger}});
  u->SetEnableVersioning(true);
  LoadBytes(*u, bin, bytes);
  EXPECT_EQ((std::vector<String>{"ALPHA", "beta", "gamma"}), Column(*u, "Name"));
  u->First();
  EXPECT_EQ(usModified, u->UpdateStatus());
  EXPECT_EQ("alpha", u->FieldByName("Name")->OldValue().AsString());
  u->Next();
  EXPECT_EQ(usUnmodified, u->UpdateStatus());
}

TEST_F(BinaryFormatTest, WithoutRecordDataOnlyChangesAreWritten) {
  auto t = Sample();
  t->CheckPoint();
  t->SetEnableVersioning(true);
  t->Last();
  t->Edit();
  t->FieldByName("Size")->SetAsInteger(5);
  t->Post();
  AddTextRow(*t, {"delta", "4"});
  bin.SetsfData(sfLoadData);
  const String bytes = SavedBytes(*t, bin);
  EXPECT_EQ(2, t->SaveCount());
  auto u = MakeTable({{"Name", ftString, 20}, {"Size", ftInteger}});
  LoadBytes(*u, bin, bytes);
  EXPECT_EQ(2, u->LoadCount());
}

TEST_F(BinaryFormatTest, RecordsInsertedAndDeletedSinceTheCheckPointAreLeftOut) {
  auto t = Sample();
  t->CheckPoint();
  t->SetEnableVersioning(true);
  AddTextRow(*t, {"temp", "9"});
  t->Last();
  t->Delete();
  t->First();
  t->Delete();
  // The store's order shows the deleted records too.
  bin.SetsfUsingIndex({});
  SavedBytes(*t, bin);
  EXPECT_EQ(3, t->SaveCount());  // alpha as deleted, beta, gamma
  bin.SetsfDontFilterDeltas(sfSaveDontFilterDeltas);
  SavedBytes(*t, bin);
  EXPECT_EQ(4, t->SaveCount());
}

TEST_F(BinaryFormatTest, SaveLimitAndLoadLimit) {
  auto t = MakeTable({{"N", ftInteger}});
  for (int i = 0; i < 20; ++i)
    AddRow(*t, [i](TvomCustomMemTable& r) { r.Fields(0)->SetAsInteger(i); });
  t->SetSaveLimit(10);
  const String bytes = SavedBytes(*t, bin);
  EXPECT_FALSE(t->SavedCompletely());
  auto u = MakeTable({{"N", ftInteger}});
  LoadBytes(*u, bin, bytes);
  EXPECT_EQ(10, u->RecordCount());
  EXPECT_TRUE(u->LoadedCompletely());
  u->SetLoadLimit(3);
  LoadBytes(*u, bin, bytes);
  EXPECT_EQ(3, u->RecordCount());
  EXPECT_FALSE(u->LoadedCompletely());
}

TEST_F(BinaryFormatTest, BufferSizeHasAFloor) {
  bin.SetBufferSize(1000);
  EXPECT_EQ(16384, bin.BufferSize());
  bin.SetBufferSize(65536);
  EXPECT_EQ(65536, bin.BufferSize());
}

TEST_F(BinaryFormatTest, VersionHundredHasNoNumberNoIndexesNoStatusNoNullFlags) {
  const String stream = HandBuilt([](TWriter& w) {
    w.WriteListBegin();
    OldFieldDef(w, "Name", "String", 10);
    OldFieldDef(w, "N", "SmallInt", 0);
    w.WriteListEnd();
    TypeHeader(w, {ftString, ftSmallint});
    w.WriteListBegin();
    w.WriteString("one");
    w.WriteInteger(1);
    w.WriteString("two");
    w.WriteInteger(-2);
    w.WriteListEnd();
  });
  auto t = MakeTable({{"X", ftFloat}});
  LoadBytes(*t, bin, stream);
  EXPECT_EQ((std::vector<String>{"one", "two"}), Column(*t, "Name"));
  EXPECT_EQ((std::vector<String>{"1", "-2"}), Column(*t, "N"));
  EXPECT_EQ("Data", FieldKindName(t->FieldByName("N")->FieldKind()));
}

// Versions 200 to 251: what each adds to the layout.
class BinaryVersionTest : public BinaryFormatTest, public ::testing::WithParamInterface<Integer> {};

TEST_P(BinaryVersionTest, HandBuiltStreamLoads) {
  const Integer version = GetParam();
  const String stream = HandBuilt([&](TWriter& w) {
    w.WriteInteger(version);
    w.WriteListBegin();
    OldFieldDef(w, "Name", "String", 10);
    if (version >= 250) w.WriteString("Data");
    if (version >= 251) w.WriteString("'x'");
    w.WriteListEnd();
    IndexList(w, "ByName", "Name", {true, false, false, false});
    TypeHeader(w, {ftString});
    w.WriteListBegin();
    for (const char* name : {"a", "b"}) {
      if (version >= 230) {
        w.WriteListBegin();
        w.WriteInteger(usUnmodified);
      }
      if (version >= 249) w.WriteBoolean(false);
      w.WriteString(name);
      if (version >= 230) w.WriteListEnd();
    }
    w.WriteListEnd();
  });
  auto t = MakeTable({{"X", ftFloat}});
  LoadBytes(*t, bin, stream);
  EXPECT_EQ((std::vector<String>{"a", "b"}), Column(*t, "Name"));
  ASSERT_EQ(1, t->IndexDefs()->Count());
  EXPECT_EQ((TIndexOptions{ixDescending}), t->IndexDefs()->Items(0)->Options());
  EXPECT_EQ(version >= 251 ? "'x'" : "", t->FieldByName("Name")->DefaultExpression());
}

INSTANTIATE_TEST_SUITE_P(Versions, BinaryVersionTest, ::testing::Values(200, 230, 249, 250, 251));

TEST_F(BinaryFormatTest, EmptyStreamLoadsNothingAndRaisesNothing) {
  auto t = Sample();
  EXPECT_NO_THROW(LoadBytes(*t, bin, ""));
  EXPECT_EQ(3, t->RecordCount());
  EXPECT_TRUE(TableAtRest(*t));
}

TEST_F(BinaryFormatTest, BadSignatureLeavesTheTableUsable) {
  auto t = Sample();
  try {
    LoadBytes(*t, bin, "TPF1\x03\xfb\x00"s);
    FAIL() << "no error";
  } catch (const EReadError& e) {
    EXPECT_STREQ("Invalid stream format", e.what());
  }
  EXPECT_TRUE(TableAtRest(*t));
  EXPECT_EQ(3, t->RecordCount());
  LoadBytes(*t, bin, SavedBytes(*t, bin));
  EXPECT_EQ(3, t->RecordCount());
}

TEST_F(BinaryFormatTest, UnknownTypeNameIsRefused) {
  const String stream = HandBuilt([](TWriter& w) {
    w.WriteInteger(200);
    w.WriteListBegin();
    OldFieldDef(w, "X", "Dispatch", 0);
    w.WriteListEnd();
  });
  auto t = Sample();
  try {
    LoadBytes(*t, bin, stream);
    FAIL() << "no error";
  } catch (const EMemTableError& e) {
    EXPECT_EQ("Unknown field type (Dispatch)", e.Message());
  }
  EXPECT_TRUE(TableAtRest(*t));
}

TEST_F(BinaryFormatTest, CountsSizesStatusesAndOrdinalsAreChecked) {
  auto header = [](Integer count, Integer ordinal, Integer status, Integer size) {
    return HandBuilt([=](TWriter& w) {
      w.WriteInteger(251);
      w.WriteListBegin();
      w.WriteString("N");
      w.WriteString("String");
      w.WriteInteger(size);
      for (const char* s : {"N", ""}) w.WriteString(s);
      w.WriteInteger(10);
      w.WriteBoolean(false);
      w.WriteBoolean(false);
      w.WriteString("Data");
      w.WriteString("");
      w.WriteListEnd();
      EmptyList(w);
      w.WriteListBegin();
      w.WriteInteger(count);
      w.WriteInteger(ordinal);
      w.WriteListEnd();
      w.WriteListBegin();
      w.WriteListBegin();
      w.WriteInteger(status);
      w.WriteBoolean(false);
      w.WriteString("v");
      w.WriteListEnd();
      w.WriteListEnd();
    });
  };
  auto t = Sample();
  EXPECT_NO_THROW(LoadBytes(*t, bin, header(1, ftString, usInserted, 5)));
  EXPECT_EQ((std::vector<String>{"v"}), Column(*t, "N"));
  EXPECT_THROW(LoadBytes(*t, bin, header(100000, ftString, 0, 5)), EReadError);
  EXPECT_THROW(LoadBytes(*t, bin, header(-1, ftString, 0, 5)), EReadError);
  EXPECT_THROW(LoadBytes(*t, bin, header(1, 38, 0, 5)), EReadError);
  EXPECT_THROW(LoadBytes(*t, bin, header(1, ftString, 4, 5)), EReadError);
  EXPECT_THROW(LoadBytes(*t, bin, header(1, ftString, 0, 1 << 30)), EReadError);
  EXPECT_THROW(LoadBytes(*t, bin, header(1, ftString, 0, -1)), EReadError);
  EXPECT_TRUE(TableAtRest(*t));
}

TEST_F(BinaryFormatTest, DuplicateKeysOfAUniqueIndexLeaveTheTableUsable) {
  const String stream = HandBuilt([](TWriter& w) {
    w.WriteInteger(251);
    EmptyList(w);
    IndexList(w, "ByName", "Name", {false, false, false, true});
    TypeHeader(w, {ftString, ftInteger});
    w.WriteListBegin();
    for (int i = 0; i < 2; ++i) {
      w.WriteListBegin();
      w.WriteInteger(usUnmodified);
      w.WriteBoolean(false);
      w.WriteString("same");
      w.WriteBoolean(true);
      w.WriteListEnd();
    }
    w.WriteListEnd();
  });
  auto t = Sample();
  EXPECT_THROW(LoadBytes(*t, bin, stream), EMemTableError);
  EXPECT_TRUE(TableAtRest(*t));
  EXPECT_EQ(dsBrowse, t->State());
}

TEST_F(BinaryFormatTest, EveryTruncationAndEveryFlippedByteIsRefusedCleanly) {
  auto t = Sample();
  t->IndexDefs()->Add("ByName", "Name", {});
  const String bytes = SavedBytes(*t, bin);
  for (std::size_t n = 1; n < bytes.size(); ++n) {
    auto u = MakeTable({{"Name", ftString, 20}, {"Size", ftInteger}});
    EXPECT_THROW(LoadBytes(*u, bin, bytes.substr(0, n)), Exception) << n;
    ASSERT_TRUE(TableAtRest(*u)) << n;
  }
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    String damaged = bytes;
    damaged[i] = static_cast<char>(damaged[i] ^ 0x5a);
    auto u = MakeTable({{"Name", ftString, 20}, {"Size", ftInteger}});
    try {
      LoadBytes(*u, bin, damaged);
    } catch (const Exception&) {
    }
    ASSERT_TRUE(TableAtRest(*u)) << i;
  }
}

}  // namespace
