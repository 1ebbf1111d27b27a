// app/MnFrmBrowsing.cpp
//
// Browsing the catalogue in the main window: the two file lists and their
// sorting, the view styles, the icons switch, the tree's expand and collapse
// actions, and the settings the form storage keeps between runs.
#include "app/FileLists.h"
#include "app/MnFrm.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/ListView.h"
#include "platform/controls/Menus.h"
#include "platform/controls/Screen.h"
#include "platform/controls/StdCtrls.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeExit.h"
#include "ui/PickButton.h"
#include "ui/Placemnt.h"
#include "ui/slDBTree.h"

namespace {

// Shows the hourglass until the scope ends, whatever happens in it.
class THourglass {
 public:
  THourglass() : saved_(Screen->Cursor()) { Screen->SetCursor(crHourGlass); }
  ~THourglass() { Screen->SetCursor(saved_); }
  THourglass(const THourglass&) = delete;
  THourglass& operator=(const THourglass&) = delete;

 private:
  TCursor saved_;
};

}  // namespace

void TMnFrm::BindBrowsing() {
  file_icons_ = std::make_unique<TFileTypeIcons>(ExtractFilePath(DmZorvet->CatalogueFile()));

  ListView->OnColumnClick = [this](TObject* s, TListColumn* c) { ListViewColumnClick(s, c); };
  ListFound->OnColumnClick = [this](TObject* s, TListColumn* c) { ListFoundColumnClick(s, c); };
  ListView->OnEditing = [this](TObject* s, TListItem* i, bool& a) { ListViewEditing(s, i, a); };
  ListFound->OnEditing = [this](TObject* s, TListItem* i, bool& a) { ListFoundEditing(s, i, a); };
  ListFound->OnDblClick = [this](TObject* s) { ListFoundDblClick(s); };

  // The view-style menu is one radio group: checking an item unchecks the others.
  for (TMenuItem* item : {Titles, SmallIcon, Report, Icon}) {
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
  }
  Titles->OnClick = [this](TObject* s) { TitlesClick(s); };
  SmallIcon->OnClick = [this](TObject* s) { SmallIconClick(s); };
  Report->OnClick = [this](TObject* s) { ReportClick(s); };
  Icon->OnClick = [this](TObject* s) { IconClick(s); };
  Showicons->OnClick = [this](TObject* s) { ShowiconsClick(s); };

  FullCollapseA->OnExecute = [this](TObject* s) { FullCollapseAExecute(s); };
  FullExpandA->OnExecute = [this](TObject* s) { FullExpandAExecute(s); };
  NodeCollapseA->OnExecute = [this](TObject* s) { NodeCollapseAExecute(s); };
  NodeExpandA->OnExecute = [this](TObject* s) { NodeExpandAExecute(s); };

  TButtonsIn* buttons = EdF->ButtonsIn();
  buttons->Items(0)->SetOnClick([this](TObject* s) { PickEdit1ButtonsIn0Click(s); });
  buttons->Items(1)->SetOnClick([this](TObject* s) { EdFButtonsIn1Click(s); });
  buttons->Items(2)->SetOnClick([this](TObject* s) { EdFButtonsIn2Click(s); });
  buttons->Items(3)->SetOnClick([this](TObject* s) { EdFButtonsIn3Click(s); });
  buttons->Items(4)->SetOnClick([this](TObject* s) { EdFButtonsIn4Click(s); });
  buttons->Items(5)->SetOnClick([this](TObject* s) { EdFButtonsIn5Click(s); });
  EdF->OnKeyDown = [this](TObject* s, Word& k, TShiftState sh) { EdFKeyDown(s, k, sh); };
  EdF->OnChange = [this](TObject* s) { EdFChange(s); };

  // Still loading: the storage resolves these names once the form is loaded.
  TStrings* stored = FormStorage1->StoredProps();
  for (const char* line :
       {"Panel1.Width", "Titles.Checked", "Icon.Checked", "Report.Checked", "ListView.ViewStyle",
        "ListFound.ViewStyle", "PageC.ActivePage", "EdF.Text", "Showicons.Checked"})
    stored->Add(line);
}

// --- the lists ----------------------------------------------------------------------------

void TMnFrm::UpdateFiles(TCustomListView* List, TvomMemTable* Table) {
  ListBytes = FillList(List, Table, Showicons->Checked(), *file_icons_);
}

void TMnFrm::SortList(TCustomListView* List, TListColumn* Column, TvomMemTable* Table) {
  THourglass hourglass;
  Application->ProcessMessages();
  SortColumn(List, Column, Table);
  UpdateFiles(List, Table);
}

void TMnFrm::ResetColumnTags(TCustomListView* List) {
  ::ResetColumnTags(List);
}

void TMnFrm::ListViewColumnClick(TObject*, TListColumn* Column) {
  SortList(ListView, Column, DmZorvet->MTFiles);
  ShowFilesTotals();
}

void TMnFrm::ListFoundColumnClick(TObject*, TListColumn* Column) {
  SortList(ListFound, Column, DmZorvet->MtFound);
  ShowFoundTotals();
}

void TMnFrm::ListViewEditing(TObject*, TListItem*, bool& AllowEdit) {
  AllowEdit = false;
}

void TMnFrm::ListFoundEditing(TObject*, TListItem*, bool& AllowEdit) {
  AllowEdit = false;
}

void TMnFrm::ShowiconsClick(TObject*) {
  THourglass hourglass;
  UpdateFiles(ListView, DmZorvet->MTFiles);
  UpdateFiles(ListFound, DmZorvet->MtFound);
}

// --- view styles --------------------------------------------------------------------------

void TMnFrm::TitlesClick(TObject*) {
  ListView->SetViewStyle(vsList);
  Titles->SetChecked(true);
}

void TMnFrm::SmallIconClick(TObject*) {
  ListView->SetViewStyle(vsSmallIcon);
  SmallIcon->SetChecked(true);
}

void TMnFrm::ReportClick(TObject*) {
  ListView->SetViewStyle(vsReport);
  Report->SetChecked(true);
}

void TMnFrm::IconClick(TObject*) {
  ListView->SetViewStyle(vsIcon);
  Icon->SetChecked(true);
}

void TMnFrm::EdFButtonsIn1Click(TObject*) {
  ListFound->SetViewStyle(vsIcon);
}

void TMnFrm::EdFButtonsIn2Click(TObject*) {
  ListFound->SetViewStyle(vsList);
}

void TMnFrm::EdFButtonsIn3Click(TObject*) {
  ListFound->SetViewStyle(vsReport);
}

void TMnFrm::EdFButtonsIn4Click(TObject*) {
  ListFound->SetViewStyle(vsSmallIcon);
}

// --- the tree's actions -------------------------------------------------------------------

void TMnFrm::ChangeTree(const std::function<void()>& change) {
  TreeReady = false;
  {
    TScopeExit ready([this] { TreeReady = true; });
    change();
  }
  DBTreeChange(DBTree, DBTree->Selected());
}

void TMnFrm::FullCollapseAExecute(TObject*) {
  ChangeTree([this] { DBTree->FullCollapse(); });
}

void TMnFrm::FullExpandAExecute(TObject*) {
  ChangeTree([this] { DBTree->FullExpand(); });
}

void TMnFrm::NodeCollapseAExecute(TObject*) {
  ChangeTree([this] {
    if (TTreeNode* node = DBTree->Selected()) node->Collapse(true);
  });
}

void TMnFrm::NodeExpandAExecute(TObject*) {
  ChangeTree([this] {
    if (TTreeNode* node = DBTree->Selected()) node->Expand(true);
  });
}
