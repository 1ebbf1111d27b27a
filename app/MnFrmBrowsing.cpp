// app/MnFrmBrowsing.cpp
//
// Browsing the catalogue: the file lists' fill. Files are listed without
// file-type icons, folders and disks with the folder icon.
#include "app/MnFrm.h"
#include "memtable/MemTable.h"
#include "platform/controls/ListView.h"
#include "platform/data/Field.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/win/ShellIcons.h"

// The file lists, the search and the tree actions bind their handlers here.
void TMnFrm::BindBrowsing() {}

void TMnFrm::UpdateFiles(TCustomListView* List, TvomMemTable* Table) {
  TListItems* items = List->Items();
  items->BeginUpdate();
  TScopeExit paint([&] { items->EndUpdate(); });
  items->Clear();
  ListBytes = 0;
  if (!Table->Active() || Table->RecordCount() == 0) return;
  SHFILEINFOA info{};
  SHGetFileInfoA(ExecutableFolder().c_str(), 0, &info, sizeof(info),
                 SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
  const Integer folderIcon = info.iIcon;
  TField* id = Table->FieldByName("Id");
  TField* name = Table->FieldByName("DirName");
  TField* size = Table->FieldByName("FileSize");
  TField* date = Table->FieldByName("DateCreated");
  for (Table->First(); !Table->Eof(); Table->Next()) {
    TListItem* item = items->Add();
    item->SetCaption(name->AsString());
    ListBytes += size->AsLargeInt();
    item->SetImageIndex(id->AsString().empty() ? -1 : folderIcon);
    item->SubItems()->Add(size->AsString());
    item->SubItems()->Add(date->AsString());
  }
}
