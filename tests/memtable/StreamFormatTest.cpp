// tests/memtable/StreamFormatTest.cpp
//
// The stream-format framework: flag sets, the save and load maps, the
// protocol's steps and what they switch and restore, compression hooks.
#include <gtest/gtest.h>

#include "MemTableTestHelpers.h"
#include "TestStreamFormat.h"
#include "platform/data/BlobFields.h"

namespace {

std::unique_ptr<TvomMemTable> People(std::initializer_list<std::vector<Variant>> rows) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, rows);
  return table;
}

String Saved(TvomMemTable& table, TTestLineFormat& format) {
  TMemoryStream stream;
  table.SaveToStreamViaFormat(&stream, &format);
  return StreamText(stream);
}

// A table with a data, a calculated, a lookup, an invisible, a memo and an
// aggregate field; its lookup field reads `names`.
std::unique_ptr<TvomMemTable> Mixed(TDataSet* names) {
  auto table = std::make_unique<TvomMemTable>(nullptr);
  auto add = [&](const char* name, TFieldType type, TFieldKind kind, Integer size = 0) {
    TField* field = NewField(type, table.get()).release();
    field->SetFieldName(name);
    if (size > 0) field->SetSize(size);
    field->SetFieldKind(kind);
    field->SetDataSet(table.get());
    return field;
  };
  add("Id", ftInteger, fkData);
  add("Calc", ftInteger, fkCalculated);
  TField* look = add("Look", ftString, fkLookup, 5);
  look->SetLookupDataSet(names);
  look->SetKeyFields("Id");
  look->SetLookupKeyFields("Id");
  look->SetLookupResultField("Name");
  add("Hidden", ftString, fkData, 5)->SetVisible(false);
  add("Memo", ftMemo, fkData);
  add("Sum", ftInteger, fkAggregate);
  table->Open();
  return table;
}

}  // namespace

TEST(StreamFormatFlags, VersionCannotBeSet) {
  TTestLineFormat format;
  format.SetVersion("9.99");
  EXPECT_EQ(format.Version(), "1.00");
}

TEST(StreamFormatFlags, AssignCopiesTheFlagSetsOnly) {
  TTestLineFormat source, target;
  source.SetsfData(sfLoadData);
  source.SetsfCalculated(sfSaveCalculated);
  source.SetsfAppend(sfSaveInsert);
  source.SetsfFromStart({});
  source.OnBeforeSave = [](TObject*) {};
  target.Assign(&source);
  EXPECT_EQ(target.sfData(), sfLoadData);
  EXPECT_EQ(target.sfCalculated(), sfSaveCalculated);
  EXPECT_EQ(target.sfAppend(), sfSaveInsert);
  EXPECT_FALSE(HasAny(target.sfFromStart()));
  EXPECT_FALSE(target.OnBeforeSave);
  TStringList strings;
  EXPECT_THROW(target.Assign(&strings), EConvertError);
}

TEST(StreamFormatMaps, SaveMapByKindVisibilityAndBlobs) {
  auto names = People({{1, "a"}});
  auto table = Mixed(names.get());
  TTestLineFormat format;
  Saved(*table, format);
  // Calculated, lookup and aggregate fields are left out by default.
  EXPECT_EQ(format.SaveFieldMap(), (std::vector<Integer>{0, -1, -1, 3, 4, -1}));

  format.SetsfCalculated(sfSaveCalculated);
  format.SetsfLookup(sfSaveLookup);
  format.SetsfNonVisible({});
  Saved(*table, format);
  EXPECT_EQ(format.SaveFieldMap(), (std::vector<Integer>{0, 1, 2, -1, 4, -1}));

  // A blob data field is written for sfSaveBlobs even without sfSaveData.
  format.SetsfData({});
  Saved(*table, format);
  EXPECT_EQ(format.SaveFieldMap(), (std::vector<Integer>{-1, 1, 2, -1, 4, -1}));
  format.SetsfBlobs({});
  Saved(*table, format);
  EXPECT_EQ(format.SaveFieldMap(), (std::vector<Integer>{-1, 1, 2, -1, -1, -1}));
}

TEST(StreamFormatMaps, LoadMapByKindVisibilityAndBlobs) {
  auto names = People({{1, "a"}});
  auto table = Mixed(names.get());
  TTestLineFormat format;
  TStringStream stream("Id|Calc|Look|Hidden|Memo|Sum|Unknown\n");
  table->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_EQ(format.LoadFieldMap(), (std::vector<Integer>{0, -1, -1, 3, 4, -1, -1}));

  format.SetsfCalculated(sfLoadCalculated);
  format.SetsfLookup(sfLoadLookup);
  format.SetsfNonVisible(sfSaveNonVisible);
  format.SetsfBlobs(sfSaveBlobs);
  table->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_EQ(format.LoadFieldMap(), (std::vector<Integer>{0, 1, 2, -1, -1, -1, -1}));
}

TEST(StreamFormatMaps, LoadFieldIdsAreAskedBeforeAndAfterTheDefinitions) {
  auto table = People({});
  TTestLineFormat format;
  TStringStream stream("Name|Id\nann|1\n");
  table->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_EQ(format.Situations,
            (std::vector<TvomDetermineLoadFieldsSituation>{dlfBeforeLoad, dlfAfterLoadDef}));
  EXPECT_EQ(format.LoadFieldMap(), (std::vector<Integer>{1, 0}));
  EXPECT_EQ(Column(*table, "Name"), Texts({"ann"}));
}

TEST(StreamFormatMaps, NoColumnAtAllIsRefused) {
  auto table = People({});
  TTestLineFormat format;
  TStringStream stream("\n");
  try {
    table->LoadFromStreamViaFormat(&stream, &format);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Couldnt determine field count for load.");
  }
  EXPECT_EQ(table->OperationState(), mtosIdle);
  EXPECT_FALSE(table->ControlsDisabled());
}

TEST(StreamFormatSave, TruncatesUnlessAppendingOrInserting) {
  auto table = People({{1, "a"}});
  TTestLineFormat format;
  TStringStream stream("old content that is long\n");
  table->SaveToStreamViaFormat(&stream, &format);
  EXPECT_EQ(StreamText(stream), "Id|Name\n1|a\n");

  format.SetsfAppend(sfSaveAppend);
  stream.SetPosition(0);
  table->SaveToStreamViaFormat(&stream, &format);
  EXPECT_EQ(StreamText(stream), "Id|Name\n1|a\nId|Name\n1|a\n");

  format.SetsfAppend(sfSaveInsert);
  stream.SetPosition(0);
  table->SaveToStreamViaFormat(&stream, &format);
  EXPECT_EQ(StreamText(stream), "Id|Name\n1|a\nId|Name\n1|a\n");
  EXPECT_EQ(stream.Position(), 12);
}

TEST(StreamFormatSave, FilteredRecordsAreSavedUnlessAskedOtherwise) {
  auto table = People({{1, "a"}, {2, "b"}, {3, "c"}});
  table->SetFilter("Id <> 2");
  table->SetFiltered(true);
  TTestLineFormat format;
  EXPECT_EQ(Saved(*table, format), "Id|Name\n1|a\n2|b\n3|c\n");
  EXPECT_TRUE(table->Filtered());
  EXPECT_EQ(table->RecordCount(), 2);

  format.SetsfFiltered({});
  EXPECT_EQ(Saved(*table, format), "Id|Name\n1|a\n3|c\n");
}

TEST(StreamFormatSave, RangeIsIgnoredWhileSavingAndRestored) {
  auto table = People({{1, "a"}, {2, "b"}, {3, "c"}});
  table->AddIndex("ById", "Id", {});
  table->SetIndexName("ById");
  table->SetRange({2}, {2});
  TTestLineFormat format;
  EXPECT_EQ(Saved(*table, format), "Id|Name\n1|a\n2|b\n3|c\n");
  EXPECT_TRUE(table->RangeActive());
  format.SetsfIgnoreRange({});
  EXPECT_EQ(Saved(*table, format), "Id|Name\n2|b\n");
}

TEST(StreamFormatSave, EventsStateAndProgress) {
  auto table = People({{1, "a"}});
  TTestLineFormat format;
  std::vector<String> log;
  std::vector<Integer> progress;
  table->OnProgress = [&](TDataSet*, Integer p, TvomProgressCode code) {
    if (code == mtpcSave) progress.push_back(p);
  };
  format.OnBeforeSave = [&](TObject* sender) {
    EXPECT_EQ(sender, &format);
    EXPECT_EQ(table->OperationState(), mtosSaving);
    EXPECT_TRUE(table->ControlsDisabled());
    log.push_back("before");
  };
  format.OnAfterSave = [&](TObject*) { log.push_back("after"); };
  Saved(*table, format);
  EXPECT_EQ(log, (std::vector<String>{"before", "after"}));
  EXPECT_EQ(progress, (std::vector<Integer>{0, 100}));
  EXPECT_EQ(table->OperationState(), mtosIdle);
  EXPECT_FALSE(table->ControlsDisabled());
  EXPECT_EQ(format.Stream(), nullptr);
  EXPECT_EQ(format.WorkStream(), nullptr);
}

TEST(StreamFormatSave, AFailingSaveStillRestoresTheTable) {
  auto table = People({{1, "a"}, {2, "b"}});
  table->SetFilter("Id > 0");
  table->SetFiltered(true);
  TTestLineFormat format;
  format.FailAfter = 1;
  bool after = false;
  format.OnAfterSave = [&](TObject*) { after = true; };
  TMemoryStream stream;
  EXPECT_THROW(table->SaveToStreamViaFormat(&stream, &format), EWriteError);
  EXPECT_FALSE(after);
  EXPECT_TRUE(table->Filtered());
  EXPECT_EQ(table->OperationState(), mtosIdle);
  EXPECT_FALSE(table->ControlsDisabled());
  // The store is free again: a change through the table goes through.
  table->AppendRecord({3, "c"});
  EXPECT_EQ(table->RecordCount(), 3);
}

TEST(StreamFormatSave, CompressionHooksWrapTheWholeContent) {
  auto table = People({{1, "a"}, {2, "b"}});
  TTestLineFormat format;
  format.OnCompress = [](TvomCustomMemTable*, TStream* plain, TStream* packed) {
    String text = StreamText(*plain);
    std::reverse(text.begin(), text.end());
    packed->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  };
  format.OnDeCompress = [](TvomCustomMemTable*, TStream* packed, TStream* plain) {
    String text = StreamText(*packed);
    std::reverse(text.begin(), text.end());
    plain->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  };
  TMemoryStream stream;
  table->SaveToStreamViaFormat(&stream, &format);
  EXPECT_EQ(StreamText(stream), "\nb|2\na|1\nemaN|dI");

  auto loaded = People({});
  loaded->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_EQ(Column(*loaded, "Name"), Texts({"a", "b"}));
}

TEST(StreamFormatLoad, EventsSwitchesAndIndexes) {
  auto table = People({{9, "z"}});
  table->AddIndex("ByName", "Name", {});
  table->SetIndexName("ByName");
  table->SetPersistent(true);
  TTestLineFormat format;
  bool checked = false;
  format.OnBeforeLoad = [&](TObject* sender) {
    EXPECT_EQ(sender, &format);
    EXPECT_EQ(table->OperationState(), mtosLoading);
    EXPECT_FALSE(table->Persistent());
    EXPECT_FALSE(table->EnableIndexes());
    EXPECT_TRUE(table->IgnoreReadOnly());
    EXPECT_TRUE(table->KeepLoadedAutoInc());
    checked = true;
  };
  TStringStream stream("Id|Name\n2|b\n1|a\n");
  table->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_TRUE(checked);
  EXPECT_TRUE(table->Persistent());
  EXPECT_TRUE(table->EnableIndexes());
  EXPECT_FALSE(table->IgnoreReadOnly());
  EXPECT_EQ(table->OperationState(), mtosIdle);
  // The index was rebuilt with the loaded records.
  EXPECT_EQ(Column(*table, "Name"), Texts({"a", "b", "z"}));
}

TEST(StreamFormatLoad, GoesToTheFirstRecordOrBackToTheBookmark) {
  auto table = People({{1, "a"}, {2, "b"}, {3, "c"}});
  TTestLineFormat format;
  TStringStream stream("Id|Name\n4|d\n");
  table->Locate("Id", 2, {});
  table->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 1);

  table->SetAutoReposition(true);
  table->Locate("Id", 3, {});
  table->LoadFromStreamViaFormat(&stream, &format);
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 3);
}
