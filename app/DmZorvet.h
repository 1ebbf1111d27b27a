// app/DmZorvet.h
//
// TDmZorvet, the catalogue's data module: it owns every non-visual component
// of the program (the file finder, the table-list manager, the catalogue
// table MTDir and its working copy MTFiles, the search results MtFound, the
// CSV and binary formats, the data sources, the three image lists, the
// volume reader and the balloon hint), turns a scan's walk into catalogue rows, loads the
// catalogue file "Zorvet.stbl" when the item "dir" opens and saves it when
// the main window closes.
//
// Rows of the catalogue table (the seventeen fields of the item "dir"):
//   disk root  idparent = id, dirname = label, path = serial text ("1A2B:3C4D"),
//              FileSystem, FileSize = bytes of all files, TotalSize = capacity,
//              ImIndex 2 (CDFS) or 10, StImIndex 11, LastUpdate = scan time
//   folder     idparent = the parent folder's id, dirname = name,
//              path = "1A2B:3C4D:\Photos\2004\", ImIndex 1, StImIndex 11
//   file       IdFile = the folder's id, dirname = name, path = the folder's
//              path, FileSize, FileAttr, DateCreated = last write
// Every row carries the disk's serial text in SN.
//
// The scan (ScanDrive) is all-or-nothing: the new rows are appended first and
// the disk's old rows are deleted only once the whole walk succeeded; any
// failure removes what the walk appended, so the catalogue is exactly what
// it was. Values the 32-bit size fields cannot hold are refused in plain
// words before they reach the table. A folder's parent is found through the
// full walk path of the folders added by this scan, compared exactly, so
// deep folders (paths cut to the field's 500 bytes) and folders differing
// only in case get their true parents.
//
// A catalogue file that cannot be read is moved aside ("Zorvet.stbl.damaged",
// numbered when taken) and the program starts with an empty catalogue; the
// save at close replaces the file atomically and reports a failure.
//
// The main window is reached through TZorvetWindow, which it implements; the
// data module works without one (tests, benchmarks).
//
// Threads: GUI thread only.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/controls/DataModule.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Types.h"

class TDataSource;
class TField;
class TFindFile;
class TImageList;
class TLList;
struct TSearchRec;
class TVolumeInformation;
class TXPManifest;
class TzAPIBalloon;
class TvomBinaryStreamFormat;
class TvomCSVStreamFormat;
class TvomMemTable;
enum TvomProgressCode : Byte;

// What the data module asks of the main window.
class TZorvetWindow {
 public:
  virtual ~TZorvetWindow() = default;
  // Writes `text` into the status bar's panel (0: progress, 1: path or count).
  virtual void ShowStatus(Integer panel, const String& text) = 0;
  // The disk gauge's maximum, in bytes (the window scales it into its range).
  virtual void SetGaugeMax(Int64 totalBytes) = 0;
  // Refreshes the disk-space labels, gauge and picture from TotalBytes and UsedBytes.
  virtual void ShowDiskSpace() = 0;
  // Binds the tree view to `source`; nullptr detaches it.
  virtual void BindTree(TDataSource* source) = 0;
  // Switches the tree's change handling on or off.
  virtual void SetTreeReady(bool ready) = 0;
  virtual void SelectFirstNode() = 0;
  virtual void FullCollapse() = 0;
  // Collapses the selected node (not its descendants); nothing without one.
  virtual void CollapseSelectedNode() = 0;
  // Fires the tree view's change event with the selected node.
  virtual void FireTreeChange() = 0;
};

// The catalogue file's name, beside the executable.
inline constexpr const char* CatalogueFileName = "Zorvet.stbl";

class TDmZorvet : public TDataModule {
  ZORVET_CLASS_NAME(TDmZorvet)

 public:
  // Builds every component with its settings inside the loading state.
  // `catalogueFolder` holds "Zorvet.stbl" (the executable's folder when empty).
  explicit TDmZorvet(TComponent* owner, const String& catalogueFolder = String());
  ~TDmZorvet() override;

  // --- components, in declaration order ------------------------------------------
  TFindFile* FindFile = nullptr;
  TLList* LList = nullptr;
  TvomMemTable* MTDir = nullptr;
  TvomBinaryStreamFormat* Bin = nullptr;
  TvomMemTable* MTList = nullptr;
  TvomMemTable* MTFiles = nullptr;
  TDataSource* DSMtFiles = nullptr;
  TImageList* ImList = nullptr;
  TXPManifest* XPManifest1 = nullptr;
  TImageList* ImActList = nullptr;
  TImageList* ImInfoList = nullptr;
  TvomMemTable* MtFound = nullptr;
  TDataSource* DSFound = nullptr;
  TDataSource* DSDir = nullptr;
  TVolumeInformation* VolInfo = nullptr;
  TvomCSVStreamFormat* CSV = nullptr;
  // The hints the main window shows beside a control ("No items selected").
  TzAPIBalloon* Balloon = nullptr;

  // --- the main window ------------------------------------------------------------
  TZorvetWindow* Window() const { return window_; }
  void SetWindow(TZorvetWindow* window) { window_ = window; }

  // --- state shared with the main window ------------------------------------------
  const String& SerialNumber() const { return serial_number_; }
  void SetSerialNumber(const String& value) { serial_number_ = value; }
  const String& DriveRoot() const { return drive_root_; }
  void SetDriveRoot(const String& value) { drive_root_ = value; }
  const String& VolumeLabel() const { return volume_label_; }
  void SetVolumeLabel(const String& value) { volume_label_ = value; }
  const String& FileSystemName() const { return file_system_name_; }
  void SetFileSystemName(const String& value) { file_system_name_ = value; }
  Int64 FreeBytes() const { return free_bytes_; }
  Int64 TotalBytes() const { return total_bytes_; }
  void SetTotalBytes(Int64 value) { total_bytes_ = value; }
  Int64 UsedBytes() const { return used_bytes_; }
  void SetUsedBytes(Int64 value) { used_bytes_ = value; }
  Integer VolumeError() const { return volume_error_; }
  void SetVolumeError(Integer value) { volume_error_ = value; }
  Cardinal IdCounter() const { return id_counter_; }
  Cardinal RootId() const { return root_id_; }

  // --- event handlers ---------------------------------------------------------------
  void FindFileBeforeExecute(TObject* Sender);
  void FindFileNewPath(TObject* Sender, const String& NewPath, bool& Abort);
  void FindFileFind(TObject* Sender, const String& NameFile, const TSearchRec& SearchRec,
                    bool& Abort);
  void FindFileAfterExecute(TObject* Sender);
  void LListAfterItemOpen(TObject* Sender, const String& ItemName);
  void MTDirProgress(TObject* Sender, Integer Percentage, TvomProgressCode Code);
  void MTFilesProgress(TObject* Sender, Integer Percentage, TvomProgressCode Code);
  void VolInfoError(Integer ErrorNumber);

  // --- routines of the main window -----------------------------------------------
  // Sets FreeBytes and TotalBytes from the drive DriveRoot (0 when it cannot
  // be read) and the window's gauge maximum; nothing when DriveRoot is empty.
  void ReadDiskSpace();

  // Scans the drive DriveRoot (SerialNumber, VolumeLabel and FileSystemName
  // set by the caller) into the catalogue, replacing the disk's old rows.
  // Returns an empty text on success, else what failed in plain words; the
  // catalogue is then exactly as it was, the tree bound again and ready.
  String ScanDrive();

  // Deletes every catalogue row whose SN is `serial` (ignoring case) in one
  // pass, telling the status bar the rows left as it goes. Returns the count.
  Integer DeleteDisk(const String& serial);

  // The catalogue file's full name.
  String CatalogueFile() const;
  // Packs and saves the catalogue table (when active) through its default
  // format, replacing the file only once all was written. Returns an empty
  // text on success, else why it failed.
  String SaveCatalogue();
  // What happened to a catalogue file that could not be read at open
  // (empty when nothing did); the message shown then.
  const String& LoadProblem() const { return load_problem_; }

 private:
  void CreateComponents();
  void SetupTable(TvomMemTable* table);
  void SetupItems();
  // Write the status bar through the window, and let the window repaint.
  void Status(Integer panel, const String& text);
  // Moves a catalogue file that failed to load aside; returns the message.
  String SetDamagedFileAside(const String& reason);
  // Appends a catalogue row for the folder / file being scanned.
  void AppendFolderRow(const String& path);
  void AppendFileRow(const String& name, const TSearchRec& rec);
  // Deletes, in one pass over the catalogue, the rows for which `doomed`
  // (reading the current row) holds; with `report`, tells the status bar the
  // rows left after each. Returns the count.
  Integer DeleteRowsWhere(const std::function<bool()>& doomed, bool report);
  // Removes the rows appended by a scan that failed.
  void RemoveScannedRows();
  // The largest id outside the disk being scanned, the newest serial and the
  // disk's old rows, read from the stored records (or, for a catalogue whose
  // fields are laid out otherwise, through the table); see ScanDrive.
  Integer ReadCatalogueForScan();

  // --- the working copy ---------------------------------------------------------
  // MTFiles is a copy of the catalogue taken after every load and scan. A
  // whole copy of a large catalogue costs far more than the scan of a disc,
  // so while nothing but this module changed either table since the last
  // copy, a scan brings MTFiles up to date with the rows that changed: the
  // rows of disks deleted since and the scanned disk's old rows go, and the
  // scan's rows come at the end, in the order of the walk.
  void CopyCatalogueToFiles();
  // Returns MTFiles' position of the first row of the scan.
  Integer UpdateFilesFromScan();
  // Whether the incremental update above gives the whole copy's rows.
  bool FilesInStep() const;
  // Remembers both tables as they are now, in step; `rootFilesPos` is where
  // MTFiles holds the just-scanned disk's root row (which lacks its sizes
  // there, as the copy is taken before they are written), or -1.
  void NoteFilesInStep(Integer rootFilesPos);
  struct TFilesSync {
    bool valid = false;
    std::uint64_t dirStamp = 0;
    std::uint64_t filesStamp = 0;
    const void* filesIndex = nullptr;
    // Disks deleted from the catalogue since, whose rows MTFiles still has.
    std::vector<String> goneDisks;
    // The catalogue record (serial) and MTFiles position of the root row
    // whose sizes the next update brings over; -1 for none.
    Integer rootSerial = -1;
    Integer rootFilesPos = -1;
  };
  TFilesSync files_sync_;
  bool scan_files_in_step_ = false;
  // Deletes the scanned disk's rows from before the scan.
  void RemoveOldDiskRows();

  String catalogue_folder_;
  TZorvetWindow* window_ = nullptr;

  Cardinal id_counter_ = 0;
  Cardinal root_id_ = 0;
  Cardinal parent_id_ = 0;
  String serial_number_;
  String drive_root_;
  String volume_label_;
  String file_system_name_;
  Int64 free_bytes_ = 0;
  Int64 total_bytes_ = 0;
  Int64 used_bytes_ = 0;
  Integer volume_error_ = 0;

  // The scan in progress: the full catalogue path (uncut) of every folder
  // row it appended, with the row's id; rows whose store serial is above
  // `scan_serial_mark_` are this scan's.
  bool scanning_ = false;
  std::unordered_map<String, Cardinal> scan_folders_;
  Integer scan_serial_mark_ = 0;
  Integer scan_old_rows_ = 0;

  // The catalogue fields the row handlers write, looked up once per scan
  // rather than by name for every field of every row.
  struct TRowFields {
    explicit TRowFields(TvomMemTable* table);
    TField *id, *idparent, *dirname, *path, *idfile, *sn, *fileSystem, *fileSize, *fileAttr,
        *dateCreated, *imIndex, *stImIndex, *lastUpdate;
  };
  const TRowFields& RowFields();
  std::unique_ptr<TRowFields> row_fields_;

  String load_problem_;
  // The file that could not be read could not be moved either: never overwrite it.
  bool protect_file_ = false;
};

// The text of a byte count: "1 GB 2 MB 3 KB 4 Bytes " (parts from the first
// that is not zero; every part ends with a blank).
String SizeToText(Int64 Size);
// `S` with every occurrence of `Old` replaced by `New`, left to right; the
// text inserted is not searched again. An empty `Old` leaves `S` as it is.
String ReplaceAll(const String& S, const String& Old, const String& New);
// The file's last-write time (local); 0 when it cannot be read.
TDateTime FileDateTime(const String& F);
// Open / close the tray of a drive through its multimedia device; silent on failure.
void OpenTray(char Drive);
void CloseTray(char Drive);
