// platform/data/DataSet.h
//
// TDataSet: the dataset model that every dataset of the program (the
// in-memory table, the Oracle dataset, the test datasets) derives from.
//
// The model keeps a ring of record buffers: copies of the records around the
// current one, as many as the largest BufferCount among the data links (at
// least one). Buffers() 0 .. RecordBufferCount()-1 hold consecutive records
// in the dataset's order; ActiveRecord() is the current one; one spare buffer
// (index RecordBufferCount()) receives the record being fetched. The
// descendant owns the record format and the cursor beneath the ring and
// implements the record-buffer protocol:
//
//   AllocRecordBuffer / FreeRecordBuffer / InternalInitRecord / GetRecordSize
//   GetRecord(buffer, gmCurrent | gmNext | gmPrior, doCheck)
//                        fills the buffer with the record at, after or before
//                        the cursor and moves the cursor there; grBOF / grEOF
//                        when there is none (the cursor then stays at that end)
//   InternalFirst / InternalLast   put the cursor before the first / after the last
//   GetFieldData / SetFieldData    read / write one field of the record that
//                        the state designates (see State below)
//   bookmark data and flag in each buffer, InternalGotoBookmark,
//   InternalSetToRecord (move the cursor to a buffer's record)
//   InternalOpen / InternalClose / InternalInitFieldDefs / IsCursorOpen
//   InternalPost / InternalAddRecord / InternalDelete / InternalEdit /
//   InternalInsert / InternalCancel / InternalRefresh
//
// The cursor and the ring: CurrentRecord() is the buffer whose record the
// cursor stands on (-1 when unknown). UpdateCursorPos() moves the cursor to
// the active buffer's record; CursorPosChanged() forgets where the cursor is.
// Resync rebuilds the ring around the cursor's record. While the controls
// are disabled and no unsilenced link listens, Append and Resync may leave
// the ring holding the active record alone until someone reads more of it
// (or EnableControls); the ring's readers fill it first, so what they see
// is the same.
//
// State. Browse is the resting state of an open dataset; Edit and Insert hold
// a changed record in the active buffer until Post or Cancel. Field access in
// other states reads other records: SetTempState switches for one operation
// (dsCalcFields while calculated fields are computed on CalcBuffer(),
// dsFilter while a record is tested, dsOldValue / dsCurValue / dsNewValue
// for a field's old, current and new value) and RestoreState goes back.
// State changes are announced to the data sources (OnStateChange) as soon as
// the new state is set; temporary states are not announced.
//
// Opening: BeforeOpen, InternalOpen (the descendant reads its field
// definitions, creates default fields and binds them), the ring is filled
// from the first record, dsBrowse, AfterOpen, AfterScroll (unless empty). A
// descendant that changes what is visible in AfterOpen resynchronises.
//
// Events fire around every operation (BeforeX before anything changes,
// AfterX when it is complete). A BeforeX handler refuses the operation by
// raising (Abort for a silent refusal).
//
// Data sources and links: the dataset notifies its data sources of every
// change (DataEvent); DisableControls silences the data-aware controls (the
// visual links) until the matching EnableControls, which then tells them
// that everything may have changed. Non-visual links (master links of detail
// datasets) keep receiving notifications.
//
// Destruction: a descendant's destructor must call Close() itself (C++ does
// not reach its overrides from this class's destructor).
//
// Threads: a dataset belongs to the thread that uses it (the GUI thread).
//
// Which file builds what:
//   DataSet.cpp            making and freeing, opening and closing, state,
//                          notifications to data sources and links
//   DataSetRing.cpp        the ring of record buffers, Resync
//   DataSetNavigation.cpp  First, Last, MoveBy, FindFirst/FindNext/...,
//                          bookmarks
//   DataSetEditing.cpp     Edit, Insert, Append, Post, Cancel, Delete
//   DataSetFields.cpp      fields and their definitions, calculated and
//                          lookup fields, blob streams, block reads
//   DataSetSearch.cpp      filtering, Locate and Lookup by scanning
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/data/Bookmark.h"
#include "platform/data/Field.h"
#include "platform/data/FieldDefs.h"
#include "platform/data/FieldTypes.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

class TDataSet;
class TDataSource;
class TStream;

// A record buffer: memory in the descendant's record format.
using TRecordBuffer = Byte*;

using TDataSetNotifyEvent = std::function<void(TDataSet* DataSet)>;
using TDataSetErrorEvent =
    std::function<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
// Accept starts true; the handler clears it to hide the record.
using TFilterRecordEvent = std::function<void(TDataSet* DataSet, bool& Accept)>;

class TDataSet : public TComponent {
  ZORVET_CLASS_NAME(TDataSet)

 public:
  explicit TDataSet(TComponent* owner);
  ~TDataSet() override;

  // --- opening and closing ---------------------------------------------------
  // Open and past the opening (dsOpening is not active yet).
  bool Active() const { return state_ != dsInactive && state_ != dsOpening; }
  // Opens or closes. While the component is loading, true is remembered and
  // applied by Loaded().
  virtual void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  // Whether the fields were created by the dataset at open (no persistent
  // fields existed) and will be destroyed at close.
  bool DefaultFields() const { return default_fields_; }

  // --- navigation -----------------------------------------------------------
  // Each posts or cancels a pending edit first (CheckBrowseMode) and fires
  // BeforeScroll / AfterScroll.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves by up to `distance` records; returns how far it moved. Reaching
  // the end sets Eof (the beginning, Bof).
  Integer MoveBy(Integer distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  // No record (an insert in progress counts as one).
  bool IsEmpty() const { return record_count_ == 0 && state_ != dsInsert; }
  // The number of records (-1 when the dataset cannot tell).
  Integer RecordCount() { return GetRecordCount(); }
  // The current record's number from 1, or -1 when unknown.
  Integer RecNo() { return GetRecNo(); }
  // Makes record number `value` current; the base cannot and does nothing.
  virtual void SetRecNo(Integer value) { (void)value; }

  // The first, next, prior or last record that passes the filter, even while
  // Filtered is off; Found() tells whether the last search found one.
  bool FindFirst();
  bool FindLast();
  bool FindNext();
  bool FindPrior();
  bool Found() const { return found_; }

  // --- editing --------------------------------------------------------------
  // A new record before the current one (Insert) or after the last (Append),
  // in dsInsert; OnNewRecord fills it.
  void Insert();
  void Append();
  // dsEdit on the current record (Append when the dataset is empty).
  void Edit();
  // Writes the pending record; its required fields must have values.
  virtual void Post();
  // Discards the pending record.
  void Cancel();
  // Deletes the current record (an insert in progress is cancelled).
  void Delete();
  // Re-reads the records from the source, keeping the current one when it
  // still exists.
  void Refresh();
  // Posts a modified pending record, cancels an unmodified one.
  void CheckBrowseMode();
  // Asks the data links to write their pending control values (OnUpdateData).
  void UpdateRecord();
  // Inserts (appends) a record with these field values in field order,
  // posted in one step: an Empty value leaves the field as OnNewRecord left
  // it, Null clears it.
  void InsertRecord(const std::vector<Variant>& values);
  void AppendRecord(const std::vector<Variant>& values);
  // Assigns values to the fields in order (the dataset must be editing).
  void SetFields(const std::vector<Variant>& values);
  // Whether a field changed since the record entered dsEdit or dsInsert.
  bool Modified() const { return modified_; }
  bool CanModify() { return GetCanModify(); }
  // The update status of the current record.
  virtual TUpdateStatus UpdateStatus();

  // --- bookmarks ------------------------------------------------------------
  // The current record's bookmark (empty when there is none).
  TBookmark GetBookmark();
  // Makes the bookmarked record current; an empty bookmark does nothing.
  void GotoBookmark(const TBookmark& bookmark);
  // Releases a bookmark (it becomes empty).
  void FreeBookmark(TBookmark& bookmark) { bookmark.Clear(); }
  TBookmark Bookmark() { return GetBookmark(); }
  void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
  bool BookmarkAvailable();
  // Whether the bookmark still names a record of this dataset. The base
  // cannot tell and answers false.
  virtual bool BookmarkValid(const TBookmark& bookmark);
  // -1, 0 or 1 in the dataset's order; an empty bookmark sorts first. The
  // base knows no order: equal bookmarks give 0, others compare by bytes.
  virtual Integer CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2);
  Integer BookmarkSize() const { return bookmark_size_; }

  // --- data-aware controls --------------------------------------------------
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disable_count_ != 0; }
  // Whether a data link that DisableControls does not silence (one that is
  // not a visual control's, such as a detail table's link to its master)
  // listens through one of the dataset's data sources.
  bool HasUnsilencedLinks() const;

  // --- fields ---------------------------------------------------------------
  TFields& Fields() { return fields_; }
  // EDatabaseError for an index outside 0..FieldCount()-1.
  TField* Fields(Integer index) const { return fields_.Fields(index); }
  Integer FieldCount() const { return fields_.Count(); }
  // By name, ignoring ASCII case; FieldByName raises EDatabaseError "field
  // not found" where FindField answers nullptr.
  TField* FieldByName(const String& name) const;
  TField* FindField(const String& name) const { return fields_.FindField(name); }
  TField* FieldByNumber(Integer fieldNo) const { return fields_.FieldByNumber(fieldNo); }
  // The fields named in `fieldNames` (';'-separated), in order; raises for
  // an unknown name.
  void GetFieldList(std::vector<TField*>& list, const String& fieldNames) const;
  // The names of the fields in order.
  std::vector<String> GetFieldNames() const;
  TFieldDefs* FieldDefs() { return field_defs_.get(); }
  // Copies the definitions (the dataset must be closed).
  void SetFieldDefs(const TFieldDefs* value);
  // Reads the field definitions from the source unless they are up to date.
  void InitFieldDefs();

  // --- calculated fields ----------------------------------------------------
  // Recalculate the current record's calculated fields whenever a data field
  // changes while editing (default true).
  bool AutoCalcFields() const { return auto_calc_fields_; }
  void SetAutoCalcFields(bool value) { auto_calc_fields_ = value; }
  // Computes the current record's calculated and lookup fields again (after
  // something they depend on changed outside the record) and tells the
  // controls that the record changed.
  void CalcFields();
  // Bytes of the calculated-field area: per calculated or lookup field, a
  // null-flag byte followed by its native value (at the field's Offset()).
  Integer CalcFieldsSize() const { return calc_fields_size_; }

  // --- filtering ------------------------------------------------------------
  const String& Filter() const { return filter_text_; }
  virtual void SetFilter(const String& value) { SetFilterText(value); }
  bool Filtered() const { return filtered_; }
  virtual void SetFiltered(bool value);
  TFilterOptions FilterOptions() const { return filter_options_; }
  virtual void SetFilterOptions(TFilterOptions value);
  const TFilterRecordEvent& OnFilterRecord() const { return on_filter_record_; }
  virtual void SetOnFilterRecord(const TFilterRecordEvent& value);

  // --- searching ------------------------------------------------------------
  // Makes the first record whose key fields (';'-separated) equal the values
  // (one value, or an array with one per field) current; false leaves the
  // current record. The base walks the records from the first.
  virtual bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options);
  // The value (or array of values) of `resultFields` of the first record
  // whose key fields equal the values, without moving; Null when none.
  virtual Variant Lookup(const String& keyFields, const Variant& keyValues,
                         const String& resultFields);

  // --- reading every record ---------------------------------------------------
  // Visits the records the dataset shows, in its order, to read their
  // fields: `visit` runs once per record with the fields reading that
  // record, and returns false to stop. It may read fields and nothing more:
  // moving, editing, refreshing or closing the dataset from it is not
  // allowed. Afterwards the current record is the one before the walk.
  // The base moves through the records with First and Next between
  // DisableControls and EnableControls (so scroll events fire and the
  // controls hear of a change at the end) and returns by bookmark. A
  // dataset that can read its records where they are stored overrides it
  // for speed, honouring what its navigation honours (filters, ranges,
  // calculated fields); a reader that builds something from every record
  // (a tree of all folders) then pays nothing per record for the buffer
  // ring.
  virtual void ReadRecords(const std::function<bool()>& visit);

  // --- blobs ----------------------------------------------------------------
  // A stream over the blob field of the current record; the caller frees it.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // Lets the dataset drop what it holds for a blob field when a pending
  // record is discarded.
  virtual void CloseBlob(TField* field);

  // --- record access for fields ---------------------------------------------
  // The record of `field` that the state designates, in native form into
  // `buffer` (nullptr: only the null test); false when null.
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  // The text of a string field (ftString, ftFixedChar, ftGuid) of that
  // record: its native form up to the first 0; false (and empty) when null.
  // The base reads the whole native form through GetFieldData; a dataset
  // that holds the characters in place can copy only those (a short name in
  // a wide field then touches one cache line of the record, not all of it).
  virtual bool GetFieldText(TField* field, String& value);
  // Writes `field` in the record the state designates (nullptr: null). The
  // descendant validates (TField::Validate) and then announces the change
  // (DataEvent(deFieldChange, field)) outside dsCalcFields, dsFilter and
  // dsNewValue.
  virtual void SetFieldData(TField* field, const void* buffer) = 0;

  // --- the buffer ring ------------------------------------------------------
  // The active record's buffer (nullptr when there is none).
  TRecordBuffer ActiveBuffer() const;
  // Moves the cursor to the active buffer's record.
  void UpdateCursorPos();
  // Forgets where the cursor stands.
  void CursorPosChanged() { current_record_ = -1; }
  // Rebuilds the ring around the cursor's record (with rmExact it must still
  // exist: EDatabaseError "record not found" otherwise; with rmCenter it is
  // put in the middle of the ring).
  virtual void Resync(TResyncMode mode);
  // Resync({rmExact, rmCenter}) after a move that changed no record (a
  // locate, a bookmark, a record number): the controls hear deDataSetChange
  // with the info kDataSetMovedOnly, so that one built from every record can
  // follow the cursor instead of reading them all again.
  void ResyncMoved();
  Integer BlockReadSize() const { return block_read_size_; }
  // A positive size enters dsBlockRead (the controls are not told about
  // moves); 0 or below returns to browsing.
  virtual void SetBlockReadSize(Integer value);
  // Whether a master link of this dataset comes from `dataSource`, directly
  // or through other datasets.
  bool IsLinkedTo(TDataSource* dataSource);
  // The data source of this dataset's master, if it has one.
  virtual TDataSource* GetDataSource() { return nullptr; }
  // Code-page conversion of text values for fields with Transliterate
  // (toOem: on the way into the record); the base copies the text unchanged.
  virtual String Translate(const String& source, bool toOem) {
    (void)toOem;
    return source;
  }

  // --- events ---------------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
  TDataSetNotifyEvent OnCalcFields, OnNewRecord;
  TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 protected:
  // --- the record-buffer protocol (see the top of this file) ----------------
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  // Frees the buffer and sets it to nullptr.
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  // A fresh record: InternalInitRecord, ClearCalcFields, flag bfInserted.
  virtual void InitRecord(TRecordBuffer buffer);
  virtual Cardinal GetRecordSize() = 0;
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  virtual void InternalInitFieldDefs() = 0;
  virtual bool IsCursorOpen() = 0;
  // The base checks the required fields; descendants call it first.
  virtual void InternalPost();
  // Stores `buffer` as a new record (InsertRecord / AppendRecord). The base
  // posts it as InternalPost does, for datasets whose post handles inserts.
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append);
  virtual void InternalDelete() = 0;
  virtual void InternalEdit() {}
  virtual void InternalInsert() {}
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) = 0;
  // `bookmark` holds BookmarkSize() bytes.
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  // Moves the cursor over up to |distance| records that GetRecord would
  // return (forward for a positive distance, backward for a negative one)
  // as GetRecord(gmNext / gmPrior) would, and returns how many it passed.
  // The ring uses it to learn how many records lie around the cursor while
  // it puts off reading them. The base reads each into the spare buffer; a
  // descendant that can step without copying a record overrides it.
  virtual Integer SkipRecords(Integer distance);
  // The base cannot count: -1.
  virtual Integer GetRecordCount() { return -1; }
  virtual Integer GetRecNo() { return -1; }
  virtual bool GetCanModify() { return true; }
  // Whether record numbers are exact positions (RecNo / SetRecNo).
  virtual bool IsSequenced() { return true; }
  // The search behind FindFirst and friends. The base cannot evaluate a
  // filter and finds nothing.
  virtual bool FindRecord(bool restart, bool goForward);
  virtual void SetFilterText(const String& value);
  // Whether the dataset's current order uses `field`.
  virtual bool GetIsIndexField(TField*) { return false; }
  // Deals with the exception being handled where the model cannot pass it
  // on (opening a stored-active dataset while it is designed); the base
  // hands it to the application's exception handling.
  virtual void InternalHandleException();

  // Announces `event` (see TDataEvent) and does the model's own part: a
  // field change marks the record modified, recalculates the calculated
  // fields (AutoCalcFields) and fires the field's OnChange.
  virtual void DataEvent(TDataEvent event, std::intptr_t info);

  // --- calculated and lookup fields -------------------------------------------
  virtual void ClearCalcFields(TRecordBuffer) {}
  // Computes lookup fields and fires OnCalcFields for `buffer` in dsCalcFields.
  virtual void CalculateFields(TRecordBuffer buffer);
  // CalculateFields when the dataset has calculated or lookup fields.
  virtual void GetCalcFields(TRecordBuffer buffer);
  // The buffer whose calculated fields are being computed.
  TRecordBuffer CalcBuffer() const { return calc_buffer_; }
  // Whether fetching a record computes calculated or lookup fields.
  bool HasCalcFields() const { return calc_fields_size_ > 0 || internal_calc_fields_; }

  // --- fields ---------------------------------------------------------------
  // Creates the default fields from FieldDefs.
  virtual void CreateFields();
  // Destroys the fields this dataset owns.
  virtual void DestroyFields();
  // Gives data fields their field numbers and calculated and lookup fields
  // their offsets (binding) or forgets them.
  virtual void BindFields(bool binding);

  // --- steps around the operations (fire the events) -------------------------
  virtual void DoBeforeOpen() { Fire(BeforeOpen); }
  virtual void DoAfterOpen() { Fire(AfterOpen); }
  virtual void DoBeforeClose() { Fire(BeforeClose); }
  virtual void DoAfterClose() { Fire(AfterClose); }
  virtual void DoBeforeInsert() { Fire(BeforeInsert); }
  virtual void DoAfterInsert() { Fire(AfterInsert); }
  virtual void DoBeforeEdit() { Fire(BeforeEdit); }
  virtual void DoAfterEdit() { Fire(AfterEdit); }
  virtual void DoBeforePost() { Fire(BeforePost); }
  virtual void DoAfterPost() { Fire(AfterPost); }
  virtual void DoBeforeCancel() { Fire(BeforeCancel); }
  virtual void DoAfterCancel() { Fire(AfterCancel); }
  virtual void DoBeforeDelete() { Fire(BeforeDelete); }
  virtual void DoAfterDelete() { Fire(AfterDelete); }
  virtual void DoBeforeScroll() { Fire(BeforeScroll); }
  virtual void DoAfterScroll() { Fire(AfterScroll); }
  virtual void DoBeforeRefresh() { Fire(BeforeRefresh); }
  virtual void DoAfterRefresh() { Fire(AfterRefresh); }
  virtual void DoOnCalcFields() { Fire(OnCalcFields); }
  virtual void DoOnNewRecord() { Fire(OnNewRecord); }

  // --- state ----------------------------------------------------------------
  // Sets the state and, when it changed, announces it (deUpdateState) and
  // clears Modified.
  void SetState(TDataSetState value);
  // Switches to a temporary state without announcing it; returns the state
  // to give back to RestoreState.
  TDataSetState SetTempState(TDataSetState value);
  void RestoreState(TDataSetState value);
  void SetModified(bool value) { modified_ = value; }
  void SetFound(bool value) { found_ = value; }
  void SetBookmarkSize(Integer value) { bookmark_size_ = value; }

  // --- the ring -------------------------------------------------------------
  TRecordBuffer Buffers(Integer index) const;
  // How many buffers the ring has (the spare one not counted).
  Integer BufferCount() const { return buffer_count_; }
  // How many buffers hold records.
  Integer RecordBufferCount() const;
  Integer ActiveRecord() const;
  Integer CurrentRecord() const;
  // The buffer whose record the cursor stands on (nullptr when unknown).
  // Unlike Buffers(CurrentRecord()) it never fills a ring whose filling was
  // put off, so a descendant's GetRecord may call it.
  TRecordBuffer CurrentBuffer() const;
  // Empties the ring (no record, cursor unknown).
  void ClearBuffers();
  // The ring holds exactly the record in buffer 0, the cursor on it.
  void ActivateBuffers();
  // Fetch the record after the last buffered one (before the first) into
  // the ring; false at the end.
  bool GetNextRecord();
  bool GetPriorRecord();
  // Fill the ring forward (backward) as far as it goes; the number fetched.
  Integer GetNextRecords();
  Integer GetPriorRecords();
  // Moves the cursor to the record of buffer `index`.
  void SetCurrentRecord(Integer index);
  // Resizes the ring (at least one buffer).
  void SetBufferCount(Integer value);
  // The ring size the data links ask for.
  void UpdateBufferCount();
  // Fills the ring now if its filling was put off (see ring_fill_). Every
  // reader of the ring's records other than the active one calls it first.
  void FillRing();

  // --- checks -----------------------------------------------------------------
  void CheckActive() const;
  void CheckInactive() const;
  void CheckCanModify();
  // EDatabaseError "field must have a value" (after focusing it) for the
  // first required data field that is null.
  void CheckRequiredFields();
  // Runs `operation`; a database error goes to `onError`, which may retry,
  // abort silently or let it fail.
  void CheckOperation(const std::function<void()>& operation, const TDataSetErrorEvent& onError);

 private:
  // GetNextRecord/GetPriorRecord's fetch into the spare buffer past the ring.
  bool FetchIntoSpare(TGetMode mode);
  // Whether refilling the ring may wait: the controls are disabled and no
  // link that DisableControls leaves listening could look at it.
  bool CanPutOffRing() const { return disable_count_ != 0 && !HasUnsilencedLinks(); }
  // Puts the cursor back on the record of buffer 0.
  void CursorToFirstBuffer();
  // With the ring holding only the record in buffer 0 (the cursor on it),
  // takes note of the ring that Resync would build around it with `before`
  // records before it, without reading the others.
  void PutOffResync(Integer before);
  friend class TField;
  friend class TFields;
  friend class TFieldDef;
  friend class TDataSource;
  friend class TDataLink;
  friend class TObjectField;

  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void OpenCursor();
  void CloseCursor();
  void AllocateBuffers();
  void FreeBuffers();
  void BeginInsertAppend();
  // Puts a fresh record into the ring: at the active position (insert) or
  // after the last record (append).
  void PrepareNewBuffer(bool append);
  void EndInsertAppend();
  // Drops a record being inserted after a failure and shows the records
  // around the cursor again.
  void AbandonInsert();
  void InsertOrAppendRecord(const std::vector<Variant>& values, bool append);
  void MoveBuffer(Integer curIndex, Integer newIndex);
  void CalculateLookupField(TField* field);
  void AddDataSource(TDataSource* source);
  void RemoveDataSource(TDataSource* source);
  void NotifyDataSources(TDataEvent event, std::intptr_t info);
  void FreeFieldBuffers();
  void CreateFieldsForDef(TFieldDef* def, TObjectField* parent, const String& name, bool numberDef,
                          Integer& number);
  // Moves the cursor to the first record whose `fields` equal `values`
  // (atMatch runs while its fields can be read); false when none does.
  bool ScanForRecord(const std::vector<TField*>& fields, const Variant& values,
                     TLocateOptions options, const std::function<void()>& atMatch);
  bool RecordMatches(const std::vector<TField*>& fields, const Variant& values,
                     TLocateOptions options) const;
  void AddField(TField* field);
  void RemoveField(TField* field);

  TDataSetState state_ = dsInactive;
  bool streamed_active_ = false;
  bool default_fields_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool found_ = false;
  bool modified_ = false;
  bool auto_calc_fields_ = true;
  bool filtered_ = false;
  String filter_text_;
  TFilterOptions filter_options_;
  TFilterRecordEvent on_filter_record_;
  Integer bookmark_size_ = 0;
  Integer block_read_size_ = 0;
  Integer disable_count_ = 0;
  TDataSetState disable_state_ = dsInactive;
  TDataEvent enable_event_ = deDataSetChange;
  // While ResyncMoved runs.
  bool resync_moved_ = false;

  std::unique_ptr<TFieldDefs> field_defs_;
  TFields fields_{this};
  Integer calc_fields_size_ = 0;
  bool internal_calc_fields_ = false;
  TRecordBuffer calc_buffer_ = nullptr;
  std::vector<TDataSource*> data_sources_;

  // The ring: buffer_count_ + 1 buffers while open.
  std::vector<TRecordBuffer> buffers_;
  Integer buffer_count_ = 0;
  Integer record_count_ = 0;
  Integer active_record_ = 0;
  Integer current_record_ = -1;
  // While the controls are disabled and nobody can look, the ring may hold
  // only the active record (buffer 0, record_count_ 1) and the shape the
  // full ring would have: ring_count_ records, the active one at
  // ring_active_. Resync and Append find that shape by stepping the cursor
  // (SkipRecords) instead of copying every record, so an append and post of
  // every row copies one record instead of a ring full. FillRing reads the
  // others the first time anyone needs more than the active record, and
  // EnableControls at the latest.
  bool ring_pending_ = false;
  Integer ring_active_ = 0;
  Integer ring_count_ = 0;
};
