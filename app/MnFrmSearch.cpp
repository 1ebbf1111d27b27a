// app/MnFrmSearch.cpp
//
// The search page: the search over the whole catalogue by a name pattern,
// and the jump from a hit to its folder (and, for a file, to its item in the
// file list).
#include "app/FileLists.h"
#include "app/MnFrm.h"
#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/ListView.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/Screen.h"
#include "platform/data/Field.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/VirtualKeys.h"
#include "ui/PickButton.h"
#include "ui/slDBTree.h"
#include "ui/zAPIBalloon.h"

void TMnFrm::PickEdit1ButtonsIn0Click(TObject*) {
  const String pattern = EdF->Text();
  if (pattern.empty()) return;
  const TCursor saved = Screen->Cursor();
  Screen->SetCursor(crHourGlass);
  TScopeExit restore([&] { Screen->SetCursor(saved); });
  SearchNames(DmZorvet->MTFiles, DmZorvet->MtFound, pattern, [this] { AddFoundRow(); });
  UpdateFiles(ListFound, DmZorvet->MtFound);
  ShowFoundTotals();
}

// Called after each hit is copied: the search keeps the window alive.
void TMnFrm::AddFoundRow() {
  Application->ProcessMessages();
}

void TMnFrm::EdFKeyDown(TObject* Sender, Word& Key, TShiftState Shift) {
  const bool modifier = Shift.Contains(ssShift) || Shift.Contains(ssCtrl) || Shift.Contains(ssAlt);
  if (Key != VK_RETURN || modifier) return;
  PickEdit1ButtonsIn0Click(Sender);
  Key = 0;
}

void TMnFrm::EdFChange(TObject*) {}

void TMnFrm::ShowBalloon(TControl* control, const String& text) {
  TzAPIBalloon* balloon = DmZorvet->Balloon;
  balloon->Prompt()->Clear();
  balloon->Prompt()->Add(text);
  balloon->ShowAt(control);
}

void TMnFrm::EdFButtonsIn5Click(TObject* Sender) {
  ListFoundDblClick(Sender);
}

void TMnFrm::ListFoundDblClick(TObject*) {
  TvomMemTable* found = DmZorvet->MtFound;
  if (!found->Active() || found->IsEmpty()) {
    ShowBalloon(EdF, "No files found");
    return;
  }
  TListItem* hit = ListFound->Selected();
  if (!hit) {
    ShowBalloon(ListFound, "No items selected");
    return;
  }
  found->First();
  found->MoveBy(hit->Index());
  TreeReady = false;
  TScopeExit ready([this] { TreeReady = true; });
  TvomMemTable* dir = DmZorvet->MTDir;
  TField* idFile = found->FieldByName("Idfile");
  if (idFile->IsNull() || idFile->AsInteger() == 0) {
    dir->Locate("id", found->FieldByName("id")->AsVariant(), {loCaseInsensitive});
    Application->ProcessMessages();
    DBTree->Repaint();
    TreeReady = true;
    DBTreeChange(DBTree, DBTree->Selected());
    PageC->SetActivePage(TabFiles);
    return;
  }
  if (!dir->Locate("id", idFile->AsVariant(), {})) return;
  DBTree->Repaint();
  // The folder's files must be listed before the file's item can be found
  // among them, so the tree's change is heard here.
  TreeReady = true;
  DBTreeChange(DBTree, DBTree->Selected());
  const String name = found->FieldByName("DirName")->AsString();
  TListItems* items = ListView->Items();
  for (Integer i = 0; i < items->Count(); ++i) {
    TListItem* item = items->Item(i);
    if (item->Caption() != name) continue;
    PageC->SetActivePage(TabFiles);
    ListView->Refresh();
    item->SetFocused(true);
    item->MakeVisible(true);
    break;
  }
}
