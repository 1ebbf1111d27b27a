// The search's name matching, column sorting, the fill of a list from a
// catalogue table with its icons, and the search over a scanned disc.
#include <filesystem>

#include "app/FileLists.h"
#include "platform/controls/ListView.h"
#include "platform/win/ShellIcons.h"
#include "tests/app/AppTestSupport.h"

namespace {

struct TMatchCase {
  const char* pattern;
  const char* name;
  bool matches;
};

TEST(NamePattern, MatchesAsTheSearchCutsIt) {
  const TMatchCase cases[] = {
      {"abc", "ABCDEF.TXT", true},
      {"abc", "abc", true},
      {"abc", "XABC", false},
      {"*abc", "XABC", true},
      {"*abc", "ABCX", true},
      {"a*b", "AXB", true},
      {"a*b", "ABX", true},
      {"a*b", "XAB", false},
      {"ab*b", "AB", true},  // a later piece may overlap the first
      {"*.txt", "A.TXT.BAK", true},
      {"*.txt", "A.DOC", false},
      {"a**b", "AXB", true},
      {"a**b", "AX", false},
      {"a*", "A", true},
      {"*", "", true},
      {"*", "anything", true},
      {"*c*a", "ABC", true},  // pieces in any order
      {"*x*y", "ABC", false},
      {"été", "ÉTÉ.TXT", true},
      {"*ÿ", "\xff.bin", false},   // a bad byte is not the letter
      {"\xff", "\xff.bin", true},  // ... but matches itself
      {"*\xe9t", "caf\xe9t", true},
      {"*\xe9T", "caf\xe9", false},
  };
  for (const TMatchCase& c : cases)
    EXPECT_EQ(TNamePattern(c.pattern).Matches(c.name), c.matches)
        << "pattern " << c.pattern << " name " << c.name;
}

TEST(NamePattern, KeepsOnlyTheNonEmptyPieces) {
  const TNamePattern pattern("ab**cd*");
  EXPECT_EQ(pattern.FirstPiece(), "AB");
  EXPECT_EQ(pattern.FurtherPieces(), std::vector<String>{"CD"});
  EXPECT_EQ(TNamePattern("*x").FirstPiece(), "");
}

TEST(NamePattern, UpperCasesInTheProcessLocale) {
  const char* old = std::getenv("LC_ALL");
  const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
  setenv("LC_ALL", "tr_TR.UTF-8", 1);
  // In Turkish "i" upper-cases to the dotted capital, also in plain ASCII names.
  const bool dotted = TNamePattern("i").Matches("istanbul");
  const bool plain = TNamePattern("i").Matches("ISTANBUL");
  if (saved)
    setenv("LC_ALL", saved->c_str(), 1);
  else
    unsetenv("LC_ALL");
  EXPECT_TRUE(dotted);
  EXPECT_FALSE(plain);
  EXPECT_TRUE(TNamePattern("i").Matches("ISTANBUL"));
}

class FileListsTest : public AppTest {
 protected:
  // A disc "MYDISC" with a folder Docs of three files and a folder Abc.
  void ScanSample() {
    const std::string disc = temp_.MakeFolder("disc");
    temp_.Write("disc/Docs/b10.txt", std::string(10, 'x'));
    temp_.Write("disc/Docs/a9.TXT", std::string(9, 'x'));
    temp_.Write("disc/Docs/C100", std::string(100, 'x'));
    temp_.MakeFolder("disc/Abc");
    MapDisc(disc);
    OpenModule();
    ASSERT_EQ(Scan(), "");
  }
  // Filters the working table to the files of the folder `name`.
  void ShowFolder(const String& name) {
    TvomMemTable* files = module_->MTFiles;
    files->SetFiltered(false);
    ASSERT_TRUE(files->Locate("dirname", name, {}));
    const String id = files->FieldByName("id")->AsString();
    files->SetFilter("([id] = null) and [IdFile] = '" + id + "'");
    files->SetFiltered(true);
  }
  static std::vector<String> Captions(TCustomListView* list) {
    std::vector<String> out;
    for (Integer i = 0; i < list->Items()->Count(); ++i)
      out.push_back(list->Items()->Item(i)->Caption());
    return out;
  }
  TListView* MakeList() {
    list_ = std::make_unique<TListView>(nullptr);
    for (const char* caption : {"Name", "Size", "Date created"})
      list_->Columns()->Add()->SetCaption(caption);
    return list_.get();
  }

  std::unique_ptr<TListView> list_;
};

TEST_F(FileListsTest, FillListsTheFolderWithSizesDatesAndTotal) {
  ScanSample();
  ShowFolder("Docs");
  TListView* list = MakeList();
  TFileTypeIcons icons(catalogue_);
  EXPECT_EQ(FillList(list, module_->MTFiles, false, icons), 119);
  ASSERT_EQ(list->Items()->Count(), 3);
  for (Integer i = 0; i < 3; ++i) {
    TListItem* item = list->Items()->Item(i);
    EXPECT_EQ(item->ImageIndex(), -1);
    ASSERT_EQ(item->SubItems()->Count(), 2);
    EXPECT_FALSE(item->SubItems()->Strings(1).empty());
  }
  std::map<String, String> sizes;
  for (Integer i = 0; i < 3; ++i)
    sizes[list->Items()->Item(i)->Caption()] = list->Items()->Item(i)->SubItems()->Strings(0);
  EXPECT_EQ(sizes, (std::map<String, String>{{"C100", "100"}, {"a9.TXT", "9"}, {"b10.txt", "10"}}));

  // A second fill replaces the items; a closed table leaves the list empty.
  EXPECT_EQ(FillList(list, module_->MTFiles, false, icons), 119);
  EXPECT_EQ(list->Items()->Count(), 3);
  module_->MtFound->Close();
  EXPECT_EQ(FillList(list, module_->MtFound, false, icons), 0);
  EXPECT_EQ(list->Items()->Count(), 0);
}

TEST_F(FileListsTest, FileIconsComeThroughTheProbeFile) {
  ScanSample();
  ShowFolder("Docs");
  TListView* list = MakeList();
  TFileTypeIcons icons(catalogue_);
  // Without a probe file, asking for icons leaves the items without one.
  FillList(list, module_->MTFiles, true, icons);
  for (Integer i = 0; i < 3; ++i) EXPECT_EQ(list->Items()->Item(i)->ImageIndex(), -1);

  temp_.Write("catalogue/$$$.probe");
  module_->MTFiles->SortOn("dirname", mtcoCaseInsensitive);  // a9.TXT, b10.txt, C100
  FillList(list, module_->MTFiles, true, icons);
  SHFILEINFOA info;
  SHGetFileInfoA("x.txt", 0, &info, sizeof info,
                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
  // Two files of the same type in a row: the probe already has the
  // extension for the second, and it gets its icon too.
  EXPECT_EQ(list->Items()->Item(0)->ImageIndex(), info.iIcon);
  EXPECT_EQ(list->Items()->Item(1)->ImageIndex(), info.iIcon);
  EXPECT_GE(list->Items()->Item(2)->ImageIndex(), 0);
  // The probe keeps the extension of the last file: none.
  EXPECT_TRUE(std::filesystem::exists(catalogue_ + "/$$$"));
  EXPECT_FALSE(std::filesystem::exists(catalogue_ + "/$$$.txt"));
}

TEST_F(FileListsTest, FoldersAndDisksShowTheFolderIcon) {
  ScanSample();
  module_->MTFiles->SetFiltered(false);
  module_->MTFiles->SetFilter("[id] <> null");
  module_->MTFiles->SetFiltered(true);
  TListView* list = MakeList();
  TFileTypeIcons icons(catalogue_);
  FillList(list, module_->MTFiles, false, icons);
  ASSERT_EQ(list->Items()->Count(), 3);  // MYDISC, Abc, Docs
  SHFILEINFOA info;
  SHGetFileInfoA(catalogue_.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  for (Integer i = 0; i < 3; ++i) EXPECT_EQ(list->Items()->Item(i)->ImageIndex(), info.iIcon);
}

TEST_F(FileListsTest, ColumnsSortByTheirFieldAndCycleTheirTags) {
  ScanSample();
  ShowFolder("Docs");
  TListView* list = MakeList();
  TFileTypeIcons icons(catalogue_);
  TvomMemTable* files = module_->MTFiles;
  TListColumn* name = list->Column(0);
  TListColumn* size = list->Column(1);

  SortColumn(list, size, files);  // numeric: 9 before 10 before 100
  FillList(list, files, false, icons);
  EXPECT_EQ(Captions(list), (std::vector<String>{"a9.TXT", "b10.txt", "C100"}));
  EXPECT_EQ(size->Tag(), 1);
  SortColumn(list, size, files);
  FillList(list, files, false, icons);
  EXPECT_EQ(Captions(list), (std::vector<String>{"C100", "b10.txt", "a9.TXT"}));
  EXPECT_EQ(size->Tag(), 2);
  SortColumn(list, size, files);
  EXPECT_EQ(size->Tag(), 1);

  // A first click on another column starts it ascending and forgets the others.
  SortColumn(list, name, files);
  FillList(list, files, false, icons);
  EXPECT_EQ(Captions(list), (std::vector<String>{"a9.TXT", "b10.txt", "C100"}));
  EXPECT_EQ(name->Tag(), 1);
  EXPECT_EQ(size->Tag(), 0);

  EXPECT_EQ(ColumnFieldName("Date created"), "DateCreated");
  EXPECT_EQ(ColumnFieldName("name"), "");
}

TEST_F(FileListsTest, SearchFindsDisksFoldersAndFilesAndRestoresTheFilter) {
  ScanSample();
  ShowFolder("Docs");
  TvomMemTable* files = module_->MTFiles;
  TvomMemTable* found = module_->MtFound;
  const String filter = files->Filter();
  Integer pumped = 0;
  EXPECT_EQ(SearchNames(files, found, "*c", [&] { ++pumped; }), 4);
  EXPECT_EQ(pumped, 4);
  std::vector<String> names;
  for (found->First(); !found->Eof(); found->Next())
    names.push_back(found->FieldByName("dirname")->AsString());
  // Sorted by name, ignoring case; the disk by its label, folders by name.
  EXPECT_EQ(names, (std::vector<String>{"Abc", "C100", "Docs", "MYDISC"}));
  EXPECT_TRUE(files->Filtered());
  EXPECT_EQ(files->Filter(), filter);
  EXPECT_EQ(files->RecordCount(), 3);

  // The hit is a full copy of the row.
  ASSERT_TRUE(found->Locate("dirname", "C100", {}));
  EXPECT_EQ(found->FieldByName("FileSize")->AsInteger(), 100);
  EXPECT_FALSE(found->FieldByName("IdFile")->IsNull());
  EXPECT_TRUE(found->FieldByName("id")->IsNull());
  EXPECT_FALSE(found->FieldByName("DateCreated")->IsNull());

  // Nothing found empties the results; an empty pattern leaves them.
  EXPECT_EQ(SearchNames(files, found, "zzz"), 0);
  EXPECT_TRUE(found->IsEmpty());
  EXPECT_EQ(SearchNames(files, found, "*"), 6);
  EXPECT_EQ(SearchNames(files, found, ""), 0);
  EXPECT_EQ(found->RecordCount(), 6);
}

TEST_F(FileListsTest, ASearchWhoseMessagesChangeTheTableGoesOnFromTheCursor) {
  ScanSample();
  TvomMemTable* files = module_->MTFiles;
  TvomMemTable* found = module_->MtFound;
  files->SetFiltered(false);
  const Integer rows = files->RecordCount();
  files->SetFiltered(true);
  // What the first hit's messages do: delete the table's last row, which
  // leaves the cursor on the row before it, now the last.
  bool changed = false;
  EXPECT_EQ(SearchNames(files, found, "*",
                        [&] {
                          if (changed) return;
                          changed = true;
                          files->Last();
                          files->Delete();
                        }),
            1);
  EXPECT_EQ(found->RecordCount(), 1);
  files->SetFiltered(false);
  EXPECT_EQ(files->RecordCount(), rows - 1);
}

}  // namespace
