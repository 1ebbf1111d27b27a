// app/DmZorvet.cpp
//
// The data module's components and settings, its event handlers, the
// catalogue file at open and close, and the routines of the main window.
// The scan itself is in DmZorvetScan.cpp.
#include "app/DmZorvet.h"

#include "app/ZorvetPictures.h"
#include "catalog/FindFile.h"
#include "catalog/TableList.h"
#include "catalog/VolumeInformation.h"
#include "memtable/BinaryStreamFormat.h"
#include "memtable/CsvStreamFormat.h"
#include "memtable/MemTable.h"
#include "platform/controls/Application.h"
#include "platform/controls/Dialogs.h"
#include "platform/controls/ImageLists.h"
#include "platform/controls/Screen.h"
#include "platform/controls/StdCtrls.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/DiskSpace.h"
#include "platform/win/Mci.h"
#include "ui/zAPIBalloon.h"

namespace {

// The sixteen field lines of the catalogue table; the table-list
// manager adds "Action".
const char* const kDirFields[] = {
    "idparent, N, 0", "id, N, 0",        "dirname, c, 255",   "path, c, 500",
    "IdFile, N, 0",   "SN, C, 20",       "Vollabel, C, 255",  "FileSystem, C, 255",
    "FileSize, N, 0", "FileAttr, N, 0",  "DateCreated, T, 0", "TotalSize, N, 0",
    "ImIndex, N, 0",  "StImIndex, N, 0", "Comment, C, 255",   "LastUpdate, T, 0",
};
const char* const kListFilesFields[] = {
    "full_name, C, 1000", "name, C, 1000", "icon, G, 0", "size, C, 20", "date, T, 0",
};

// What both formats save and load: data, invisible fields, blobs, field and
// index definitions; filtered-out rows, ranges and master/detail ignored on
// save, field kinds written, loads from the start; no deltas, no appending,
// no calculated or lookup fields.
void SetCatalogueFlags(TvomCustomStreamFormat* format) {
  format->SetsfData(sfSaveData | sfLoadData);
  format->SetsfNonVisible(sfSaveNonVisible | sfLoadNonVisible);
  format->SetsfBlobs(sfSaveBlobs | sfLoadBlobs);
  format->SetsfDef(sfSaveDef | sfLoadDef);
  format->SetsfIndexDef(sfSaveIndexDef | sfLoadIndexDef);
  format->SetsfFiltered(sfSaveFiltered);
  format->SetsfIgnoreRange(sfSaveIgnoreRange);
  format->SetsfIgnoreMasterDetail(sfSaveIgnoreMasterDetail);
  format->SetsfFieldKind(sfSaveFieldKind);
  format->SetsfFromStart(sfLoadFromStart);
  format->SetsfDeltas(TvomStreamFlagsDeltas{});
  format->SetsfAppend(TvomStreamFlagsAppend{});
  format->SetsfCalculated(TvomStreamFlagsCalculated{});
  format->SetsfLookup(TvomStreamFlagsLookup{});
}

template <class T>
T* Named(TComponent* owner, const char* name) {
  auto* component = new T(owner);
  component->SetName(name);
  return component;
}

}  // namespace

TDmZorvet::TDmZorvet(TComponent* owner, const String& catalogueFolder)
    : TDataModule(owner),
      catalogue_folder_(catalogueFolder.empty() ? ExecutableFolder()
                                                : IncludeTrailingPathDelimiter(catalogueFolder)) {
  SetName("DmZorvet");
  TLoadingScope loading(this);
  CreateComponents();
  loading.Finish();
  DoCreate();
}

TDmZorvet::~TDmZorvet() {
  // The handlers below reach into components that go with the module.
  window_ = nullptr;
}

void TDmZorvet::CreateComponents() {
  FindFile = Named<TFindFile>(this, "FindFile");
  FindFile->SetRecurse(true);
  FindFile->SetFilter("*.*");
  FindFile->BeforeExecute = [this](TObject* s) { FindFileBeforeExecute(s); };
  FindFile->AfterExecute = [this](TObject* s) { FindFileAfterExecute(s); };
  FindFile->OnNewPath = [this](TObject* s, const String& p, bool& a) { FindFileNewPath(s, p, a); };
  FindFile->OnFind = [this](TObject* s, const String& n, const TSearchRec& r, bool& a) {
    FindFileFind(s, n, r, a);
  };

  LList = Named<TLList>(this, "LList");
  LList->OnAfterItemOpen = [this](TObject* s, const String& name) { LListAfterItemOpen(s, name); };

  MTDir = Named<TvomMemTable>(this, "MTDir");
  MTDir->OnProgress = [this](TObject* s, Integer p, TvomProgressCode c) { MTDirProgress(s, p, c); };

  Bin = Named<TvomBinaryStreamFormat>(this, "Bin");
  Bin->SetBufferSize(16384);
  // Version "3.00" is the format's own and cannot be set.
  SetCatalogueFlags(Bin);
  Bin->SetsfDataTypeHeader(sfSaveDataTypeHeader | sfLoadDataTypeHeader);

  MTList = Named<TvomMemTable>(this, "MTList");
  MTFiles = Named<TvomMemTable>(this, "MTFiles");
  MTFiles->OnProgress = [this](TObject* s, Integer p, TvomProgressCode c) {
    MTFilesProgress(s, p, c);
  };
  DSMtFiles = Named<TDataSource>(this, "DSMtFiles");
  DSMtFiles->SetDataSet(MTFiles);

  ImList = Named<TImageList>(this, "ImList");
  XPManifest1 = Named<TXPManifest>(this, "XPManifest1");
  ImActList = Named<TImageList>(this, "ImActList");
  ImInfoList = Named<TImageList>(this, "ImInfoList");
  ImInfoList->SetWidth(32);
  ImInfoList->SetHeight(32);
  ImInfoList->SetTag(-1);
  LoadZorvetPictures(ImList, ImActList, ImInfoList);

  MtFound = Named<TvomMemTable>(this, "MtFound");
  MtFound->OnProgress = [this](TObject* s, Integer p, TvomProgressCode c) {
    MTDirProgress(s, p, c);
  };
  DSFound = Named<TDataSource>(this, "DSFound");
  DSFound->SetDataSet(MtFound);
  DSDir = Named<TDataSource>(this, "DSDir");
  DSDir->SetDataSet(MTDir);

  VolInfo = Named<TVolumeInformation>(this, "VolInfo");
  VolInfo->SetDrive('\0');
  VolInfo->OnError = [this](Integer error) { VolInfoError(error); };

  CSV = Named<TvomCSVStreamFormat>(this, "CSV");
  CSV->SetCSVQuote('"');
  CSV->SetCSVFieldDelimiter(',');
  CSV->SetCSVRecordDelimiter(',');
  CSV->SetCSVTrueString("True");
  CSV->SetCSVFalseString("False");
  CSV->SetsfLocalFormat(TvomStreamFlagsLocalFormat{});
  CSV->SetsfQuoteOnlyStrings(TvomStreamFlagsQuoteOnlyStrings{});
  CSV->SetsfNoHeader(TvomStreamFlagsNoHeader{});
  CSV->SetsfPlaceHolders(TvomStreamFlagsPlaceHolders{});
  SetCatalogueFlags(CSV);

  Balloon = Named<TzAPIBalloon>(this, "Balloon");
  Balloon->SetAutoCloseMode(acTimeOut);
  Balloon->SetTimeOut(3000);
  {
    TStringList prompt;
    prompt.Add("Halvorn Ltd");
    prompt.Add("TzAPIBalloon ver. 1");
    Balloon->SetPrompt(&prompt);
    TFont font;
    font.SetName("Tahoma");
    font.SetHeight(-11);
    Balloon->SetFont(&font);
  }

  for (TvomMemTable* table : {MTDir, MTList, MTFiles, MtFound}) SetupTable(table);
  SetupItems();
}

void TDmZorvet::SetupTable(TvomMemTable* table) {
  table->SetDesignActivation(true);
  table->SetAttachedAutoRefresh(true);
  table->SetAttachMaxCount(1);
  table->SetSortOptions(mtcoNone);
  table->SetPersistentBackup(false);
  table->SetProgressFlags(TvomProgressCodes{mtpcLoad, mtpcSave, mtpcCopy});
  table->SetFilterOptions(TFilterOptions{});
  table->SetLanguageID(0);
  table->SetSortID(0);
  table->SetSubLanguageID(1);
  table->SetLocaleID(1024);
  table->SetDefaultFormat(CSV);
  table->SetCommaTextFormat(CSV);
  table->SetAllDataFormat(CSV);
  table->SetFormFormat(CSV);
  table->SetPersistentFormat(Bin);
}

void TDmZorvet::SetupItems() {
  TLStrItem* dir = LList->Items()->Add();
  dir->SetDisplayName("dir");
  dir->SetMemTable(MTDir);
  dir->SetOpenOptions(TOpenOptions{ooFromList});
  dir->SetTag(0);
  for (const char* line : kDirFields) dir->AddFields()->Add(line);

  TLStrItem* files = LList->Items()->Add();
  files->SetDisplayName("listfiles");
  files->SetMemTable(MTFiles);
  files->SetOpenOptions(TOpenOptions{ooFromList});
  for (const char* line : kListFilesFields) files->AddFields()->Add(line);
}

// --- small services ---------------------------------------------------------------------

void TDmZorvet::Status(Integer panel, const String& text) {
  if (window_) window_->ShowStatus(panel, text);
}

namespace {
void ProcessMessages() {
  if (Application) Application->ProcessMessages();
}
void SetScreenCursor(TCursor cursor) {
  if (Screen) Screen->SetCursor(cursor);
}
}  // namespace

// --- event handlers ---------------------------------------------------------------------

void TDmZorvet::FindFileBeforeExecute(TObject*) {
  SetScreenCursor(crHourGlass);
  ProcessMessages();
}

void TDmZorvet::MTDirProgress(TObject*, Integer Percentage, TvomProgressCode) {
  Status(0, IntToStr(Percentage) + "%");
  ProcessMessages();
}

void TDmZorvet::MTFilesProgress(TObject* Sender, Integer Percentage, TvomProgressCode Code) {
  MTDirProgress(Sender, Percentage, Code);
}

void TDmZorvet::VolInfoError(Integer ErrorNumber) {
  volume_error_ = ErrorNumber;
}

void TDmZorvet::LListAfterItemOpen(TObject* Sender, const String& ItemName) {
  if (ItemName != "dir") return;
  MtFound->LoadFromDataSet(MTDir, coStructure);
  const String file = CatalogueFile();
  if (protect_file_ || !FileExists(file)) return;
  // A tree bound to the catalogue would be built again for each notice of
  // the load and of the copy below; it is bound afresh once, on every way
  // out, when the tables are ready.
  bool rebound = false;
  auto rebind = [this, &rebound] {
    if (rebound || !window_) return;
    rebound = true;
    window_->BindTree(DSDir);
  };
  TScopeExit rebindOnExit(rebind);
  if (window_) window_->BindTree(nullptr);
  try {
    // Nor need the comment's edit box hear of every field of every row
    // read: the catalogue's source leaves the table for the load and comes
    // back to it loaded (or, should the load fail, emptied), and what shows
    // the source then sees the outcome once.
    DSDir->SetDataSet(nullptr);
    TScopeExit reattach([this] { DSDir->SetDataSet(MTDir); });
    MTDir->LoadFromFile(file);
  } catch (const Exception& e) {
    // What a half-read file left in the table is of no use, and the file
    // itself must survive the save at close: it goes aside, and the item is
    // built afresh, empty.
    load_problem_ = SetDamagedFileAside(e.Message());
    MessageDlg(load_problem_, mtWarning, TMsgDlgButtons{mbOK});
    if (auto* item = dynamic_cast<TLStrItem*>(Sender)) item->Open();
    return;
  }
  if (!MTDir->Active()) return;
  CopyCatalogueToFiles();
  NoteFilesInStep(-1);
  rebind();
  ProcessMessages();
  if (!window_) return;
  if (MTDir->RecordCount() > 0) window_->SelectFirstNode();
  window_->FullCollapse();
  window_->SetTreeReady(true);
  window_->FireTreeChange();
}

// --- the catalogue file -------------------------------------------------------------------

String TDmZorvet::CatalogueFile() const {
  return catalogue_folder_ + CatalogueFileName;
}

String TDmZorvet::SetDamagedFileAside(const String& reason) {
  const String file = CatalogueFile();
  String aside = file + ".damaged";
  for (Integer n = 2; FileExists(aside) || DirectoryExists(aside); ++n)
    aside = file + ".damaged" + IntToStr(n);
  const String what = "The catalogue \"" + file + "\" could not be read (" + reason + ").";
  if (RenameFile(file, aside))
    return what + " It was moved to \"" + aside + "\", and Zorvet starts with an empty catalogue.";
  protect_file_ = true;
  return what +
         " It could not be moved aside either, so Zorvet starts with an empty catalogue "
         "that it will not save over that file.";
}

String TDmZorvet::SaveCatalogue() {
  if (protect_file_)
    return "The catalogue \"" + CatalogueFile() +
           "\" could not be read at start and is kept as it is; move it away and close again "
           "to save this catalogue.";
  if (!MTDir->Active()) return String();
  try {
    MTDir->PackTable();
    MTDir->SaveToFile(CatalogueFile());
  } catch (const Exception& e) {
    return "The catalogue could not be saved to \"" + CatalogueFile() + "\": " + e.Message();
  }
  return String();
}

// --- routines -------------------------------------------------------------------------------

void TDmZorvet::ReadDiskSpace() {
  if (drive_root_.empty()) return;
  free_bytes_ = 0;
  total_bytes_ = 0;
  ULARGE_INTEGER free{}, total{};
  if (GetDiskFreeSpaceExA(drive_root_.c_str(), &free, &total, nullptr)) {
    free_bytes_ = static_cast<Int64>(free.QuadPart);
    total_bytes_ = static_cast<Int64>(total.QuadPart);
  }
  if (window_) window_->SetGaugeMax(total_bytes_);
}

String SizeToText(Int64 Size) {
  // Each part is taken only from a positive quotient, so a negative size
  // comes out as bytes alone. The parts are 64-bit: no size is cut short.
  auto split = [](Int64 value, Int64 unit, Int64& rest) {
    const Int64 quotient = value / unit;
    if (quotient <= 0) {
      rest = value;
      return Int64{0};
    }
    rest = value - quotient * unit;
    return quotient;
  };
  Int64 r1 = 0, r2 = 0, b = 0;
  const Int64 g = split(Size, Int64{1} << 30, r1);
  const Int64 m = split(r1, Int64{1} << 20, r2);
  const Int64 k = split(r2, 1024, b);
  String text;
  if (g != 0) text = IntToStr(g) + " GB ";
  if (!text.empty() || m != 0) text += IntToStr(m) + " MB ";
  if (!text.empty() || k != 0) text += IntToStr(k) + " KB ";
  text += IntToStr(b) + " Bytes ";
  return text;
}

String ReplaceAll(const String& S, const String& Old, const String& New) {
  if (Old.empty()) return S;
  String out;
  out.reserve(S.size());
  std::size_t from = 0;
  for (std::size_t at = S.find(Old); at != String::npos; at = S.find(Old, from)) {
    out.append(S, from, at - from);
    out += New;
    from = at + Old.size();
  }
  out.append(S, from, String::npos);
  return out;
}

TDateTime FileDateTime(const String& F) {
  TDateTime stamp = 0;
  return FileAge(F, stamp) ? stamp : TDateTime(0);
}

namespace {
void SetTray(char drive, DWORD doorFlag) {
  const char element[] = {drive, ':', '\0'};
  MCI_OPEN_PARMSA open{};
  open.lpstrDeviceType = "CDAudio";
  open.lpstrElementName = element;
  if (mciSendCommandA(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_ELEMENT,
                      reinterpret_cast<DWORD_PTR>(&open)) != 0)
    return;
  TScopeExit close_device([&] { mciSendCommandA(open.wDeviceID, MCI_CLOSE, 0, 0); });
  mciSendCommandA(open.wDeviceID, MCI_SET, doorFlag, 0);
}
}  // namespace

void OpenTray(char Drive) {
  SetTray(Drive, MCI_SET_DOOR_OPEN);
}
void CloseTray(char Drive) {
  SetTray(Drive, MCI_SET_DOOR_CLOSED);
}
