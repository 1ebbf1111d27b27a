// The main window end to end on the null display: drives, scan, delete,
// close and start again.
#include <sys/stat.h>

#include <filesystem>

#include "catalog/VolumeInformation.h"
#include "platform/controls/DBCtrls.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/ListView.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/Panel.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/Timer.h"
#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exceptions.h"
#include "platform/win/WindowPos.h"
#include "tests/app/MainWindowSupport.h"
#include "tests/win/DrawingTestSupport.h"
#include "ui/slDBTree.h"

namespace {

// The node whose caption is `text`, or nullptr.
TTreeNode* NodeNamed(TMnFrm& w, const String& text) {
  TTreeNodes* nodes = w.DBTree->Items();
  for (Integer i = 0; i < nodes->Count(); ++i)
    if (nodes->Item(i)->Text() == text) return nodes->Item(i);
  return nullptr;
}

Integer RowsOfDisk(TDmZorvet& m, const String& serial) {
  Integer count = 0;
  TvomMemTable* t = m.MTDir;
  for (t->First(); !t->Eof(); t->Next())
    if (t->FieldByName("SN")->AsString() == serial) ++count;
  return count;
}

TEST_F(MainWindowTest, TheDriveListHoldsTheCdRomDrivesInLetterOrder) {
  const std::string disc = temp_.MakeFolder("disc");
  drive_test::DrivesVariable drives("T=" + disc + ":cdrom;F=" + disc + ":cdrom;G=" + disc);
  TMnFrm& w = Start();
  ASSERT_EQ(w.ComboDriv->Items()->Count(), 2);
  EXPECT_EQ(w.ComboDriv->Items()->Strings(0), "F:\\");
  EXPECT_EQ(w.ComboDriv->Items()->Strings(1), "T:\\");
  EXPECT_EQ(w.Drives[0], "F:\\");
  EXPECT_EQ(w.Drives[1], "T:\\");
  EXPECT_EQ(w.ComboDriv->ItemIndex(), -1);
  // Nothing chosen: no scan, no tray.
  EXPECT_FALSE(w.ScanCDA->Enabled());
  EXPECT_FALSE(w.OpenCDA->Enabled());
  EXPECT_FALSE(w.CloseCDA->Enabled());
  display_.Advance(2000);
  EXPECT_FALSE(w.ScanCDA->Enabled());
}

TEST_F(MainWindowTest, AScanWithoutADriveOrADiscIsRefusedBeforeAnythingChanges) {
  const std::string disc = MakeDisc("disc");
  MapDisc(disc);
  TMnFrm& w = Start();
  {
    TDialogScript dialogs;
    dialogs.Expect("Please, select disk letter", mrOk);
    PressScan();
    EXPECT_EQ(dialogs.Seen.at(0).Type, mtInformation);
  }
  // The drive is there, its disc is not.
  std::filesystem::remove_all(disc);
  PickDrive();
  EXPECT_TRUE(w.OpenCDA->Enabled());
  EXPECT_FALSE(w.ScanCDA->Enabled());
  EXPECT_EQ(w.LFileSystem->Caption(), "");
  {
    TDialogScript dialogs;
    dialogs.Expect("No disk!", mrOk);
    PressScan();
    EXPECT_EQ(dialogs.Seen.at(0).Type, mtWarning);
  }
  EXPECT_EQ(Module().MTDir->RecordCount(), 0);
  // The scan gave the timer back whichever way it ended.
  EXPECT_TRUE(w.Timer->Enabled());
}

TEST_F(MainWindowTest, AFirstScanShowsTheDiscItsFilesAndItsSpace) {
  MapDisc(MakeDisc("disc"));
  TMnFrm& w = Start();
  PickDrive();
  EXPECT_TRUE(w.ScanCDA->Enabled());
  EXPECT_EQ(w.LFileSystem->Caption(), "File system: CDFS  Label: MYDISC  SN: 1A2B:3C4D");
  TDialogScript dialogs;
  PressScan();
  EXPECT_TRUE(w.TreeReady);
  EXPECT_TRUE(w.Timer->Enabled());
  EXPECT_EQ(w.DBTree->DataSource(), Module().DSDir);
  TTreeNode* disc = NodeNamed(w, "MYDISC");
  ASSERT_NE(disc, nullptr);
  EXPECT_EQ(disc->Level(), 0);
  EXPECT_EQ(w.DBTree->Selected(), disc);
  EXPECT_EQ(w.LSelectDisk->Caption(), "File system: CDFS  SN: 1A2B:3C4D");
  EXPECT_EQ(w.LCapacity->Caption(), "Capacity: 700 MB 0 KB 0 Bytes ");
  // 1536 + 4096 + 2048 + 100 + 3000 bytes of files.
  EXPECT_EQ(w.LUsedSpace->Caption(), "Used space: 10 KB 540 Bytes ");
  EXPECT_EQ(w.LFreeSpace->Caption(), "Free space: " + SizeToText(700 * 1048576 - 10780));
  EXPECT_EQ(w.lbLastUpdate->Caption().rfind("Last update: ", 0), 0u);
  EXPECT_EQ(w.Gauge->MaxValue(), 700 * 1048576);
  EXPECT_EQ(w.Gauge->Progress(), 10780);
  EXPECT_TRUE(w.DeleteCDA->Enabled());
  // The disc's root lists its own file.
  ASSERT_EQ(w.ListView->Items()->Count(), 1);
  EXPECT_EQ(w.ListView->Items()->Item(0)->Caption(), "readme.txt");
  EXPECT_EQ(w.LFielsCount->Caption(), "Files count:   1");
  EXPECT_EQ(w.LSizeFiles->Caption(), "Size:   1 KB 512 Bytes ");

  // A folder lists its files and leaves the disc's labels alone.
  disc->Expand(true);
  TTreeNode* folder = NodeNamed(w, "2004");
  ASSERT_NE(folder, nullptr);
  w.DBTree->SetSelected(folder);
  display_.Pump();
  EXPECT_EQ(w.ListView->Items()->Count(), 2);
  EXPECT_EQ(w.LSizeFiles->Caption(), "Size:   6 KB 0 Bytes ");
  EXPECT_EQ(w.LSelectDisk->Caption(), "File system: CDFS  SN: 1A2B:3C4D");
  EXPECT_FALSE(w.DeleteCDA->Enabled());
  EXPECT_EQ(folder->SelectedIndex(), 0);
  EXPECT_EQ(disc->SelectedIndex(), 11);
}

TEST_F(MainWindowTest, ARescanOfTheSameDiscAsksNothingAndAChangedLabelAsksFirst) {
  const std::string folder = MakeDisc("disc");
  MapDisc(folder);
  TMnFrm& w = Start();
  PickDrive();
  {
    TDialogScript none;
    PressScan();
    temp_.Write("disc/later.txt", "x");
    PressScan();
  }
  // The root, three folders, six files.
  EXPECT_EQ(RowsOfDisk(Module(), "1A2B:3C4D"), 10);

  MapDisc(folder, "RENAMED");
  display_.Advance(2000);
  {
    TDialogScript dialogs;
    dialogs.Expect("Replace data? ", mrCancel);
    PressScan();
    EXPECT_EQ(dialogs.Seen.at(0).Text,
              "Replace data? \n\r SN: 1A2B:3C4D Label: MYDISC File system: CDFS");
    EXPECT_EQ(dialogs.Seen.at(0).Type, mtConfirmation);
  }
  EXPECT_NE(NodeNamed(w, "MYDISC"), nullptr);
  EXPECT_TRUE(w.TreeReady);
  EXPECT_TRUE(w.Timer->Enabled());
  {
    TDialogScript dialogs;
    dialogs.Expect("Replace data? ", mrOk);
    PressScan();
  }
  EXPECT_EQ(NodeNamed(w, "MYDISC"), nullptr);
  EXPECT_NE(NodeNamed(w, "RENAMED"), nullptr);
  EXPECT_EQ(RowsOfDisk(Module(), "1A2B:3C4D"), 10);
}

TEST_F(MainWindowTest, DeleteAsksForADiscAndDoesNothingForAFolder) {
  MapDisc(MakeDisc("one"));
  TMnFrm& w = Start();
  PickDrive();
  PressScan();
  MapDisc(MakeDisc("two"), "OTHER", "00C0FFEE");
  display_.Advance(2000);
  PressScan();
  const Integer rows = Module().MTDir->RecordCount();
  ASSERT_EQ(rows, 18);

  TTreeNode* disc = NodeNamed(w, "MYDISC");
  ASSERT_NE(disc, nullptr);
  disc->Expand(false);
  w.DBTree->SetSelected(NodeNamed(w, "Photos"));
  display_.Pump();
  {
    TDialogScript none;
    w.DeleteCDAExecute(w.DeleteCDA);
  }
  EXPECT_EQ(Module().MTDir->RecordCount(), rows);

  w.DBTree->SetSelected(NodeNamed(w, "MYDISC"));
  display_.Pump();
  {
    TDialogScript dialogs;
    dialogs.Expect("Delete CD from Zorvet?", mrCancel);
    w.DeleteCDAExecute(w.DeleteCDA);
  }
  EXPECT_EQ(Module().MTDir->RecordCount(), rows);
  {
    TDialogScript dialogs;
    dialogs.Expect("Delete CD from Zorvet?", mrOk);
    w.DeleteCDAExecute(w.DeleteCDA);
  }
  EXPECT_EQ(RowsOfDisk(Module(), "1A2B:3C4D"), 0);
  EXPECT_EQ(RowsOfDisk(Module(), "00C0:FFEE"), 9);
  EXPECT_EQ(NodeNamed(w, "MYDISC"), nullptr);
  EXPECT_NE(NodeNamed(w, "OTHER"), nullptr);
  EXPECT_EQ(w.StatusBar->Panels()->Items(1)->Text(), "9");
}

TEST_F(MainWindowTest, TheCatalogueComesBackAfterARestartAndASecondCloseWritesTheSameBytes) {
  MapDisc(MakeDisc("disc"));
  Start();
  PickDrive();
  PressScan();
  Close();
  ASSERT_TRUE(std::filesystem::exists(CatalogueFile()));
  const auto first = drive_test::ReadFile(CatalogueFile());
  // The window's settings lie in the ini file named after the program.
  EXPECT_TRUE(std::filesystem::exists(temp_ / "config/zorvet/tests_app.INI"));

  TMnFrm& w = Start();
  EXPECT_TRUE(w.TreeReady);
  EXPECT_EQ(Module().MTDir->RecordCount(), 9);
  TTreeNode* disc = NodeNamed(w, "MYDISC");
  ASSERT_NE(disc, nullptr);
  EXPECT_EQ(w.DBTree->Selected(), disc);
  EXPECT_EQ(w.LCapacity->Caption(), "Capacity: 700 MB 0 KB 0 Bytes ");
  EXPECT_EQ(w.ListView->Items()->Count(), 1);
  Close();
  EXPECT_EQ(drive_test::ReadFile(CatalogueFile()), first);
}

TEST_F(MainWindowTest, TheCommentBoxShowsTheSelectedDiscsCommentAfterAStart) {
  MapDisc(MakeDisc("disc"));
  TMnFrm& w = Start();
  PickDrive();
  PressScan();
  TvomMemTable* dir = Module().MTDir;
  ASSERT_TRUE(dir->Locate("dirName", Variant(String("MYDISC")), TLocateOptions{}));
  dir->Edit();
  dir->FieldByName("Comment")->SetAsString("holiday pictures");
  dir->Post();
  EXPECT_EQ(w.DBEdit1->Text(), "holiday pictures");
  Close();

  TMnFrm& again = Start();
  // The catalogue's source is back on the loaded table, and the box shows
  // the first disc's comment as it did before the restart.
  EXPECT_EQ(Module().DSDir->DataSet(), Module().MTDir);
  EXPECT_EQ(Module().DSDir->State(), dsBrowse);
  EXPECT_EQ(again.DBTree->Selected(), NodeNamed(again, "MYDISC"));
  EXPECT_EQ(again.DBEdit1->Text(), "holiday pictures");
  // And it goes on following the table.
  Module().MTDir->Edit();
  Module().MTDir->FieldByName("Comment")->SetAsString("beach");
  Module().MTDir->Post();
  EXPECT_EQ(again.DBEdit1->Text(), "beach");
}

TEST_F(MainWindowTest, ADamagedCatalogueIsSetAsideAndTheWindowOpensEmpty) {
  MapDisc(MakeDisc("disc"));
  Start();
  PickDrive();
  PressScan();
  Close();
  // Cut off inside its field definitions, as a full disk would have left it.
  const auto size = std::filesystem::file_size(CatalogueFile());
  std::filesystem::resize_file(CatalogueFile(), 60);
  TDialogScript dialogs;
  dialogs.Expect("could not be read", mrOk);
  TMnFrm& w = Start();
  EXPECT_TRUE(w.Visible());
  EXPECT_EQ(w.DBTree->Items()->Count(), 0);
  EXPECT_EQ(Module().MTDir->RecordCount(), 0);
  EXPECT_EQ(drive_test::ReadFile(CatalogueFile() + ".damaged").size(), 60u);
  EXPECT_GT(size, 60u);
  // The catalogue's source follows the emptied table.
  EXPECT_EQ(Module().DSDir->DataSet(), Module().MTDir);
  EXPECT_EQ(Module().DSDir->State(), dsBrowse);
  // The empty catalogue is saved at close; the damaged one stays aside.
  Close();
  EXPECT_TRUE(std::filesystem::exists(CatalogueFile()));
  EXPECT_TRUE(std::filesystem::exists(CatalogueFile() + ".damaged"));
}

TEST_F(MainWindowTest, ASecondCopyOnTheSameCatalogueIsRefused) {
  Start();
  TDialogScript dialogs;
  dialogs.Expect(AlreadyRunningText, mrOk);
  TZorvetProgram second(catalogue_);
  EXPECT_FALSE(second.Start());
  EXPECT_EQ(second.MainForm(), nullptr);
  EXPECT_EQ(second.DataModule(), nullptr);
}

TEST_F(MainWindowTest, AFailedSaveAtCloseAsksWhetherToCloseAnyway) {
  MapDisc(MakeDisc("disc"));
  TMnFrm& w = Start();
  PickDrive();
  PressScan();
  // A folder where the file should go: no save can replace it.
  std::filesystem::create_directory(CatalogueFile());
  {
    TDialogScript dialogs;
    dialogs.Expect("Close Zorvet anyway?", mrNo);
    w.Close();
    display_.Pump();
    EXPECT_NE(dialogs.Seen.at(0).Text.find("could not be saved"), String::npos);
  }
  EXPECT_TRUE(w.Visible());
  EXPECT_TRUE(w.TreeReady);
  // The user makes room, and the next close saves.
  std::filesystem::remove(CatalogueFile());
  Close();
  EXPECT_TRUE(std::filesystem::is_regular_file(CatalogueFile()));
}

TEST_F(MainWindowTest, AFailedScanKeepsTheCatalogueAndTheTreeAndSaysWhy) {
  const std::string folder = MakeDisc("disc");
  MapDisc(folder);
  TMnFrm& w = Start();
  PickDrive();
  PressScan();
  // A file the catalogue cannot hold, made sparse.
  const std::string big = temp_.Write("disc/big.bin");
  ASSERT_EQ(truncate(big.c_str(), Int64{1} << 31), 0);
  {
    TDialogScript dialogs;
    dialogs.Expect("the catalogue stores sizes below 2 GB", mrOk);
    PressScan();
    EXPECT_EQ(dialogs.Seen.at(0).Type, mtError);
  }
  EXPECT_EQ(RowsOfDisk(Module(), "1A2B:3C4D"), 9);
  EXPECT_TRUE(w.TreeReady);
  EXPECT_EQ(w.DBTree->DataSource(), Module().DSDir);
  EXPECT_NE(NodeNamed(w, "MYDISC"), nullptr);
  EXPECT_TRUE(w.Timer->Enabled());
  // The tree follows selections again.
  w.DBTree->SetSelected(NodeNamed(w, "MYDISC"));
  EXPECT_EQ(w.LCapacity->Caption(), "Capacity: 700 MB 0 KB 0 Bytes ");

  // A disc too large to be stored at all is refused before anything changes.
  MapDisc(folder, "MYDISC", "1A2B3C4D", "", "4700M");
  {
    TDialogScript dialogs;
    dialogs.Expect("This disc holds 4.9 GB; the catalogue stores sizes below 2 GB", mrOk);
    PressScan();
  }
  EXPECT_EQ(RowsOfDisk(Module(), "1A2B:3C4D"), 9);
  EXPECT_TRUE(w.TreeReady);
  EXPECT_EQ(w.DBTree->DataSource(), Module().DSDir);
}

TEST_F(MainWindowTest, TheGaugeTakesDiscsOfAnySizeAndTheLabelsKeepTheExactBytes) {
  TMnFrm& w = Start();
  const Int64 total = Int64{4700} * 1048576;
  const Int64 used = Int64{3} << 30;
  Module().SetTotalBytes(total);
  Module().SetUsedBytes(used);
  w.ShowDiskSpace();
  EXPECT_EQ(w.LCapacity->Caption(), "Capacity: " + SizeToText(total));
  EXPECT_EQ(w.LUsedSpace->Caption(), "Used space: 3 GB 0 MB 0 KB 0 Bytes ");
  EXPECT_EQ(w.Gauge->PercentDone(), 65);
  // Files beyond the capacity: the gauge is full and the picture warns.
  Module().SetUsedBytes(total + 1);
  w.ShowDiskSpace();
  EXPECT_EQ(w.Gauge->PercentDone(), 100);
  EXPECT_EQ(Module().UsedBytes(), total);
  EXPECT_EQ(Module().ImInfoList->Tag(), 0);
  EXPECT_EQ(w.LFreeSpace->Caption(), "Free space: 0 Bytes ");
}

TEST(GaugeValueTest, CountsAreScaledIntoTheGaugesRangeByTheLargerOne) {
  const struct {
    Int64 bytes, total;
    Integer expected;
  } cases[] = {
      {0, 0, 0},
      {123, 700, 123},
      {2147483647, 2147483647, 2147483647},
      {Int64{1} << 31, Int64{1} << 31, 1 << 30},
      {Int64{1} << 30, Int64{1} << 31, 1 << 29},
      {Int64{1} << 40, Int64{1} << 40, 1 << 30},
      {-5, 100, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(TMnFrm::GaugeValue(c.bytes, c.total), c.expected) << c.bytes << " of " << c.total;
}

TEST_F(MainWindowTest, DriveReadyTakesEitherCaseAndRefusesWhatIsNoLetter) {
  MapDisc(MakeDisc("disc"));
  TMnFrm& w = Start();
  EXPECT_TRUE(w.DriveReady('R'));
  EXPECT_TRUE(w.DriveReady('r'));
  EXPECT_FALSE(w.DriveReady('Q'));
  for (char c : {'1', '@', '[', '\0'}) EXPECT_THROW(w.DriveReady(c), EConvertError) << int(c);
}

TEST_F(MainWindowTest, AnIsoImageGivesTheVolumeItsLabelAndSerial) {
  const std::string folder = MakeDisc("disc");
  const std::string image = drive_test::MakeIso(temp_, folder, "HOLIDAY", true, "disc.iso");
  if (image.empty()) GTEST_SKIP() << "xorriso made no image";
  MapDisc(folder, "", "", image);
  TMnFrm& w = Start();
  PickDrive();
  const String serial = Module().VolInfo->SerialNumber();
  ASSERT_EQ(serial.size(), 9u);
  EXPECT_EQ(w.LFileSystem->Caption(), "File system: CDFS  Label: HOLIDAY  SN: " + serial);
  PressScan();
  EXPECT_NE(NodeNamed(w, "HOLIDAY"), nullptr);
  EXPECT_EQ(RowsOfDisk(Module(), serial), 9);
}

}  // namespace

namespace {

TEST_F(MainWindowTest, TheWindowAfterAScanMatchesItsReference) {
  MapDisc(MakeDisc("disc"));
  TMnFrm& w = Start();
  PickDrive();
  PressScan();
  w.DBTree->FullExpand();
  w.DBTree->SetSelected(NodeNamed(w, "2004"));
  w.PageC->SetActivePage(w.TabFiles);
  display_.Pump();
  TSurface shot = display_.Screenshot(w.WindowHandle());
  // The time of the scan changes from run to run: its label is left out.
  const RECT label = w.lbLastUpdate->BoundsRect();
  POINT corner{label.left, label.top};
  ClientToScreen(w.Panel4->WindowHandle(), &corner);
  RECT frame;
  GetWindowRect(w.WindowHandle(), &frame);
  const int x0 = corner.x - frame.left, y0 = corner.y - frame.top;
  for (int y = y0; y < y0 + RectHeight(label); ++y)
    for (int x = x0; x < x0 + RectWidth(label); ++x) shot.SetPixel(x, y, PixelOf(0xFF, 0, 0xFF));
  EXPECT_TRUE(MatchesReference(shot, "../../app/reference/main-window.png", 16, 200));
}

}  // namespace
