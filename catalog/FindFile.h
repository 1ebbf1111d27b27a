// catalog/FindFile.h
//
// TFindFile walks a folder, or a whole folder tree breadth-first, and reports
// every folder (OnNewPath) and every matching entry (OnFind); either handler
// can stop the walk by setting its Abort argument. The catalogue's scan runs
// it from a drive's root and turns its events into catalogue rows.
//
// Order of a tree walk: the start folder first, then its subfolders in the
// order of the directory search, then their subfolders, level by level. The
// entries of a folder are reported right after the folder itself, before the
// next folder. A folder's subfolders are listed (queued) before its own
// OnNewPath fires, so a handler that removes the folder does not stop the
// walk of what was queued. The entries come in the fixed order of the
// directory search (platform/win/DirectorySearch.h); symbolic links are
// entries, never folders to descend into.
//
// Folder names end in the path's separator: a backslash for a drive path
// ("D:\Photos\"), '/' for a native one ("/srv/one/").
//
// A run resolves its start folder once, when it starts (for a drive path:
// the drive's folder or its disc's mount point), and reaches every folder
// below it from there; a drive mapped afresh during a run counts from the
// next run. Each folder is listed twice, as the order above requires: once
// for its subfolders before its OnNewPath (only the folders are read), and
// once for its entries after it, so that the entries are those the folder
// holds after its OnNewPath handler ran.
//
// Failures: a folder that cannot be searched gives no entries and no error,
// and its subfolders are not listed. The byte total of a run is a signed
// 64-bit and the counts unsigned 32-bit numbers; going beyond them raises
// EIntOverflow. An exception from a handler ends the run at once (AfterExecute
// does not fire).
//
// Threads: runs on the caller's thread, synchronously; the handlers may
// process messages.
#pragma once

#include <deque>
#include <functional>
#include <memory>

#include "platform/rtl/Component.h"
#include "platform/rtl/Events.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"
#include "platform/win/DirectorySearch.h"

// Element i stands for the directory search's attribute bit 2^i.
enum TAttrOption { ffReadOnly, ffHidden, ffSystem, ffVolumeID, ffDirectory, ffArchive };
using TAttrOptions = Set<TAttrOption>;

using TNewPathEvent = std::function<void(TObject* Sender, const String& NewPath, bool& Abort)>;
using TNewFileEvent = std::function<void(TObject* Sender, const String& NameFile,
                                         const TSearchRec& SearchRec, bool& Abort)>;

class TFindFile : public TComponent {
  ZORVET_CLASS_NAME(TFindFile)

 public:
  explicit TFindFile(TComponent* owner);
  ~TFindFile() override;

  bool Recurse() const { return recurse_; }
  void SetRecurse(bool value) { recurse_ = value; }
  // A value that does not end in its separator is stored with one appended;
  // an empty value is stored empty.
  const String& Directory() const { return directory_; }
  void SetDirectory(const String& value);
  // The name mask of the directory search ("*.*" by default).
  const String& Filter() const { return filter_; }
  void SetFilter(const String& value) { filter_ = value; }
  // Full names of the entries found by the last run (owned by the finder).
  TStringList* Files() const { return files_.get(); }
  // Copies the lines of `value`.
  void SetFiles(const TStrings* value);
  TAttrOptions Attributes() const { return attributes_; }
  void SetAttributes(TAttrOptions value) { attributes_ = value; }

  TNotifyEvent BeforeExecute;
  TNotifyEvent AfterExecute;
  TNewPathEvent OnNewPath;
  TNewFileEvent OnFind;

  // Runs the search: BeforeExecute, then (when Directory is not empty) the
  // tree walk or the one folder, then AfterExecute, also after an abort.
  void Execute();

 protected:
  // Reports the folder and its matching entries.
  void SearchFolder(const TSearchFolder& folder);
  // The breadth-first walk from `folder`.
  void SearchTree(const TSearchFolder& folder);
  // Appends the subfolders of `folder` (hidden and system ones too) to `queue`.
  void ListSubfolders(std::deque<TSearchFolder>& queue, const TSearchFolder& folder);

  // Run state, reset by every Execute.
  Int64 TotalBytes() const { return total_bytes_; }
  Cardinal FolderCount() const { return folder_count_; }
  Cardinal FileCount() const { return file_count_; }
  bool Aborted() const { return abort_; }

 private:
  bool recurse_ = false;
  String directory_;
  String filter_ = "*.*";
  std::unique_ptr<TStringList> files_;
  TAttrOptions attributes_{ffReadOnly, ffHidden, ffSystem, ffArchive};

  Integer attribute_mask_ = 0;
  bool abort_ = false;
  Int64 total_bytes_ = 0;
  Cardinal folder_count_ = 0;
  Cardinal file_count_ = 0;
};

// Declares the published properties of TFindFile (once; later calls do nothing).
void DeclareFindFileProperties();
