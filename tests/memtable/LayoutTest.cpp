// tests/memtable/LayoutTest.cpp
//
// Where the store puts each field of a record, and the length-prefixed
// buffers that hold indirect values.
#include <gtest/gtest.h>

#include "TestTable.h"
#include "memtable/MemTableErrors.h"
#include "memtable/RecordStore.h"
#include "platform/data/Fields.h"

namespace {

TEST(LengthBufferTest, HoldsLengthAndBytes) {
  Byte* made = MakeLengthBuffer("hello", 5);
  EXPECT_EQ(5, LengthBufferSize(made));
  EXPECT_EQ(0, std::memcmp(LengthBufferData(made), "hello", 5));
  EXPECT_EQ(Byte{5}, made[0]);  // little-endian length first
  Byte* copy = DuplicateLengthBuffer(made);
  EXPECT_NE(made, copy);
  EXPECT_EQ(0, std::memcmp(made, copy, 9));
  FreeLengthBuffer(made);
  FreeLengthBuffer(copy);
  EXPECT_EQ(nullptr, DuplicateLengthBuffer(nullptr));
  Byte* zeroed = AllocLengthBuffer(300);
  EXPECT_EQ(300, LengthBufferSize(zeroed));
  EXPECT_EQ(Byte{1}, zeroed[1]);  // 300 = 0x12C
  for (Integer i = 0; i < 300; ++i) ASSERT_EQ(0, LengthBufferData(zeroed)[i]);
  FreeLengthBuffer(zeroed);
}

TEST(LayoutTest, FixedFieldsFollowEachOtherWithANullFlagEach) {
  TestTable t;
  const std::vector<std::pair<TFieldType, Integer>> fields = {
      {ftString, 10},    {ftSmallint, 0}, {ftInteger, 0},  {ftWord, 0},      {ftBoolean, 0},
      {ftFloat, 0},      {ftCurrency, 0}, {ftBCD, 4},      {ftDate, 0},      {ftTime, 0},
      {ftDateTime, 0},   {ftBytes, 5},    {ftVarBytes, 5}, {ftAutoInc, 0},   {ftFixedChar, 3},
      {ftWideString, 4}, {ftLargeint, 0}, {ftGuid, 38},    {ftTimeStamp, 0}, {ftFMTBcd, 4}};
  for (std::size_t i = 0; i < fields.size(); ++i)
    t.AddField("F" + std::to_string(i), fields[i].first, fields[i].second);
  t.AddField("Memo", ftMemo);
  t.calc_size = 20;
  t.Open();

  const Integer expected[] = {0,  12,  15,  20,  23,  26,  35,  44,  79,  88,
                              97, 106, 112, 120, 125, 130, 143, 152, 192, 209};
  for (std::size_t i = 0; i < fields.size(); ++i)
    EXPECT_EQ(expected[i], t.store().FieldOffset(static_cast<Integer>(i) + 1)) << "field " << i;
  EXPECT_EQ(244, t.store().FixedSize());
  EXPECT_EQ(244, t.store().CalcStart());
  EXPECT_EQ(264, t.store().BookmarkStart());
  EXPECT_EQ(8, t.store().BookmarkSize());
  EXPECT_EQ(272, t.store().IndirectStart());
  EXPECT_EQ(272, t.store().FieldOffset(21));
  EXPECT_EQ(Byte{mtffIndirect}, t.store().FieldFlags(21));
  EXPECT_EQ(281, t.store().DataSize());
  EXPECT_EQ(static_cast<Integer>(sizeof(TvomRecord)) + 281, t.store().RecordSize());
}

TEST(LayoutTest, ChildDefinitionsFollowTheirParentAndArraysRepeat) {
  TvomCommon store(nullptr);
  TFieldDefs defs(static_cast<TDataSet*>(nullptr));
  defs.Add("A", ftInteger);
  TFieldDef* array = defs.Add("B", ftArray, 3);
  TFieldDef* element = array->AddChild();
  element->SetName("E");
  element->SetDataType(ftInteger);
  TFieldDef* adt = defs.Add("C", ftADT);
  TFieldDef* x = adt->AddChild();
  x->SetName("X");
  x->SetDataType(ftSmallint);
  TFieldDef* y = adt->AddChild();
  y->SetName("Y");
  y->SetDataType(ftInteger);
  defs.Add("D", ftInteger);
  store.LayoutRecord(defs);

  EXPECT_EQ(9, store.FieldCount());
  const Integer expected[] = {0, 5, 6, 11, 16, 21, 22, 25, 30};
  for (Integer no = 1; no <= 9; ++no) EXPECT_EQ(expected[no - 1], store.FieldOffset(no)) << no;
}

TEST(LayoutTest, LongStringsMoveOutOfTheRecordUnlessFast) {
  for (TvomPerformance performance : {mtpfFast, mtpfBalanced, mtpfSmall}) {
    TestTable t;
    t.store().SetPerformance(performance);
    t.AddField("S12", ftString, 12);
    t.AddField("S13", ftString, 13);
    t.AddField("B13", ftBytes, 13);
    t.AddField("W13", ftWideString, 13);
    t.Open();
    EXPECT_EQ(0, t.store().FieldFlags(1) & mtffIndirect);
    const Byte long_flags = performance == mtpfFast       ? 0
                            : performance == mtpfBalanced ? mtffIndirect
                                                          : (mtffIndirect | mtffCompressed);
    for (Integer no = 2; no <= 4; ++no) EXPECT_EQ(long_flags, t.store().FieldFlags(no)) << no;
    if (performance == mtpfFast)
      EXPECT_EQ(14, t.store().FieldOffset(2));
    else
      EXPECT_EQ(t.store().IndirectStart(), t.store().FieldOffset(2));
  }
}

TEST(LayoutTest, SetupFieldCanKeepALongStringInTheRecord) {
  TestTable t;
  t.store().SetPerformance(mtpfBalanced);
  t.AddField("Keep", ftString, 20);
  t.AddField("Move", ftString, 20);
  t.AddField("Blob", ftBlob);
  std::vector<Integer> asked;
  t.on_setup_field = [&](TFieldDef*, Integer no, Byte& flags) {
    asked.push_back(no);
    if (no == 1) flags = 0;
  };
  t.Open();
  EXPECT_EQ((std::vector<Integer>{1, 2}), asked);  // never for blobs
  EXPECT_EQ(0, t.store().FieldOffset(1));
  EXPECT_EQ(22, t.store().CalcStart());
  EXPECT_EQ(30, t.store().IndirectStart());  // after the bookmark area
  EXPECT_EQ(30, t.store().FieldOffset(2));
  EXPECT_EQ(39, t.store().FieldOffset(3));
  EXPECT_EQ(2, t.store().IndirectCount());
}

TEST(LayoutTest, BookmarkAreaHasASlotPerAttachedTable) {
  TestTable t;
  t.store().SetAttachMaxCount(3);
  t.AddField("A", ftInteger);
  t.Open();
  EXPECT_EQ(24, t.store().BookmarkSize());
  TvomRecord* r = t.NewRecord();
  t.store().SetBookmark(r, 2, 123456, bfEOF);
  t.store().SetBookmark(r, 0, 7, bfCurrent);
  EXPECT_EQ(123456, t.store().BookmarkSerial(r, 2));
  EXPECT_EQ(Byte{bfEOF}, t.store().BookmarkFlag(r, 2));
  EXPECT_EQ(7, t.store().BookmarkSerial(r, 0));
  EXPECT_EQ(0, t.store().BookmarkSerial(r, 1));
  t.store().FreeRecord(r, true, true);
}

TEST(LayoutTest, CalculatedFieldsLiveInTheCalculatedArea) {
  TestTable t;
  t.AddField("A", ftInteger);
  TField* calc = t.AddCalcField("C", ftInteger);
  t.calc_size = 5;
  t.Open();
  TvomRecord* r = t.NewRecord();
  EXPECT_EQ(r->Data + t.store().CalcStart(), t.store().FieldPointer(r, calc));
  EXPECT_EQ(r->Data, t.store().FieldPointer(r, t.Field("A")));
  EXPECT_EQ(nullptr, t.store().FieldPointer(nullptr, calc));
  t.store().FreeRecord(r, true, true);
}

TEST(LayoutTest, RefusesNoFieldsAndUnsupportedTypes) {
  TvomCommon store(nullptr);
  TFieldDefs defs(static_cast<TDataSet*>(nullptr));
  try {
    store.LayoutRecord(defs);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ("There must be at least one field", e.Message());
  }
  defs.Add("Ok", ftInteger);
  defs.Add("Cur", ftCursor);
  try {
    store.LayoutRecord(defs);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ("Fielddef Cur (Cur) Datatype 22 not supported.", e.Message());
  }
}

TEST(LayoutTest, TheStoreHoldsExactlyTheTypesTheDatasetMakesFieldsFor) {
  // A table can only show a stored value through a field, and a field of a
  // type the store cannot lay out could never be opened.
  for (int t = 0; t <= FieldTypeCount; ++t) {
    const auto type = static_cast<TFieldType>(t);
    const bool inRange = t < FieldTypeCount;
    EXPECT_EQ(TvomCommon::IsSupportedFieldType(type), HasFieldClass(type)) << t;
    if (!inRange) {
      EXPECT_FALSE(HasFieldClass(type)) << t;
    } else if (HasFieldClass(type)) {
      EXPECT_NE(NewField(type, nullptr), nullptr) << t;
    }
  }
}

}  // namespace
