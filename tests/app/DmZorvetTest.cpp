// The data module's components and settings, the catalogue file at open and
// close, the lock, and the small routines.
#include <filesystem>

#include "app/CatalogueLock.h"
#include "app/ZorvetPictures.h"
#include "catalog/FindFile.h"
#include "catalog/VolumeInformation.h"
#include "memtable/BinaryStreamFormat.h"
#include "memtable/CsvStreamFormat.h"
#include "platform/controls/ImageLists.h"
#include "platform/data/DataSource.h"
#include "platform/data/FieldDefs.h"
#include "platform/rtl/DateTime.h"
#include "platform/win/ImageList.h"
#include "tests/app/AppTestSupport.h"

namespace {

class DataModuleTest : public AppTest {
 protected:
  // The bytes of "Zorvet.stbl" after a scan of a disc of these files, with
  // the module closed.
  std::vector<unsigned char> SavedCatalogue(const std::vector<std::string>& files) {
    const std::string disc = temp_.MakeFolder("disc");
    for (const std::string& name : files) temp_.Write("disc/" + name, "abc");
    MapDisc(disc);
    OpenModule();
    EXPECT_EQ(Scan(), "");
    EXPECT_EQ(module_->SaveCatalogue(), "");
    CloseModule();
    return drive_test::ReadFile(catalogue_ + "/Zorvet.stbl");
  }
};

TEST_F(DataModuleTest, TablesShareTheirSettings) {
  OpenModule();
  TDmZorvet& dm = *module_;
  for (TvomMemTable* table : {dm.MTDir, dm.MTList, dm.MTFiles, dm.MtFound}) {
    SCOPED_TRACE(table->Name());
    EXPECT_TRUE(table->DesignActivation());
    EXPECT_TRUE(table->AttachedAutoRefresh());
    EXPECT_EQ(table->AttachMaxCount(), 1);
    EXPECT_EQ(table->SortOptions(), mtcoNone);
    EXPECT_FALSE(table->PersistentBackup());
    EXPECT_EQ(table->ProgressFlags(), (TvomProgressCodes{mtpcLoad, mtpcSave, mtpcCopy}));
    EXPECT_EQ(table->LanguageID(), 0);
    EXPECT_EQ(table->SortID(), 0);
    EXPECT_EQ(table->SubLanguageID(), 1);
    EXPECT_EQ(table->LocaleID(), 1024);
    EXPECT_EQ(table->DefaultFormat(), dm.CSV);
    EXPECT_EQ(table->CommaTextFormat(), dm.CSV);
    EXPECT_EQ(table->AllDataFormat(), dm.CSV);
    EXPECT_EQ(table->FormFormat(), dm.CSV);
    EXPECT_EQ(table->PersistentFormat(), dm.Bin);
  }
  EXPECT_EQ(dm.DSDir->DataSet(), dm.MTDir);
  EXPECT_EQ(dm.DSMtFiles->DataSet(), dm.MTFiles);
  EXPECT_EQ(dm.DSFound->DataSet(), dm.MtFound);
  EXPECT_TRUE(dm.FindFile->Recurse());
  EXPECT_EQ(dm.FindFile->Filter(), "*.*");
  EXPECT_EQ(dm.VolInfo->Drive(), '\0');
  EXPECT_FALSE(dm.ComponentState().Contains(csLoading));
  EXPECT_FALSE(dm.MTDir->ComponentState().Contains(csLoading));
}

TEST_F(DataModuleTest, FormatsCarryTheCatalogueFlags) {
  OpenModule();
  TvomCSVStreamFormat* csv = module_->CSV;
  EXPECT_EQ(csv->CSVQuote(), '"');
  EXPECT_EQ(csv->CSVFieldDelimiter(), ',');
  EXPECT_EQ(csv->CSVRecordDelimiter(), ',');
  EXPECT_EQ(csv->CSVTrueString(), "True");
  EXPECT_EQ(csv->CSVFalseString(), "False");
  EXPECT_EQ(csv->sfDef(), sfSaveDef | sfLoadDef);
  EXPECT_EQ(csv->sfIndexDef(), sfSaveIndexDef | sfLoadIndexDef);
  EXPECT_EQ(csv->sfNoHeader(), TvomStreamFlagsNoHeader{});
  EXPECT_EQ(csv->sfDeltas(), TvomStreamFlagsDeltas{});
  EXPECT_EQ(csv->sfFromStart(), sfLoadFromStart);
  TvomBinaryStreamFormat* bin = module_->Bin;
  EXPECT_EQ(bin->Version(), "3.00");
  EXPECT_EQ(bin->BufferSize(), 16384);
  EXPECT_EQ(bin->sfDataTypeHeader(), sfSaveDataTypeHeader | sfLoadDataTypeHeader);
  EXPECT_EQ(bin->sfFieldKind(), sfSaveFieldKind);
}

TEST_F(DataModuleTest, TheItemDirBuildsTheSeventeenCatalogueFields) {
  OpenModule();
  const std::vector<std::pair<String, TFieldType>> expected = {
      {"idparent", ftInteger},    {"id", ftInteger},           {"dirname", ftString},
      {"path", ftString},         {"IdFile", ftInteger},       {"SN", ftString},
      {"Vollabel", ftString},     {"FileSystem", ftString},    {"FileSize", ftInteger},
      {"FileAttr", ftInteger},    {"DateCreated", ftDateTime}, {"TotalSize", ftInteger},
      {"ImIndex", ftInteger},     {"StImIndex", ftInteger},    {"Comment", ftString},
      {"LastUpdate", ftDateTime}, {"Action", ftString}};
  TvomMemTable* dir = module_->MTDir;
  ASSERT_TRUE(dir->Active());
  ASSERT_EQ(dir->FieldCount(), static_cast<Integer>(expected.size()));
  for (Integer i = 0; i < dir->FieldCount(); ++i) {
    EXPECT_EQ(dir->Fields(i)->FieldName(), expected[i].first);
    EXPECT_EQ(dir->Fields(i)->DataType(), expected[i].second) << expected[i].first;
  }
  EXPECT_EQ(dir->FieldByName("path")->Size(), 500);
  EXPECT_EQ(dir->FieldByName("SN")->Size(), 20);
  TLStrItem* files = module_->LList->Items()->FindItem("listfiles");
  ASSERT_NE(files, nullptr);
  EXPECT_EQ(files->MemTable(), module_->MTFiles);
  EXPECT_EQ(files->AddFields()->Count(), 5);
  EXPECT_EQ(files->OpenOptions(), TOpenOptions{ooFromList});
  // Without a catalogue file the search results still get the structure.
  EXPECT_EQ(module_->MtFound->FieldCount(), 17);
  EXPECT_FALSE(window_.treeReady);
}

TEST_F(DataModuleTest, ImageListsHoldEveryIndexTheProgramNames) {
  OpenModule();
  EXPECT_EQ(module_->ImList->Count(), zorvet_pictures::kImListCount);
  EXPECT_EQ(module_->ImActList->Count(), zorvet_pictures::kImActListCount);
  EXPECT_EQ(module_->ImInfoList->Count(), 2);
  EXPECT_EQ(module_->ImInfoList->Width(), 32);
  EXPECT_EQ(module_->ImInfoList->Tag(), -1);
  // Each named picture shows something, and the two disc states differ.
  for (int i : {0, 1, 2, 4, 5, 10, 11})
    EXPECT_TRUE(zorvet_pictures::TreePicture(i).HasAlpha()) << i;
  for (int i : {3, 12, 14, 15, 16, 17, 18, 19})
    EXPECT_TRUE(zorvet_pictures::ActionPicture(i).HasAlpha()) << i;
  EXPECT_FALSE(zorvet_pictures::InfoPicture(0) == zorvet_pictures::InfoPicture(1));
  EXPECT_FALSE(zorvet_pictures::ActionPicture(14) == zorvet_pictures::ActionPicture(15));
  EXPECT_FALSE(zorvet_pictures::ActionPicture(16) == zorvet_pictures::ActionPicture(19));
}

TEST_F(DataModuleTest, TheCatalogueReloadsAndSavesByteForByte) {
  const std::string disc = temp_.MakeFolder("disc");
  temp_.Write("disc/Docs/a.txt", "abc");
  MapDisc(disc);
  OpenModule();
  ASSERT_EQ(Scan(), "");
  ASSERT_EQ(module_->SaveCatalogue(), "");
  const std::string file = catalogue_ + "/Zorvet.stbl";
  const auto first = drive_test::ReadFile(file);
  CloseModule();

  window_ = TRecordingWindow();
  OpenModule();
  EXPECT_EQ(module_->MTDir->RecordCount(), 3);
  EXPECT_EQ(module_->MTFiles->RecordCount(), 3);
  // The tree is let go while the catalogue loads and is copied, and bound
  // again (built once) when both tables are ready.
  EXPECT_EQ(window_.calls, (std::vector<String>{"UnbindTree", "BindTree", "SelectFirstNode",
                                                "FullCollapse", "FireTreeChange"}));
  EXPECT_TRUE(window_.treeReady);
  ASSERT_EQ(module_->SaveCatalogue(), "");
  EXPECT_EQ(drive_test::ReadFile(file), first);
}

TEST_F(DataModuleTest, ADamagedCatalogueIsMovedAsideAndAnEmptyOneStarts) {
  const std::string file = catalogue_ + "/Zorvet.stbl";
  // A catalogue cut off inside its field definitions.
  const std::string cut =
      "\"@@FILE VERSION@@\",\"251\"\r\n\"@@TABLEDEF START@@\"\r\n\"idparent=Integer,0,\"\"idpa";
  std::ofstream(file, std::ios::binary) << cut;
  std::ofstream(file + ".damaged") << "an older one";
  {
    TDialogScript dialogs;
    dialogs.Expect("could not be read", mrOk);
    OpenModule();
  }
  EXPECT_TRUE(module_->MTDir->Active());
  EXPECT_EQ(module_->MTDir->RecordCount(), 0);
  EXPECT_EQ(module_->MTDir->FieldCount(), 17);
  // The tree, let go for the load, shows the empty catalogue again.
  ASSERT_FALSE(window_.calls.empty());
  EXPECT_EQ(window_.calls.front(), "UnbindTree");
  EXPECT_EQ(window_.calls.back(), "BindTree");
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(drive_test::ReadFile(file + ".damaged2").size(), cut.size());
  EXPECT_NE(module_->LoadProblem().find("Zorvet.stbl.damaged2"), String::npos);
  // Nothing is lost at close: the new catalogue goes where the old one was.
  EXPECT_EQ(module_->SaveCatalogue(), "");
  EXPECT_TRUE(std::filesystem::exists(file));
}

TEST_F(DataModuleTest, ARowThatCannotBeReadCountsAsDamage) {
  const std::string file = catalogue_ + "/Zorvet.stbl";
  const auto saved = SavedCatalogue({"a.txt"});
  std::string text(saved.begin(), saved.end());
  text.replace(text.rfind("\"2\""), 3, "\"zz\"");
  std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
  {
    TDialogScript dialogs;
    dialogs.Expect("'zz' is not a valid value", mrOk);
    OpenModule();
  }
  EXPECT_EQ(module_->MTDir->RecordCount(), 0);
  EXPECT_EQ(drive_test::ReadFile(file + ".damaged").size(), text.size());
}

// A catalogue file that ends early, wherever the cut falls inside a line,
// or that holds bytes of something else, is moved aside rather than loaded
// in part and saved over at close.
TEST_F(DataModuleTest, ACutOrForeignCatalogueIsMovedAsideAndTheWholeOneLoads) {
  const std::string file = catalogue_ + "/Zorvet.stbl";
  const auto saved = SavedCatalogue({"Docs/a.txt", "Docs/b.txt"});
  const std::string whole(saved.begin(), saved.end());
  const std::size_t header = whole.find("\"idparent\"");
  const std::size_t lastRow = whole.rfind("\r\n", whole.size() - 3) + 2;
  ASSERT_NE(header, std::string::npos);

  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"after the definitions", whole.substr(0, header)},
      {"inside the header", whole.substr(0, header + 30)},
      {"inside the last row's quoted value", whole.substr(0, lastRow + 12)},
      {"between the last row's columns", whole.substr(0, whole.rfind("\",", whole.size() - 6) + 2)},
      {"inside a row in the middle", whole.substr(0, lastRow - 40)},
      {"garbage",
       "\x7f"
       "ELF\x02\x01\x01 binary \xff\xfe bytes, of another program\r\n12,34\r\n"},
      {"zeroed blocks", std::string(4096, '\0')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::filesystem::remove(file + ".damaged");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << c.bytes;
    window_ = TRecordingWindow();
    {
      TDialogScript dialogs;
      dialogs.Expect("could not be read", mrOk);
      OpenModule();
    }
    EXPECT_EQ(module_->MTDir->RecordCount(), 0);
    EXPECT_EQ(drive_test::ReadFile(file + ".damaged").size(), c.bytes.size());
    EXPECT_FALSE(std::filesystem::exists(file));
    CloseModule();
  }

  // The whole file, even without its last line break, loads as it was.
  for (const std::string& bytes : {whole, whole.substr(0, whole.size() - 2)}) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    OpenModule();
    EXPECT_EQ(module_->LoadProblem(), "");
    EXPECT_EQ(module_->MTDir->RecordCount(), 4);
    ASSERT_EQ(module_->SaveCatalogue(), "");
    EXPECT_EQ(drive_test::ReadFile(file), saved);
    CloseModule();
  }
}

TEST_F(DataModuleTest, AFailedSaveIsReportedAndLeavesNoFileBehind) {
  OpenModule();
  // A folder where the file should be: the replacement cannot be renamed over it.
  std::filesystem::create_directories(catalogue_ + "/Zorvet.stbl");
  const String failure = module_->SaveCatalogue();
  EXPECT_NE(failure.find("could not be saved"), String::npos) << failure;
  EXPECT_TRUE(std::filesystem::is_directory(catalogue_ + "/Zorvet.stbl"));
  for (const auto& entry : std::filesystem::directory_iterator(catalogue_))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos);
}

TEST(CatalogueLockTest, ASecondHolderIsRefusedUntilTheFirstLetsGo) {
  drive_test::TempFolder temp;
  TCatalogueLock first, second;
  ASSERT_TRUE(first.Acquire(temp.Path()));
  EXPECT_FALSE(second.Acquire(temp.Path()));
  EXPECT_EQ(second.Error(), AlreadyRunningText);
  first.Release();
  EXPECT_TRUE(second.Acquire(temp.Path()));
  EXPECT_FALSE(first.Acquire(temp.Path() + "/missing-folder"));
  EXPECT_NE(first.Error().find("cannot be opened"), String::npos);
}

TEST(ZorvetRoutinesTest, SizeToText) {
  const std::pair<Int64, const char*> cases[] = {
      {0, "0 Bytes "},
      {1536, "1 KB 512 Bytes "},
      {1048576, "1 MB 0 KB 0 Bytes "},
      {Int64{3} << 30, "3 GB 0 MB 0 KB 0 Bytes "},
      {(Int64{2} << 30) + 5, "2 GB 0 MB 0 KB 5 Bytes "},
      // Beyond the 65535 GiB that 16-bit parts would have wrapped at.
      {Int64{70000} << 30, "70000 GB 0 MB 0 KB 0 Bytes "},
      {-5, "-5 Bytes "},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(SizeToText(size), text) << size;
}

TEST(ZorvetRoutinesTest, ReplaceAll) {
  const std::tuple<const char*, const char*, const char*, const char*> cases[] = {
      {"D:\\a\\D:\\b", "D:\\", "SN:\\", "SN:\\a\\SN:\\b"},
      {"aaa", "a", "aa", "aaaaaa"},  // inserted text is not searched again
      {"abc", "", "x", "abc"},
      {"abc", "B", "x", "abc"},  // case-sensitive
      {"", "a", "b", ""},
  };
  for (const auto& [s, from, to, result] : cases) EXPECT_EQ(ReplaceAll(s, from, to), result);
}

TEST(ZorvetRoutinesTest, FileDateTimeIsTheLastWriteOrZero) {
  drive_test::TempFolder temp;
  const std::string file = temp.Write("dated.txt", "x");
  const auto when = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
  std::filesystem::last_write_time(file, when);
  const TDateTime stamp = FileDateTime(file);
  EXPECT_NEAR(stamp, Now() - 2.0, 1.0 / 24);
  EXPECT_EQ(FileDateTime(temp / "missing.txt"), 0.0);
}

}  // namespace
