// app/DmZorvetScan.cpp
//
// The scan's data path: the finder's events turned into catalogue rows, the
// end of the walk, and the removal of a disk's rows.
//
// Why the order differs from a plain "delete, then walk": a disc that fails
// half-way (a read error, a size the catalogue cannot hold) must not cost the
// disk's old rows. So the walk appends beside them, and only a walk that
// reached its end deletes them; a failed one takes its own rows out again
// (they are told apart by the store's serial numbers, which only grow). The
// identifiers come from the largest id outside the disk, which is the
// largest id left after deleting the disk first, so the rows are the same.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

#include "app/DmZorvet.h"
#include "app/StoredValues.h"
#include "catalog/FindFile.h"
#include "catalog/TableList.h"
#include "memtable/MemTable.h"
#include "memtable/Record.h"
#include "memtable/RecordStore.h"
#include "platform/controls/Application.h"
#include "platform/controls/Screen.h"
#include "platform/data/Field.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

// The 32-bit size fields hold values below this.
constexpr Int64 kSizeLimit = Int64{1} << 31;

void ProcessMessages() {
  if (Application) Application->ProcessMessages();
}

// "4.7 GB": decimal gigabytes with one decimal, as discs are labelled.
String Gigabytes(Int64 bytes) {
  const Int64 tenths = (bytes + 50'000'000) / 100'000'000;
  return IntToStr(tenths / 10) + "." + IntToStr(tenths % 10) + " GB";
}

// Everything up to and including the last '\' or ':'.
String FolderPart(const String& s) {
  const std::size_t at = s.find_last_of("\\:");
  return at == String::npos ? String() : s.substr(0, at + 1);
}
// Everything after the last '\' or ':'.
String LastPart(const String& s) {
  const std::size_t at = s.find_last_of("\\:");
  return at == String::npos ? s : s.substr(at + 1);
}

// `text` cut to at most `size` bytes without splitting a UTF-8 character.
String FitField(const String& text, Integer size) {
  if (size <= 0 || text.size() <= static_cast<std::size_t>(size)) return text;
  std::size_t end = static_cast<std::size_t>(size);
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

void SetText(TField* field, const String& text) {
  field->SetAsString(FitField(text, field->Size()));
}

bool SameAscii(std::string_view a, const String& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

// The catalogue table of the item "dir" when it is present and open.
TvomMemTable* OpenDirTable(TLList* list) {
  TLStrItem* item = nullptr;
  if (list->ItemRecordCount("dir", item) == -1 || item == nullptr) return nullptr;
  return item->MemTable();
}

}  // namespace

TDmZorvet::TRowFields::TRowFields(TvomMemTable* t)
    : id(t->FieldByName("id")),
      idparent(t->FieldByName("idparent")),
      dirname(t->FieldByName("DirName")),
      path(t->FieldByName("Path")),
      idfile(t->FieldByName("IdFile")),
      sn(t->FieldByName("SN")),
      fileSystem(t->FieldByName("FileSystem")),
      fileSize(t->FieldByName("FileSize")),
      fileAttr(t->FieldByName("FileAttr")),
      dateCreated(t->FieldByName("DateCreated")),
      imIndex(t->FieldByName("ImIndex")),
      stImIndex(t->FieldByName("StImIndex")),
      lastUpdate(t->FieldByName("LastUpdate")) {}

const TDmZorvet::TRowFields& TDmZorvet::RowFields() {
  // Outside a scan the table may have been rebuilt since: look again.
  if (!scanning_ || !row_fields_) row_fields_ = std::make_unique<TRowFields>(MTDir);
  return *row_fields_;
}

// --- rows -----------------------------------------------------------------------------------

void TDmZorvet::FindFileNewPath(TObject*, const String& NewPath, bool&) {
  if (OpenDirTable(LList) != nullptr) AppendFolderRow(NewPath);
  FindFile->Files()->Clear();
  Status(1, NewPath);
  ProcessMessages();
}

void TDmZorvet::AppendFolderRow(const String& path) {
  const TRowFields& f = RowFields();
  const String diskPrefix = serial_number_ + ":\\";
  const bool root = path == drive_root_;
  String s, parentPath;
  if (root) {
    parentPath = serial_number_;
  } else {
    s = path.substr(0, path.size() - 1);
    if (FolderPart(s) == drive_root_) {
      parentPath = serial_number_;
    } else {
      s = ReplaceAll(s, drive_root_, diskPrefix);
      parentPath = FolderPart(s);
    }
  }
  // The parent is looked up among the folders of this scan by its full
  // path, exactly: the stored path may be cut to the field's size, and on
  // Linux media "Photos" and "photos" are two folders.
  const auto parent = scan_folders_.find(parentPath);
  parent_id_ = parent != scan_folders_.end() ? parent->second : root_id_;

  MTDir->Append();
  ++id_counter_;
  f.id->SetAsString(IntToStr(id_counter_));
  f.idparent->SetAsString(IntToStr(parent_id_));
  const String catalogPath = root ? serial_number_ : ReplaceAll(path, drive_root_, diskPrefix);
  if (root) {
    f.lastUpdate->SetAsDateTime(Now());
    f.imIndex->SetAsInteger(file_system_name_ == "CDFS" ? 2 : 10);
  } else {
    f.imIndex->SetAsInteger(1);
  }
  SetText(f.path, catalogPath);
  const String name = root ? String() : LastPart(s);
  SetText(f.dirname, name);
  if (name.empty()) {
    SetText(f.dirname, volume_label_);
    SetText(f.fileSystem, file_system_name_);
  }
  SetText(f.sn, serial_number_);
  f.dateCreated->Clear();
  f.stImIndex->SetAsInteger(11);
  MTDir->Post();
  if (scanning_) scan_folders_[catalogPath] = id_counter_;
}

void TDmZorvet::FindFileFind(TObject*, const String& NameFile, const TSearchRec& SearchRec, bool&) {
  if (OpenDirTable(LList) == nullptr) return;
  AppendFileRow(NameFile, SearchRec);
  Status(1, NameFile);
  ProcessMessages();
}

void TDmZorvet::AppendFileRow(const String& name, const TSearchRec& rec) {
  const TRowFields& f = RowFields();
  const Int64 size =
      static_cast<Int64>(rec.FindData.nFileSizeHigh) * (Int64{1} << 32) + rec.FindData.nFileSizeLow;
  // Refused before the row exists, in words a person can act on.
  if (size >= kSizeLimit)
    throw ERangeError("The file \"" + name + "\" holds " + Gigabytes(size) +
                      "; the catalogue stores sizes below 2 GB");
  MTDir->Append();
  SetText(f.path, ReplaceAll(FolderPart(name), drive_root_, serial_number_ + ":\\"));
  SetText(f.dirname, LastPart(name));
  f.idfile->SetAsInteger(static_cast<Integer>(id_counter_));
  SetText(f.sn, serial_number_);
  f.fileSize->SetAsInteger(static_cast<Integer>(size));
  used_bytes_ += size;
  f.fileAttr->SetAsInteger(rec.Attr);
  // The search record's time is the file's last write, read by the same
  // stat as FileDateTime would make again (a drive path resolved afresh
  // for every file).
  f.dateCreated->SetAsDateTime(rec.TimeStamp);
  MTDir->Post();
}

// --- the end of the walk ----------------------------------------------------------------

void TDmZorvet::FindFileAfterExecute(TObject*) {
  TScopeExit cursor([] {
    if (Screen) Screen->SetCursor(crDefault);
  });
  TLStrItem* item = nullptr;
  LList->ItemRecordCount("dir", item);
  TvomMemTable* table = OpenDirTable(LList);
  if (table != nullptr && scanning_) {
    // The disk's total goes into the root row; a sum the field cannot hold
    // fails the scan while the old rows are still there.
    if (used_bytes_ >= kSizeLimit)
      throw ERangeError("The files of this disc hold " + Gigabytes(used_bytes_) +
                        "; the catalogue stores sizes below 2 GB");
    RemoveOldDiskRows();
    scanning_ = false;
  }
  const bool fromScan = scan_files_in_step_;
  scan_files_in_step_ = false;
  if (table != nullptr) {
    Integer rootFilesPos = -1;
    MTDir->SortOn("Id", mtcoCaseInsensitive);
    if (fromScan) {
      // The scan's rows, root first, are the last rows of MTFiles.
      rootFilesPos = UpdateFilesFromScan();
      if (rootFilesPos >= MTFiles->CurrentIndex()->Count()) rootFilesPos = -1;
    } else {
      // Copied in the catalogue's order on "Id", before the root's sizes.
      CopyCatalogueToFiles();
    }
    if (MTDir->Locate("id", Variant(static_cast<Integer>(root_id_)),
                      TLocateOptions{loCaseInsensitive})) {
      MTDir->Edit();
      MTDir->FieldByName("FileSize")->SetAsLargeInt(used_bytes_);
      MTDir->FieldByName("TotalSize")->SetAsLargeInt(total_bytes_);
      MTDir->Post();
      files_sync_.rootSerial = MTDir->GetActiveRecord()->Serial;
    } else {
      files_sync_.rootSerial = -1;
    }
    if (!fromScan && files_sync_.rootSerial >= 0) {
      // Where the whole copy put the root row.
      TvomIndex* index = MTFiles->CurrentIndex();
      TField* id = MTFiles->FindField("id");
      const TvomCommon& store = MTFiles->Store();
      for (Integer p = 0; rootFilesPos < 0 && ReadsInPlace(store, id) && p < index->Count(); ++p) {
        Integer value = 0;
        if (StoredInteger(store, index->Refs(p), id, value) &&
            value == static_cast<Integer>(root_id_))
          rootFilesPos = p;
      }
    }
    NoteFilesInStep(rootFilesPos);
  }
  if (item != nullptr && window_) {
    window_->ShowDiskSpace();
    window_->BindTree(DSDir);
    window_->SetTreeReady(true);
    window_->CollapseSelectedNode();
    window_->FireTreeChange();
  }
}

// --- the scan as a whole ------------------------------------------------------------------

String TDmZorvet::ScanDrive() {
  if (drive_root_.empty()) return "Please, select disk letter";
  if (serial_number_.empty()) return "No disk!";
  TLStrItem* item = nullptr;
  if (LList->ItemRecordCount("dir", item) == -1 && item != nullptr) item->Open();
  if (MtFound->Active()) MtFound->EmptyTable();

  // The capacity is read and checked before anything changes.
  ReadDiskSpace();
  if (total_bytes_ >= kSizeLimit)
    return "This disc holds " + Gigabytes(total_bytes_) + "; the catalogue stores sizes below 2 GB";
  used_bytes_ = 0;
  if (!MTDir->Active()) return "The catalogue is not open.";
  MTDir->SetFiltered(false);

  scan_files_in_step_ = FilesInStep();
  const Integer largest = ReadCatalogueForScan();
  // Each row placed into the order on "Id" of a large catalogue costs a
  // search through it, and the order is built afresh at the end anyway:
  // the walk appends to the plain row order.
  const bool sortedOnId =
      MTDir->Indexes().SortIndex() != nullptr && SameText(MTDir->SortFields(), "Id");
  if (sortedOnId) {
    MTDir->SetSortFields(String());
    MTDir->Sort(mtcoNone);
  }
  id_counter_ = static_cast<Cardinal>(largest) + 1;
  parent_id_ = id_counter_;
  root_id_ = id_counter_ + 1;

  scanning_ = true;
  row_fields_.reset();
  scan_folders_.clear();
  TScopeExit done([&] {
    scanning_ = false;
    scan_folders_.clear();
  });
  FindFile->SetRecurse(true);
  FindFile->Files()->Clear();
  FindFile->SetDirectory(drive_root_);
  String failure;
  try {
    FindFile->Execute();
  } catch (const Exception& e) {
    failure = e.Message();
  } catch (const std::exception& e) {
    failure = e.what();
  }
  if (failure.empty()) return String();

  scan_files_in_step_ = false;
  if (MTDir->State() == dsInsert || MTDir->State() == dsEdit) MTDir->Cancel();
  if (scanning_) RemoveScannedRows();
  if (sortedOnId && MTDir->Indexes().SortIndex() == nullptr)
    MTDir->SortOn("Id", mtcoCaseInsensitive);
  if (Screen) Screen->SetCursor(crDefault);
  if (window_) {
    window_->BindTree(DSDir);
    window_->SetTreeReady(true);
    window_->FireTreeChange();
  }
  return "The disc could not be scanned: " + failure;
}

Integer TDmZorvet::ReadCatalogueForScan() {
  // One pass: the largest id outside this disk, the newest serial, and
  // whether the disk has rows to replace.
  Integer largest = 0;
  scan_old_rows_ = 0;
  TField* id = MTDir->FieldByName("id");
  TField* sn = MTDir->FieldByName("SN");
  TvomCommon& store = MTDir->Store();
  if (ReadsInPlace(store, id) && id->DataType() == ftInteger && ReadsInPlace(store, sn) &&
      sn->DataType() == ftString) {
    scan_serial_mark_ = store.NextSerial() - 1;
    for (Integer slot = 0; slot < store.RecordCount(); ++slot) {
      const TvomRecord* record = store.Records(slot);
      if (record == nullptr || record->UpdateStatus == usDeleted) continue;
      Integer value = 0;
      if (SameAscii(StoredText(store, record, sn), serial_number_))
        ++scan_old_rows_;
      else if (StoredInteger(store, record, id, value))
        largest = std::max(largest, value);
    }
    return largest;
  }
  scan_serial_mark_ = 0;
  MTDir->DisableControls();
  TScopeExit enable([&] { MTDir->EnableControls(); });
  for (MTDir->First(); !MTDir->Eof(); MTDir->Next()) {
    scan_serial_mark_ = std::max(scan_serial_mark_, MTDir->GetActiveRecord()->Serial);
    if (SameText(sn->AsString(), serial_number_))
      ++scan_old_rows_;
    else if (!id->IsNull())
      largest = std::max(largest, id->AsInteger());
  }
  return largest;
}

// --- the working copy ------------------------------------------------------------------------

void TDmZorvet::CopyCatalogueToFiles() {
  MTFiles->LoadFromDataSet(MTDir, coStructure);
  files_sync_ = TFilesSync{};
}

void TDmZorvet::NoteFilesInStep(Integer rootFilesPos) {
  files_sync_.valid = MTDir->Active() && MTFiles->Active();
  files_sync_.dirStamp = MTDir->Store().ChangeStamp();
  files_sync_.filesStamp = MTFiles->Store().ChangeStamp();
  files_sync_.filesIndex = MTFiles->CurrentIndex();
  files_sync_.goneDisks.clear();
  files_sync_.rootFilesPos = rootFilesPos;
  if (rootFilesPos < 0) files_sync_.rootSerial = -1;
}

bool TDmZorvet::FilesInStep() const {
  if (!files_sync_.valid || !MTDir->Active() || !MTFiles->Active()) return false;
  if (MTDir->Store().ChangeStamp() != files_sync_.dirStamp ||
      MTFiles->Store().ChangeStamp() != files_sync_.filesStamp)
    return false;
  // A column sort of the file list gives MTFiles an order of its own, which
  // the whole copy would drop.
  if (MTFiles->CurrentIndex() != files_sync_.filesIndex ||
      MTFiles->Indexes().SortIndex() != nullptr)
    return false;
  if (MTFiles->FieldCount() != MTDir->FieldCount()) return false;
  const TvomCommon& dirStore = MTDir->Store();
  const TvomCommon& filesStore = MTFiles->Store();
  for (Integer i = 0; i < MTDir->FieldCount(); ++i) {
    const TField* from = MTDir->Fields(i);
    const TField* to = MTFiles->Fields(i);
    if (!ReadsInPlace(dirStore, from) || !ReadsInPlace(filesStore, to) || from->IsBlob() ||
        from->DataType() != to->DataType() || from->DataSize() != to->DataSize() ||
        from->FieldName() != to->FieldName())
      return false;
  }
  return true;
}

Integer TDmZorvet::UpdateFilesFromScan() {
  const bool filtered = MTFiles->Filtered();
  MTFiles->DisableControls();
  TScopeExit restore([&] {
    if (MTFiles->State() == dsInsert || MTFiles->State() == dsEdit) MTFiles->Cancel();
    MTFiles->SetFiltered(filtered);
    if (MTFiles->Active()) MTFiles->First();
    MTFiles->EnableControls();
  });
  MTFiles->SetFiltered(false);
  const TvomCommon& dirStore = MTDir->Store();
  const TvomCommon& filesStore = MTFiles->Store();
  TvomIndex* index = MTFiles->CurrentIndex();

  // The rows that went from the catalogue since the last copy.
  std::vector<String> gone = files_sync_.goneDisks;
  if (scan_old_rows_ > 0) gone.push_back(serial_number_);
  std::vector<Integer> doomed;
  if (!gone.empty()) {
    const TField* sn = MTFiles->FieldByName("SN");
    for (Integer p = 0; p < index->Count(); ++p) {
      const std::string_view text = StoredText(filesStore, index->Refs(p), sn);
      for (const String& disk : gone)
        if (SameAscii(text, disk)) {
          doomed.push_back(p);
          break;
        }
    }
  }

  // The root row of the disk scanned last gets the sizes written after
  // its copy was taken, as the whole copy would bring them.
  Integer rootPos = files_sync_.rootFilesPos;
  const TvomRecord* root =
      files_sync_.rootSerial >= 0 ? dirStore.RecordBySerial(files_sync_.rootSerial) : nullptr;
  if (root != nullptr && rootPos >= 0 && rootPos < index->Count() &&
      !std::binary_search(doomed.begin(), doomed.end(), rootPos)) {
    MTFiles->SetRecNo(rootPos + 1);
    MTFiles->Edit();
    for (const char* name : {"FileSize", "TotalSize"})
      CopyStoredValue(dirStore, root, MTDir->FieldByName(name), MTFiles->FieldByName(name));
    MTFiles->Post();
  }

  for (auto p = doomed.rbegin(); p != doomed.rend(); ++p) {
    MTFiles->SetRecNo(*p + 1);
    MTFiles->Delete();
  }

  // The scan's rows, in the order they were stored.
  const Integer first = index->Count();
  const Integer fields = MTDir->FieldCount();
  for (Integer serial = scan_serial_mark_ + 1; serial < dirStore.NextSerial(); ++serial) {
    const TvomRecord* record = dirStore.RecordBySerial(serial);
    if (record == nullptr || record->UpdateStatus == usDeleted) continue;
    MTFiles->Append();
    for (Integer i = 0; i < fields; ++i)
      CopyStoredValue(dirStore, record, MTDir->Fields(i), MTFiles->Fields(i));
    MTFiles->Post();
  }
  return first;
}

Integer TDmZorvet::DeleteRowsWhere(const std::function<bool()>& doomed, bool report) {
  Integer count = 0;
  MTDir->DisableControls();
  TScopeExit enable([&] { MTDir->EnableControls(); });
  MTDir->First();
  while (!MTDir->Eof()) {
    if (!doomed()) {
      MTDir->Next();
      continue;
    }
    MTDir->Delete();
    ++count;
    if (report) {
      Status(1, IntToStr(MTDir->RecordCount()));
      ProcessMessages();
    }
  }
  return count;
}

void TDmZorvet::RemoveScannedRows() {
  DeleteRowsWhere([&] { return MTDir->GetActiveRecord()->Serial > scan_serial_mark_; }, false);
}

void TDmZorvet::RemoveOldDiskRows() {
  if (scan_old_rows_ == 0) return;
  if (Screen) Screen->SetCursor(crHourGlass);
  ProcessMessages();
  TField* sn = MTDir->FieldByName("SN");
  DeleteRowsWhere(
      [&] {
        return MTDir->GetActiveRecord()->Serial <= scan_serial_mark_ &&
               SameText(sn->AsString(), serial_number_);
      },
      true);
}

Integer TDmZorvet::DeleteDisk(const String& serial) {
  if (!MTDir->Active()) return 0;
  const bool inStep = FilesInStep();
  TField* sn = MTDir->FieldByName("SN");
  const Integer count = DeleteRowsWhere([&] { return SameText(sn->AsString(), serial); }, true);
  // MTFiles keeps the disk until the next scan, which then drops it.
  if (inStep) {
    files_sync_.goneDisks.push_back(serial);
    files_sync_.dirStamp = MTDir->Store().ChangeStamp();
  }
  return count;
}
