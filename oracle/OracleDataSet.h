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
// Master/detail links are described with Master below.
//
// Query by example (QBEMode, OracleDataSetQBE.cpp): one record in which
// the user types conditions that are added to the SQL text.
//
// Writing rows back: a posted or deleted record is written to the server
// by a generated statement on the "DMLQuery" (OracleDataSetPost.cpp), after
// the row was locked or compared with the server's as LockingMode asks
// (OracleDataSetLock.cpp). With CachedUpdates on, posted changes stay on
// the client: they are kept in the change log (OracleDataSetLog.cpp) and
// shown again after a re-query, and a data provider resolves them; the
// dataset itself writes none of them to the server.
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

#include "oracle/ChangeLogItem.h"
#include "oracle/Expression.h"
#include "oracle/LOBLocator.h"
#include "oracle/OracleBlob.h"
#include "oracle/OracleDictionary.h"
#include "oracle/OracleQBE.h"
#include "oracle/OracleQuery.h"
#include "oracle/OracleSession.h"
#include "oracle/OracleTableInfo.h"
#include "oracle/RecordDataList.h"
#include "oracle/RecordStoreOwner.h"
#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/data/DataSource.h"
#include "platform/data/ProviderSupport.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/StringList.h"

class TDictionaryOwner;
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
using TCancelQBEEvent = std::function<void(TOracleDataSet* Sender, bool& Requery)>;

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

// Replaceable texts of the conflicts that posting, deleting and locking
// report (an application may put its own language here).
namespace OracleDataSetTexts {
inline String RecordLocked = "Record is locked by another user";
inline String RecordChanged = "Record has been changed by another user";
inline String RecordDeleted = "Record has been deleted by another user";
}  // namespace OracleDataSetTexts

class TOracleDataSet : public TDataSet,
                       public TSessionDependent,
                       public TChangeLogOwner,
                       public TProviderSupport,
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
  // On an open dataset enters or leaves (cancelling) query by example; on
  // a closed one the mode is entered when it opens.
  void SetQBEMode(bool value);
  TQBEDefinition* QBEDefinition() const { return qbe_definition_.get(); }
  void SetQBEDefinition(const TQBEDefinition* value) { qbe_definition_->Assign(value); }
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

  // --- query by example (OracleDataSetQBE.cpp) ------------------------------
  // Whether the mode may be entered: true in it; false (or with Raise an
  // Exception naming why) for a cursor dataset, pending cached updates or
  // a detail without a master record.
  bool QBEAllowed(bool Raise);
  // Raises Exception "Operation not allowed in QBE mode" in QBE mode: what
  // edits, posts, deletes or re-reads records calls it first.
  void CheckNotQBE() const;
  // Shows one empty record to type conditions into (the last values typed
  // when QBEDefinition asks to keep them); data-aware controls of the
  // dataset take the QBE colours.
  void EnterQBE();
  // Drops the condition record and, unless OnCancelQBE says otherwise,
  // reads the rows again; the controls get their colours back.
  void LeaveQBE(bool Cancel);
  // Runs the conditions typed: the SQL gets them (BuildQBEQuery), the mode
  // is left and the rows the conditions select are read.
  void ExecuteQBE();
  // The QBE record's values become the fields' condition values.
  void SaveQBEValues();
  // Adds a condition per field with a condition value to the SQL text,
  // marked "/* Modified for QBE */" as its last line; values other than
  // strings go in bind variables named after their field.
  void BuildQBEQuery();
  // Puts back the SQL text BuildQBEQuery changed, without its variables.
  void RemoveQBEModification();
  // A condition matching Text on Column in any case that an index on the
  // column can still narrow by the first two characters.
  static String CaseInsensitiveCondition(const String& Text, const String& Column);
  // Colours the dataset's data-aware controls in QBE mode, restores them
  // outside it.
  void UpdateQBEColors();

  TOracleDataSetEvent BeforeQBE;
  TOracleDataSetEvent AfterQBE;
  TCancelQBEEvent OnCancelQBE;

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

  // --- serving a data provider (OracleDataSetProvider.cpp) -------------------
  // The provider's transaction runs in the dataset's deferred mode: posted
  // changes are logged, committed with the session or reverted with it.
  // Starting one switches CommitOnPost off for good.
  void ProviderStartTransaction() override;
  void ProviderEndTransaction(bool Commit) override;
  bool ProviderInTransaction() override { return ProviderTransactionOpen(); }
  // Statements run on "DMLQuery"; each "?" of ProviderExecuteStatement's
  // text becomes the variable V0, V1, ... in turn, quoted or not. The
  // dataset's parameters are its variables; CLOB and BLOB parameters are
  // bound as LOB locators that receive their values after the statement.
  Integer ProviderExecuteStatement(const String& SQL, TParams* Params,
                                   std::unique_ptr<TDataSet>* ResultSet) override;
  void ProviderExecute() override;
  void ProviderSetCommandText(const String& Text) override;
  void ProviderSetParams(TParams* Params) override;
  TParams* ProviderGetParams() override;
  void ProviderReset() override { Close(); }
  bool ProviderIsSQLBased() override { return true; }
  bool ProviderIsSQLSupported() override { return true; }
  // From the ORDER BY of the SQL, read against the select list of the
  // described query: columns, their positions and UPPER(column).
  std::unique_ptr<TIndexDef> ProviderGetDefaultOrder() override;
  // The fields flagged as key; else, unless the dataset is opening, those
  // of KeyFieldsFromConstraints (none for a cursor dataset that names
  // neither UniqueFields nor UpdatingTable).
  String ProviderGetKeyFields() override;
  // The updating table's primary key and unique constraints whose columns
  // are all in the select list, named after the constraints.
  std::unique_ptr<TIndexDefs> ProviderGetIndexDefs(TIndexOptions IndexTypes) override;
  String ProviderGetQuoteChar() override { return "\""; }
  String ProviderGetTableName() override { return GetUpdatingTableName(); }
  // UniqueFields when set; else the columns of the updating table's primary
  // key (or first unique key), ';'-separated, or "" when one of them is
  // not in the select list.
  String KeyFieldsFromConstraints();
  // Writes the LOB parameters' values into their locators, then frees them.
  void WriteLOBParams();
  void FreeLOBParams();

  // --- master/detail (OracleDataSetMaster.cpp) ------------------------------
  // A detail's main query names its master's values as bind variables: the
  // i-th name of DetailFields is the variable (and the detail field) that
  // takes the i-th field of MasterFields; without DetailFields the master's
  // field names serve. Whenever the master moves to another record the
  // details run their query again, a new detail record receives the
  // master's values, and the master's link fields are read-only while a
  // detail shows records. Changing Master, MasterFields or DetailFields
  // closes the dataset. A master that goes away leaves its details without
  // one; a detail that goes away leaves its master's list.
  TOracleDataSet* Master() const { return master_; }
  // Exception "Circular master/detail dependency not allowed" when `value`
  // is this dataset or takes its master from it, directly or further up.
  void SetMaster(TOracleDataSet* value);
  const String& MasterFields() const { return master_fields_; }
  void SetMasterFields(const String& value);
  const String& DetailFields() const { return detail_fields_; }
  void SetDetailFields(const String& value);
  const std::vector<TOracleDataSet*>& Details() const { return details_; }
  void AddDetail(TOracleDataSet* Detail);
  void RemoveDetail(TOracleDataSet* Detail);
  // Whether a dataset with a master names the field in DetailFields (the
  // link fills it, so the client-side checks leave it alone).
  bool IsDetailLinkField(const String& Name) const;
  // The names of a ';'-separated list, trimmed, empty ones dropped.
  static std::vector<String> SplitFieldNames(const String& Names);
  // Detail side: the master's link values into the query's variables (a
  // CHAR master column padded with blanks to its size). Nothing unless the
  // master is active.
  void SetDetailVariables();
  // Master side, after a field was written: every active detail takes the
  // new values into its variables.
  void UpdateDetailVariables();
  // Master side: each active detail whose remembered master record is not
  // the master's active one runs its query again; with Forget the details
  // only forget which master record they were fetched for. Skipped while
  // controls are disabled, unless RefreshDetailsWhileDisabled.
  void RefreshDetails(bool Forget);
  bool RefreshDetailsWhileDisabled() const { return refresh_while_disabled_; }
  void SetRefreshDetailsWhileDisabled(bool value) { refresh_while_disabled_ = value; }
  // Detail side: no master record to fetch details for (the master closed,
  // empty, on a record being inserted or in QBE mode). False without master.
  bool MasterUnavailable();
  // Detail side: the identifier of the master's active record, -1 when
  // there is no master or no record.
  Integer MasterRecordId();
  // Detail side: whether the master lets this dataset be modified (active,
  // with records, not in QBE mode); true without a master.
  bool MasterAllowsModification();
  // Detail side: whether the master is posting a record it inserted; the
  // detail's own post waits for the master's then, so that the detail row
  // never reaches the server before the master row it refers to.
  bool MasterPostingInsert() const;
  // Nothing while the master posts an insert (the detail stays pending and
  // is posted before the master moves on); otherwise the dataset's post
  // with Posting() true.
  void Post() override;
  // Master side, after the master posted an insert: the details belong to
  // the new record, so they take its identifier (and are not fetched again).
  void DetailsFollowPostedInsert();
  // Master side, before it moves: every active detail being edited or
  // inserted is posted, then its own details.
  void PostDetails();
  // Run on a master: its fields that link it to a detail become writable,
  // then, unless AllWritable, read-only again for every detail that shows
  // records or is inserting one (fields read-only of their own stay so).
  static void SetMasterFieldsReadOnly(TOracleDataSet* Master, bool AllWritable);
  // Detail side: SetMasterFieldsReadOnly on the master.
  void UpdateMasterLinkFields();
  // Detail side, for a new record: every master link field must hold a
  // value (EDatabaseError "field must have a value" naming it otherwise),
  // and the detail fields take them.
  void CheckMasterValues();
  void CopyMasterValues();
  // Design time: DetailFields, MasterFields and (when the user agrees) the
  // detail's WHERE clause and variables from the foreign key between the
  // two updating tables. Each refusal is a message box; the properties stay
  // as they were. Run by SetMaster when both datasets are being designed.
  void ConfigureMasterDetail();
  TDataSource* GetDataSource() override;
  void DataEvent(TDataEvent event, std::intptr_t info) override;

  // --- writing rows back -------------------------------------------------------
  // True while a post of this dataset runs.
  bool Posting() const { return posting_; }
  // Locks (unless CheckOnly) and compares the active record with the
  // server's row.
  bool LockRecord(bool CheckOnly);
  // The one statement that locks, checks and refreshes `Record` (the
  // active record when nullptr); true when a refresh changed it.
  bool BuildLockRefreshCheck(bool Lock, bool Check, bool Refresh, bool UseQuery,
                             TRecordBuffer Record);
  // Deferred mode: CachedUpdates on or a provider transaction open. Posted
  // changes are then logged, and the lock point, commit and rollback steps
  // do nothing.
  bool InDeferredMode() const { return cached_updates_ || provider_transaction_; }
  bool ProviderTransactionOpen() const { return provider_transaction_; }
  // Logs a posted change of the record with identifier `id` (its stored
  // record `record`, nullptr when it has none yet); `after` is the record
  // after the change, `position` its visible position. Only in deferred
  // mode.
  void LogChange(TRecordBuffer record, Integer id, TRecordBuffer after, char action,
                 Integer position);
  // The newest item of the record with that identifier (nullptr: none).
  TChangeLogItem* FindLogItem(Integer id);
  // The newest item whose record before the change had that rowid.
  TChangeLogItem* FindLogItemByRowId(const String& rowId);
  // The newest insert item at that full position.
  TChangeLogItem* FindInsertLogItem(Integer position);
  // Logged inserts minus logged deletes.
  Integer NetInsertCount();
  bool UpdatesPending();
  TUpdateStatus UpdateStatus() override;
  // The provider transaction: starting empties the log; committing forgets
  // it; cancelling reverts every logged change in the record list.
  void StartProviderTransaction();
  void CommitLoggedChanges();
  void CancelLoggedChanges();
  // Posted inserts minus deletes since the hits were last counted.
  Integer PostedInserts() const { return posted_inserts_; }

  // TChangeLogOwner
  TChangeLog* ChangeLog() override { return change_log_.get(); }
  TDataSet* LogDataSet() override { return this; }
  TRecordBuffer AllocLogBuffer() override { return AllocRecordBuffer(); }
  void FreeLogBuffer(TRecordBuffer& buffer) override { FreeRecordBuffer(buffer); }
  TRecordDataList* RecordList() override { return records_.get(); }
  void SetReverting(bool value) override { reverting_ = value; }
  Integer RecordIndexOfId(Integer id) override {
    return const_cast<const TOracleDataSet*>(this)->RecordIndexOfId(id);
  }
  // Detail side: whether `record` belongs to the master's active record
  // (every link pair equal, or both null). True without an active master.
  bool MasterRecordMatches(TRecordBuffer record) override;

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
  bool RecordFilteringActive() override { return Filtered() && !reverting_; }
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
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;
  void InternalEdit() override;
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
  bool GetCanModify() override;
  void GetCalcFields(TRecordBuffer buffer) override;

  // Master/detail steps around inserting and scrolling.
  void DoBeforeInsert() override;
  void DoAfterInsert() override;
  void DoBeforeScroll() override;
  void DoOnNewRecord() override;

  virtual TOracleQuery* CreateQuery();
  virtual bool EvaluateFilterExpression();
  // The condition record of QBE mode has no cancel events.
  void DoBeforeCancel() override;
  void DoAfterCancel() override;

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
    bool ReadOnly = false;  // the field's own, before master/detail changed it
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
  // Stores a non-blob field's value from a column of `query` in a record.
  void ConvertColumn(TRecordBuffer record, TField* field, TOracleQuery* query, Integer column);
  // Shows a logged change again in place of a fetched row (or of none);
  // false when the row was deleted.
  bool ApplyLoggedChange(TRecordBuffer record, TChangeLogItem* item);
  // An unseen logged insert to show next: at the list's end only, unless
  // `anywhere`.
  TChangeLogItem* PendingLoggedInsert(bool anywhere);
  // The blob a post writes for a field: the edited one when modified.
  const TOracleBlob* PostedBlob(TField* field);
  void ForgetBlobEdits();
  // Filtering and counting.
  void ParseFilter();
  void ApplyFilter();
  bool RecordMatchesFilter(TRecordBuffer record) override;
  std::unique_ptr<TExpression> ResolveFilterColumn(const String& Name);
  // Declares on `query` every main-query variable that `text` names, with
  // its type and value.
  void CopyMainQueryVariables(TOracleQuery* query, const String& text);
  // Record access.
  TRecordBuffer ActiveRecordData();
  const TExtraFieldInfo* InfoOf(const TField* field) const;
  // Where a field's null byte lies in a record (nullptr: the record holds
  // no value for it).
  Byte* FieldSlot(TRecordBuffer record, const TField* field) const;
  // Gives a record a blob list with one blob per blob field.
  void CreateBlobList(TRecordBuffer record) override;
  // Leaves the master and lets the details go (destruction).
  void DetachMasterDetail();
  void ForgetUpdatingTable() { updating_table_name_.clear(), updating_table_known_ = false; }
  bool MatchesSearch(TRecordBuffer record, const std::vector<TField*>& fields,
                     const std::vector<Variant>& values, const std::vector<String>& texts,
                     const std::vector<int>& kinds, TSearchRecordOptions options,
                     const String& rowid);

  // A CLOB or BLOB parameter of the dataset's own statement.
  struct TLOBParam {
    std::unique_ptr<TLOBLocator> Locator;
    Integer Index = 0;  // in the provider parameters
    String Name;        // of the variable it is bound to
    Integer LOBType = 0;
  };
  // The main query with its select list described (when it can be).
  TOracleQuery* SelectList();

  std::unique_ptr<TParams> provider_params_;
  std::vector<TLOBParam> lob_params_;
  bool keep_lob_params_ = false;  // while ProviderExecute re-opens

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

  // Master/detail.
  TOracleDataSet* master_ = nullptr;
  String master_fields_;
  String detail_fields_;
  std::vector<TOracleDataSet*> details_;
  std::unique_ptr<TDataSource> own_source_;  // details link to it
  std::unique_ptr<TMasterDataLink> master_link_;
  Integer master_record_id_ = -1;  // the master record last fetched for
  bool updating_details_ = false;
  bool refresh_details_on_state_ = false;
  bool refresh_while_disabled_ = false;

  // Writing rows back.
  // Posting: the statement of an insert or update and what follows it.
  void BuildDmlStatement();
  void AddWhereClause(TOracleQuery* query, bool UseOldValues);
  void CheckRowId(const String& rowId, const String& action);
  bool FieldChanged(TField* field);
  // Null as posting sees it: no value, a blank string, an empty blob.
  bool FieldIsNullForPost(TField* field);
  bool FireApplyRecord(char action, String& newRowId);
  void StoreRecord(TRecordBuffer buffer, Integer position);
  // The field is a column of the updating table that posting may write.
  bool IsPostedField(TField* field);
  // Raises a server error as the user's message for `action`.
  [[noreturn]] void RaiseTranslated(char action, Integer code, const String& message);
  // Whether the record's value `oldValue` equals the server's.
  bool ValuesEqual(TField* field, const Variant& oldValue, const Variant& serverValue);
  bool RecordChangedOnServer(TOracleQuery* query, TRecordBuffer record);
  bool CopyServerValues(TOracleQuery* query, TRecordBuffer record);
  // The key columns of the updating table for UniqueFields, read once.
  const TStrings* KeyColumns();
  TChangeLogItem* FindItem(const std::function<bool(TChangeLogItem*)>& match);

  TStringList key_columns_;
  bool key_columns_known_ = false;
  std::unique_ptr<TChangeLog> change_log_ = std::make_unique<TChangeLog>(this);
  bool posting_ = false;
  bool reverting_ = false;
  bool provider_transaction_ = false;
  Integer posted_inserts_ = 0;

  // Query by example.
  struct TQBEFieldState {
    TField* Field;
    bool ReadOnly, Required;
  };
  void RestoreQBEFieldStates();
  // The condition record's values into the fields' conditions, and those
  // into the SQL text.
  void PrepareQBEQuery();
  // Colours (or with `colour` false restores) `component` when it is a
  // remembered or a data-aware control of this dataset, and what it owns.
  void ColorQBEControls(TComponent* component, bool colour);
  std::unique_ptr<TQBEDefinition> qbe_definition_ = std::make_unique<TQBEDefinition>(this);
  std::vector<TQBEFieldState> qbe_field_states_;  // as before the mode
  // The controls coloured and the colour each got, compared with what the
  // application holds, never followed: one may have gone since.
  struct TQBEColoured {
    const TComponent* Control;
    TColor Color;
  };
  std::vector<TQBEColoured> qbe_font_controls_, qbe_background_controls_;
  bool qbe_modified_ = false;
  String qbe_saved_sql_;  // before the conditions were added
};
