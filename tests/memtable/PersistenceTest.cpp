// tests/memtable/PersistenceTest.cpp
//
// Saving and loading through files, the persistent file, and the
// maintenance operations: EmptyTable, CheckPoint and PackTable.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "ChangedTable.h"
#include "TestStreamFormat.h"
#include "platform/rtl/FileServices.h"

namespace fs = std::filesystem;

namespace {

class MemTableFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    String pattern = (fs::temp_directory_path() / "memtable-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  String Path(const String& name) const { return (fs::path(dir_) / name).string(); }
  static String Read(const String& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  static void Write(const String& path, const String& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  std::vector<String> Files() const {
    std::vector<String> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<TvomMemTable> People(std::initializer_list<std::vector<Variant>> rows) {
    auto table = NewPeopleTable();
    table->SetDefaultFormat(&format_);
    table->Open();
    AppendRows(*table, rows);
    return table;
  }

  // A closed people table kept in `name` through the test format, with a
  // backup of extension `backupExt` unless that is empty.
  std::unique_ptr<TvomMemTable> PersistentPeople(const String& name,
                                                 const String& backupExt = String()) {
    auto table = NewPeopleTable();
    table->SetPersistentFormat(&format_);
    table->SetPersistentFile(Path(name));
    table->SetPersistentBackup(!backupExt.empty());
    table->SetPersistentBackupExt(backupExt);
    table->SetPersistent(true);
    return table;
  }

  String dir_;
  TTestLineFormat format_;
};

}  // namespace

TEST_F(MemTableFiles, SaveAndLoadThroughTheDefaultFormat) {
  auto table = People({{1, "a"}, {2, "b"}});
  std::vector<TvomMemTableStorageType> events;
  table->OnSave = [&](TDataSet*, TvomMemTableStorageType type, TStream* stream) {
    EXPECT_NE(stream, nullptr);
    events.push_back(type);
  };
  table->SaveToFile(Path("t.txt"));
  EXPECT_EQ(Read(Path("t.txt")), "Id|Name\n1|a\n2|b\n");

  auto loaded = People({});
  loaded->OnLoad = [&](TDataSet*, TvomMemTableStorageType type, TStream*) {
    events.push_back(type);
  };
  loaded->LoadFromFile(Path("t.txt"));
  EXPECT_EQ(Column(*loaded, "Name"), Texts({"a", "b"}));
  EXPECT_EQ(events, (std::vector<TvomMemTableStorageType>{mtstFile, mtstFile}));
}

TEST_F(MemTableFiles, SavingReplacesAnExistingFileEntirely) {
  Write(Path("t.txt"), "a much longer old content that must go away entirely\n");
  auto table = People({{1, "a"}});
  table->SaveToFile(Path("t.txt"));
  EXPECT_EQ(Read(Path("t.txt")), "Id|Name\n1|a\n");
  EXPECT_EQ(Files(), (std::vector<String>{"t.txt"}));
}

TEST_F(MemTableFiles, AppendWritesAfterTheOldBytes) {
  Write(Path("t.txt"), "old\n");
  auto table = People({{1, "a"}});
  format_.SetsfAppend(sfSaveAppend);
  table->SaveToFile(Path("t.txt"));
  EXPECT_EQ(Read(Path("t.txt")), "old\nId|Name\n1|a\n");
}

TEST_F(MemTableFiles, AFailingSaveLeavesTheOldFileAndNoLeftovers) {
  Write(Path("t.txt"), "precious\n");
  auto table = People({{1, "a"}, {2, "b"}});
  format_.FailAfter = 1;
  EXPECT_THROW(table->SaveToFile(Path("t.txt")), EWriteError);
  EXPECT_EQ(Read(Path("t.txt")), "precious\n");
  EXPECT_EQ(Files(), (std::vector<String>{"t.txt"}));
  EXPECT_EQ(table->OperationState(), mtosIdle);
}

TEST_F(MemTableFiles, SavedFileKeepsTheTargetsPermissions) {
  Write(Path("t.txt"), "old\n");
  fs::permissions(Path("t.txt"),
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  auto table = People({{1, "a"}});
  table->SaveToFile(Path("t.txt"));
  EXPECT_EQ(fs::status(Path("t.txt")).permissions(),
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(MemTableFiles, SavingThroughALinkWritesTheLinkedFile) {
  Write(Path("real.txt"), "old\n");
  fs::create_symlink(Path("real.txt"), Path("link.txt"));
  auto table = People({{1, "a"}});
  table->SaveToFile(Path("link.txt"));
  EXPECT_TRUE(fs::is_symlink(Path("link.txt")));
  EXPECT_EQ(Read(Path("real.txt")), "Id|Name\n1|a\n");
}

TEST_F(MemTableFiles, EntryPointErrors) {
  auto table = People({{1, "a"}});
  try {
    table->SaveToFileViaFormat(Path("t.txt"), nullptr);
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "No format specified.");
  }
  EXPECT_THROW(table->LoadFromFile(Path("missing.txt")), EFOpenError);
  TMemoryStream stream;
  EXPECT_THROW(table->LoadFromStreamViaFormat(&stream, nullptr), EMemTableError);
  table->Close();
  EXPECT_THROW(table->SaveToFile(Path("t.txt")), EDatabaseError);
  EXPECT_FALSE(FileExists(Path("t.txt")));
  table->Open();
  EXPECT_THROW(table->SaveToFile(Path("nofolder/t.txt")), EFCreateError);
}

// --- the persistent file ------------------------------------------------------------------

TEST_F(MemTableFiles, PersistentTableWritesWhenClosedAndReadsWhenOpened) {
  {
    auto table = PersistentPeople("p.txt");
    table->Open();
    AppendRows(*table, {{1, "a"}});
    table->Close();
    EXPECT_EQ(Read(Path("p.txt")), "Id|Name\n1|a\n");
  }
  auto again = PersistentPeople("p.txt");
  again->Open();
  EXPECT_TRUE(again->Persistent());
  EXPECT_EQ(Column(*again, "Name"), Texts({"a"}));
  EXPECT_EQ(Files(), (std::vector<String>{"p.txt"}));
}

TEST_F(MemTableFiles, PersistentBackupKeepsTheOldFile) {
  Write(Path("p.txt"), "Id|Name\n7|old\n");
  auto table = PersistentPeople("p.txt", ".bak");
  table->Open();
  AppendRows(*table, {{8, "new"}});
  table->Close();
  EXPECT_EQ(Read(Path("p.bak")), "Id|Name\n7|old\n");
  EXPECT_EQ(Read(Path("p.txt")), "Id|Name\n7|old\n8|new\n");
}

TEST_F(MemTableFiles, AFailedBackupRenameIsReportedAndTheFileStays) {
  Write(Path("p.txt"), "Id|Name\n7|old\n");
  fs::create_directory(Path("p.bak"));
  Write(Path("p.bak/keep"), "x");  // a backup that cannot be deleted
  auto table = PersistentPeople("p.txt", ".bak");
  table->Open();
  try {
    table->SavePersistentFile();
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_NE(e.Message().find("p.txt"), String::npos);
  }
  EXPECT_EQ(Read(Path("p.txt")), "Id|Name\n7|old\n");
  EXPECT_EQ(Files(), (std::vector<String>{"p.bak", "p.txt"}));
  table->SetPersistent(false);  // closing would try again
}

TEST_F(MemTableFiles, AFailedPersistentSaveLeavesTheOldFile) {
  Write(Path("p.txt"), "Id|Name\n7|old\n");
  auto table = PersistentPeople("p.txt");
  table->Open();
  format_.FailAfter = 0;
  EXPECT_THROW(table->SavePersistentFile(), EWriteError);
  EXPECT_EQ(Read(Path("p.txt")), "Id|Name\n7|old\n");
  EXPECT_EQ(Files(), (std::vector<String>{"p.txt"}));
  format_.FailAfter = -1;
}

// --- maintenance ------------------------------------------------------------------------------

TEST(MemTableMaintenance, EmptyTablePostsAPendingEditThenRemovesEverything) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, {{1, "a"}, {2, "b"}});
  const TBookmark mark = table->GetBookmark();
  table->Edit();
  table->FieldByName("Name")->SetAsString("changed");
  bool posted = false;
  table->AfterPost = [&](TDataSet*) { posted = true; };
  table->EmptyTable();
  EXPECT_TRUE(posted);
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_EQ(table->RecordCount(), 0);
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_FALSE(table->BookmarkValid(mark));
  AppendRows(*table, {{3, "c"}});
  EXPECT_EQ(Column(*table, "Name"), Texts({"c"}));
}

TEST(MemTableMaintenance, EmptyTableEmptiesAttachedTables) {
  auto owner = NewPeopleTable();
  owner->SetAttachMaxCount(2);
  owner->Open();
  AppendRows(*owner, {{1, "a"}});
  TvomMemTable attached(nullptr);
  attached.SetAttachedTo(owner.get());
  attached.Open();
  EXPECT_EQ(attached.RecordCount(), 1);
  attached.EmptyTable();
  EXPECT_EQ(owner->RecordCount(), 0);
  EXPECT_EQ(attached.RecordCount(), 0);
  attached.Close();
}

TEST(MemTableMaintenance, CheckPointAcceptsAllChanges) {
  auto table = ChangedPeople();
  TvomCommon& store = table->Store();
  EXPECT_EQ(store.DeletedCount(), 2);
  table->CheckPoint();
  EXPECT_EQ(store.DeletedCount(), 0);
  Integer records = 0;
  for (Integer slot = 0; slot < store.RecordCount(); ++slot) {
    const TvomRecord* record = store.Records(slot);
    if (record == nullptr) continue;
    ++records;
    EXPECT_EQ(record->UpdateStatus, usUnmodified);
    EXPECT_EQ(record->PrevVersion, nullptr);
  }
  EXPECT_EQ(records, 4);
  EXPECT_TRUE(table->EnableVersioning());
  EXPECT_EQ(table->OperationState(), mtosIdle);
  EXPECT_EQ(Column(*table, "Name"), Texts({"a", "B", "d", "e"}));
}

TEST(MemTableMaintenance, CheckPointOfAnAttachedTableIsRefusedBeforeAnyChange) {
  auto owner = ChangedPeople();
  TvomMemTable attached(nullptr);
  attached.SetAttachedTo(owner.get());
  attached.Open();
  try {
    attached.CheckPoint();
    FAIL();
  } catch (const EMemTableError& e) {
    EXPECT_EQ(e.Message(), "Cannot checkpoint attached table.");
  }
  EXPECT_EQ(owner->Store().DeletedCount(), 2);
  attached.Close();
}

TEST(MemTableMaintenance, PackTableRenumbersSlots) {
  auto table = NewPeopleTable();
  table->Open();
  AppendRows(*table, {{1, "a"}, {2, "b"}, {3, "c"}, {4, "d"}});
  table->Locate("Id", 2, {});
  table->Delete();
  table->Locate("Id", 3, {});
  table->Delete();
  EXPECT_EQ(table->Store().RecordCount(), 4);
  table->PackTable();
  TvomCommon& store = table->Store();
  ASSERT_EQ(store.RecordCount(), 2);
  for (Integer slot = 0; slot < 2; ++slot) {
    EXPECT_EQ(store.Records(slot)->SlotNo, slot);
    EXPECT_EQ(store.Records(slot)->UpdateStatus, usUnmodified);
  }
  EXPECT_EQ(table->FieldByName("Id")->AsInteger(), 1);
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "4"}));
  EXPECT_EQ(table->OperationState(), mtosIdle);
}

TEST(MemTableMaintenance, PackingAnEmptyTable) {
  auto table = NewPeopleTable();
  table->Open();
  table->PackTable();
  EXPECT_TRUE(table->IsEmpty());
  EXPECT_EQ(table->OperationState(), mtosIdle);
}

TEST(MemTableMaintenance, PackTableDropsDeletedVersionsAndCancelsAPendingInsert) {
  auto table = ChangedPeople();
  table->Append();
  table->FieldByName("Id")->SetAsInteger(99);
  table->PackTable();
  EXPECT_EQ(table->State(), dsBrowse);
  EXPECT_EQ(table->Store().RecordCount(), 4);
  EXPECT_EQ(Column(*table, "Id"), Texts({"1", "2", "4", "5"}));
}
