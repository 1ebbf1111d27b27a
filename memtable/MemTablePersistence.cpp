// memtable/MemTablePersistence.cpp
//
// Saving and loading through files and streams (always through a stream
// format), emptying, check points and packing, the persistent file, and the
// dataset steps the table takes around opening, closing, posting and
// deleting.
//
// Files are replaced, never truncated: a save writes a new file with a
// unique name in the target's folder and renames it over the target only
// once everything was written, so that a save that fails (a full disk, an
// error in a format or an event handler) leaves the user's file as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "memtable/MemTable.h"
#include "memtable/StreamFormat.h"
#include "platform/rtl/FileServices.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Paths.h"
#include "platform/rtl/ScopeExit.h"

namespace {

constexpr const char* SvomNoFormat = "No format specified.";
constexpr const char* SvomCheckPointAttached = "Cannot checkpoint attached table.";
constexpr const char* SvomCannotRename = "Cannot rename \"%s\" to \"%s\". %s";

String SystemReason(int error) {
  return std::generic_category().message(error) + ".";
}

// Drive paths go through the drive mapping; native and relative names are
// used as they are.
String NativeFileName(const String& fileName) {
  if (!IsDrivePath(fileName)) return fileName;
  String native;
  if (!ResolvePath(fileName, native))
    throw EFCreateError("Cannot create file \"" + fileName +
                        "\". The drive is not mapped to a folder.");
  return native;
}

// A new file next to the one it will replace. Until Commit, the target is
// untouched; a file that is not committed is removed again.
class TReplacementFile {
 public:
  // `fileName` is the target as the caller named it. The new file is named
  // after the target: with ".tmp" added, or for `persistentStyle` with its
  // extension replaced by ".$$$", followed by a unique suffix.
  TReplacementFile(const String& fileName, bool persistentStyle) : file_name_(fileName) {
    target_ = NativeFileName(fileName);
    // A link is followed, so that the file it names gets the new content.
    struct stat info;
    if (::lstat(target_.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      if (char* real = ::realpath(target_.c_str(), nullptr)) {
        target_ = real;
        std::free(real);
      }
    }
    const String prefix = persistentStyle ? ChangeFileExt(target_, ".$$$") : target_ + ".tmp";
    std::vector<char> name(prefix.begin(), prefix.end());
    for (char c : String("XXXXXX")) name.push_back(c);
    name.push_back('\0');
    fd_ = ::mkstemp(name.data());
    if (fd_ < 0)
      throw EFCreateError("Cannot create file \"" + fileName + "\". " + SystemReason(errno));
    path_ = name.data();
    stream_ = std::make_unique<THandleStream>(fd_);
  }
  ~TReplacementFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(path_.c_str());
  }
  TReplacementFile(const TReplacementFile&) = delete;
  TReplacementFile& operator=(const TReplacementFile&) = delete;

  TStream* Stream() const { return stream_.get(); }

  // Makes the written content durable and renames it over the target.
  void Commit() {
    // The file gets the permissions the target has, or those a newly
    // created file would have.
    struct stat info;
    mode_t mode;
    if (::stat(target_.c_str(), &info) == 0) {
      mode = info.st_mode & 07777;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666 & ~mask;
    }
    ::fchmod(fd_, mode);
    if (::fsync(fd_) != 0)
      throw EWriteError("Cannot write file \"" + file_name_ + "\". " + SystemReason(errno));
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0)
      throw EWriteError("Cannot write file \"" + file_name_ + "\". " + SystemReason(errno));
    if (::rename(path_.c_str(), target_.c_str()) != 0)
      throw EMemTableError(Format(SvomCannotRename, path_, file_name_, SystemReason(errno)));
    committed_ = true;
  }

 private:
  String file_name_;
  String target_;
  String path_;
  int fd_ = -1;
  bool committed_ = false;
  std::unique_ptr<THandleStream> stream_;
};

}  // namespace

// --- files and streams ------------------------------------------------------------------

void TvomCustomMemTable::SaveToFile(const String& fileName) {
  SaveToFileViaFormat(fileName, DefaultFormat());
}

void TvomCustomMemTable::SaveToFileViaFormat(const String& fileName,
                                             TvomCustomStreamFormat* format) {
  CheckActive();
  if (format == nullptr) throw EMemTableError(SvomNoFormat);
  if (HasFlag(format->sfAppend(), sfSaveAppend) && FileExists(fileName)) {
    // An append keeps the old bytes, so it writes into the file itself.
    TFileStream stream(fileName, fmOpenReadWrite | fmShareDenyWrite);
    stream.Seek(0, soFromEnd);
    if (OnSave) OnSave(this, mtstFile, &stream);
    SaveToStreamViaFormat(&stream, format);
    return;
  }
  TReplacementFile file(fileName, false);
  if (OnSave) OnSave(this, mtstFile, file.Stream());
  SaveToStreamViaFormat(file.Stream(), format);
  file.Commit();
}

void TvomCustomMemTable::LoadFromFile(const String& fileName) {
  LoadFromFileViaFormat(fileName, DefaultFormat());
}

void TvomCustomMemTable::LoadFromFileViaFormat(const String& fileName,
                                               TvomCustomStreamFormat* format) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  if (OnLoad) OnLoad(this, mtstFile, &stream);
  LoadFromStreamViaFormat(&stream, format);
}

void TvomCustomMemTable::SaveToStreamViaFormat(TStream* stream, TvomCustomStreamFormat* format) {
  if (format == nullptr) throw EMemTableError(SvomNoFormat);
  format->SaveTable(this, stream);
}

void TvomCustomMemTable::LoadFromStreamViaFormat(TStream* stream, TvomCustomStreamFormat* format) {
  if (format == nullptr) throw EMemTableError(SvomNoFormat);
  format->LoadTable(this, stream);
}

void TvomCustomMemTable::LoadStreamViaFormat(TStream* stream, TvomCustomStreamFormat* format) {
  if (OnLoad) OnLoad(this, mtstStream, stream);
  LoadFromStreamViaFormat(stream, format);
}

// --- maintenance ----------------------------------------------------------------------------

void TvomCustomMemTable::EmptyTable() {
  Progress(0, mtpcEmpty);
  DisableControls();
  TScopeExit enable([&] { EnableControls(); });
  {
    TvomStoreLock hold(Store());
    for (Integer i = 0; i < Store().AttachedCount(); ++i) {
      auto* table = dynamic_cast<TvomCustomMemTable*>(Store().AttachedTables(i));
      if (table == nullptr || !table->IsTableActive()) continue;
      const TvomOperationState state = table->OperationState();
      table->SetOperationState(mtosEmptying);
      TScopeExit restore([&] { table->SetOperationState(state); });
      table->CheckBrowseMode();
      table->ClearBuffers();
      table->DataEvent(deDataSetChange, 0);
      table->Indexes().ClearAllReferences();
      table->SetCursor(-1);
      table->SetRepositionTarget(-1);
    }
    Store().ClearRecords();
    Store().SetDeletedCount(0);
  }
  UpdateFilteringState();
  Progress(100, mtpcEmpty);
}

void TvomCustomMemTable::CheckPoint() {
  if (AttachedTo() != nullptr) throw EMemTableError(SvomCheckPointAttached);
  CheckActive();
  UpdateCursorPos();
  Progress(0, mtpcCheckPoint);
  {
    TvomStoreLock hold(Store());
    const bool versioning = Store().EnableVersioning();
    Store().SetEnableVersioning(false);
    SetOperationState(mtosCheckpointing);
    TScopeExit restore([&] {
      Store().SetEnableVersioning(versioning);
      SetOperationState(mtosIdle);
    });
    ClearBuffers();

    const Integer count = Store().RecordCount();
    Integer processed = 0;
    for (Integer slot = count - 1; slot >= 0; --slot) {
      TvomRecord* record = Store().Records(slot);
      if (record == nullptr) continue;
      if (processed++ % 100 == 0)
        Progress(static_cast<Integer>(static_cast<Int64>(slot) * 100 / count), mtpcCheckPoint);
      // The older versions go: the current state is what is accepted.
      for (TvomRecord* version = record->PrevVersion; version != nullptr;) {
        TvomRecord* older = version->PrevVersion;
        version->PrevVersion = nullptr;
        Store().FreeRecord(version, true, false);
        version = older;
      }
      record->PrevVersion = nullptr;
      record->Flags &= static_cast<Byte>(~mtrfCheckPointMark);
      if (record->UpdateStatus == usDeleted) {
        Store().UpdateIndexes(mticDelete, this, -1, record, record);
        Store().DeleteRecord(record);
      } else {
        record->UpdateStatus = usUnmodified;
      }
    }
    Store().SetDeletedCount(0);
  }
  UpdateFilteringState();
  First();
  Progress(100, mtpcCheckPoint);
  SetOperationState(mtosIdle);
}

void TvomCustomMemTable::PackTable() {
  CheckActive();
  if (State() == dsEdit || State() == dsInsert) Cancel();
  while (Store().TransactionLevel() > 0) Commit();
  CheckPoint();

  Progress(0, mtpcPack);
  SetOperationState(mtosPacking);
  DisableControls();
  TScopeExit restore([&] {
    EnableControls();
    SetOperationState(mtosIdle);
  });
  ClearBuffers();
  Store().PackRecords();
  First();
  Progress(100, mtpcPack);
}

// --- the persistent file ----------------------------------------------------------------------

namespace {
bool UsesPersistentFile(TvomCustomMemTable* table) {
  return table->Persistent() && !table->PersistentFile().empty() &&
         table->PersistentFormat() != nullptr && !table->ComponentState().Contains(csDesigning);
}
}  // namespace

void TvomCustomMemTable::SavePersistentFile() {
  if (!UsesPersistentFile(this) || !Active() || PersistentFileWritten()) return;
  const String& fileName = PersistentFile();
  TReplacementFile file(fileName, true);
  if (OnSave) OnSave(this, mtstFile, file.Stream());
  SaveToStreamViaFormat(file.Stream(), PersistentFormat());
  if (PersistentBackup()) {
    const String backup = ChangeFileExt(fileName, PersistentBackupExt());
    DeleteFile(backup);  // there may be none
    if (FileExists(fileName) && !RenameFile(fileName, backup))
      throw EMemTableError(Format(SvomCannotRename, fileName, backup, SystemReason(errno)));
  }
  file.Commit();
  SetPersistentFileWritten(true);
}

// --- dataset steps --------------------------------------------------------------------------

void TvomCustomMemTable::DoAfterOpen() {
  if (InAfterOpen()) return;
  SetInAfterOpen(true);
  TScopeExit done([&] { SetInAfterOpen(false); });
  SetBeforeCloseDone(false);

  Indexes().MarkAllUnordered();
  UpdateIndexes();
  if (!IndexFieldNames().empty())
    SetIndexFieldNames(IndexFieldNames());
  else if (!IndexName().empty())
    SetIndexName(IndexName());

  if (FormData()) {
    std::unique_ptr<TMemoryStream> data = std::move(FormData());
    data->SetPosition(0);
    LoadStreamViaFormat(data.get(), FormFormat());
  }
  if (UsesPersistentFile(this) && FileExists(PersistentFile())) {
    SetPersistent(false);
    TScopeExit again([&] { SetPersistent(true); });
    LoadFromFileViaFormat(PersistentFile(), PersistentFormat());
    First();
  }
  SetPersistentFileWritten(false);

  if (!Filter().empty()) CompileFilter();
  UpdateFilteringState();
  TDataSet::DoAfterOpen();
}

void TvomCustomMemTable::DoBeforeClose() {
  if (State() == dsEdit || State() == dsInsert) Cancel();
  if (!BeforeCloseDone()) {
    TDataSet::DoBeforeClose();
    SetBeforeCloseDone(true);
  }
  // The fields the expression refers to go with the close.
  DropCompiledFilter();
}

void TvomCustomMemTable::DoAfterPost() {
  if (AttachedAutoRefresh()) Store().RefreshOtherTables(this);
  if (AutoReposition() && RepositionTarget() >= 0) {
    SetCursor(RepositionTarget());
    Resync({});
  }
  TDataSet::DoAfterPost();
}

void TvomCustomMemTable::DoAfterDelete() {
  if (AttachedAutoRefresh()) Store().RefreshOtherTables(this);
  SetRepositionTarget(-1);
  TDataSet::DoAfterDelete();
}
