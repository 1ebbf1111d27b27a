// app/MnFrm.cpp
//
// The main window's start, drives, scan, delete, tray and close, and what it
// shows of the selected disk.
#include "app/MnFrm.h"

#include <algorithm>
#include <limits>

#include "catalog/TableList.h"
#include "catalog/VolumeInformation.h"
#include "memtable/MemTable.h"
#include "platform/controls/ActnList.h"
#include "platform/controls/Application.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/Image.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Label.h"
#include "platform/controls/ListView.h"
#include "platform/controls/Screen.h"
#include "platform/controls/StatusBar.h"
#include "platform/controls/Timer.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/DiskSpace.h"
#include "platform/win/Drives.h"
#include "platform/win/ShellIcons.h"
#include "platform/win/Volumes.h"
#include "ui/slDBTree.h"

namespace {

void ProcessMessages() {
  if (Application) Application->ProcessMessages();
}

// Sets the screen cursor and gives the previous one back when it goes.
class TCursorScope {
 public:
  explicit TCursorScope(TCursor cursor) : previous_(Screen ? Screen->Cursor() : crDefault) {
    if (Screen) Screen->SetCursor(cursor);
  }
  ~TCursorScope() {
    if (Screen) Screen->SetCursor(previous_);
  }
  TCursorScope(const TCursorScope&) = delete;
  TCursorScope& operator=(const TCursorScope&) = delete;

 private:
  TCursor previous_;
};

}  // namespace

TMnFrm::TMnFrm(TComponent* owner, TDmZorvet* dataModule) : TForm(owner), DmZorvet(dataModule) {
  SetName("MnFrm");
  DmZorvet->SetWindow(this);
  FreeNotification(DmZorvet);
  TLoadingScope loading(this);
  BuildForm();
  BindBrowsing();
  loading.Finish();
  DoCreate();
}

TMnFrm::~TMnFrm() {
  // The timer and the data module's calls must not reach a half-freed window.
  if (Timer) Timer->SetEnabled(false);
  // Nor the tree's selection changes while its nodes go (a window freed
  // without being closed first still follows the tree).
  TreeReady = false;
  if (DBTree) {
    DBTree->OnChange = nullptr;
    DBTree->OnGetImageIndex = nullptr;
    DBTree->OnGetSelectedIndex = nullptr;
  }
  if (DmZorvet && DmZorvet->Window() == this) DmZorvet->SetWindow(nullptr);
}

void TMnFrm::Notification(TComponent* component, TOperation operation) {
  TForm::Notification(component, operation);
  if (operation == opRemove && component == DmZorvet) DmZorvet = nullptr;
}

// --- start ------------------------------------------------------------------------------------

void TMnFrm::FormCreate(TObject*) {
  // The tree builds its nodes in its window: the windows exist before the
  // catalogue loads, so that its first node can be selected at once.
  HandleNeeded();
  for (TLabel* label : {LFileSystem, LSelectDisk, LFreeSpace, LUsedSpace, LCapacity, LFielsCount,
                        LSizeFiles, LFielsCountFound, LSizeFilesFound, lbLastUpdate})
    label->SetCaption(String());

  const DWORD present = GetLogicalDrives();
  std::size_t count = 0;
  for (int bit = 0; bit < 26 && count < Drives.size(); ++bit) {
    if ((present & (DWORD{1} << bit)) == 0) continue;
    const char letter = static_cast<char>('A' + bit);
    const char drive[] = {letter, ':', '\0'};
    if (GetDriveTypeA(drive) != DRIVE_CDROM) continue;
    Drives[count] = String{letter, ':', '\\'};
    ComboDriv->Items()->Add(Drives[count]);
    ++count;
  }

  ArrangeDiskLabels();
  SetupListView(ListView);
  SetupListView(ListFound);
  if (TLStrItem* item = DmZorvet->LList->Items()->FindItem("dir")) item->Open();
  ShowFoundTotals();
}

// --- drives -----------------------------------------------------------------------------------

void TMnFrm::ComboDrivChange(TObject*) {
  DmZorvet->SetDriveRoot(ComboDriv->Text());
  const bool chosen = !DmZorvet->DriveRoot().empty();
  OpenCDA->SetEnabled(chosen);
  CloseCDA->SetEnabled(chosen);
}

bool TMnFrm::DriveReady(char Drive) {
  if (Drive >= 'a' && Drive <= 'z') Drive = static_cast<char>(Drive - 'a' + 'A');
  if (Drive < 'A' || Drive > 'Z') throw EConvertError("Not a valid drive ID");
  const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
  TScopeExit restore([&] { SetErrorMode(previous); });
  return DiskSize(static_cast<Byte>(Drive - 'A' + 1)) != -1;
}

void TMnFrm::PollDrive() {
  const String root = DmZorvet->DriveRoot();
  if (root.empty() || !DriveReady(root[0])) {
    LFileSystem->SetCaption(String());
    ScanCDA->SetEnabled(false);
    DmZorvet->SetSerialNumber(String());
    return;
  }
  TVolumeInformation* volume = DmZorvet->VolInfo;
  volume->SetDrive(root[0]);
  DmZorvet->SetVolumeError(0);
  if (!volume->SerialNumber().empty() && DmZorvet->VolumeError() == 0) {
    const String serial = volume->SerialNumber();
    LFileSystem->SetCaption("File system: " + volume->FileSystemName() +
                            "  Label: " + volume->VolumeLabel() + "  SN: " + serial);
    ScanCDA->SetEnabled(true);
    DmZorvet->SetSerialNumber(serial);
  } else {
    LFileSystem->SetCaption("No disk");
    DmZorvet->SetSerialNumber(String());
  }
}

void TMnFrm::TimerTimer(TObject*) {
  PollDrive();
}

// --- scan -------------------------------------------------------------------------------------

void TMnFrm::ScanCDAExecute(TObject*) {
  Timer->SetEnabled(false);
  TScopeExit restart([&] { Timer->SetEnabled(true); });

  TLStrItem* item = DmZorvet->LList->Items()->FindItem("dir");
  if (item && item->MemTable() && !item->MemTable()->Active()) item->Open();
  if (DmZorvet->DriveRoot().empty()) {
    MessageDlg("Please, select disk letter", mtInformation, TMsgDlgButtons{mbOK});
    return;
  }
  if (DmZorvet->SerialNumber().empty()) {
    MessageDlg("No disk!", mtWarning, TMsgDlgButtons{mbOK});
    return;
  }

  TvomMemTable* dir = DmZorvet->MTDir;
  TVolumeInformation* volume = DmZorvet->VolInfo;
  if (dir->Active() &&
      dir->Locate("Path", Variant(DmZorvet->SerialNumber()), TLocateOptions{loCaseInsensitive})) {
    const String storedSerial = dir->FieldByName("Sn")->AsString();
    const String storedLabel = dir->FieldByName("dirName")->AsString();
    const String storedSystem = dir->FieldByName("FileSystem")->AsString();
    if (volume->SerialNumber() != storedSerial || volume->VolumeLabel() != storedLabel ||
        volume->FileSystemName() != storedSystem) {
      const String question = String("Replace data? ") + "\n\r" + " SN: " + storedSerial +
                              " Label: " + storedLabel + " File system: " + storedSystem;
      if (MessageDlg(question, mtConfirmation, mbOKCancel) != mrOk) return;
    }
  }

  TreeReady = false;
  BindTree(nullptr);
  LCapacity->SetCaption(String());
  LFreeSpace->SetCaption(String());
  LUsedSpace->SetCaption(String());
  ArrangeDiskLabels();
  SetGaugeMax(0);
  Gauge->SetProgress(0);

  PollDrive();
  DmZorvet->SetFileSystemName(volume->FileSystemName());
  DmZorvet->SetVolumeLabel(volume->VolumeLabel());
  if (DmZorvet->MtFound->Active()) DmZorvet->MtFound->EmptyTable();
  ListView->Items()->Clear();

  const String failure = DmZorvet->ScanDrive();
  if (failure.empty()) return;
  // Whatever failed, the catalogue is as it was: show it again, following
  // the selection, before saying what went wrong.
  if (Screen) Screen->SetCursor(crDefault);
  if (!DBTree->DataSource()) BindTree(DmZorvet->DSDir);
  TreeReady = true;
  FireTreeChange();
  MessageDlg(failure, mtError, TMsgDlgButtons{mbOK});
}

// --- delete and tray --------------------------------------------------------------------------

void TMnFrm::DeleteCDAExecute(TObject*) {
  {
    TCursorScope hourglass(crHourGlass);
    ProcessMessages();
    TTreeNode* node = DBTree->Selected();
    if (node && node->Level() == 0 &&
        MessageDlg("Delete CD from Zorvet?", mtConfirmation, mbOKCancel) == mrOk) {
      const String serial = DmZorvet->MTDir->FieldByName("SN")->AsString();
      DmZorvet->DeleteDisk(serial);
    }
  }
  if (Screen) Screen->SetCursor(crDefault);
  ProcessMessages();
  if (DmZorvet->MtFound->Active()) DmZorvet->MtFound->EmptyTable();
  FireTreeChange();
}

void TMnFrm::OpenCDAExecute(TObject*) {
  const String drive = ComboDriv->Text();
  if (!drive.empty()) OpenTray(drive[0]);
}

void TMnFrm::CloseCDAExecute(TObject*) {
  const String drive = ComboDriv->Text();
  if (!drive.empty()) CloseTray(drive[0]);
}

// --- close ------------------------------------------------------------------------------------

void TMnFrm::FormClose(TObject*, TCloseAction& Action) {
  const bool wasReady = TreeReady;
  TreeReady = false;
  const String problem = DmZorvet ? DmZorvet->SaveCatalogue() : String();
  if (problem.empty()) return;
  const String question = problem +
                          "\n\nClose Zorvet anyway? What was scanned or deleted since the "
                          "catalogue was last saved is then lost.";
  if (MessageDlg(question, mtError, TMsgDlgButtons{mbYes, mbNo}) == mrYes) return;
  Action = caNone;
  TreeReady = wasReady;
}

// --- the selected disk and the lists' totals --------------------------------------------------

void TMnFrm::SetupListView(TCustomListView* List) {
  auto systemList = [&](UINT sizeFlag) {
    auto* images = new TImageList(this);
    images->SetShareImages(true);
    SHFILEINFOA info{};
    images->SetHandle(reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | sizeFlag)));
    return images;
  };
  if (!List->LargeImages()) List->SetLargeImages(systemList(SHGFI_SHELLICONSIZE));
  if (!List->SmallImages()) List->SetSmallImages(systemList(SHGFI_SMALLICON));
  for (const char* caption : {"Name", "Size", "Date created"}) {
    TListColumn* column = List->Columns()->Add();
    column->SetCaption(caption);
    column->SetWidth(ColumnHeaderWidth);
  }
}

Integer TMnFrm::GaugeValue(Int64 bytes, Int64 total) {
  constexpr Int64 kMax = std::numeric_limits<Integer>::max();
  Int64 reference = std::max(total, bytes);
  int shift = 0;
  while ((reference >> shift) > kMax) ++shift;
  return static_cast<Integer>(std::max<Int64>(bytes, 0) >> shift);
}

void TMnFrm::SetGaugeMax(Int64 totalBytes) {
  Gauge->SetMaxValue(GaugeValue(totalBytes, totalBytes));
}

void TMnFrm::ShowDiskSpace() {
  const Int64 total = DmZorvet->TotalBytes();
  const Int64 used = DmZorvet->UsedBytes();
  // Both on one scale, so the wedge keeps its proportion whatever the sizes.
  const Int64 scale = std::max(total, used);
  Gauge->SetMaxValue(GaugeValue(total, scale));
  Gauge->SetProgress(GaugeValue(used, scale));
  LUsedSpace->SetCaption("Used space: " + SizeToText(used));
  int picture = 1;
  if (total < used) {
    DmZorvet->SetUsedBytes(total);
    picture = 0;
  }
  TImageList* pictures = DmZorvet->ImInfoList;
  if (pictures->Tag() != picture && picture < pictures->Count()) {
    pictures->GetBitmap(picture, ImInfo->Picture()->Bitmap());
    pictures->SetTag(picture);
  }
  LFreeSpace->SetCaption("Free space: " + SizeToText(total - DmZorvet->UsedBytes()));
  LCapacity->SetCaption("Capacity: " + SizeToText(total));
  ArrangeDiskLabels();
}

void TMnFrm::ArrangeDiskLabels() {
  if (arranging_) return;
  arranging_ = true;
  TScopeExit done([&] { arranging_ = false; });
  const Integer width = std::max<Integer>(Panel4->ClientWidth() - 8, 20);
  Integer top = 42;
  for (TLabel* label : {LSelectDisk, lbLastUpdate, LFreeSpace, LUsedSpace, LCapacity}) {
    // Measured again at the panel's width: a wrapped label keeps the width
    // of its longest line.
    label->SetWordWrap(true);
    label->SetAutoSize(false);
    label->SetBounds(4, top, width, label->Height());
    label->SetAutoSize(true);
    top += label->Height();
  }
  if (Panel4->Height() != top + 4) Panel4->SetHeight(top + 4);
}

void TMnFrm::ShowFilesTotals() {
  LSizeFiles->SetCaption("Size:   " + SizeToText(ListBytes));
  LFielsCount->SetCaption("Files count:   " + IntToStr(ListView->Items()->Count()));
}

void TMnFrm::ShowFoundTotals() {
  LSizeFilesFound->SetCaption("Size:   " + SizeToText(ListBytes));
  LFielsCountFound->SetCaption("Files count:   " + IntToStr(ListFound->Items()->Count()));
}

void TMnFrm::DBTreeChange(TObject*, TTreeNode* Node) {
  if (!Node || !TreeReady) return;
  TCursorScope hourglass(crHourGlass);
  ProcessMessages();
  TvomMemTable* dir = DmZorvet->MTDir;
  if (Node->Level() == 0) {
    LSelectDisk->SetCaption("File system: " + dir->FieldByName("FileSystem")->AsString() +
                            "  SN: " + dir->FieldByName("SN")->AsString());
    DmZorvet->SetUsedBytes(dir->FieldByName("FileSize")->AsLargeInt());
    DmZorvet->SetTotalBytes(dir->FieldByName("TotalSize")->AsLargeInt());
    lbLastUpdate->SetCaption("Last update: " + dir->FieldByName("LastUpdate")->AsString());
    ShowDiskSpace();
  }
  TvomMemTable* files = DmZorvet->MTFiles;
  if (TreeReady && files->Active()) {
    files->DisableControls();
    TScopeExit enable([&] { files->EnableControls(); });
    const String id = dir->FieldByName("Id")->AsString();
    if (!id.empty()) {
      files->SetFilter("([id] = null) and [IdFile] = '" + id + "'");
      files->SetFiltered(true);
      UpdateFiles(ListView, files);
      ShowFilesTotals();
    }
  }
  DeleteCDA->SetEnabled(Node->Level() == 0);
}

void TMnFrm::DBTreeGetSelectedIndex(TObject*, TTreeNode* Node) {
  // Asked while the tree paints: setting the same index again would ask
  // for another paint, and so on for ever.
  const Integer index = Node->Level() == 0 ? 11 : 0;
  if (Node->SelectedIndex() != index) Node->SetSelectedIndex(index);
}

void TMnFrm::DBTreeGetImageIndex(TObject*, TTreeNode*) {}

// --- what the data module asks ----------------------------------------------------------------

void TMnFrm::ShowStatus(Integer panel, const String& text) {
  TStatusPanels* panels = StatusBar->Panels();
  if (panel >= 0 && panel < panels->Count()) panels->Items(panel)->SetText(text);
}

void TMnFrm::BindTree(TDataSource* source) {
  // Loading the catalogue file makes the table's fields anew while the tree
  // may still hold the old ones: binding the same source again rebinds.
  if (DBTree->DataSource() == source) DBTree->SetDataSource(nullptr);
  DBTree->SetDataSource(source);
}

void TMnFrm::SelectFirstNode() {
  if (TTreeNode* first = DBTree->Items()->GetFirstNode()) DBTree->SetSelected(first);
}

void TMnFrm::FullCollapse() {
  DBTree->FullCollapse();
}

void TMnFrm::CollapseSelectedNode() {
  if (TTreeNode* node = DBTree->Selected()) node->Collapse(false);
}

void TMnFrm::FireTreeChange() {
  if (DBTree->OnChange) DBTree->OnChange(DBTree, DBTree->Selected());
}
