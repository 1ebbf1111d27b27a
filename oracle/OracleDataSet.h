// oracle/OracleDataSet.h
//
// TOracleDataSet: a dataset of the dataset model whose rows come from one
// SQL query on a TOracleSession ("MainQuery"). It is browsed like any other
// dataset by the same data-aware controls: the rows are fetched in blocks of
// ReadBuffer rows, kept in client memory as records, and read through the
// fields. All of them are fetched at open while QueryAllRecords is on (the
// default); otherwise further rows are fetched as navigation, a search or
// Last needs them.
//
// Records. A record buffer is the header of oracle/RecordStoreOwner.h
// followed by the field area and the calculated-field area: per data field,
// in field order, a null byte (0 = value present) and the field's native
// value (platform/data/Field.h). Values sit at odd offsets and are read and
// written with memcpy. LONG and LONG RAW values (memo and blob fields) are
// kept in the record's blob list, not in the field area. The fetched
// records are a TRecordDataList (oracle/RecordDataList.h).
//
// Filtering is done on the client: the filter text is parsed by the
// library's filter-expression parser (oracle/ExpressionParser.h) with the
// fields as columns, and OnFilterRecord runs first; accepted records form a
// filtered view of the fetched ones.
//
// The data dictionary (OracleDictionary) gives the fields their kinds,
// ranges, display formats and required flags at open.
//
// Writing rows back (posting, deleting, locking), master/detail links and
// query-by-example are not part
// of this dataset yet: it refuses modification (CanModify is false), and
// the properties that only those steps read (LockingMode, RefreshOptions,
// CommitOnPost, CachedUpdates, UniqueFields) are kept for them.
//
// Errors: misuse raises Exception with a fixed English text; conflicts
// raise EDatabaseError (platform/data/DataMessages.h); server errors pass
// on as EOracleError.
//
// Threads: a dataset belongs to the thread that uses it.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "oracle/Expression.h"
#include "oracle/OracleBlob.h"
#include "oracle/OracleQuery.h"
#include "oracle/OracleSession.h"
#include "oracle/OracleTableInfo.h"
#include "oracle/RecordDataList.h"
#include "oracle/RecordStoreOwner.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"

class TOracleDataSet;

enum TLockingModeOptions { lmLockImmediate, lmCheckImmediate, lmLockDelayed, lmNone };
enum TRefreshModeOptions { rmNever, rmAfterInsert, rmAfterUpdate, rmObsolete };
enum TRefreshOption { roBeforeEdit, roAfterInsert, roAfterUpdate, roAllFields };
using TRefreshOptions = Set<TRefreshOption>;
enum TAfterFetchRecordAction { afContinue, afPause, afStop, afCancel };

// The search options of TOracleDataSet::SearchRecord, one bit each.
enum TSearchRecordOption : Word {
  srForward = 1,
  srBackward = 2,
  srFromCurrent = 4,
  srFromBeginning = 8,
  srFromEnd = 16,
  srIgnoreCase = 32,
  srIgnoreTime = 64,
  srWildcards = 128,
  srPartialKey = 256,
  srDontMove = 512,
};
using TSearchRecordOptions = Word;

using TOracleDataSetEvent = std::function<void(TOracleDataSet* Sender)>;
using TTranslateMessageEvent =
    std::function<void(TOracleDataSet* Sender, Integer ErrorCode, const String& ConstraintName,
                       char Action, String& Msg)>;
using TApplyRecordEvent =
    std::function<void(TOracleDataSet* Sender, char Action, bool& Applied, String& NewRowId)>;
using TAfterFetchRecordEvent =
    std::function<void(TOracleDataSet* Sender, bool FilterAccept, TAfterFetchRecordAction& Action)>;

// A column of the dataset's current record as an operand of a filter
// expression. Every read looks the field up by name.
class TColumnExpression : public TExpression {
 public:
  TColumnExpression(TDataSet* DataSet, const String& ColumnName)
      : data_set_(DataSet), column_name_(ColumnName) {}

  TDateTime AsDate() override;
  String AsString() override;
  double AsFloat() override;
  Integer AsInteger() override;
  bool AsBoolean() override;
  bool IsNull() override;
  TExprType ExprType() override;

 private:
  TField* Field() const;
  bool IsNullName() const;

  TDataSet* data_set_;
  String column_name_;
};

class TOracleDataSet : public TDataSet,
                       public TSessionDependent,
                       public TRecordStoreOwner,
                       public TDictionaryOwner {
  ZORVET_CLASS_NAME(TOracleDataSet)

 public:
  explicit TOracleDataSet(TComponent* owner);
  ~TOracleDataSet() override;

  // --- published properties -------------------------------------------------
  TStringList* SQL() const { return main_query_->SQL(); }
  // Replaces the text, forgets the updating table, tells the links and
  // re-opens an open dataset.
  void SetSQL(const TStrings* value);
  Integer ReadBuffer() const { return main_query_->ReadBuffer(); }
  void SetReadBuffer(Integer value) { main_query_->SetReadBuffer(value); }
  bool Optimize() const { return main_query_->Optimize(); }
  void SetOptimize(bool value) { main_query_->SetOptimize(value); }
  bool Debug() const { return main_query_->Debug(); }
  void SetDebug(bool value) { main_query_->SetDebug(value); }
  TVariables* Variables() const { return main_query_->Variables(); }
  void SetVariables(const TVariables* value) { main_query_->SetVariables(value); }
  bool StringFieldsOnly() const { return main_query_->StringFieldsOnly(); }
  void SetStringFieldsOnly(bool value);
  Integer Cursor() const { return main_query_->Cursor(); }
  void SetCursor(Integer value) { main_query_->SetCursor(value); }
  TOracleSession* Session() const { return main_query_->Session(); }
  virtual void SetSession(TOracleSession* value);
  const String& UniqueFields() const { return unique_fields_; }
  void SetUniqueFields(const String& value) { unique_fields_ = value; }
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  TLockingModeOptions LockingMode() const { return locking_mode_; }
  void SetLockingMode(TLockingModeOptions value) { locking_mode_ = value; }
  bool QueryAllRecords() const { return query_all_records_; }
  void SetQueryAllRecords(bool value) { query_all_records_ = value; }
  bool CountAllRecords() const { return count_all_records_; }
  void SetCountAllRecords(bool value) { count_all_records_ = value; }
  TRefreshModeOptions RefreshMode() const { return refresh_mode_; }
  // Obsolete: refused outside loading, where it becomes RefreshOptions.
  void SetRefreshMode(TRefreshModeOptions value);
  TRefreshOptions RefreshOptions() const { return refresh_options_; }
  void SetRefreshOptions(TRefreshOptions value) { refresh_options_ = value; }
  const String& UpdatingTable() const { return updating_table_; }
  void SetUpdatingTable(const String& value);
  bool CommitOnPost() const { return commit_on_post_; }
  void SetCommitOnPost(bool value) { commit_on_post_ = value; }
  bool CachedUpdates() const { return cached_updates_; }
  void SetCachedUpdates(bool value) { cached_updates_ = value; }
  bool QBEMode() const { return qbe_mode_; }
  bool DesignActivation() const { return design_activation_; }
  void SetDesignActivation(bool value) { design_activation_ = value; }
  // Which data-dictionary information is applied; writing assigns.
  TOracleDictionary* OracleDictionary() override { return dictionary_.get(); }
  void SetOracleDictionary(const TOracleDictionary* value) { dictionary_->Assign(value); }
  TSequenceField* SequenceField() override { return sequence_field_.get(); }
  void SetSequenceField(const TSequenceField* value) { sequence_field_->Assign(value); }
  // Obsolete: OracleDictionary()->EnforceConstraints().
  bool EnforceConstraints() const { return dictionary_->EnforceConstraints(); }
  void SetEnforceConstraints(bool value);

  void SetActive(bool value) override;

  TTranslateMessageEvent OnTranslateMessage;
  TOracleDataSetEvent BeforeQuery;
  TOracleDataSetEvent AfterQuery;
  TApplyRecordEvent OnApplyRecord;
  TOracleDataSetEvent AfterRefreshRecord;
  TAfterFetchRecordEvent AfterFetchRecord;

  // --- bind variables (the main query's) ------------------------------------
  void ClearVariables() { main_query_->ClearVariables(); }
  void DeclareVariable(const String& Name, Integer Type) {
    main_query_->DeclareVariable(Name, Type);
  }
  void SetVariable(const String& Name, const Variant& Value) {
    main_query_->SetVariable(Name, Value);
  }
  void SetComplexVariable(const String& Name, TObject* Object) {
    main_query_->SetComplexVariable(Name, Object);
  }
  Variant GetVariable(const String& Name) const { return main_query_->GetVariable(Name); }
  Integer VariableCount() const { return main_query_->VariableCount(); }
  String VariableName(Integer Index) const { return main_query_->VariableName(Index); }
  Integer VariableType(Integer Index) const { return main_query_->VariableType(Index); }
  Integer VariableIndex(const String& Name) const { return main_query_->VariableIndex(Name); }

  // --- the SQL and the server -----------------------------------------------
  // The table DML addresses: UpdatingTable when set, else derived from the
  // SQL (cached until SQL or UpdatingTable changes). A cursor dataset needs
  // UpdatingTable.
  String GetUpdatingTableName() override;
  virtual String GetTableAlias();
  // The query all generated statements run on, made on first use.
  TOracleQuery* PrepareDMLQuery(bool Quiet) override;
  // The user's message for a server error met while doing Action ('I'
  // insert, 'U' update, 'D' delete, 'L' lock ...): the server's text without
  // a PL/SQL backtrace, replaced by the message table's entry for the
  // constraint, then by OnTranslateMessage.
  void TranslateMessage(char Action, Integer ErrorCode, String& Msg, const String& ServerMsg);
  // Right-trimmed when the session asks for trimmed strings.
  String TrimStringValue(const String& Value) const;
  // The ROWID of the current record as last read, or "".
  String CurrentRowId() override;
  // The column index of the first ROWID column of Query, -1 when none.
  Integer RowIdColumn(TOracleQuery* Query);
  bool HasCursorVariable() const;
  // The query rows are read from: "CursorQuery" while the main query opens
  // a cursor variable for the dataset (a PL/SQL block), else the main query.
  TOracleQuery* FetchQuery() const { return cursor_query_ ? cursor_query_.get() : main_query_; }
  void Reopen();

  // Transaction steps of posting: each does nothing while updates are
  // cached or the transaction is the MTS's.
  void CommitIfRequired(bool Force);
  void RollbackIfRequired();
  void SetLockPoint();
  void RollbackToLockPoint();

  // --- counting and searching -----------------------------------------------
  // The rows the query would give (a count statement on the server).
  Integer CountQueryHits();
  void SetRecNo(Integer value) override;
  bool SearchRecord(const String& FieldNames, const Variant& Values, TSearchRecordOptions Options);
  bool Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) override;
  Variant Lookup(const String& keyFields, const Variant& keyValues,
                 const String& resultFields) override;

  // --- filtering --------------------------------------------------------------
  void SetFilter(const String& value) override;
  void SetFiltered(bool value) override;
  void SetFilterOptions(TFilterOptions value) override;
  void SetOnFilterRecord(const TFilterRecordEvent& value) override;

  // --- record access ----------------------------------------------------------
  bool GetFieldData(TField* field, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  void CloseBlob(TField* field) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  Integer CompareBookmarks(const TBookmark& bookmark1, const TBookmark& bookmark2) override;
  void SetBlockReadSize(Integer value) override;
  // The visible position of the record with that identifier, -1 when none.
  Integer RecordIndexOfId(Integer Id) const;
  // Fetches one more row; true when a record that passes the filter came.
  bool FetchRecord();

  // TDictionaryOwner (oracle/OracleTableInfo.h)
  TDataSet* DictionaryDataSet() override { return this; }
  TOracleSession* DictionarySession() override { return Session(); }
  Integer FieldVariableType(TField* field) override;
  String TranslateMessage(char action, Integer errorCode, const String& serverMessage) override;
  bool IsAutoFilledField(const String& name) override;
  bool HasRowIdColumn() override { return rowid_column_ >= 0; }
  bool DictionaryDebug() override { return Debug(); }

  // TComponent
  void Loaded() override;
  // TSessionDependent
  void SessionClosing() override;
  void SessionDestroyed() override;
  void Reactivate() override { Reopen(); }
  String DependentName() const override { return Name(); }

  // TRecordStoreOwner
  Integer RecordBufferSize() override { return OracleRecord::HeaderSize + data_size_; }
  Integer RecordReadBuffer() override { return ReadBuffer(); }
  bool RecordFilteringActive() override { return Filtered(); }
  bool RecordHasBlobFields() override { return has_blobs_; }
  TRecordBuffer BlobRecordBuffer() override;
  TBlobList* CurrentBlobList() override { return current_blobs_.get(); }
  void BlobFieldChanged(TField* field) override;
  // The fetched records (nullptr while closed).
  TRecordDataList* RecordList() const { return records_.get(); }

 protected:
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  Cardinal GetRecordSize() override { return Cardinal(data_size_ - CalcFieldsSize()); }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override { position_ = -1; }
  void InternalLast() override;
  void InternalOpen() override;
  void InternalClose() override;
  void InternalInitFieldDefs() override;
  bool IsCursorOpen() override { return records_ != nullptr; }
  void InternalPost() override;
  void InternalDelete() override;
  void InternalRefresh() override;
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag value) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  Integer GetRecordCount() override;
  Integer GetRecNo() override;
  bool GetCanModify() override { return false; }
  void GetCalcFields(TRecordBuffer buffer) override;

  virtual TOracleQuery* CreateQuery();
  virtual bool EvaluateFilterExpression();

 private:
  // For one scope: dsFilter with `record` as the record that fields read;
  // the state and the previous record come back on every way out.
  class TRecordUnderTest {
   public:
    TRecordUnderTest(TOracleDataSet* dataSet, TRecordBuffer record)
        : data_set_(dataSet),
          saved_(dataSet->SetTempState(dsFilter)),
          previous_(dataSet->under_test_) {
      dataSet->under_test_ = record;
    }
    ~TRecordUnderTest() {
      data_set_->under_test_ = previous_;
      data_set_->RestoreState(saved_);
    }
    TRecordUnderTest(const TRecordUnderTest&) = delete;
    TRecordUnderTest& operator=(const TRecordUnderTest&) = delete;
    void Set(TRecordBuffer record) { data_set_->under_test_ = record; }

   private:
    TOracleDataSet* data_set_;
    TDataSetState saved_;
    TRecordBuffer previous_;
  };
  // For one scope: the dataset's busy cursor while rows are fetched.
  class TBusyCursor {
   public:
    explicit TBusyCursor(TOracleDataSet* dataSet)
        : session_(dataSet->Cursor() != 0 ? dataSet->Session() : nullptr) {
      if (session_) session_->BeginBusy();
    }
    ~TBusyCursor() {
      if (session_) session_->EndBusy();
    }
    TBusyCursor(const TBusyCursor&) = delete;
    TBusyCursor& operator=(const TBusyCursor&) = delete;

   private:
    TOracleSession* session_;
  };
  struct TExtraFieldInfo {
    Integer Column = -1;  // in the main query's select list
    Integer Offset = 0;   // of the null byte, from the field area's start
    bool Blob = false;
  };

  // Opening and fetching.
  // With a cursor variable among the main query's: binds "CursorQuery" to
  // it and runs the main query, which opens the cursor.
  void OpenCursorQuery();
  void ExecuteMainQuery();
  Integer ComputeRecordLayout();
  void BindFieldColumns();
  // Field kinds, ranges and display formats from the updating table and
  // the select list, as OracleDictionary asks; for default fields at open.
  void ApplyDictionaryToFields();
  void FetchAll();
  // Moves the main query to its next row; false at its end.
  bool NextRow();
  // Fills a record from the main query's current row.
  void ConvertRow(TRecordBuffer record);
  // Filtering and counting.
  void ParseFilter();
  void ApplyFilter();
  bool RecordMatchesFilter(TRecordBuffer record);
  std::unique_ptr<TExpression> ResolveFilterColumn(const String& Name);
  // Record access.
  TRecordBuffer ActiveRecordData();
  const TExtraFieldInfo* InfoOf(const TField* field) const;
  // Where a field's null byte lies in a record (nullptr: the record holds
  // no value for it).
  Byte* FieldSlot(TRecordBuffer record, const TField* field) const;
  // Gives a record a blob list with one blob per blob field.
  void CreateBlobList(TRecordBuffer record);
  void ForgetUpdatingTable() { updating_table_name_.clear(), updating_table_known_ = false; }
  bool MatchesSearch(TRecordBuffer record, const std::vector<TField*>& fields,
                     const std::vector<Variant>& values, const std::vector<String>& texts,
                     const std::vector<int>& kinds, TSearchRecordOptions options,
                     const String& rowid);

  TOracleQuery* main_query_ = nullptr;  // owned as a component
  std::unique_ptr<TOracleQuery> dml_query_;
  std::unique_ptr<TOracleQuery> cursor_query_;
  std::unique_ptr<TRecordDataList> records_;
  std::unique_ptr<TBlobList> current_blobs_;  // of the record being edited
  bool has_blobs_ = false;
  std::vector<TExtraFieldInfo> extra_info_;  // by field number
  Integer rowid_column_ = -1;
  bool rowid_column_known_ = false;
  bool pending_activation_ = false;
  String updating_table_name_;
  bool updating_table_known_ = false;
  std::unique_ptr<TExpression> filter_expression_;
  std::unique_ptr<TOracleDictionary> dictionary_;
  std::unique_ptr<TSequenceField> sequence_field_;

  String unique_fields_;
  bool read_only_ = false;
  TLockingModeOptions locking_mode_ = lmCheckImmediate;
  bool query_all_records_ = true;
  bool count_all_records_ = false;
  TRefreshModeOptions refresh_mode_ = rmObsolete;
  TRefreshOptions refresh_options_;
  String updating_table_;
  bool commit_on_post_ = true;
  bool cached_updates_ = false;
  bool qbe_mode_ = false;
  bool design_activation_ = false;

  // The record engine.
  Integer position_ = -1;
  Integer last_id_ = 0;
  Integer data_size_ = 0;  // field area and calculated fields
  Integer field_area_size_ = 0;
  TRecordBuffer under_test_ = nullptr;  // the record read in dsFilter
  // Where a fetched row is converted before it joins the list.
  TRecordBuffer under_construction_ = nullptr;
  // The record the last search found.
  TRecordBuffer found_record_ = nullptr;
  bool hits_known_ = false;
  Integer hits_ = 0;
  bool first_row_pending_ = false;
  bool opening_ = false;
};
