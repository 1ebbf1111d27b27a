// memtable/MemTable.h
//
// TvomCustomMemTable: the in-memory dataset. It keeps its rows in a record
// store (TvomCommon), orders and searches them through indexes (TvomIndexes)
// and plugs into the dataset model's record-buffer protocol (TDataSet), so
// that fields, data sources and data-aware controls work on it as on any
// dataset. TvomMemTable is the class the program creates; it adds nothing.
//
// Records and buffers. The store's records and the dataset's record buffers
// share one layout (Record.h). A buffer is a copy of a stored record: its
// indirect values (long strings, blobs) are read through the stored record
// until an edit gives the buffer values of its own, which a post hands over
// to the stored record. A buffer names its record by serial, never by
// address or slot, so a buffer or bookmark whose record has gone (deleted,
// rolled back, emptied by another table sharing the store) is recognised and
// refused with EMemTableInvalidRecord "Invalid record " instead of reading
// freed memory.
//
// Cursor. A position in the current index's reference list, from -1 (before
// the first) to the reference count (after the last). Tables attached to one
// store have cursors of their own; a change made through one table may shift
// the positions of the others, so the position a buffer was read from is only
// a hint: posts, deletes and repositioning find the record by its serial.
//
// Bookmarks are 8 bytes: the record's serial and the store's TableID when
// the bookmark was taken. They stay valid across edits, other tables' changes
// and packing, and become invalid when their record goes or the store is
// emptied (new TableID).
//
// Locking. Everything that reads or changes the store runs under the store's
// lock (TvomStoreLock), released on every way out; Standalone tables skip it.
// Lock/Unlock let a caller hold it across several operations; while held that
// way the table keeps its display notifications from the data-aware controls.
//
// Which file builds what:
//   MemTable.cpp              creation, properties, structure (CreateTable),
//                             open and close, attaching, locale, progress,
//                             Lock/Unlock, transactions, master/detail
//                             following, component notifications
//   MemTableBuffers.cpp       record buffers, field data, active record,
//                             blob streams and closing a blob field
//   MemTableNavigation.cpp    cursor moves, GetRecord, FindRecord, record
//                             count and number, filter switches, bookmarks
//   MemTableEditing.cpp       new record, auto-increment, post, add, delete,
//                             cancel
//   MemTableIndexes.cpp       IndexDefs, IndexName, IndexFieldNames,
//                             SwitchToIndex, UpdateIndexes, AddIndex,
//                             DeleteIndex, the store-client hooks of indexes
//   MemTableProperties.cpp    the published properties (DeclareMemTableProperties)
//   BlobStream.h/.cpp         TvomBlobStream
// and, by other parts of the engine (declared here, defined there):
//   MemTableLocate.cpp        Locate, Lookup, LocateRecord, SetKeyValues,
//                             SetRecordFieldValue (values in record form:
//                             NativeValue.h)
//   MemTableSort.cpp          Sort, SortOn
//   MemTableReadRecords.cpp   ReadRecords (every record read where it is stored)
//   MemTableCopy.cpp          the copy family (CopyRecords, LoadFromDataSet,
//                             SaveToDataSet, UpdateToDataSet(All),
//                             CreateTableAs, CopyFieldProperties,
//                             CopyFieldsProperties)
//   MemTableFilter.cpp        the record test (UpdateFilteringState,
//                             FilterRecord, FireFilterRecord), compiling the
//                             Filter text, ranges
//   MemTablePersistence.cpp   file and stream entry points, EmptyTable,
//                             PackTable, CheckPoint, the persistent file, the
//                             before-close and after-open/post/delete steps
//   StreamFormat.cpp          the format properties (DefaultFormat, ...)
//   DeltaHandler.cpp          the DeltaHandler property
//
// Threads: a table belongs to the GUI thread. Tables attached to one store
// may be used from other threads only through the store's lock; this
// program does not.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "memtable/FieldList.h"
#include "memtable/Index.h"
#include "memtable/Indexes.h"
#include "memtable/MemTableErrors.h"
#include "memtable/MemTableTypes.h"
#include "memtable/Record.h"
#include "memtable/RecordStore.h"
#include "memtable/StoreClient.h"
#include "memtable/WalkReads.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/IndexDefs.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Variant.h"

class TDataSource;
class TvomBlobStream;
class TvomKeyTerm;
class TvomCustomDeltaHandler;
class TvomCustomMemTable;
class TvomCustomStreamFormat;

// The texts the table raises (besides those of the store and indexes).
inline constexpr const char* SvomNotEditing = "Dataset is not in edit mode.";
inline constexpr const char* SvomFieldReadOnly = "Field %s is read only";
inline constexpr const char* SvomBookmarkNotFound = "Bookmark %d not found.";
inline constexpr const char* SvomAttachToSelf = "Cant attach memorytable to it self.";
inline constexpr const char* SvomAttachToAttached =
    "Cant attach to another table which itself is an attachment.";
inline constexpr const char* SvomTableIsAttached = "Table is attached to another table.";
inline constexpr const char* SvomTransactionsNeedVersions =
    "Transactioning requires multiversion versioning.";
inline constexpr const char* SvomSelfReferencingMaster =
    "Selfreferencing master/detail relations not allowed.";
inline constexpr const char* SvomCalcAreaTooSmall =
    "Calculated fields do not fit the record layout of the table attached to.";

// The table's Version property always reads this.
inline constexpr const char* kvomMemTableVersion = "5.00 beta";

// --- events (the first argument is the table) ------------------------------------
using TvomProgressEvent =
    std::function<void(TDataSet* DataSet, Integer Percentage, TvomProgressCode Code)>;
// OnLoadRecord, OnSaveRecord: clear Accept to skip the record.
using TvomAcceptRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;
// OnLoadField, OnSaveField: FieldNo is the field's position in the copy.
using TvomFieldEvent = std::function<void(TDataSet* DataSet, Integer FieldNo, TField* Field)>;
// OnCompressField, OnDecompressField: Buffer holds Size bytes; the handler puts
// the result into ResultBuffer and sets Size to its byte count.
using TvomCompressFieldEvent =
    std::function<void(TDataSet* DataSet, TField* Field, const Byte* Buffer, Integer& Size,
                       std::vector<Byte>& ResultBuffer)>;
// OnCompressBlobStream: Source is the written value, Destination receives
// what is stored. OnDecompressBlobStream: Source holds the stored bytes,
// Destination receives the value read.
using TvomBlobStreamEvent =
    std::function<void(TDataSet* DataSet, TStream* Source, TStream* Destination)>;
// OnSave, OnLoad (Stream is nullptr for a dataset copy).
using TvomOnSave =
    std::function<void(TDataSet* DataSet, TvomMemTableStorageType StorageType, TStream* Stream)>;
using TvomOnLoad = TvomOnSave;
// OnSetupField: may change an indirect field's storage flags (mtffIndirect,
// mtffCompressed) while the record layout is made.
using TvomSetupFieldEvent = std::function<void(TDataSet* DataSet, TField* Field, Byte& FieldFlags)>;
using TvomSetupFieldPropertiesEvent = std::function<void(TDataSet* DataSet, TField* Field)>;
// OnCompareFields: replaces the built-in comparison of two stored values;
// Result is preset to 0.
using TvomCompareFieldsEvent =
    std::function<void(TDataSet* DataSet, TField* AFld, const void* KeyField, const void* AField,
                       TFieldType FieldType, Byte Options, bool& FullCompare, Integer& Result)>;
// OnFilterIndex: clear Accept to leave the record out of the index.
using TvomFilterIndexEvent = std::function<void(TDataSet* DataSet, TvomIndex* Index, bool& Accept)>;

// State that a part of the table built in another file keeps per table (the
// filter part's compiled expression and ranges). The table owns it and frees
// it through this base; the part defines what derives from it.
class TvomTablePart {
 public:
  virtual ~TvomTablePart() = default;
};

class TvomCustomMemTable : public TDataSet, public TvomStoreClient {
  ZORVET_CLASS_NAME(TvomCustomMemTable)

 public:
  // A closed table with a store of its own and the row-order index.
  explicit TvomCustomMemTable(TComponent* owner);
  // Closes the table, leaves the store (freeing it when the table owns it:
  // tables attached to it are closed and detached first).
  ~TvomCustomMemTable() override;

  // --- structure ---------------------------------------------------------------
  // Closes every open table of the store, takes FieldDefs from the data
  // fields when it is empty, re-creates the fields from FieldDefs and checks
  // the index definitions. EMemTableError "Too many fielddefs. ..." above 256.
  void CreateTable();
  // Closes every open table of the store and destroys the fields.
  void DeleteTable();
  // [MemTableLocate.cpp] Takes the structure of `source` (see TvomCopyOptions).
  void CreateTableAs(TDataSet* source, TvomCopyOptions options);

  // --- published properties ------------------------------------------------------
  // When false, an Active stored with the form is not applied while loading.
  bool DesignActivation() const { return design_activation_; }
  void SetDesignActivation(bool value) { design_activation_ = value; }
  // The table whose store this table shares (nullptr: its own). Attaching
  // closes the table. EMemTableError "Cant attach memorytable to it self.",
  // "Cant attach to another table which itself is an attachment." (after
  // the table has left its former store).
  TvomCustomMemTable* AttachedTo() const { return attached_to_; }
  void SetAttachedTo(TvomCustomMemTable* value);
  // Other tables of the store refresh after a post or delete.
  bool AttachedAutoRefresh() const { return attached_auto_refresh_; }
  void SetAttachedAutoRefresh(bool value) { attached_auto_refresh_ = value; }
  // Slots of the store's attached list (see TvomCommon::SetAttachMaxCount).
  Integer AttachMaxCount() const;
  void SetAttachMaxCount(Integer value);
  Integer AutoIncMinValue() const;
  void SetAutoIncMinValue(Integer value);
  // [DeltaHandler.cpp]
  TvomCustomDeltaHandler* DeltaHandler() const;
  void SetDeltaHandler(TvomCustomDeltaHandler* value);
  // Indexes are kept up to date on every change.
  bool EnableIndexes() const override { return enable_indexes_; }
  void SetEnableIndexes(bool value) { enable_indexes_ = value; }
  // Searches may make an index for their key fields.
  bool AutoAddIndexes() const { return auto_add_indexes_; }
  void SetAutoAddIndexes(bool value) { auto_add_indexes_ = value; }
  bool AutoReposition() const { return auto_reposition_; }
  void SetAutoReposition(bool value) { auto_reposition_ = value; }
  // While closed the text is kept; while open a non-empty text selects the
  // index of those field names (of that name) when there is one and else
  // changes nothing; an empty text selects the row-order index.
  const String& IndexFieldNames() const { return index_field_names_; }
  void SetIndexFieldNames(const String& value);
  const String& IndexName() const { return index_name_; }
  void SetIndexName(const String& value);
  TIndexDefs* IndexDefs() const { return index_defs_.get(); }
  // Copies the definitions.
  void SetIndexDefs(const TIndexDefs* value);
  // Calculated fields are computed before a record is compared (switched on
  // by itself when an index uses a calculated field).
  bool RecalcOnIndex() const override { return recalc_on_index_; }
  void SetRecalcOnIndex(bool value) override { recalc_on_index_ = value; }
  // Calculated fields are computed when a record is read into a buffer.
  bool RecalcOnFetch() const { return recalc_on_fetch_; }
  void SetRecalcOnFetch(bool value) { recalc_on_fetch_ = value; }
  const String& SortFields() const { return sort_fields_; }
  void SetSortFields(const String& value) { sort_fields_ = value; }
  TvomMemTableCompareOptions SortOptions() const { return sort_options_; }
  void SetSortOptions(TvomMemTableCompareOptions value) { sort_options_ = value; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value) { read_only_ = value; }
  TvomPerformance Performance() const;
  void SetPerformance(TvomPerformance value);
  // Only while closed ("Table must be closed for this operation.") and not
  // attached ("Table is attached to another table.").
  bool Standalone() const;
  void SetStandalone(bool value);
  const String& PersistentFile() const { return persistent_file_; }
  void SetPersistentFile(const String& value) { persistent_file_ = value; }
  bool Persistent() const { return persistent_; }
  void SetPersistent(bool value) { persistent_ = value; }
  bool PersistentBackup() const { return persistent_backup_; }
  void SetPersistentBackup(bool value) { persistent_backup_ = value; }
  const String& PersistentBackupExt() const { return persistent_backup_ext_; }
  void SetPersistentBackupExt(const String& value) { persistent_backup_ext_ = value; }
  bool StoreDataOnForm() const { return store_data_on_form_; }
  void SetStoreDataOnForm(bool value) { store_data_on_form_ = value; }
  // The progress codes that reach OnProgress (load, save and copy by default).
  TvomProgressCodes ProgressFlags() const { return progress_flags_; }
  void SetProgressFlags(TvomProgressCodes value) { progress_flags_ = value; }
  // Most records read or written by a load or save (-1 or 0: no limit).
  Integer LoadLimit() const { return load_limit_; }
  void SetLoadLimit(Integer value) { load_limit_ = value; }
  Integer SaveLimit() const { return save_limit_; }
  void SetSaveLimit(Integer value) { save_limit_ = value; }
  // Whether the last load or save reached the end of its source.
  bool LoadedCompletely() const { return loaded_completely_; }
  void SetLoadedCompletely(bool value) { loaded_completely_ = value; }
  bool SavedCompletely() const { return saved_completely_; }
  void SetSavedCompletely(bool value) { saved_completely_ = value; }
  // Records read and written by the last load or save.
  Integer LoadCount() const { return load_count_; }
  void SetLoadCount(Integer value) { load_count_ = value; }
  Integer SaveCount() const { return save_count_; }
  void SetSaveCount(Integer value) { save_count_ = value; }
  bool EnableVersioning() const;
  void SetEnableVersioning(bool value);
  TvomVersioningMode VersioningMode() const;
  void SetVersioningMode(TvomVersioningMode value);
  // The master link's fields (';'-separated, the master's names).
  const String& MasterFields() const;
  void SetMasterFields(const String& value);
  // This table's fields that follow the master's (';'-separated).
  const String& DetailFields() const { return detail_fields_; }
  void SetDetailFields(const String& value);
  TDataSource* MasterSource() const;
  // EDatabaseError "Selfreferencing master/detail relations not allowed."
  // when the master is this table or follows it.
  void SetMasterSource(TDataSource* value);
  // Always "5.00 beta"; setting it does nothing.
  String Version() const { return kvomMemTableVersion; }
  void SetVersion(const String& value) { (void)value; }
  // The store's locale (see TvomCommon).
  Integer LanguageID() const;
  void SetLanguageID(Integer value);
  Integer SubLanguageID() const;
  void SetSubLanguageID(Integer value);
  Integer SortID() const;
  void SetSortID(Integer value);
  Integer LocaleID() const;
  void SetLocaleID(Integer value);
  // [StreamFormat.cpp] The formats that save and load the table.
  TvomCustomStreamFormat* DefaultFormat() const;
  void SetDefaultFormat(TvomCustomStreamFormat* value);
  TvomCustomStreamFormat* CommaTextFormat() const;
  void SetCommaTextFormat(TvomCustomStreamFormat* value);
  TvomCustomStreamFormat* PersistentFormat() const;
  void SetPersistentFormat(TvomCustomStreamFormat* value);
  TvomCustomStreamFormat* AllDataFormat() const;
  void SetAllDataFormat(TvomCustomStreamFormat* value);
  TvomCustomStreamFormat* FormFormat() const;
  void SetFormFormat(TvomCustomStreamFormat* value);
  // Null range keys match anything.
  bool RangeIgnoreNullKeyValues() const { return range_ignore_null_key_values_; }
  void SetRangeIgnoreNullKeyValues(bool value) { range_ignore_null_key_values_ = value; }

  // --- published events ---------------------------------------------------------------
  TvomProgressEvent OnProgress;
  TvomAcceptRecordEvent OnLoadRecord, OnSaveRecord;
  TvomFieldEvent OnLoadField, OnSaveField;
  TvomCompressFieldEvent OnCompressField, OnDecompressField;
  TvomBlobStreamEvent OnCompressBlobStream, OnDecompressBlobStream;
  TvomOnSave OnSave;
  TvomOnLoad OnLoad;
  TvomSetupFieldEvent OnSetupField;
  TvomSetupFieldPropertiesEvent OnSetupFieldProperties;
  TvomCompareFieldsEvent OnCompareFields;
  TvomFilterIndexEvent OnFilterIndex;

  // --- activation -----------------------------------------------------------------------
  // While the component loads with DesignActivation off, true is ignored.
  // Closing a Persistent table writes its persistent file first.
  void SetActive(bool value) override;

  // --- progress, locking, transactions -----------------------------------------------
  // Fires OnProgress when assigned and `code` is in ProgressFlags.
  void Progress(Integer percentage, TvomProgressCode code) override;
  // Holds the store's lock (and keeps display notifications from the
  // controls) until the matching Unlock.
  virtual void Lock();
  virtual void Unlock();
  // Open tables only. EMemTableError "Transactioning requires multiversion
  // versioning." unless EnableVersioning with mtvmAllSinceCheckPoint.
  virtual void StartTransaction();
  // Open tables at a transaction level above 0 only: accept / undo the
  // changes of the current level, then rebuild the indexes and refresh.
  virtual void Commit();
  virtual void Rollback();

  // --- indexes -------------------------------------------------------------------------
  TvomIndex* CurrentIndex() const { return indexes_->Current(); }
  // Makes `index` (nullptr: the row-order index) current, keeping the
  // current record when the new index shows it (else going to the first).
  void SwitchToIndex(TvomIndex* index);
  // Follows IndexDefs: removes indexes without a definition, adds one per
  // definition without an index, rebuilds unordered indexes.
  void UpdateIndexes() override;
  // Adds an index definition and its index (showing unmodified, modified and
  // inserted records), then UpdateIndexes.
  void AddIndex(const String& name, const String& fields, TIndexOptions options) override;
  // Removes the definition when there is one, then UpdateIndexes.
  void DeleteIndex(const String& name);

  // --- record access ---------------------------------------------------------------------
  // The record that field access works on in the current state (see the
  // dataset states in DataSet.h), or nullptr.
  TvomRecord* GetActiveRecord();
  // A new TvomBlobStream over `field` of the active record; the caller frees
  // it, which stores a written value.
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  bool GetFieldData(TField* field, void* buffer) override;
  // A value held in the record is copied up to its terminator only.
  bool GetFieldText(TField* field, String& value) override;
  void SetFieldData(TField* field, const void* buffer) override;
  TUpdateStatus UpdateStatus() override;

  // --- bookmarks and numbering --------------------------------------------------------------
  bool BookmarkValid(const TBookmark& bookmark) override;
  Integer CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  void SetRecNo(Integer value) override;
  void SetBlockReadSize(Integer value) override;

  // --- filter switches (the record test itself: MemTableFilter.cpp) --------------------
  void SetFiltered(bool value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& value) override;

  // --- cursor (own steps of the record-buffer protocol) -----------------------------------
  virtual void CursorToBOF();
  virtual void CursorToEOF();
  // Steps to the next (prior) record that passes the record test (every
  // record when no test applies; with `forceTest` even while Filtered is
  // off); false at the end, the cursor then on the last position tried.
  virtual bool MoveToNextAccepted(bool forceTest);
  virtual bool MoveToPriorAccepted(bool forceTest);

  // --- master/detail ----------------------------------------------------------------------
  // The master moved or changed: re-evaluates the record test, takes the
  // master's values and goes to the first record.
  virtual void MasterChanged();
  virtual void MasterDisabled();
  TMasterDataLink* MasterLink() const { return master_link_.get(); }
  const TvomFieldList& MasterFieldList() const { return master_field_list_; }
  const TvomFieldList& DetailFieldList() const { return detail_field_list_; }
  const TvomFieldList& CurrentIndexFieldList() const { return index_field_list_; }
  // The record holding the master's values for the detail fields (nullptr
  // until a master change wrote them).
  TvomRecord* MasterKeyRecord() const { return master_key_; }
  bool MasterValuesSet() const { return master_values_set_; }
  // The master/detail switch (savers may turn it off for a while).
  bool MasterDetailActive() const { return master_detail_active_; }
  void SetMasterDetailActive(bool value) { master_detail_active_ = value; }

  // --- [MemTableFilter.cpp] the record test, filter and ranges -----------------------
  // Recomputes whether records must be tested at all (MustTestRecords).
  virtual void UpdateFilteringState();
  // The record test: true when `record` is visible. Field reads of the
  // table see `record` meanwhile.
  bool FilterRecord(TvomRecord* record, bool force) override;
  // Fires OnFilterRecord (when assigned), which may clear `accept`.
  virtual void FireFilterRecord(bool& accept);
  // Drops the compiled filter and, while the table is active, compiles
  // Filter() with FilterOptions() (a blank text compiles to none).
  void CompileFilter();
  // Range: records whose range fields lie between the start and end values.
  void SetRangeStart();
  void SetRangeEnd();
  void EditRangeStart();
  void EditRangeEnd();
  void ApplyRange();
  void CancelRange();
  void SetRange(const std::vector<Variant>& startValues, const std::vector<Variant>& endValues);
  bool RangeActive() const { return range_active_; }
  void SetRangeActive(bool value) { range_active_ = value; }
  // The first position of the current index whose record holds `term`'s
  // value (-1: none), found through the positions the table keeps of that
  // field, or by `walk` while they are not worth making yet (the records it
  // tested count towards making them). REQUIRES: the store lock held.
  Integer FirstKeyPosition(const TvomKeyTerm& term, const std::function<Integer()>& walk);
  // The per-table state of the filter part (nullptr until it makes one).
  TvomTablePart* FilterPart() const { return filter_part_.get(); }
  void SetFilterPart(std::unique_ptr<TvomTablePart> value) { filter_part_ = std::move(value); }

  // --- [MemTableLocate.cpp] searching, sorting, copying ---------------------------------
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
  // [MemTableReadRecords.cpp] Reads each accepted record where it is stored.
  void ReadRecords(const std::function<bool()>& visit) override;
  Variant Lookup(const String& keyFields, const Variant& keyValues,
                 const String& resultFields) override;
  // The position in the current index of the first record with those key
  // values, or -1.
  Integer LocateRecord(const String& keyFields, const Variant& keyValues, TLocateOptions options);
  void SetKeyValues(TvomRecord* record, const String& fieldNames, const Variant& values);
  void SetRecordFieldValue(TvomRecord* record, TField* field, const Variant& value);
  void Sort(TvomMemTableCompareOptions options);
  void SortOn(const String& fieldNames, TvomMemTableCompareOptions options);
  virtual void LoadFromDataSet(TDataSet* source, TvomCopyOptions options);
  virtual void SaveToDataSet(TDataSet* destination, TvomCopyOptions options);
  virtual void UpdateToDataSet(TDataSet* destination, const String& keyFields, Integer flags);
  virtual void UpdateToDataSetAll(TDataSet* destination, const String& keyFields);
  virtual Integer CopyRecords(TDataSet* source, TDataSet* destination, bool convertWideStrings,
                              Integer limit);
  void CopyFieldProperties(TField* source, TField* destination);
  void CopyFieldsProperties(TDataSet* source, TDataSet* destination);

  // --- [MemTablePersistence.cpp] files, streams and maintenance ------------------------
  void SaveToFile(const String& fileName);
  void SaveToFileViaFormat(const String& fileName, TvomCustomStreamFormat* format);
  void LoadFromFile(const String& fileName);
  void LoadFromFileViaFormat(const String& fileName, TvomCustomStreamFormat* format);
  virtual void SaveToStreamViaFormat(TStream* stream, TvomCustomStreamFormat* format);
  virtual void LoadFromStreamViaFormat(TStream* stream, TvomCustomStreamFormat* format);
  void LoadStreamViaFormat(TStream* stream, TvomCustomStreamFormat* format);
  void EmptyTable();
  void PackTable();
  void CheckPoint();
  // Writes the persistent file when Persistent asks for it and it has not
  // been written for this opening (called when the table is deactivated).
  void SavePersistentFile();

  // --- state that loaders, savers and the record test share -----------------------------
  // Writes to read-only tables and fields are let through (loading).
  bool IgnoreReadOnly() const { return ignore_read_only_; }
  void SetIgnoreReadOnly(bool value) { ignore_read_only_ = value; }
  // Auto-increment values already in the data are kept (loading).
  bool KeepLoadedAutoInc() const { return keep_loaded_auto_inc_; }
  void SetKeepLoadedAutoInc(bool value) { keep_loaded_auto_inc_ = value; }
  TvomOperationState OperationState() const override { return operation_state_; }
  void SetOperationState(TvomOperationState value) override { operation_state_ = value; }
  // Whether any record test applies (set by UpdateFilteringState).
  bool MustTestRecords() const override { return must_test_; }
  void SetMustTestRecords(bool value) { must_test_ = value; }
  // While set, field reads and writes of the table go to this record.
  TvomRecord* OverrideRecord() const { return override_record_; }
  void SetOverrideRecord(TvomRecord* record) { override_record_ = record; }
  // The record that the set-key state edits (a range start or end).
  TvomRecord* KeyBuffer() const { return key_buffer_; }
  void SetKeyBuffer(TvomRecord* record) { key_buffer_ = record; }
  // The range's key records, made from the store on first use.
  TvomRecord*& RangeStartRecord() { return range_start_; }
  TvomRecord*& RangeEndRecord() { return range_end_; }
  // The first ftAutoInc field (nullptr when none).
  TField* AutoIncField() const { return auto_inc_field_; }
  // Marks kept by the persistence steps for one opening.
  bool BeforeCloseDone() const { return before_close_done_; }
  void SetBeforeCloseDone(bool value) { before_close_done_ = value; }
  bool PersistentFileWritten() const { return persistent_file_written_; }
  void SetPersistentFileWritten(bool value) { persistent_file_written_ = value; }
  bool InAfterOpen() const { return in_after_open_; }
  void SetInAfterOpen(bool value) { in_after_open_ = value; }
  // The cursor position that AutoReposition returns to after a post (-1: none).
  Integer RepositionTarget() const { return reposition_target_; }
  void SetRepositionTarget(Integer value) { reposition_target_ = value; }
  // The last position at which the current index placed a changed record.
  Integer LastPlacedPosition() const { return last_placed_; }
  // The data read with the form (StoreDataOnForm), until the after-open step loads it.
  std::unique_ptr<TMemoryStream>& FormData() { return form_data_; }
  // Computes the calculated fields of `record` in place.
  void CalcRecordFields(TvomRecord* record) override;
  // Tells the controls that `field` changed (blob streams, loaders).
  void FieldChanged(TField* field);
  // Empties the ring of record buffers (no record until the next read).
  using TDataSet::ClearBuffers;
  // Temporary states for loaders and savers that read or write a record
  // that is not the active one (with SetOverrideRecord).
  using TDataSet::RestoreState;
  using TDataSet::SetTempState;

  // --- TvomStoreClient -------------------------------------------------------------------------
  TvomCommon& Store() override { return *store_; }
  const TvomCommon& Store() const { return *store_; }
  TvomIndexes& Indexes() override { return *indexes_; }
  bool IsTableActive() const override { return open_; }
  bool IsTableBrowsing() const override { return State() == dsBrowse; }
  void SetAttachIndex(Integer entry) override { attach_index_ = entry; }
  Integer AttachIndex() const { return attach_index_; }
  void CloseForStore() override;
  void RefreshForStore() override;
  void DiscardRecordBuffers() override;
  void StoreDestroyed() override;
  Integer CalcAreaSize() override;
  void SetupField(TFieldDef* def, Integer fieldNo, Byte& flags) override;
  bool CompareFieldsHook(TField* field, const void* keyValue, const void* recordValue,
                         TFieldType dataType, Byte options, bool& fullMatch,
                         Integer& result) override;
  bool DecompressFieldValue(TField* field, const Byte* data, Integer size,
                            std::vector<Byte>& result) override;
  TField* IndexFieldByName(const String& name) override;
  bool FilterIndex(TvomIndex* index, TvomRecord* record) override;
  Integer Cursor() const override { return cursor_; }
  void SetCursor(Integer position) override { cursor_ = position; }
  void SetLastPlacedPosition(Integer position) override { last_placed_ = position; }

  void Notification(TComponent* component, TOperation operation) override;

  // --- [MemTableFormData.cpp] the records stored with the form ---------------------------
  // Declares the binary property "Data": written through FormFormat only when
  // StoreDataOnForm is on and the table is active; reading it keeps the bytes
  // in FormData() for the after-open step to load.
  void DefineProperties(TFiler* filer) override;

 protected:
  // --- the record-buffer protocol ---------------------------------------------------------
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  Cardinal GetRecordSize() override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  Integer SkipRecords(Integer distance) override;
  void InternalFirst() override { CursorToBOF(); }
  void InternalLast() override { CursorToEOF(); }
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() override { return open_; }
  void InternalPost() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  Integer GetRecordCount() override;
  Integer GetRecNo() override;
  bool GetCanModify() override { return !read_only_; }
  bool IsSequenced() override { return !Filtered(); }
  bool FindRecord(bool restart, bool goForward) override;
  void SetFilterText(const String& value) override;
  bool GetIsIndexField(TField* field) override;
  TDataSource* GetDataSource() override { return MasterSource(); }
  void CloseBlob(TField* field) override;
  void DataEvent(TDataEvent event, std::intptr_t info) override;
  void DoBeforeInsert() override;
  void DoOnNewRecord() override;

  // --- [MemTablePersistence.cpp] dataset steps around opening, closing, posting --------
  void DoAfterOpen() override;
  void DoBeforeClose() override;
  void DoAfterPost() override;
  void DoAfterDelete() override;

 private:
  friend class TvomBlobStream;
  friend class TvomCustomStreamFormat;
  friend class TvomCustomCSVStreamFormat;
  friend class TvomCustomBinaryStreamFormat;
  friend class TvomCustomDeltaHandler;

  static TvomRecord* AsRecord(TRecordBuffer buffer) {
    return reinterpret_cast<TvomRecord*>(buffer);
  }
  static TRecordBuffer AsBuffer(TvomRecord* record) {
    return reinterpret_cast<TRecordBuffer>(record);
  }

  // MemTable.cpp
  void MakeOwnStore();
  void LeaveStore();
  void CheckClosedForStructure() const;
  void LocateAutoIncField();
  void BuildMasterFieldList();
  void BuildDetailFieldList();
  // The list of detail fields, or the current index's when that is empty.
  const TvomFieldList& DetailOrIndexFields() const;
  void FreeKeyRecords();
  // Commit (true) or Rollback (false) of the current transaction level.
  void EndTransaction(bool commit);
  Integer NeededCalcAreaSize() const;

  // MemTableBuffers.cpp
  // The stored record that a buffer was read from, or nullptr when it has gone.
  TvomRecord* StoredRecordOf(const TvomRecord* buffer) const;
  // Fills `buffer` with the stored record at position `pos` of the current index.
  void FillBuffer(TvomRecord* buffer, Integer pos);
  // Bytes of a field's native value held in its record (a table attached
  // to the store may declare the field longer than the records hold it).
  Integer StoredBytes(const TField* field) const;
  // Where `field`'s null flag lies in `record` (nullptr: nowhere). The
  // records a walk visits are found without reading their headers while
  // every stored record holds its data in place.
  const Byte* ReadPointer(const TvomRecord* record, const TField* field) const {
    if (record == nullptr || record != walk_visited_ || store_->AnyStoredDataApart())
      return store_->FieldPointer(record, field);
    const Integer offset = store_->FieldDataOffset(field->FieldNo(), field->Offset());
    return offset < 0 ? nullptr : reinterpret_cast<const Byte*>(record + 1) + offset;
  }
  // Whether the field reads go to the record a walk visits. That record is
  // read without locking the store again: the walk holds the lock from its
  // first visit to its last, and its reader reads on the walk's thread (a
  // table is used from one thread at a time).
  bool VisitingWalkRecord() const {
    return walk_visited_ != nullptr && override_record_ == walk_visited_ && State() != dsCalcFields;
  }
  // GetFieldData's and GetFieldText's reads of `field` in `record`, under
  // the store's lock.
  bool ReadFieldData(const TvomRecord* record, TField* field, void* buffer);
  bool ReadFieldText(const TvomRecord* record, TField* field, String& value);
  // Tells the walk in progress, while it counts reads, that its reader read
  // `bytes` bytes of `field` (its null flag `at` included) in `record`.
  void NoteWalkRead(const TvomRecord* record, const TField* field, const Byte* at, Integer bytes) {
    if (walk_reads_ == nullptr || record != walk_visited_) return;
    walk_reads_->Note(store_->FieldDataOffset(field->FieldNo(), field->Offset()), bytes,
                      at[0] != 0);
  }
  // Copies one field's value into a length-prefixed buffer of the record's
  // indirect entry (compressing it when the field says so).
  void StoreIndirectValue(Byte* entry, TField* field, const void* value);

  // MemTableIndexes.cpp
  // IndexName / IndexFieldNames: kept while closed, else the index `find`
  // gives for the text becomes current (an empty text: row order).
  void SelectIndex(String& kept, const String& value,
                   TvomIndex* (TvomIndexes::*find)(const String&) const);

  // MemTableNavigation.cpp
  // Where the record that `buffer` stands for lies in the current index:
  // its IndexPos when that still names it, else searched; -1 when gone or
  // not in the index.
  Integer PositionOfBuffer(const TvomRecord* buffer);
  // The current index's position of the record with that serial, trying
  // `hint` first; -1 when not there.
  Integer PositionOfSerial(Integer serial, Integer hint);
  void ClipCursor();
  // Puts the cursor back on the record of the ring's current buffer when
  // changes through other tables have shifted it.
  void FollowCurrentRecord();

  // MemTableEditing.cpp
  // Stores a new record taking the buffer's values (its indirect values
  // move) and lets the indexes take it in before record number `recNo`
  // (-1: at the end); the cursor goes to it.
  void AddNewRecord(TvomRecord* buffer, Integer recNo);
  // Stores a new record of the store's layout with a cleared header and
  // lets the indexes take it in as AddNewRecord does.
  void StoreNewRecord(TvomRecord* record, Integer recNo);
  // MemTableCopy.cpp
  // LoadFromDataSet's copy of the records the source shows, byte for byte,
  // when both stores lay out every field alike and nothing would see the
  // records go in one by one (event handlers, required, defaulted or
  // numbered fields, links that DisableControls leaves listening, a load
  // limit). Answers false, having copied nothing, otherwise.
  bool CopyStoredRecords(TvomCustomMemTable* source);
  // Raises the highest used auto-increment value to the buffer's value.
  void NoteAutoIncValue(const TvomRecord* buffer);
  // The 1-based record number before which an inserted buffer goes:
  // where the record of its bookmark is now, else `fallback`.
  Integer InsertRecordNumber(const TvomRecord* buffer, Integer fallback);
  // The stored record a buffer stands for; EMemTableInvalidRecord when gone.
  TvomRecord* RequireStoredRecord(const TvomRecord* buffer);

  // --- store and indexes ---
  std::unique_ptr<TvomCommon> own_store_;  // while not attached
  TvomCommon* store_ = nullptr;
  std::unique_ptr<TvomIndexes> indexes_;
  std::unique_ptr<TIndexDefs> index_defs_;
  TvomCustomMemTable* attached_to_ = nullptr;
  Integer attach_index_ = 0;

  // --- cursor and state ---
  bool open_ = false;
  Integer cursor_ = -1;
  Integer last_placed_ = -1;
  Integer insert_rec_no_ = -1;
  Integer reposition_target_ = -1;
  bool must_test_ = false;
  TvomRecord* override_record_ = nullptr;
  // While ReadRecords walks: the record it visits, and where its reader's
  // reads are counted (nullptr for the visits not counted).
  const TvomRecord* walk_visited_ = nullptr;
  TvomWalkReads* walk_reads_ = nullptr;
  TvomOperationState operation_state_ = mtosIdle;
  bool ignore_read_only_ = false;
  bool keep_loaded_auto_inc_ = false;
  bool before_close_done_ = false;
  bool persistent_file_written_ = false;
  bool in_after_open_ = false;
  TField* auto_inc_field_ = nullptr;

  // --- key records (made from the store, freed at close) ---
  TvomRecord* range_start_ = nullptr;
  TvomRecord* range_end_ = nullptr;
  TvomRecord* key_buffer_ = nullptr;  // one of the above while in dsSetKey
  TvomRecord* master_key_ = nullptr;
  bool master_values_set_ = false;
  bool range_active_ = false;
  bool master_detail_active_ = true;

  // --- field lists ---
  TvomFieldList index_field_list_;
  TvomFieldList master_field_list_;
  TvomFieldList detail_field_list_;

  // --- master link ---
  std::unique_ptr<TMasterDataLink> master_link_;
  String detail_fields_;

  // --- parts of other files ---
  std::unique_ptr<TvomTablePart> filter_part_;
  std::unique_ptr<TMemoryStream> form_data_;
  // The formats and the delta handler are kept as components, so that their
  // removal can be noticed here without knowing their classes; the property
  // accessors (in their files) convert.
  TComponent* delta_handler_ = nullptr;
  TComponent* default_format_ = nullptr;
  TComponent* comma_text_format_ = nullptr;
  TComponent* persistent_format_ = nullptr;
  TComponent* all_data_format_ = nullptr;
  TComponent* form_format_ = nullptr;

  // --- properties ---
  bool design_activation_ = true;
  bool attached_auto_refresh_ = true;
  bool enable_indexes_ = true;
  bool auto_add_indexes_ = false;
  bool auto_reposition_ = false;
  String index_field_names_;
  String index_name_;
  bool recalc_on_index_ = false;
  bool recalc_on_fetch_ = true;
  String sort_fields_;
  TvomMemTableCompareOptions sort_options_ = mtcoNone;
  bool read_only_ = false;
  String persistent_file_;
  bool persistent_ = false;
  bool persistent_backup_ = false;
  String persistent_backup_ext_;
  bool store_data_on_form_ = false;
  TvomProgressCodes progress_flags_{mtpcLoad, mtpcSave, mtpcCopy};
  Integer load_limit_ = -1;
  Integer save_limit_ = -1;
  bool loaded_completely_ = false;
  bool saved_completely_ = false;
  Integer load_count_ = 0;
  Integer save_count_ = 0;
  bool range_ignore_null_key_values_ = true;

  // --- declarations of the filter, locate and persistence parts -------------------------
 public:
  // [MemTableFilter.cpp] Whether a compiled Filter expression exists.
  bool HasCompiledFilter() const;
  // [MemTableFilter.cpp] Forgets the compiled expression (its fields are
  // destroyed when the table closes; the after-open step compiles it again).
  void DropCompiledFilter();

 private:
  // [MemTableFilter.cpp]
  bool MasterDetailApplies() const;
  bool RangeAccepts(const TvomRecord* record);
  bool MasterAccepts(const TvomRecord* record);
  // Enters dsSetKey on a range key record (made on first use; cleared when asked).
  void EnterRangeKey(TvomRecord*& key, bool clear);
  // [MemTableLocate.cpp]
  // The field list of a key field-name list (';'-separated, option letters after ':').
  void BuildKeyFieldList(const String& fieldNames, TvomFieldList& list);
  void SetKeyValuesOf(TvomRecord* record, const TvomFieldList& fields, const Variant& values);
  // The records of UpdateToDataSet, with the destination ready.
  void UpdateRun(TDataSet* destination, const String& keyFields, Integer flags);
};

// The table the program creates: TvomCustomMemTable with its properties and
// events published.
class TvomMemTable : public TvomCustomMemTable {
  ZORVET_CLASS_NAME(TvomMemTable)

 public:
  explicit TvomMemTable(TComponent* owner) : TvomCustomMemTable(owner) {}
};

// Whether `table` is of the engine's own classes, not a descendant that may
// override their virtual steps (the compare hook, Translate). The fast paths
// of sorting and saving take the general way for a descendant.
bool IsOwnMemTableClass(const TvomCustomMemTable& table);

// Declares TvomMemTable's published properties and registers the class for
// the component reader. Called once from the program's module
// initialisation (and by tests that stream tables); later calls do nothing.
void DeclareMemTableProperties();
