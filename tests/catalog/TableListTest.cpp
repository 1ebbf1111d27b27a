// The table-list manager: building tables from field lines, the
// "Action" marks, parent and child items, default values and the lifetime of
// items and tables.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <vector>

#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/ClassRegistry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Reader.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Writer.h"

namespace {

class TableList : public ::testing::Test {
 protected:
  TableList() { InitializeTableList(); }

  TvomMemTable* NewTable() { return new TvomMemTable(module_.get()); }

  // An item named `name` over a new table, built from `field_lines`.
  TLStrItem* AddItem(const String& name, const std::vector<String>& field_lines,
                     TOpenOptions options = {ooFromList}) {
    TLStrItem* item = list_->Items()->Add();
    item->SetDisplayName(name);
    item->SetMemTable(NewTable());
    for (const String& s : field_lines) item->AddFields()->Add(s);
    item->SetOpenOptions(options);
    return item;
  }

  // The fields in order, each as name, kind letter and size: "id N0,path C500".
  static String Fields(TDataSet* table) {
    static const std::map<TFieldType, String> kinds = {
        {ftBlob, "B"},     {ftString, "C"}, {ftDate, "D"},    {ftFloat, "F"},   {ftGraphic, "G"},
        {ftSmallint, "I"}, {ftMemo, "M"},   {ftInteger, "N"}, {ftDateTime, "T"}};
    String text;
    for (Integer i = 0; i < table->FieldCount(); ++i) {
      TField* f = table->Fields(i);
      text += (i ? "," : "") + f->FieldName() + " " + kinds.at(f->DataType()) + IntToStr(f->Size());
    }
    return text;
  }
  // The fields that opening an item with these field lines gives.
  String FieldsOf(const std::vector<String>& field_lines) {
    TLStrItem* item = AddItem("t", field_lines);
    item->Open();
    return Fields(item->MemTable());
  }

  static String Action(TDataSet* table) { return table->FieldByName("Action")->AsString(); }

  static void AppendRow(TDataSet* table, const String& field, const String& value) {
    table->Append();
    table->FieldByName(field)->SetAsString(value);
    table->Post();
  }
  // A row that carries no mark, as rows loaded from a file may.
  static void AppendUnmarkedRow(TDataSet* table, const String& field, const String& value) {
    table->DisableControls();
    AppendRow(table, field, value);
    table->EnableControls();
  }

  std::unique_ptr<TComponent> module_ = std::make_unique<TComponent>(nullptr);
  TLList* list_ = new TLList(module_.get());
};

// --- field lines -------------------------------------------------------------------

TEST_F(TableList, EachKindLetterGivesItsFieldType) {
  EXPECT_EQ(FieldsOf({"b, B, 0", "c, C, 7", "d, D, 0", "f, F, 0", "g, G, 0", "i, I, 0", "m, M, 0",
                      "n, N, 0", "t, T, 0"}),
            "b B0,c C7,d D0,f F0,g G0,i I0,m M0,n N0,t T0,Action C5");
}

TEST_F(TableList, KindIsTrimmedAndUpperCasedAndAWordMeansString) {
  EXPECT_EQ(FieldsOf({"size, C, 20", "path, c , 500", "note, CHAR, 40", "empty, , 3", "n,  n ,0"}),
            "size C20,path C500,note C40,empty C3,n N0,Action C5");
}

TEST_F(TableList, LinesOfAnotherShapeOrAnUnknownLetterAreSkipped) {
  EXPECT_EQ(FieldsOf({"flag, X, 0", "a, N", "a, N, 0, 1", "", "kept, N, 0"}), "kept N0,Action C5");
}

TEST_F(TableList, AKindOfOneCharacterIsALetterHoweverManyBytesItTakes) {
  // One letter that names no kind skips the line; two make a word: a string.
  EXPECT_EQ(FieldsOf({"x, é, 5", "y, \xE6\x97\xA5, 5", "z, \xF0\x9F\x98\x80, 5", "bad, \xC3, 5",
                      "word, éé, 6", "kept, N, 0"}),
            "word C6,kept N0,Action C5");
}

TEST_F(TableList, TheNameIsTakenAsItStandsAndCaseDuplicatesAreSkipped) {
  EXPECT_EQ(FieldsOf({" lead, C, 4", "Comment, C, 255", "COMMENT, N, 0", "comment, C, 10"}),
            " lead C4,Comment C255,Action C5");
}

TEST_F(TableList, TheSizeIsReadAsAnInteger) {
  EXPECT_EQ(FieldsOf({"a, C,  12 ", "b, C, $10", "c, C, 0x20", "d, N, "}),
            "a C12,b C16,c C32,d N0,Action C5");
}

TEST_F(TableList, ASizeThatIsNoNumberFailsAndKeepsTheDefinitionsBefore) {
  TLStrItem* item = AddItem("t", {"first, C, 10", "second, C, ten", "third, C, 10"});
  EXPECT_THROW(item->Open(), EConvertError);
  ASSERT_EQ(item->MemTable()->FieldDefs()->Count(), 1);
  EXPECT_EQ(item->MemTable()->FieldDefs()->Items(0)->Name(), "first");
  EXPECT_FALSE(item->MemTable()->Active());
}

// --- opening -------------------------------------------------------------------------

TEST_F(TableList, TheCatalogueTableIsBuiltFromTheItemDir) {
  EXPECT_EQ(
      FieldsOf({"idparent, N, 0", "id, N, 0", "dirname, c, 255", "path, c, 500", "IdFile, N, 0",
                "SN, C, 20", "Vollabel, C, 255", "FileSystem, C, 255", "FileSize, N, 0",
                "FileAttr, N, 0", "DateCreated, T, 0", "TotalSize, N, 0", "ImIndex, N, 0",
                "StImIndex, N, 0", "Comment, C, 255", "LastUpdate, T, 0"}),
      "idparent N0,id N0,dirname C255,path C500,IdFile N0,SN C20,Vollabel C255,FileSystem C255,"
      "FileSize N0,FileAttr N0,DateCreated T0,TotalSize N0,ImIndex N0,StImIndex N0,Comment C255,"
      "LastUpdate T0,Action C5");
}

TEST_F(TableList, OpeningTwiceGivesTheSameFieldsAndAnEmptyTable) {
  TLStrItem* item = AddItem("t", {"name, C, 10", "size, N, 0"});
  item->Open();
  const String first = Fields(item->MemTable());
  AppendRow(item->MemTable(), "name", "x");
  item->Open();
  EXPECT_EQ(Fields(item->MemTable()), first);
  EXPECT_EQ(item->MemTable()->RecordCount(), 0);
}

TEST_F(TableList, OpenOptionsChooseWhereTheFieldsComeFrom) {
  EXPECT_EQ(FieldsOf({"name, C, 10", "action, C, 2"}), "name C10,action C2");
  TLStrItem* self = AddItem("s", {"extra, N, 0"}, {ooFromList, ooUseSelfFields});
  self->MemTable()->FieldDefs()->Add("own", ftString, 3);
  self->Open();
  EXPECT_EQ(Fields(self->MemTable()), "own C3,extra N0,Action C5");
  TLStrItem* none = AddItem("n", {"extra, N, 0"}, {});
  none->Open();
  EXPECT_EQ(Fields(none->MemTable()), "Action C5");
}

TEST_F(TableList, OpeningFiresBeforeAndAfterWithTheItem) {
  TLStrItem* item = AddItem("dir", {"a, N, 0"});
  std::vector<String> seen;
  list_->OnBeforeItemOpen = [&](TObject* sender, const String& name) {
    EXPECT_EQ(sender, item);
    seen.push_back("before " + name + (item->MemTable()->Active() ? " open" : ""));
  };
  list_->OnAfterItemOpen = [&](TObject* sender, const String& name) {
    EXPECT_EQ(sender, item);
    seen.push_back("after " + name + (item->MemTable()->Active() ? " open" : ""));
  };
  item->Open();
  EXPECT_EQ(seen, (std::vector<String>{"before dir", "after dir open"}));
}

TEST_F(TableList, DataChangesAreReportedOnlyWhileOpen) {
  TLStrItem* item = AddItem("t", {"name, C, 10"});
  std::vector<TField*> changed;
  list_->OnDataChange = [&](TObject* sender, TvomMemTable* table, TField* field) {
    EXPECT_EQ(sender, item);
    EXPECT_EQ(table, item->MemTable());
    changed.push_back(field);
  };
  item->Open();
  AppendRow(item->MemTable(), "name", "x");
  EXPECT_NE(std::find(changed.begin(), changed.end(), item->MemTable()->FieldByName("name")),
            changed.end());
  item->Close();
  changed.clear();
  item->MemTable()->Open();
  AppendRow(item->MemTable(), "name", "y");
  EXPECT_TRUE(changed.empty());
}

// --- the "Action" marks --------------------------------------------------------------

TEST_F(TableList, AnInsertedRowIsMarkedABeforeTheTableSeesIt) {
  TLStrItem* item = AddItem("t", {"name, C, 10"});
  item->Open();
  String seenByTable;
  std::vector<String> newRecords;
  item->MemTable()->OnNewRecord = [&](TDataSet* table) { seenByTable = Action(table); };
  list_->OnNewRecord = [&](TObject*, const String& name) { newRecords.push_back(name); };
  AppendRow(item->MemTable(), "name", "x");
  EXPECT_EQ(seenByTable, "A");
  EXPECT_EQ(Action(item->MemTable()), "A");
  item->MemTable()->Edit();
  item->MemTable()->Post();
  EXPECT_EQ(newRecords, (std::vector<String>{"t"}));
}

TEST_F(TableList, AnEditedRowIsMarkedEAndTheFirstMarkStays) {
  TLStrItem* item = AddItem("t", {"name, C, 10"});
  item->Open();
  TvomMemTable* table = item->MemTable();
  AppendRow(table, "name", "new");
  AppendUnmarkedRow(table, "name", "old");
  EXPECT_EQ(Action(table), "");
  table->Edit();
  table->Post();
  EXPECT_EQ(Action(table), "E");
  table->First();
  table->Edit();
  table->FieldByName("name")->SetAsString("new2");
  table->Post();
  EXPECT_EQ(Action(table), "A");
}

TEST_F(TableList, CopiedRowsKeepTheMarksTheyBring) {
  TLStrItem* item = AddItem("t", {"name, C, 10"});
  item->Open();
  TvomMemTable* source = NewTable();
  source->FieldDefs()->Add("name", ftString, 10);
  source->FieldDefs()->Add("Action", ftString, 5);
  source->Open();
  source->AppendRecord({Variant("edited"), Variant("E")});
  source->AppendRecord({Variant("unmarked"), Null()});
  item->MemTable()->LoadFromDataSet(source, coAppend);
  item->MemTable()->First();
  EXPECT_EQ(Action(item->MemTable()), "E");
  item->MemTable()->Next();
  EXPECT_EQ(Action(item->MemTable()), "");
}

// --- default values ------------------------------------------------------------------

TEST_F(TableList, DefaultValuesFillNewRows) {
  TLStrItem* item = AddItem("t", {"Comment, C, 20", "ImIndex, N, 0"});
  item->DefValues()->SetText("Comment=a=b\n ImIndex =11\nMissing=1\n");
  item->Open();
  item->MemTable()->Append();
  EXPECT_EQ(item->MemTable()->FieldByName("Comment")->AsString(), "a");
  EXPECT_EQ(item->MemTable()->FieldByName("ImIndex")->AsInteger(), 11);
  item->MemTable()->Cancel();
  AppendUnmarkedRow(item->MemTable(), "Comment", "kept");
  item->LoadDefValues();  // a browsing row is left alone
  EXPECT_EQ(item->MemTable()->FieldByName("Comment")->AsString(), "kept");
}

TEST_F(TableList, TheBeforeHandlerCanKeepDefaultValuesOff) {
  TLStrItem* item = AddItem("t", {"Comment, C, 20"});
  item->DefValues()->Add("Comment=none");
  int after = 0;
  list_->OnBeforeLoadDefValues = [](TObject*, bool& load) { load = false; };
  list_->OnAfterLoadDefValues = [&](TObject*, const String&) { ++after; };
  item->Open();
  item->MemTable()->Append();
  EXPECT_TRUE(item->MemTable()->FieldByName("Comment")->IsNull());
  EXPECT_GT(after, 0);
}

// --- parent and child items ----------------------------------------------------------

class ParentAndChild : public TableList {
 protected:
  ParentAndChild() {
    parent_ = AddItem("disk", {"id, N, 0", "name, C, 20"}, {ooFromList, ooChild});
    parent_->SetKeyName("id");
    child_ =
        AddItem("folder", {"id, N, 0", "idparent, N, 0", "name, C, 20"}, {ooFromList, ooChild});
    child_->SetKeyName("id");
    child_->SetParentKeyName("idparent");
    SetChildren(parent_, "folder");
  }
  static void SetChildren(TLStrItem* item, const String& names) {
    TStringList children;
    children.SetCommaText(names);
    item->SetChildItemsNames(&children);
  }
  TvomMemTable* ParentTable() { return parent_->MemTable(); }
  TvomMemTable* ChildTable() { return child_->MemTable(); }

  TLStrItem* parent_;
  TLStrItem* child_;
};

TEST_F(ParentAndChild, AssigningChildrenNamesTheParent) {
  EXPECT_EQ(child_->ParentItem(), parent_);
  EXPECT_EQ(parent_->ParentItem(), nullptr);
}

TEST_F(ParentAndChild, ANewChildRowCreatesAMarkedParentRowAndTakesItsKey) {
  parent_->DefValues()->Add("id=5");
  parent_->Open();
  ChildTable()->Append();
  EXPECT_EQ(ParentTable()->RecordCount(), 1);
  EXPECT_EQ(ParentTable()->State(), dsBrowse);
  EXPECT_EQ(Action(ParentTable()), "A");
  EXPECT_EQ(ChildTable()->State(), dsInsert);
  EXPECT_EQ(ChildTable()->FieldByName("idparent")->AsString(), "5");
  EXPECT_EQ(ChildTable()->FieldByName("id")->AsString(), "-1");
  ChildTable()->Post();
  ChildTable()->Append();
  EXPECT_EQ(ChildTable()->FieldByName("id")->AsString(), "-2");
  EXPECT_EQ(ParentTable()->RecordCount(), 1);
  ChildTable()->Cancel();
}

TEST_F(ParentAndChild, AParentRowAlreadyMarkedKeepsItsMark) {
  parent_->Open();
  AppendRow(ParentTable(), "id", "7");
  ChildTable()->Append();
  EXPECT_EQ(ParentTable()->RecordCount(), 1);
  EXPECT_EQ(Action(ParentTable()), "A");
  EXPECT_EQ(ChildTable()->FieldByName("idparent")->AsString(), "7");
  ChildTable()->Post();
}

TEST_F(ParentAndChild, EditingAChildRowMarksAnUnmarkedParentRowE) {
  parent_->Open();
  AppendUnmarkedRow(ParentTable(), "name", "disk");
  AppendUnmarkedRow(ChildTable(), "name", "folder");
  ChildTable()->Edit();
  EXPECT_EQ(Action(ChildTable()), "E");
  EXPECT_EQ(Action(ParentTable()), "E");
  EXPECT_EQ(ParentTable()->State(), dsBrowse);
  ChildTable()->Post();
}

TEST_F(ParentAndChild, AParentWithoutItsKeyFieldIsLeftAlone) {
  parent_->SetKeyName("nokey");
  parent_->Open();
  AppendRow(ChildTable(), "name", "folder");
  EXPECT_EQ(ParentTable()->RecordCount(), 0);
  EXPECT_TRUE(ChildTable()->FieldByName("idparent")->IsNull());
}

TEST_F(ParentAndChild, MarksTravelUpThroughEveryAncestor) {
  TLStrItem* file = AddItem("file", {"id, N, 0", "idfolder, N, 0"});
  file->SetKeyName("id");
  file->SetParentKeyName("idfolder");
  SetChildren(child_, "file");
  parent_->Open();
  AppendUnmarkedRow(ParentTable(), "name", "disk");
  file->MemTable()->Append();
  EXPECT_EQ(Action(ChildTable()), "A");
  EXPECT_EQ(Action(ParentTable()), "E");
  EXPECT_EQ(file->MemTable()->FieldByName("idfolder")->AsString(),
            ChildTable()->FieldByName("id")->AsString());
  file->MemTable()->Post();
}

TEST_F(ParentAndChild, MarkEditedMarksARowBeingEditedWithoutPosting) {
  parent_->Open();
  AppendUnmarkedRow(ParentTable(), "name", "disk");
  ParentTable()->Edit();
  ParentTable()->FieldByName("Action")->Clear();
  parent_->MarkEdited();
  EXPECT_EQ(ParentTable()->State(), dsEdit);
  EXPECT_EQ(Action(ParentTable()), "E");
  ParentTable()->Cancel();
}

TEST_F(ParentAndChild, ChildrenOpenAfterAndCloseBeforeTheirParent) {
  std::vector<String> order;
  list_->OnAfterItemOpen = [&](TObject*, const String& name) { order.push_back("open " + name); };
  ParentTable()->AfterClose = [&](TDataSet*) { order.push_back("close disk"); };
  ChildTable()->AfterClose = [&](TDataSet*) { order.push_back("close folder"); };
  parent_->Open();
  parent_->Close();
  EXPECT_EQ(order, (std::vector<String>{"open disk", "open folder", "close folder", "close disk"}));
}

TEST_F(ParentAndChild, ItemsThatNameEachOtherAsChildrenStillOpenAndClose) {
  SetChildren(child_, "disk,nothing");
  parent_->Open();
  EXPECT_TRUE(ParentTable()->Active() && ChildTable()->Active());
  parent_->Close();
  EXPECT_FALSE(ParentTable()->Active() || ChildTable()->Active());
}

TEST_F(ParentAndChild, AnUnknownParentNameIsIgnored) {
  child_->SetParentItemName("nobody");
  parent_->Open();
  AppendRow(ChildTable(), "name", "folder");
  EXPECT_EQ(Action(ChildTable()), "A");
  EXPECT_EQ(ParentTable()->RecordCount(), 0);
}

TEST_F(TableList, AnItemThatIsItsOwnParentStillTakesNewRows) {
  TLStrItem* tree = AddItem("tree", {"id, N, 0", "idparent, N, 0"});
  tree->SetKeyName("id");
  tree->SetParentKeyName("idparent");
  tree->SetParentItemName("tree");
  tree->Open();
  tree->MemTable()->Append();
  EXPECT_EQ(tree->MemTable()->FieldByName("id")->AsString(), "-1");
  tree->MemTable()->Post();
  EXPECT_EQ(tree->MemTable()->RecordCount(), 1);
}

// --- the collection and the manager ------------------------------------------------

TEST_F(TableList, NewItemsAreNamedAfterTheirClassAndTheCount) {
  EXPECT_EQ(list_->Items()->Add()->DisplayName(), "TLStrItem1");
  EXPECT_EQ(list_->Items()->Add()->DisplayName(), "TLStrItem2");
  EXPECT_EQ(list_->Items()->Add()->OpenOptions(),
            (TOpenOptions{ooFromList, ooFromDataSet, ooChild}));
}

TEST_F(TableList, InIdCountsDownForTheLifeOfTheCollection) {
  EXPECT_EQ(list_->Items()->InId(), -1);
  EXPECT_EQ(list_->Items()->InId(), -2);
  list_->Items()->Clear();
  EXPECT_EQ(list_->Items()->InId(), -3);
}

TEST_F(TableList, FindItemAndItemRecordCount) {
  TLStrItem* dir = AddItem("dir", {"a, N, 0"});
  list_->Items()->Add()->SetDisplayName("bare");
  EXPECT_EQ(list_->Items()->FindItem("Dir"), nullptr);
  TLStrItem* found = dir;
  EXPECT_EQ(list_->ItemRecordCount("none", found), -1);
  EXPECT_EQ(found, nullptr);
  EXPECT_EQ(list_->ItemRecordCount("dir", found), -1);
  EXPECT_EQ(found, dir);
  EXPECT_EQ(list_->ItemRecordCount("bare", found), -1);
  dir->Open();
  AppendRow(dir->MemTable(), "a", "1");
  EXPECT_EQ(list_->ItemRecordCount("dir", found), 1);
}

TEST_F(TableList, AnItemWithoutTableOpensToNothing) {
  TLStrItem* item = list_->Items()->Add();
  int after = 0;
  list_->OnAfterItemOpen = [&](TObject*, const String&) { ++after; };
  item->Open();
  item->Close();
  EXPECT_EQ(after, 0);
}

TEST_F(TableList, ATableFreedBeforeItsManagerLeavesNoReference) {
  auto table = std::make_unique<TvomMemTable>(nullptr);  // owned elsewhere than the manager
  TLStrItem* item = list_->Items()->Add();
  item->SetMemTable(table.get());
  item->AddFields()->Add("a, N, 0");
  item->Open();
  table.reset();
  EXPECT_EQ(item->MemTable(), nullptr);
  EXPECT_EQ(item->DataSMt()->DataSet(), nullptr);
  item->Open();
}

TEST_F(TableList, TheOwnerMayFreeItsComponentsInAnyOrder) {
  AddItem("dir", {"a, N, 0"})->Open();
  module_.reset();  // frees the table (created last) before the manager
  auto other = std::make_unique<TComponent>(nullptr);
  auto* manager = new TLList(other.get());
  auto* table = new TvomMemTable(other.get());
  manager->Items()->Add()->SetMemTable(table);
  delete manager;  // the table outlives the manager and its items
  table->FieldDefs()->Add("x", ftInteger);
  table->Open();
  AppendRow(table, "x", "1");
  EXPECT_EQ(table->RecordCount(), 1);
}

TEST_F(TableList, StoredDefinitionsKeepTheItemsAndTheirTables) {
  module_->SetName("Module");
  list_->SetName("LList");
  TLStrItem* dir = AddItem("dir", {"idparent, N, 0", "path, c, 500"});
  dir->MemTable()->SetName("MTDir");
  dir->DefValues()->Add("Comment=a=b");
  dir->SetTag(4);
  list_->Items()->Add()->SetDisplayName("listfiles");
  TMemoryStream stream;
  {
    TWriter writer(&stream, 4096);
    writer.WriteRootComponent(module_.get());
    writer.FlushBuffer();
  }
  stream.SetPosition(0);
  TComponent copy(nullptr);
  copy.SetName("Module");
  auto* list = new TLList(&copy);
  list->SetName("LList");
  auto* copyTable = new TvomMemTable(&copy);
  copyTable->SetName("MTDir");
  TReader(&stream, 4096).ReadRootComponent(&copy);

  ASSERT_EQ(list->Items()->Count(), 2);
  TLStrItem* item = list->Items()->Items(0);
  EXPECT_EQ(item->DisplayName(), "dir");
  EXPECT_EQ(item->DataSMt()->DataSet(), copyTable);
  EXPECT_EQ(item->AddFields()->Text(), "idparent, N, 0\npath, c, 500\n");
  EXPECT_EQ(item->DefValues()->Text(), "Comment=a=b\n");
  EXPECT_EQ(item->Tag(), 4);
  EXPECT_EQ(item->OpenOptions(), (TOpenOptions{ooFromList}));
  EXPECT_EQ(list->Items()->Items(1)->DisplayName(), "listfiles");
  EXPECT_EQ(list->Items()->Items(1)->MemTable(), nullptr);
  EXPECT_NE(FindClass("TLStrItem").Create, nullptr);
}

}  // namespace
