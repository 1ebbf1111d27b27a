// oracle/OracleQuery.h
//
// TOracleQuery: one SQL or PL/SQL statement on a session, with its bind
// variables, its cursor and, for a query, the described select list with
// buffers for a block of rows. Running it parses (or reuses the previous
// parse of an unchanged text), binds the variables, describes and defines
// the select list once, executes and fetches the first block; Next walks the
// rows and fetches the following blocks; the Field... members read the
// current row.
//
// The query speaks whichever generation of the call interface its session
// runs: handles and a statement handle, or a cursor data area on the
// session's logon data area. LONG columns come in pieces (handles) or in
// reads after the row (data area), one row per block. Of the complex
// variables, cursors bind (another query, which the block opens), LOBs
// bind a TLOBLocator (handle generation only), and objects and references
// bind their instance or REF (OracleQueryObjects.cpp). LOB columns are
// fetched into one descriptor per row, read through the column's locator
// (LOBField); object and REF columns are fetched into instances and REFs of
// the client's cache, read through ObjField and RefField; cursor columns
// (handles only) hand each row's cursor to another query (CursorField).
//
// Every client call is made inside the session's call lock. A failed call
// raises EOracleError through the session, which leaves that lock.
#pragma once

#include <functional>
#include <memory>

#include "oracle/OracleSession.h"
#include "oracle/OracleTypes.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"

class TLOBLocator;
class TOracleObject;
class TOracleQuery;
class TOracleReference;
class TQueryThread;

using TOracleQueryEvent = std::function<void(TOracleQuery* Sender)>;
// A row of array DML failed: Index is the row, Continue (True on entry)
// says whether the rows after it run.
using TArrayErrorEvent = std::function<void(TOracleQuery* Sender, Integer Index, Integer ErrorCode,
                                            const String& ErrorMessage, bool& Continue)>;
// The worker thread's run failed: the code is 0 for errors not the server's.
using TThreadErrorEvent =
    std::function<void(TOracleQuery* Sender, Integer ErrorCode, const String& ErrorMessage)>;

class TOracleQuery : public TComponent, public TSessionDependent {
  ZORVET_CLASS_NAME(TOracleQuery)

 public:
  explicit TOracleQuery(TComponent* owner);
  ~TOracleQuery() override;

  // Published properties.
  TStringList* SQL() const { return sql_.get(); }
  void SetSQL(const TStrings* value);
  TOracleSession* Session() const { return session_; }
  void SetSession(TOracleSession* value);
  Integer ReadBuffer() const { return read_buffer_; }
  void SetReadBuffer(Integer value) { read_buffer_ = std::max(value, 1); }
  bool Optimize() const { return optimize_; }
  void SetOptimize(bool value) { optimize_ = value; }
  TVariables* Variables() const { return variables_.get(); }
  void SetVariables(const TVariables* value);
  Integer Cursor() const { return cursor_; }
  void SetCursor(Integer value) { cursor_ = value; }
  // Shows the text and the variables' values before each execution.
  bool Debug() const { return debug_; }
  void SetDebug(bool value) { debug_ = value; }
  bool StringFieldsOnly() const { return string_fields_only_; }
  void SetStringFieldsOnly(bool value);

  // Execute runs on the query's worker thread and returns at once.
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool value) { threaded_ = value; }
  // The worker thread's events run on the GUI thread (else on the worker,
  // where they must not touch the user interface).
  bool ThreadSynchronized() const { return thread_synchronized_; }
  void SetThreadSynchronized(bool value) { thread_synchronized_ = value; }

  TOracleQueryEvent BeforeQuery;
  TOracleQueryEvent AfterQuery;
  TArrayErrorEvent OnArrayError;
  // The worker thread's run: after the execution, before each row, at the
  // end (also after an error), and on an error.
  TOracleQueryEvent OnThreadExecuted;
  TOracleQueryEvent OnThreadRecord;
  TOracleQueryEvent OnThreadFinished;
  TThreadErrorEvent OnThreadError;

  // The cursor and the text.
  void OpenCursor();
  void Close();
  void Clear();
  String SQLWithSubstitutions() const;

  // Variables: names are upper-case with a leading ':'.
  void DeclareVariable(const String& Name, Integer Type);
  void DeclarePLSQLTable(const String& Name, Integer TableSize, Integer StringSize);
  void DeleteVariable(const String& Name);
  void ClearVariables();
  void SetVariable(const String& Name, const Variant& Value);
  void SetVariable(Integer Index, const Variant& Value);
  Variant GetVariable(const String& Name) const;
  Variant GetVariable(Integer Index) const;
  Integer VariableCount() const { return variables_->Count(); }
  String VariableName(Integer Index) const;
  Integer VariableType(Integer Index) const;
  Integer VariableIndex(const String& Name) const;
  // Gives a complex variable its object (nil makes it null). Of the complex
  // kinds this query binds cursors: another query, which the statement
  // opens and which then fetches its rows without a text of its own; and
  // LOBs: a TLOBLocator of the query's session, which the statement fills
  // ("returning ... into") or whose value it takes.
  void SetComplexVariable(const String& Name, TObject* Object);
  // The id that stands for this query in a complex variable's value.
  Integer ObjectId();

  // The steps of one execution, in this order.
  void Parse(bool Deferred);
  void BindVariables();
  void DescribeFields();
  void DefineFields();

  // Running and fetching. Threaded, Execute hands the run to the worker
  // thread and fails with "Query thread is still in progress" while a run
  // is going on there.
  virtual void Execute();
  // Rows processed; index -1 with count -1 runs the whole bound array once.
  Integer ExecuteArray(Integer Index, Integer Count);
  void Describe();
  void Next();
  bool Eof() const { return eof_; }
  void MarkEof() { eof_ = true; }
  Integer RowsProcessed();

  // The select list, counted from 0.
  Integer FieldCount() const { return fields_.Count(); }
  Integer FieldIndex(const String& Name) const;
  String FieldName(Integer Index) const { return FieldAt(Index)->Name; }
  Integer FieldType(Integer Index) const { return FieldAt(Index)->ExternalType; }
  Integer FieldDBType(Integer Index) const { return FieldAt(Index)->DBType; }
  Integer FieldPrecision(Integer Index) const { return FieldAt(Index)->Precision; }
  Integer FieldScale(Integer Index) const { return FieldAt(Index)->Scale; }
  Integer FieldSize(Integer Index) const;
  bool FieldOptional(Integer Index) const { return FieldAt(Index)->Nullable; }

  // The current row's values, by index or by name.
  bool FieldIsNull(Integer Index) const;
  bool FieldIsNull(const String& Name) const { return FieldIsNull(NamedField(Name)); }
  Variant Field(Integer Index) const;
  Variant Field(const String& Name) const { return Field(NamedField(Name)); }
  String FieldAsString(Integer Index) const;
  String FieldAsString(const String& Name) const { return FieldAsString(NamedField(Name)); }
  Integer FieldAsInteger(Integer Index) const;
  Integer FieldAsInteger(const String& Name) const { return FieldAsInteger(NamedField(Name)); }
  double FieldAsFloat(Integer Index) const;
  double FieldAsFloat(const String& Name) const { return FieldAsFloat(NamedField(Name)); }
  TDateTime FieldAsDate(Integer Index) const;
  TDateTime FieldAsDate(const String& Name) const { return FieldAsDate(NamedField(Name)); }

  // The current row of an object column as an object, of a REF column as
  // a reference; both belong to the column and follow the current row.
  TOracleObject* ObjField(Integer Index);
  TOracleObject* ObjField(const String& Name) { return ObjField(NamedField(Name)); }
  TOracleReference* RefField(Integer Index);
  TOracleReference* RefField(const String& Name) { return RefField(NamedField(Name)); }

  // Copies up to Length bytes of the current row's LONG or LONG RAW value
  // from Offset; gives the bytes copied.
  Integer GetLongField(Integer Index, void* Buffer, Integer Length, Integer Offset) const;
  // The locator of a LOB column, pointed at the current row's value and
  // rewound at every move; "Field <name> is not a LOB" for other columns.
  // The query owns it: it lives until the select list is described again
  // or the query closes.
  TLOBLocator* LOBField(Integer Index) const;
  TLOBLocator* LOBField(const String& Name) const { return LOBField(NamedField(Name)); }
  // Hands the current row's cursor column to `Target`, which then runs it
  // as it runs a cursor variable's query: its Execute describes the cursor
  // and fetches the first block without a text of its own. The row's cursor
  // belongs to the target from then on (the row reads as null), so the
  // next block of this query cannot reopen it under the target.
  void CursorField(Integer Index, TOracleQuery* Target);
  void CursorField(const String& Name, TOracleQuery* Target) {
    CursorField(NamedField(Name), Target);
  }
  // The ROWID of the row the last statement touched, as text.
  String RowId();

  // Where the last parse or execution error stands in the text (from 1).
  Integer ErrorLine() const { return error_line_; }
  Integer ErrorPosition() const { return error_position_; }
  // The statement's function code: 3 insert, 4 select, 5 update, 9 delete,
  // 34 PL/SQL block, -1 unknown.
  Integer SQLType() const { return function_code_; }
  // How many times the text went to the client's prepare since the query
  // was created: reuse of an unchanged statement leaves it alone.
  Integer ParseCount() const { return parse_count_; }

  // TSessionDependent
  void SessionClosing() override { Close(); }
  void SessionDestroyed() override;

 private:
  TFieldData* FieldAt(Integer Index) const;
  Integer NamedField(const String& Name) const;
  // The current row of a field, or an error at Eof.
  Integer CurrentRow() const;
  Integer VariableAt(const String& Name, const char* unknown) const;
  void TextChanged() { cached_text_.clear(); }
  // Makes this query the target of a cursor variable bound by `owner` and
  // gives the client's address for it.
  // `handle`, when given, is a statement the client already opened: the
  // query takes it over instead of making a fresh one.
  void* OpenAsCursorVariable(TOracleSession* owner, OCIStmt* handle = nullptr);
  // One statement handle per buffered row of a cursor column, for the
  // client to open each row's cursor in.
  void AllocateCursorHandles(TFieldData* field);
  OCIStmt* NewStatementHandle();
  void BindCursorVariable(TVariableData* variable);
  // LOB variables and columns (OracleQueryLob.cpp).
  Integer LobVariableId(TVariableData* variable, TObject* object) const;
  TLOBLocator* BoundLocator(TVariableData* variable) const;
  void BindLobVariable(TVariableData* variable);
  // After an execution: a LOB variable the statement returned null makes
  // its locator null.
  void ReconcileLobVariables();
  // After an execution, a REF variable follows the null state the client
  // gave its indicator (OracleQueryObjects.cpp).
  void ReconcileReferenceVariables();
  // Gives a LOB column its row descriptors and its locator.
  void PrepareLobColumn(TFieldData* field);
  // Points the columns' companions at the current row.
  void SetupCurrentRow();
  // A LOB column's value: a CLOB as text, else bytes; an empty LOB is null.
  Variant LobValue(const TFieldData* field) const;
  // Objects and references (OracleQueryObjects.cpp): the id of an object
  // given to a complex variable, a variable bound, a column described,
  // buffered and defined, and its row's objects freed before a fetch.
  static Integer ComplexObjectId(TVariableData* variable, TObject* object);
  void BindObjectVariable(TVariableData* variable);
  void DescribeObjectField(TFieldData* field, void* param);
  void BufferObjectField(TFieldData* field, Integer& size);
  void DefineObjectField(TFieldData* field, OCIDefine* define);
  static void FreeObjectRows(TFieldData* field);
  void NeedSession() const;
  // Raises the failed client call's error after the query's own clean-up.
  // The call lock is held and is left by the error.
  [[noreturn]] void Fail(bool position);
  // Stores the status; true when the call succeeded or `ignore` names the
  // error it ended with.
  bool Succeeded(sword status, Integer ignore = 0);
  void ComputeErrorPosition();
  void InternalExecute(bool DescribeOnly, Integer End, Integer First);
  void FireAfterQuery();
  void FetchBlock();
  // Empties the LONG piece lists before a fetch fills them again.
  void PrepareBuffers();
  // The LONG value of the current row, whole (CR/LF handling for text).
  Variant LongField(Integer Index) const;
  Integer ReadLong7(const TFieldData* field, Integer index, Byte* buffer, Integer length,
                    Integer offset) const;
  void FreeStatement();
  bool Oci8() const { return session_->OCI8Mode(); }

  std::unique_ptr<TStringList> sql_;
  TOracleSession* session_ = nullptr;
  Integer read_buffer_ = 25;
  bool optimize_ = true;
  std::unique_ptr<TVariables> variables_;
  Integer cursor_ = 0;
  bool string_fields_only_ = false;

  OCIError* error_ = nullptr;
  OCIError* error2_ = nullptr;
  Integer error_id_ = 0;  // error_ in the process-wide id table
  OCIStmt* stmt_ = nullptr;
  // Made with the cursor, for RowId; freed by Close.
  void* rowid_ = nullptr;
  // The client writes its area on every call, reads of LONG values too.
  mutable Cda_Def cda_{};
  sword last_status_ = 0;
  Integer function_code_ = 0;
  Integer rows_per_fetch_ = 0;
  Integer current_row_ = 0;
  Integer rows_in_buffer_ = 0;
  bool cursor_open_ = false;
  bool described_ = false;
  String cached_text_;
  Integer array_size_ = 0;
  Integer error_line_ = 0;
  Integer error_position_ = 0;
  Integer execution_state_ = 0;
  bool after_query_pending_ = false;
  bool eof_ = true;
  TCollection fields_;
  Integer parse_count_ = 0;
  bool debug_ = false;
  bool threaded_ = false;
  // Opened by another query's cursor variable: fetched without a parse.
  bool cursor_variable_ = false;
  Integer object_id_ = 0;
  bool thread_synchronized_ = true;
  // Made by the first threaded Execute; stopped first at destruction.
  std::unique_ptr<TQueryThread> thread_;
};
