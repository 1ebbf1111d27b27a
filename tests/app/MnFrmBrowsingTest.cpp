// The main window over a scanned disc: a folder's files, column sorting, the
// view styles, the search and the jump to a hit, the balloons, and the
// settings that come back after a restart.
#include <utime.h>

#include "app/MnFrm.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/Menus.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/Panel.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/TreeView.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinMessages.h"
#include "tests/app/MainWindowSupport.h"
#include "tests/win/DrawingTestSupport.h"
#include "ui/PickButton.h"
#include "ui/slDBTree.h"
#include "ui/zAPIBalloon.h"

namespace {

class BrowsingTest : public MainWindowTest {
 protected:
  // A disc "MYDISC" with a folder Docs of three files and a folder Abc,
  // scanned through the window.
  void SetUp() override {
    const std::string disc = temp_.MakeFolder("disc");
    temp_.Write("disc/Docs/b10.txt", std::string(10, 'x'));
    temp_.Write("disc/Docs/a9.TXT", std::string(9, 'x'));
    temp_.Write("disc/Docs/C100", std::string(100, 'x'));
    temp_.MakeFolder("disc/Abc");
    // Fixed dates, so that the pictures of the lists do not change from run to run.
    for (const char* name : {"Docs/b10.txt", "Docs/a9.TXT", "Docs/C100"}) {
      const utimbuf times{1104580800, 1104580800};  // 2005-01-01 12:00 UTC
      ASSERT_EQ(utime((disc + "/" + name).c_str(), &times), 0);
    }
    MapDisc(disc);
    StartProgram();
    PickDrive();
    PressScan();
  }

  void StartProgram() {
    form_ = &Start();
    dm_ = &Module();
  }
  void StopProgram() {
    Close();
    form_ = nullptr;
    dm_ = nullptr;
  }
  void Pump() { display_.Pump(); }

  // Selects the tree node showing `text` as the user would.
  void SelectNode(const String& text) {
    TTreeNodes* nodes = form_->DBTree->Items();
    for (Integer i = 0; i < nodes->Count(); ++i)
      if (nodes->Item(i)->Text() == text) {
        nodes->Item(i)->SetSelected(true);
        Pump();
        return;
      }
    ADD_FAILURE() << "no node " << text;
  }
  void Search(const String& pattern) {
    form_->EdF->SetText(pattern);
    Word key = VK_RETURN;
    form_->EdFKeyDown(form_->EdF, key, TShiftState{});
    EXPECT_EQ(key, 0);
  }
  static std::vector<String> Captions(TCustomListView* list) {
    std::vector<String> out;
    for (Integer i = 0; i < list->Items()->Count(); ++i)
      out.push_back(list->Items()->Item(i)->Caption());
    return out;
  }
  TListItem* ItemOf(TCustomListView* list, const String& caption) {
    for (Integer i = 0; i < list->Items()->Count(); ++i)
      if (list->Items()->Item(i)->Caption() == caption) return list->Items()->Item(i);
    return nullptr;
  }
  String BalloonText() const { return dm_->Balloon->Prompt()->Text(); }

  TMnFrm* form_ = nullptr;
  TDmZorvet* dm_ = nullptr;
};

TEST_F(BrowsingTest, AFolderListsItsFilesWithSizesDatesAndTotals) {
  SelectNode("Docs");
  TListView* list = form_->ListView;
  ASSERT_EQ(list->Items()->Count(), 3);
  TListItem* c100 = ItemOf(list, "C100");
  ASSERT_NE(c100, nullptr);
  EXPECT_EQ(c100->SubItems()->Strings(0), "100");
  EXPECT_FALSE(c100->SubItems()->Strings(1).empty());
  EXPECT_EQ(form_->LFielsCount->Caption(), "Files count:   3");
  EXPECT_EQ(form_->LSizeFiles->Caption(), "Size:   119 Bytes ");
  EXPECT_EQ(form_->ListBytes, 119);
}

TEST_F(BrowsingTest, ColumnClicksSortNumericallyAndCycle) {
  SelectNode("Docs");
  TListView* list = form_->ListView;
  list->OnColumnClick(list, list->Column(1));
  EXPECT_EQ(Captions(list), (std::vector<String>{"a9.TXT", "b10.txt", "C100"}));
  list->OnColumnClick(list, list->Column(1));
  EXPECT_EQ(Captions(list), (std::vector<String>{"C100", "b10.txt", "a9.TXT"}));
  EXPECT_EQ(list->Column(1)->Tag(), 2);
  list->OnColumnClick(list, list->Column(0));
  EXPECT_EQ(list->Column(0)->Tag(), 1);
  EXPECT_EQ(list->Column(1)->Tag(), 0);
  EXPECT_EQ(form_->LFielsCount->Caption(), "Files count:   3");
  // Editing a caption is refused in both lists.
  bool allow = true;
  list->OnEditing(list, list->Items()->Item(0), allow);
  EXPECT_FALSE(allow);
}

TEST_F(BrowsingTest, TheSearchListsHitsSortedByNameAndKeepsTheFolder) {
  SelectNode("Docs");
  Search("*c");
  EXPECT_EQ(Captions(form_->ListFound), (std::vector<String>{"Abc", "C100", "Docs", "MYDISC"}));
  EXPECT_EQ(form_->LFielsCountFound->Caption(), "Files count:   4");
  EXPECT_EQ(dm_->MTFiles->RecordCount(), 3);  // still the folder's files

  // Enter with a modifier key, or another key, does not search.
  form_->EdF->SetText("zzz");
  Word key = VK_RETURN;
  form_->EdFKeyDown(form_->EdF, key, TShiftState{ssCtrl});
  EXPECT_EQ(key, VK_RETURN);
  EXPECT_EQ(form_->ListFound->Items()->Count(), 4);
  // Enter typed into the edit reaches the search.
  SendMessage(form_->EdF->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(form_->ListFound->Items()->Count(), 0);
  Search("*c");
  Search("zzz");
  EXPECT_EQ(form_->ListFound->Items()->Count(), 0);
  EXPECT_EQ(form_->LFielsCountFound->Caption(), "Files count:   0");
}

TEST_F(BrowsingTest, GoingToAHitSelectsItsFolderAndFocusesTheFile) {
  SelectNode("Abc");
  Search("*");
  TListView* found = form_->ListFound;

  found->SetSelected(ItemOf(found, "Docs"));
  found->OnDblClick(found);
  EXPECT_EQ(form_->DBTree->Selected()->Text(), "Docs");
  EXPECT_EQ(form_->PageC->ActivePage(), form_->TabFiles);
  EXPECT_EQ(form_->ListView->Items()->Count(), 3);

  SelectNode("Abc");
  form_->PageC->SetActivePage(form_->TabSearch);
  found->SetSelected(ItemOf(found, "b10.txt"));
  form_->EdF->ButtonsIn()->Items(5)->OnClick()(form_->EdF);
  EXPECT_EQ(form_->DBTree->Selected()->Text(), "Docs");
  EXPECT_EQ(form_->PageC->ActivePage(), form_->TabFiles);
  TListItem* focused = form_->ListView->ItemFocused();
  ASSERT_NE(focused, nullptr);
  EXPECT_EQ(focused->Caption(), "b10.txt");
  EXPECT_EQ(form_->ListView->Selected(), nullptr);
  EXPECT_TRUE(form_->TreeReady);

  found->SetSelected(ItemOf(found, "MYDISC"));
  found->OnDblClick(found);
  EXPECT_EQ(form_->DBTree->Selected()->Text(), "MYDISC");
}

TEST_F(BrowsingTest, AHitOnADeletedDiskLeavesTheTreeFollowing) {
  SelectNode("Abc");
  Search("*");
  dm_->DeleteDisk("1A2B:3C4D");
  Pump();
  TTreeNode* before = form_->DBTree->Selected();
  TListView* found = form_->ListFound;
  found->SetSelected(ItemOf(found, "C100"));
  found->OnDblClick(found);
  EXPECT_EQ(form_->DBTree->Selected(), before);
  EXPECT_TRUE(form_->TreeReady);
}

TEST_F(BrowsingTest, BalloonsSayWhyThereIsNowhereToGo) {
  TListView* found = form_->ListFound;
  found->OnDblClick(found);
  EXPECT_EQ(BalloonText(), "No files found\n");
  Search("*");
  found->OnDblClick(found);
  EXPECT_EQ(BalloonText(), "No items selected\n");
}

TEST_F(BrowsingTest, ViewStylesFollowTheMenuAndTheButtons) {
  const struct {
    TMenuItem* item;
    TViewStyle style;
  } menu[] = {{form_->Titles, vsList},
              {form_->Report, vsReport},
              {form_->Icon, vsIcon},
              {form_->SmallIcon, vsSmallIcon}};
  for (const auto& m : menu) {
    m.item->Click();
    EXPECT_EQ(form_->ListView->ViewStyle(), m.style);
    EXPECT_TRUE(m.item->Checked());
    for (const auto& other : menu) {
      if (other.item != m.item) {
        EXPECT_FALSE(other.item->Checked());
      }
    }
  }
  const TViewStyle buttons[] = {vsIcon, vsList, vsReport, vsSmallIcon};
  for (Integer i = 0; i < 4; ++i) {
    form_->EdF->ButtonsIn()->Items(i + 1)->OnClick()(form_->EdF);
    EXPECT_EQ(form_->ListFound->ViewStyle(), buttons[i]);
  }
}

TEST_F(BrowsingTest, ShowIconsRefillsTheListsWithFileTypeIcons) {
  SelectNode("Docs");
  temp_.Write("run/$$$.probe");
  EXPECT_EQ(form_->ListView->Items()->Item(0)->ImageIndex(), -1);
  form_->Showicons->SetChecked(true);
  for (Integer i = 0; i < 3; ++i) EXPECT_GE(form_->ListView->Items()->Item(i)->ImageIndex(), 0);
  form_->Showicons->SetChecked(false);
  EXPECT_EQ(form_->ListView->Items()->Item(0)->ImageIndex(), -1);
}

TEST_F(BrowsingTest, TheTreeActionsExpandAndCollapse) {
  form_->FullExpandA->Execute();
  EXPECT_TRUE(form_->DBTree->Items()->Item(0)->Expanded());
  form_->FullCollapseA->Execute();
  EXPECT_FALSE(form_->DBTree->Items()->Item(0)->Expanded());
  EXPECT_TRUE(form_->TreeReady);
}

TEST_F(BrowsingTest, TheSettingsComeBackAfterARestart) {
  form_->SetBounds(40, 50, 700, 520);
  form_->Panel1->SetWidth(230);
  form_->Report->Click();
  form_->EdF->ButtonsIn()->Items(2)->OnClick()(form_->EdF);
  form_->PageC->SetActivePage(form_->TabFiles);
  form_->EdF->SetText("*.txt");
  form_->Showicons->SetChecked(true);
  StopProgram();
  StartProgram();
  EXPECT_EQ(form_->Left(), 40);
  EXPECT_EQ(form_->Top(), 50);
  EXPECT_EQ(form_->Width(), 700);
  EXPECT_EQ(form_->Panel1->Width(), 230);
  EXPECT_TRUE(form_->Report->Checked());
  EXPECT_FALSE(form_->Titles->Checked());
  EXPECT_FALSE(form_->Icon->Checked());
  EXPECT_EQ(form_->ListView->ViewStyle(), vsReport);
  EXPECT_EQ(form_->ListFound->ViewStyle(), vsList);
  EXPECT_EQ(form_->PageC->ActivePage(), form_->TabFiles);
  EXPECT_EQ(form_->EdF->Text(), "*.txt");
  EXPECT_TRUE(form_->Showicons->Checked());
}

TEST_F(BrowsingTest, ThePagesLookRight) {
  SelectNode("Docs");
  form_->Report->Click();
  form_->PageC->SetActivePage(form_->TabFiles);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form_->PageC->Handle()),
                               "../../app/reference/files-report.png", 8, 20));
  form_->PageC->SetActivePage(form_->TabSearch);
  Search("*");
  form_->EdF->ButtonsIn()->Items(3)->OnClick()(form_->EdF);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form_->PageC->Handle()),
                               "../../app/reference/search-hits.png", 8, 20));
}

}  // namespace
