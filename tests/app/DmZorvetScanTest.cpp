// A disc's walk turned into catalogue rows, rescans, failures and deletion.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <tuple>

#include "tests/app/AppTestSupport.h"

namespace {

class ScanTest : public AppTest {
 protected:
  // Photos/2004/a.jpg (5 bytes), Photos/b.txt (3), top.txt (2) in the root.
  std::string MakeDisc() {
    const std::string disc = temp_.MakeFolder("disc");
    temp_.Write("disc/Photos/2004/a.jpg", "12345");
    temp_.Write("disc/Photos/b.txt", "abc");
    temp_.Write("disc/top.txt", "xy");
    return disc;
  }
};

TEST_F(ScanTest, FirstScanBuildsRootFolderAndFileRows) {
  MapDisc(MakeDisc());
  OpenModule();
  ASSERT_EQ(Scan(), "");
  const auto rows = Rows(module_->MTDir);
  ASSERT_EQ(rows.size(), 6u);

  const TRow* root = Find(rows, "MYDISC");
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->id, 2);  // an empty catalogue starts at 2
  EXPECT_EQ(root->idparent, 2);
  EXPECT_EQ(root->path, "1A2B:3C4D");
  EXPECT_EQ(root->imIndex, 2);
  EXPECT_EQ(root->fileSize, 10);
  EXPECT_EQ(root->totalSize, 700 * 1024 * 1024);

  const TRow* photos = Find(rows, "Photos");
  const TRow* year = Find(rows, "2004");
  ASSERT_TRUE(photos && year);
  EXPECT_EQ(photos->idparent, root->id);
  EXPECT_EQ(photos->path, "1A2B:3C4D:\\Photos\\");
  EXPECT_EQ(photos->imIndex, 1);
  EXPECT_EQ(year->idparent, photos->id);
  EXPECT_EQ(year->path, "1A2B:3C4D:\\Photos\\2004\\");

  const TRow* top = Find(rows, "top.txt");
  const TRow* a = Find(rows, "a.jpg");
  ASSERT_TRUE(top && a);
  EXPECT_EQ(top->path, "1A2B:3C4D:\\");
  EXPECT_EQ(top->idfile, root->id);
  EXPECT_EQ(top->id, -1);
  EXPECT_EQ(a->idfile, year->id);
  EXPECT_EQ(a->fileSize, 5);
  EXPECT_EQ(a->sn, "1A2B:3C4D");
  // The file's own date, read from the disc.
  module_->MTDir->Locate("dirname", Variant(String("a.jpg")), TLocateOptions{});
  EXPECT_NEAR(module_->MTDir->FieldByName("DateCreated")->AsDateTime(), Now(), 1.0 / 24);

  // The working copy was taken before the root's sizes were written.
  const auto copied = Rows(module_->MTFiles);
  const TRow* copiedRoot = Find(copied, "MYDISC");
  ASSERT_NE(copiedRoot, nullptr);
  EXPECT_EQ(copiedRoot->fileSize, -1);
  EXPECT_EQ(copiedRoot->totalSize, -1);
  EXPECT_EQ(copied.size(), 6u);

  EXPECT_TRUE(window_.treeReady);
  EXPECT_EQ(window_.bound, module_->DSDir);
  EXPECT_EQ(window_.gaugeMax, 700 * 1024 * 1024);
  EXPECT_EQ(window_.status[1], "R:\\Photos\\2004\\a.jpg");
}

TEST_F(ScanTest, RescanReplacesTheDiskAndKeepsOthers) {
  MapDisc(MakeDisc());
  OpenModule();
  ASSERT_EQ(Scan(), "");
  ASSERT_EQ(Scan("0000:0001", "OTHER"), "");  // a second disk from the same folder
  temp_.Write("disc/new.txt", "n");
  ASSERT_EQ(Scan(), "");
  const auto rows = Rows(module_->MTDir);
  Integer mine = 0, other = 0, largestOther = 0, smallestMine = 1 << 30;
  for (const TRow& row : rows) {
    if (row.sn == "1A2B:3C4D") {
      ++mine;
      if (row.id >= 0) smallestMine = std::min(smallestMine, row.id);
    } else {
      ++other;
      largestOther = std::max(largestOther, row.id);
    }
  }
  EXPECT_EQ(mine, 7);
  EXPECT_EQ(other, 6);
  // New ids start above the largest id outside the disk, skipping one.
  EXPECT_EQ(smallestMine, largestOther + 2);
  EXPECT_NE(Find(rows, "new.txt"), nullptr);
}

TEST_F(ScanTest, FoldersOfTheSameNameOrDifferingInCaseGetTheirOwnParents) {
  const std::string disc = temp_.MakeFolder("disc");
  temp_.Write("disc/One/Same/x.txt");
  temp_.Write("disc/Two/Same/y.txt");
  temp_.Write("disc/Photos/inUpper/u.txt");
  temp_.Write("disc/photos/inLower/l.txt");
  MapDisc(disc);
  OpenModule();
  ASSERT_EQ(Scan(), "");
  const auto rows = Rows(module_->MTDir);
  auto idOfPath = [&](const String& path) {
    for (const TRow& row : rows)
      if (row.path == path && row.id >= 0) return row.id;
    return -2;
  };
  auto parentOf = [&](const String& path) {
    for (const TRow& row : rows)
      if (row.path == path && row.id >= 0) return row.idparent;
    return -3;
  };
  const String disk = "1A2B:3C4D:\\";
  EXPECT_EQ(parentOf(disk + "One\\Same\\"), idOfPath(disk + "One\\"));
  EXPECT_EQ(parentOf(disk + "Two\\Same\\"), idOfPath(disk + "Two\\"));
  EXPECT_EQ(parentOf(disk + "Photos\\inUpper\\"), idOfPath(disk + "Photos\\"));
  EXPECT_EQ(parentOf(disk + "photos\\inLower\\"), idOfPath(disk + "photos\\"));
  EXPECT_NE(idOfPath(disk + "Photos\\"), idOfPath(disk + "photos\\"));
}

TEST_F(ScanTest, DeepFoldersKeepTheirTrueParentsThoughTheirPathsAreCut) {
  const std::string disc = temp_.MakeFolder("disc");
  // 40 levels of 20 characters: 840 characters, far beyond the field's 500.
  drive_test::MakeDeepTree(disc, 40, [](int level) {
    return "level-" + std::string(10, 'a' + level % 26) + "-" + std::to_string(100 + level);
  });
  MapDisc(disc);
  OpenModule();
  ASSERT_EQ(Scan(), "");
  std::map<String, TRow> folders;
  for (const TRow& row : Rows(module_->MTDir))
    if (row.id >= 0) folders[row.dirname] = row;
  ASSERT_EQ(folders.size(), 41u);
  for (int level = 1; level < 40; ++level) {
    auto name = [](int l) {
      return "level-" + std::string(10, 'a' + l % 26) + "-" + std::to_string(100 + l);
    };
    EXPECT_EQ(folders[name(level)].idparent, folders[name(level - 1)].id) << level;
    EXPECT_LE(folders[name(level)].path.size(), 500u);
  }
  const auto all = Rows(module_->MTDir);
  const TRow* bottom = Find(all, "bottom");
  ASSERT_NE(bottom, nullptr);
  EXPECT_EQ(bottom->idfile, folders[String("level-") + std::string(10, 'a' + 39 % 26) + "-139"].id);
}

TEST_F(ScanTest, AFailedScanLeavesTheCatalogueAsItWas) {
  const std::string disc = MakeDisc();
  MapDisc(disc);
  OpenModule();
  ASSERT_EQ(Scan(), "");
  const auto before = Saved("before.csv");
  const auto rowsBefore = Rows(module_->MTDir);

  // A file the 32-bit size field cannot hold, found after other rows were added.
  const std::string big = temp_ / "disc/Photos/2004/huge.iso";
  const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, (Int64{5} << 30) - 1), 0);  // sparse: costs no space
  ::close(fd);
  window_.treeReady = false;
  const String failure = Scan();
  EXPECT_NE(failure.find("holds 5.4 GB; the catalogue stores sizes below 2 GB"), String::npos)
      << failure;
  EXPECT_EQ(Saved("after.csv"), before);
  EXPECT_EQ(Rows(module_->MTDir).size(), rowsBefore.size());
  EXPECT_TRUE(window_.treeReady);
  EXPECT_EQ(window_.bound, module_->DSDir);
}

TEST_F(ScanTest, ADiscTooLargeForTheSizeFieldsIsRefusedBeforeAnyChange) {
  MapDisc(MakeDisc(), "1A2B3C4D", "MYDISC", ":size=4700000000");
  OpenModule();
  const String failure = Scan();
  EXPECT_EQ(failure, "This disc holds 4.7 GB; the catalogue stores sizes below 2 GB");
  EXPECT_EQ(module_->MTDir->RecordCount(), 0);
}

TEST_F(ScanTest, NoDriveOrNoDiskChangesNothing) {
  MapDisc(MakeDisc());
  OpenModule();
  module_->SetDriveRoot("");
  EXPECT_EQ(module_->ScanDrive(), "Please, select disk letter");
  module_->SetDriveRoot("R:\\");
  module_->SetSerialNumber("");
  EXPECT_EQ(module_->ScanDrive(), "No disk!");
  EXPECT_EQ(module_->MTDir->RecordCount(), 0);
}

TEST_F(ScanTest, DeleteDiskRemovesOnlyThatDisksRows) {
  MapDisc(MakeDisc());
  OpenModule();
  ASSERT_EQ(Scan(), "");
  ASSERT_EQ(Scan("0000:0001", "OTHER"), "");
  EXPECT_EQ(module_->DeleteDisk("1a2b:3c4d"), 6);  // the serial's case does not matter
  const auto rows = Rows(module_->MTDir);
  ASSERT_EQ(rows.size(), 6u);
  for (const TRow& row : rows) EXPECT_EQ(row.sn, "0000:0001");
  EXPECT_EQ(window_.status[1], "6");
  // The working copy keeps the deleted disk until the next scan.
  EXPECT_EQ(module_->MTFiles->RecordCount(), 12);
}

// MTFiles after a scan holds the catalogue's rows whether the scan copied
// the whole catalogue or brought the copy up to date; only the new disk's
// root lacks its sizes there.
TEST_F(ScanTest, TheWorkingCopyFollowsScansDeletionsAndEdits) {
  MapDisc(MakeDisc());
  OpenModule();
  auto key = [](const TRow& r) {
    return std::tuple(r.sn, r.path, r.dirname, r.id, r.idparent, r.idfile, r.fileSize, r.totalSize,
                      r.imIndex);
  };
  auto sorted = [&](std::vector<TRow> rows) {
    std::sort(rows.begin(), rows.end(),
              [&](const TRow& a, const TRow& b) { return key(a) < key(b); });
    return rows;
  };
  // The catalogue's rows as the copy must hold them: the root of the disk
  // scanned last without its sizes.
  auto expectInStep = [&](const String& lastRoot) {
    std::vector<TRow> expected = Rows(module_->MTDir);
    for (TRow& row : expected)
      if (row.dirname == lastRoot && row.id >= 0 && row.id == row.idparent)
        row.fileSize = row.totalSize = -1;
    const auto copied = sorted(Rows(module_->MTFiles));
    expected = sorted(expected);
    ASSERT_EQ(copied.size(), expected.size());
    for (std::size_t i = 0; i < copied.size(); ++i)
      EXPECT_EQ(key(copied[i]), key(expected[i])) << copied[i].dirname;
  };

  ASSERT_EQ(Scan(), "");
  ASSERT_EQ(Scan("0000:0001", "OTHER"), "");
  expectInStep("OTHER");
  // The rows of the disk scanned last come at the end, in the walk's order.
  const auto copied = Rows(module_->MTFiles);
  ASSERT_EQ(copied.size(), 12u);
  const std::vector<String> walk = {"OTHER", "top.txt", "Photos", "b.txt", "2004", "a.jpg"};
  for (std::size_t i = 0; i < walk.size(); ++i) EXPECT_EQ(copied[6 + i].dirname, walk[i]);

  EXPECT_EQ(module_->DeleteDisk("1A2B:3C4D"), 6);
  temp_.Write("disc/new.txt", "n");
  ASSERT_EQ(Scan("0000:0001", "OTHER"), "");  // a rescan of a disk just scanned
  expectInStep("OTHER");
  ASSERT_EQ(Scan(), "");
  expectInStep("MYDISC");

  // A change made to the catalogue outside the scan reaches the copy too.
  ASSERT_TRUE(module_->MTDir->Locate("dirname", Variant(String("OTHER")), TLocateOptions{}));
  module_->MTDir->Edit();
  module_->MTDir->FieldByName("Comment")->SetAsString("my notes");
  module_->MTDir->Post();
  ASSERT_TRUE(
      module_->MTDir->Locate("dirname;SN", VarArrayOf({"b.txt", "0000:0001"}), TLocateOptions{}));
  module_->MTDir->Delete();
  ASSERT_EQ(Scan(), "");
  expectInStep("MYDISC");
  ASSERT_TRUE(module_->MTFiles->Locate("dirname", Variant(String("OTHER")), TLocateOptions{}));
  EXPECT_EQ(module_->MTFiles->FieldByName("Comment")->AsString(), "my notes");

  // A failed scan leaves both as they were, and the next one still matches.
  const auto before = Rows(module_->MTFiles).size();
  const std::string big = temp_ / "disc/huge.iso";
  const int fd = ::open(big.c_str(), O_WRONLY | O_CREAT, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::ftruncate(fd, Int64{3} << 30), 0);
  ::close(fd);
  EXPECT_NE(Scan("0000:0002", "THIRD"), "");
  EXPECT_EQ(Rows(module_->MTFiles).size(), before);
  ASSERT_EQ(::unlink(big.c_str()), 0);
  ASSERT_EQ(Scan("0000:0001", "OTHER"), "");
  expectInStep("OTHER");
}

TEST_F(ScanTest, ADiskWithoutLabelStillGetsItsFileSystem) {
  MapDisc(MakeDisc());
  OpenModule();
  ASSERT_EQ(Scan("1A2B:3C4D", ""), "");
  module_->MTDir->First();  // sorted on id: the file rows (null ids) first
  ASSERT_TRUE(module_->MTDir->Locate("id", Variant(2), TLocateOptions{}));
  EXPECT_EQ(module_->MTDir->FieldByName("dirname")->AsString(), "");
  EXPECT_EQ(module_->MTDir->FieldByName("FileSystem")->AsString(), "CDFS");
}

}  // namespace
