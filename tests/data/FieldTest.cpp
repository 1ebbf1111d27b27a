// tests/data/FieldTest.cpp
#include <gtest/gtest.h>

#include <cstring>

#include "platform/data/Fields.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/FormatSettings.h"
#include "tests/data/TestTables.h"

namespace {

// One record with one field of each kind under test, in edit state.
struct OneOfEach {
  TArrayDataSet ds;
  OneOfEach() {
    TFieldDefs* defs = ds.FieldDefs();
    defs->Add("S", ftString, 5);
    defs->Add("FC", ftFixedChar, 4);
    defs->Add("W", ftWideString, 3);
    defs->Add("SI", ftSmallint);
    defs->Add("WO", ftWord);
    defs->Add("I", ftInteger);
    defs->Add("L", ftLargeint);
    defs->Add("F", ftFloat);
    defs->Add("C", ftCurrency);
    defs->Add("B", ftBCD, 2)->SetPrecision(8);
    defs->Add("D", ftDate);
    defs->Add("T", ftTime);
    defs->Add("DT", ftDateTime);
    defs->Add("BO", ftBoolean);
    defs->Add("BY", ftBytes, 3);
    defs->Add("VB", ftVarBytes, 3);
    defs->Add("G", ftGuid, 38);
    defs->Add("TS", ftTimeStamp);
    defs->Add("AI", ftAutoInc);
    ds.AddRow({});
    ds.Open();
    ds.Edit();
  }
  TField* F(const char* name) { return ds.FieldByName(name); }
};

std::vector<Byte> Native(TField* field) {
  std::vector<Byte> bytes(static_cast<std::size_t>(field->DataSize()));
  EXPECT_TRUE(field->GetData(bytes.data()));
  return bytes;
}

}  // namespace

TEST(FieldClasses, DefinitionsCreateTheClassOfTheirType) {
  OneOfEach t;
  EXPECT_EQ(t.F("S")->ClassName(), "TStringField");
  EXPECT_EQ(t.F("FC")->ClassName(), "TStringField");
  EXPECT_EQ(t.F("FC")->DataType(), ftFixedChar);
  EXPECT_EQ(t.F("W")->ClassName(), "TWideStringField");
  EXPECT_EQ(t.F("SI")->ClassName(), "TSmallintField");
  EXPECT_EQ(t.F("AI")->ClassName(), "TAutoIncField");
  EXPECT_NE(dynamic_cast<TIntegerField*>(t.F("AI")), nullptr);
  EXPECT_NE(dynamic_cast<TFloatField*>(t.F("C")), nullptr);
  EXPECT_NE(dynamic_cast<TDateTimeField*>(t.F("D")), nullptr);
  EXPECT_NE(dynamic_cast<TStringField*>(t.F("G")), nullptr);
  EXPECT_EQ(t.F("G")->Size(), 38);
  EXPECT_EQ(t.F("S")->FieldNo(), 1);
  EXPECT_EQ(t.F("AI")->FieldNo(), 19);
}

TEST(FieldClasses, NativeFormsAreThoseTheEnginesStore) {
  OneOfEach t;
  t.F("S")->SetAsString("abc");
  EXPECT_EQ(t.F("S")->DataSize(), 6);
  EXPECT_EQ(std::memcmp(Native(t.F("S")).data(), "abc\0", 4), 0);
  t.F("SI")->SetAsInteger(-2);
  EXPECT_EQ(Native(t.F("SI")), (std::vector<Byte>{0xFE, 0xFF}));
  t.F("D")->SetAsDateTime(EncodeDate(1899, 12, 31));
  Integer day;
  std::memcpy(&day, Native(t.F("D")).data(), 4);
  EXPECT_EQ(day, 693595);
  EXPECT_EQ(t.F("D")->DataSize(), 4);
  t.F("T")->SetAsDateTime(EncodeTime(1, 0, 0, 5));
  Integer ms;
  std::memcpy(&ms, Native(t.F("T")).data(), 4);
  EXPECT_EQ(ms, 3600005);
  t.F("DT")->SetAsDateTime(1.5);  // 1899-12-31 12:00
  double total;
  std::memcpy(&total, Native(t.F("DT")).data(), 8);
  EXPECT_EQ(total, 693595.5 * 86400000.0);
  t.F("W")->SetAsString("añb");
  const auto wide = Native(t.F("W"));
  EXPECT_EQ(wide.size(), 10u);
  EXPECT_EQ(wide[0], 6);  // byte count
  EXPECT_EQ(wide[6], 0xF1);
  t.F("VB")->SetAsString("xy");
  EXPECT_EQ(Native(t.F("VB")), (std::vector<Byte>{2, 0, 'x', 'y', 0}));
  t.F("BO")->SetAsBoolean(true);
  EXPECT_EQ(t.F("BO")->DataSize(), 2);
}

// Short fields are read through a buffer on the stack, long ones through
// the heap: a value filling its field reads back whole either side of that
// limit, and a shorter one written after it leaves nothing of it behind.
TEST(FieldClasses, StringsOfEverySizeReadBackWhole) {
  for (const Integer size : {1, 255, 1022, 1023, 1024, 4000}) {
    SCOPED_TRACE(size);
    TArrayDataSet ds;
    ds.FieldDefs()->Add("S", ftString, size);
    ds.AddRow({});
    ds.Open();
    ds.Edit();
    TField* field = ds.FieldByName("S");
    String full;
    for (Integer i = 0; i < size; ++i) full += static_cast<char>('a' + i % 26);
    field->SetAsString(full);
    EXPECT_EQ(field->AsString(), full);
    field->SetAsString("z");
    EXPECT_EQ(field->AsString(), "z");
    field->Clear();
    EXPECT_EQ(field->AsString(), "");
  }
}

TEST(FieldClasses, StringsAreCutToTheirSizeWithoutSplittingCharacters) {
  OneOfEach t;
  t.F("S")->SetAsString("abcdefg");
  EXPECT_EQ(t.F("S")->AsString(), "abcde");
  t.F("S")->SetAsString("abcdé");  // é takes two bytes and would end at byte 6
  EXPECT_EQ(t.F("S")->AsString(), "abcd");
  t.F("FC")->SetAsString("ab  ");
  EXPECT_EQ(t.F("FC")->AsString(), "ab");
  t.F("W")->SetAsString("wxyz");
  EXPECT_EQ(t.F("W")->AsString(), "wxy");
}

TEST(FieldClasses, ConversionsBetweenValueForms) {
  OneOfEach t;
  t.F("I")->SetAsString("42");
  EXPECT_EQ(t.F("I")->AsFloat(), 42.0);
  EXPECT_EQ(t.F("I")->AsVariant().Type(), varInteger);
  t.F("F")->SetAsFloat(2.5);
  EXPECT_EQ(t.F("F")->AsString(), "2.5");
  EXPECT_EQ(t.F("F")->AsCurrency(), Currency::FromDouble(2.5));
  t.F("B")->SetAsFloat(12.345);
  EXPECT_EQ(t.F("B")->AsString(), "12.35");  // two decimals
  EXPECT_EQ(t.F("B")->AsVariant().Type(), varCurrency);
  t.F("L")->SetAsString("9000000000");
  EXPECT_EQ(t.F("L")->AsLargeInt(), 9000000000LL);
  EXPECT_THROW(t.F("L")->AsInteger(), EDatabaseError);
  t.F("BO")->SetAsString("f");
  EXPECT_FALSE(t.F("BO")->AsBoolean());
  t.F("BO")->SetAsString("TRUE");
  EXPECT_EQ(t.F("BO")->AsString(), "True");
  EXPECT_THROW(t.F("BO")->SetAsString("maybe"), EDatabaseError);
  t.F("S")->SetAsInteger(7);
  EXPECT_EQ(t.F("S")->AsInteger(), 7);
  t.F("TS")->SetAsDateTime(EncodeDateTime(2004, 5, 6, 7, 8, 9, 10));
  EXPECT_EQ(t.F("TS")->AsDateTime(), EncodeDateTime(2004, 5, 6, 7, 8, 9, 10));
  EXPECT_THROW(t.F("BY")->AsDateTime(), EDatabaseError);
  t.F("BY")->SetAsVariant(VarByteArray("\x01\x02", 2));
  EXPECT_EQ(Native(t.F("BY")), (std::vector<Byte>{1, 2, 0}));
}

TEST(FieldClasses, NullValuesAndClear) {
  OneOfEach t;
  TField* i = t.F("I");
  EXPECT_TRUE(i->IsNull());
  EXPECT_TRUE(i->AsVariant().IsNull());
  EXPECT_EQ(i->AsString(), "");
  EXPECT_EQ(i->AsInteger(), 0);
  i->SetAsInteger(3);
  EXPECT_FALSE(i->IsNull());
  i->Clear();
  EXPECT_TRUE(i->IsNull());
  i->SetAsInteger(3);
  i->SetAsVariant(Null());
  EXPECT_TRUE(i->IsNull());
  i->SetAsString("");
  EXPECT_TRUE(i->IsNull());
}

TEST(FieldClasses, RangesOfTheTypeAndOfMinMaxValueAreEnforced) {
  OneOfEach t;
  EXPECT_THROW(t.F("SI")->SetAsInteger(40000), EDatabaseError);
  EXPECT_THROW(t.F("WO")->SetAsInteger(-1), EDatabaseError);
  auto* i = static_cast<TIntegerField*>(t.F("I"));
  i->SetMinValue(1);
  i->SetMaxValue(10);
  EXPECT_THROW(i->SetAsInteger(11), EDatabaseError);
  i->SetAsInteger(10);
  auto* f = static_cast<TFloatField*>(t.F("F"));
  f->SetMaxValue(1.5);
  EXPECT_THROW(f->SetAsFloat(2), EDatabaseError);
  EXPECT_THROW(t.F("I")->SetAsString("12x"), EDatabaseError);
}

TEST(FieldClasses, DisplayAndEditTextUseTheFormats) {
  TFormatSettingsGuard guard;
  FormatSettings().DecimalSeparator = '.';
  FormatSettings().ThousandSeparator = ',';
  OneOfEach t;
  auto* f = static_cast<TFloatField*>(t.F("F"));
  f->SetAsFloat(1234567.891);
  f->SetDisplayFormat("#,##0.00");
  f->SetEditFormat("0.0");
  EXPECT_EQ(f->DisplayText(), "1,234,567.89");
  EXPECT_EQ(f->Text(), "1234567.9");
  f->SetDisplayFormat("0.00;(0.00);zero");
  f->SetAsFloat(-2.5);
  EXPECT_EQ(f->DisplayText(), "(2.50)");
  f->SetAsFloat(0);
  EXPECT_EQ(f->DisplayText(), "zero");
  auto* d = static_cast<TDateTimeField*>(t.F("D"));
  d->SetAsDateTime(EncodeDate(2004, 2, 29));
  d->SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(d->DisplayText(), "2004-02-29");
  auto* b = static_cast<TBooleanField*>(t.F("BO"));
  b->SetDisplayValues("Yes;No");
  b->SetAsBoolean(false);
  EXPECT_EQ(b->DisplayText(), "No");
  b->SetAsString("y");
  EXPECT_TRUE(b->AsBoolean());
  t.F("I")->OnGetText = [](TField* field, String& text, bool display) {
    text = (display ? "#" : "=") + field->AsString();
  };
  t.F("I")->SetAsInteger(5);
  EXPECT_EQ(t.F("I")->DisplayText(), "#5");
  EXPECT_EQ(t.F("I")->Text(), "=5");
}

TEST(FieldClasses, NumericFieldsAcceptOnlyNumberCharacters) {
  OneOfEach t;
  EXPECT_TRUE(t.F("I")->IsValidChar('7'));
  EXPECT_FALSE(t.F("I")->IsValidChar('x'));
  EXPECT_TRUE(t.F("S")->IsValidChar('x'));
}

TEST(FieldClasses, PropertiesHaveTheirDefaults) {
  OneOfEach t;
  TField* s = t.F("S");
  EXPECT_EQ(s->DisplayName(), "S");
  s->SetDisplayLabel("Label");
  EXPECT_EQ(s->DisplayLabel(), "Label");
  EXPECT_EQ(s->DisplayWidth(), 5);
  EXPECT_EQ(t.F("I")->Alignment(), taRightJustify);
  EXPECT_EQ(s->Alignment(), taLeftJustify);
  EXPECT_TRUE(s->ProviderFlags().Contains(pfInUpdate));
  EXPECT_TRUE(s->Visible());
  EXPECT_EQ(s->Index(), 0);
  s->SetIndex(2);
  EXPECT_EQ(t.ds.Fields(2), s);
}

TEST(FieldClasses, PropertiesThatShapeTheRecordChangeOnlyWhileClosed) {
  OneOfEach t;
  EXPECT_THROW(t.F("S")->SetSize(9), EDatabaseError);
  EXPECT_THROW(t.F("S")->SetFieldName("X"), EDatabaseError);
  TStringField extra(nullptr);
  EXPECT_THROW(extra.SetDataSet(&t.ds), EDatabaseError);
}

TEST(FieldClasses, AFieldWithoutDatasetCannotBeRead) {
  TIntegerField lonely(nullptr);
  lonely.SetFieldName("X");
  EXPECT_THROW(lonely.AsInteger(), EDatabaseError);
}

TEST(FieldClasses, BlobsNeedADatasetWithBlobStreams) {
  TArrayDataSet ds;
  ds.FieldDefs()->Add("M", ftMemo);
  ds.Open();
  auto* memo = dynamic_cast<TMemoField*>(ds.FieldByName("M"));
  ASSERT_NE(memo, nullptr);
  EXPECT_TRUE(memo->IsBlob());
  EXPECT_EQ(memo->BlobType(), ftMemo);
  EXPECT_THROW(memo->AsString(), EDatabaseError);
}

TEST(FieldLists, FieldByNameIgnoresCaseAndNamesTheDatasetWhenMissing) {
  auto ds = MakePeople(1);
  ds->Open();
  EXPECT_EQ(ds->FieldByName("name"), ds->Fields(1));
  EXPECT_EQ(ds->FindField("nope"), nullptr);
  try {
    ds->FieldByName("nope");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "People: Field 'nope' not found");
  }
  std::vector<TField*> list;
  ds->GetFieldList(list, "AGE; ID");
  EXPECT_EQ(list, (std::vector<TField*>{ds->Fields(2), ds->Fields(0)}));
  EXPECT_EQ(ds->GetFieldNames(), (std::vector<String>{"ID", "NAME", "AGE"}));
  EXPECT_THROW(ds->Fields(3), EDatabaseError);
}

TEST(FieldLists, PersistentFieldsMustMatchTheDefinitions) {
  TComponent owner(nullptr);
  auto* ds = new TArrayDataSet(&owner);
  ds->FieldDefs()->Add("A", ftInteger);
  auto* wrong = new TStringField(&owner);
  wrong->SetFieldName("A");
  wrong->SetDataSet(ds);
  EXPECT_THROW(ds->Open(), EDatabaseError);
  wrong->SetFieldName("B");
  EXPECT_THROW(ds->Open(), EDatabaseError);
}
