// oracle/OracleQuery.cpp
#include "oracle/OracleQuery.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <utility>

#include "oracle/OciConstants.h"
#include "oracle/OciHandle.h"
#include "oracle/OracleText.h"
#include "platform/rtl/FloatText.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/rtl/Thread.h"
#include "platform/win/MessageBoxHook.h"

namespace {

constexpr ub4 kNativeSyntax = 1;

constexpr ub4 kDynamicFetch = 2;
// The first piece of a LONG value, and the size pieces stop doubling at.
constexpr Integer kFirstLongPiece = 2000;
constexpr Integer kLongPieceLimit = 32000;
// What the older generation reads of a LONG in one call.
constexpr Integer kOci7LongDefine = 2000;
constexpr Integer kOci7LongCall = 64000;

constexpr Integer kNoDataFound = 1403;
// The older generation binds a cursor variable as its data area.
constexpr ub2 kOci7Cursor = 102;
constexpr Integer kSelect = 4;

// Server column types the describe step meets.
constexpr ub2 kDbNumber = 2;
constexpr ub2 kDbLong = 8;
constexpr ub2 kDbRowid = 11;
constexpr ub2 kDbDate = 12;
constexpr ub2 kDbRaw = 23;
constexpr ub2 kDbLongRaw = 24;
constexpr ub2 kDbUrowid = 104;
constexpr ub2 kDbMlsLabel = 106;

// The statement type attribute in the older generation's function codes.
Integer FunctionCodeOfStatementType(ub2 type) {
  switch (type) {
    case 1:
      return 4;  // select
    case 2:
      return 5;  // update
    case 3:
      return 9;  // delete
    case 4:
      return 3;  // insert
    case 8:
    case 9:
      return 34;  // begin, declare
    default:
      return -1;
  }
}

// Statements whose parse stays good for the next run of the same text. DDL
// is parsed each time: running it again must do it again.
bool Reusable(Integer code) {
  switch (code) {
    case 3:
    case 4:
    case 5:
    case 9:
    case 33:
    case 34:
    case 35:
    case 54:
    case 55:
    case 56:
      return true;
    default:
      return false;
  }
}

bool IsLong(ub2 type) {
  return type == kDbLong || type == kDbLongRaw;
}

// The client asks for memory for the next piece of a LONG value: pieces of
// 2000 bytes, doubling while below 32000 bytes.
sb4 LongPieceCallback(void* context, OCIDefine*, ub4 iter, void** buffer, ub4** length, ub1*,
                      void** indicator, ub2** code) {
  auto* field = static_cast<TFieldData*>(context);
  if (iter >= ub4(field->Rows)) return OCI_ERROR;
  Integer size = kFirstLongPiece;
  if (const Integer count = field->LongPieces.Count(); count > 0) {
    const Integer last = static_cast<TLongPiece*>(field->LongPieces.Items(count - 1))->Size();
    size = last < kLongPieceLimit ? std::min(last * 2, kLongPieceLimit) : last;
  }
  auto* piece = static_cast<TLongPiece*>(field->LongPieces.Add());
  piece->SetSize(size);
  *buffer = piece->Buffer();
  *length = &piece->Length;
  *indicator = &field->Indicators[iter];
  *code = nullptr;
  return OCI_CONTINUE;
}

String NormalName(const String& name) {
  const String upper = AnsiUpperCase(name);
  return !upper.empty() && upper[0] == ':' ? upper : ":" + upper;
}

}  // namespace

// The worker thread of a threaded query. A run is handed over under the
// thread's own lock and the thread waits on its own condition between runs,
// so a run handed over while the thread is still finishing the previous one
// is never lost, as it could be with a thread that suspends itself.
class TQueryThread : public TThread {
 public:
  explicit TQueryThread(TOracleQuery* query) : TThread(true), query_(query) {}
  ~TQueryThread() override { Stop(); }
  TQueryThread(const TQueryThread&) = delete;
  TQueryThread& operator=(const TQueryThread&) = delete;

  // Hands one run to the thread; false while a run is still going on.
  bool StartRun() {
    {
      std::lock_guard lock(mutex_);
      if (busy_) return false;
      busy_ = work_ = true;
      cv_.notify_all();
    }
    Resume();  // the first run starts the thread; later ones change nothing
    return true;
  }
  bool Busy() const {
    std::lock_guard lock(mutex_);
    return busy_;
  }
  // Ends the thread and waits for it; on the GUI thread the wait runs the
  // events the thread hands over meanwhile, so a thread inside an event
  // cannot hold the destruction up for ever.
  void Stop() {
    Terminate();
    {
      std::lock_guard lock(mutex_);
      cv_.notify_all();
    }
    TerminateAndWait();
  }

 protected:
  void Execute() override {
    for (;;) {
      {
        std::unique_lock lock(mutex_);
        cv_.wait(lock, [this] { return work_ || Terminated(); });
        if (Terminated()) return;
        work_ = false;
      }
      RunOnce();
    }
  }

 private:
  void Fire(const TOracleQueryEvent& event) {
    if (!event) return;
    if (query_->ThreadSynchronized())
      Synchronize([&] { event(query_); });
    else
      event(query_);
  }
  void RunOnce() {
    try {
      query_->ExecuteArray(-1, -1);
      Fire(query_->OnThreadExecuted);
      while (!query_->Eof() && !Terminated()) {
        Fire(query_->OnThreadRecord);
        query_->Next();
      }
    } catch (const EOracleError& e) {
      Report(e.ErrorCode, e.Message());
    } catch (const Exception& e) {
      Report(0, e.Message());
    } catch (const std::exception& e) {
      Report(0, e.what());
    }
    {
      // The run is over: OnThreadFinished may start the next one.
      std::lock_guard lock(mutex_);
      busy_ = false;
    }
    if (Terminated()) return;
    try {
      Fire(query_->OnThreadFinished);
    } catch (...) {
      // Nothing on this thread could show it; the thread goes on serving.
    }
  }
  void Report(Integer code, const String& message) {
    error_code_ = code;
    error_message_ = message;
    if (!query_->OnThreadError) return;
    try {
      if (query_->ThreadSynchronized())
        Synchronize([&] { query_->OnThreadError(query_, error_code_, error_message_); });
      else
        query_->OnThreadError(query_, error_code_, error_message_);
    } catch (...) {
      // As for OnThreadFinished: the error stays on the thread.
    }
  }

  TOracleQuery* query_;
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  bool work_ = false;  // a run was handed over and has not started
  bool busy_ = false;  // a run was handed over and has not ended
  Integer error_code_ = 0;
  String error_message_;
};

TOracleQuery::TOracleQuery(TComponent* owner)
    : TComponent(owner),
      sql_(std::make_unique<TStringList>()),
      variables_(std::make_unique<TVariables>(this)),
      fields_(TCollectionItemClass::Of<TFieldData>()) {
  variables_->SessionOf = [this] { return session_; };
}

TOracleQuery::~TOracleQuery() {
  // The thread uses everything below: it goes first.
  thread_.reset();
  if (object_id_) Oracle::ReleaseOracleObject(object_id_);
  try {
    SetSession(nullptr);
  } catch (...) {
    // A failing close at destruction leaves nothing the caller could mend.
  }
  fields_.Clear();
}

void TOracleQuery::SetSQL(const TStrings* value) {
  sql_->BeginUpdate();
  TScopeExit end_update([&] { sql_->EndUpdate(); });
  sql_->Assign(value);
}

void TOracleQuery::SetSession(TOracleSession* value) {
  if (value == session_) return;
  Close();
  if (session_) session_->RemoveDependent(sdQuery, this);
  session_ = value;
  if (session_) session_->AddDependent(sdQuery, this);
  TextChanged();
}

void TOracleQuery::SessionDestroyed() {
  // The session's environment went with it, and every handle made in it:
  // there is nothing left to free.
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  error_id_ = 0;
  error_ = error2_ = nullptr;
  stmt_ = nullptr;
  rowid_ = nullptr;
  cursor_open_ = false;
  described_ = false;
  TextChanged();
  fields_.Clear();
  session_ = nullptr;
}

void TOracleQuery::SetVariables(const TVariables* value) {
  variables_->Assign(value);
  TextChanged();
}

void TOracleQuery::SetStringFieldsOnly(bool value) {
  if (value == string_fields_only_) return;
  string_fields_only_ = value;
  TextChanged();
}

// ---------------------------------------------------------------------------
// The cursor

void TOracleQuery::NeedSession() const {
  if (!session_) throw Exception("Session undefined");
  if (!session_->Connected()) throw Exception("Not logged on");
}

void TOracleQuery::OpenCursor() {
  if (cursor_open_) return;
  NeedSession();
  if (!Oci8()) {
    session_->EnterCall(false);
    if (!Succeeded(OracleCI::oopen(&cda_, session_->Lda(), nullptr, -1, -1, nullptr, -1)))
      Fail(false);
    session_->LeaveCall(false);
    cursor_open_ = true;
    return;
  }
  OCIEnv* env = session_->EnvHandle();
  TOciHandle error(env, kHtypeError), error2(env, kHtypeError);
  TOciHandle rowid = TOciHandle::Descriptor(env, kDtypeRowid);
  if (!error || !error2 || !rowid)
    throw Exception("The client could not allocate the query's handles");
  error_ = error.Release<OCIError>();
  error2_ = error2.Release<OCIError>();
  rowid_ = rowid.Release<void>();
  error_id_ = Oracle::RegisterOracleObject(error_);
  cursor_open_ = true;
}

void TOracleQuery::FreeStatement() {
  if (stmt_) OracleCI::OCIHandleFree(stmt_, kHtypeStmt);
  stmt_ = nullptr;
  // The binds went with the statement.
  for (Integer i = 0; i < variables_->Count(); ++i) variables_->Items(i)->BindHandle = nullptr;
}

void TOracleQuery::Close() {
  if (!session_ || !session_->Connected() || !cursor_open_) return;
  cursor_open_ = false;
  TextChanged();
  described_ = false;
  fields_.Clear();
  if (!Oci8()) {
    OracleCI::oclose(&cda_);
    cda_ = Cda_Def{};
    return;
  }
  FreeStatement();
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  error_id_ = 0;
  if (rowid_) OracleCI::OCIDescriptorFree(rowid_, kDtypeRowid);
  if (error2_) OracleCI::OCIHandleFree(error2_, kHtypeError);
  if (error_) OracleCI::OCIHandleFree(error_, kHtypeError);
  error_ = error2_ = nullptr;
  rowid_ = nullptr;
}

void TOracleQuery::Clear() {
  ClearVariables();
  sql_->Clear();
  TextChanged();
  described_ = false;
  cursor_variable_ = false;
}

Integer TOracleQuery::ObjectId() {
  if (!object_id_) object_id_ = Oracle::RegisterOracleObject(static_cast<TObject*>(this));
  return object_id_;
}

void TOracleQuery::SetComplexVariable(const String& Name, TObject* Object) {
  TVariableData* variable = variables_->Items(VariableAt(Name, "Unknown variable: "));
  const String& name = variable->Name();
  if (!variable->IsComplex()) throw Exception(name + " is not a complex variable");
  Integer id = 0;
  if (Object) {
    switch (variable->ExternalType()) {
      case Oracle::otCursor:
        if (auto* query = dynamic_cast<TOracleQuery*>(Object)) id = query->ObjectId();
        if (!id) throw Exception("Assign TOracleQuery instance to variable " + name);
        break;
      case Oracle::otObject:
      case Oracle::otReference:
        id = ComplexObjectId(variable, Object);
        break;
      default:
        id = LobVariableId(variable, Object);
        break;
    }
  }
  variable->SetValue(0, id ? Variant(id) : Variant(), session_);
}

void* TOracleQuery::OpenAsCursorVariable(TOracleSession* owner, OCIStmt* handle) {
  // Until the query holds it, an opened cursor handed over is freed on
  // every way out.
  TScopeExit free_handle([&handle] {
    if (handle) OracleCI::OCIHandleFree(handle, kHtypeStmt);
  });
  Close();
  Clear();
  if (session_ != owner) SetSession(owner);
  cursor_variable_ = true;
  // The client binds only an opened data area, and fills it when the block
  // opens the cursor.
  OpenCursor();
  if (!Oci8()) return &cda_;
  FreeStatement();
  stmt_ = handle ? std::exchange(handle, nullptr) : NewStatementHandle();
  return &stmt_;
}

OCIStmt* TOracleQuery::NewStatementHandle() {
  OCIStmt* stmt = nullptr;
  session_->EnterCall(false);
  if (!Succeeded(OracleCI::OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&stmt),
                                          kHtypeStmt, 0, nullptr)))
    Fail(false);
  session_->LeaveCall(false);
  return stmt;
}

String TOracleQuery::SQLWithSubstitutions() const {
  String text = sql_->Text();
  bool any = false;
  for (Integer i = 0; i < variables_->Count() && !any; ++i)
    any = variables_->Items(i)->ExternalType() == Oracle::otSubst;
  if (!any) return text;
  const auto names = Oracle::FindVariables(text, true);
  // From the last occurrence back, so that earlier positions stay valid.
  for (Integer i = names->Count() - 1; i >= 0; --i) {
    const String name = names->Strings(i);
    const Integer index = variables_->IndexOf(":" + name);
    if (index < 0) continue;
    const TVariableData* variable = variables_->Items(index);
    if (variable->ExternalType() != Oracle::otSubst) continue;
    const Variant value = variable->Value(session_);
    const String replacement = value.IsNull() || value.IsEmpty() ? String() : VarToStr(value);
    const std::size_t at = std::size_t(Oracle::VariablePosition(*names, i) - 1);
    text.replace(at, name.size() + 1, replacement);
  }
  return text;
}

// ---------------------------------------------------------------------------
// Variables

Integer TOracleQuery::VariableAt(const String& Name, const char* unknown) const {
  const Integer index = variables_->IndexOf(NormalName(Name));
  if (index < 0) throw Exception(unknown + Name + (unknown[0] == 'V' ? " not declared" : ""));
  return index;
}

void TOracleQuery::DeclareVariable(const String& Name, Integer Type) {
  if (Name.empty()) throw Exception("You cannot declare a variable with an empty name");
  variables_->DeclareVariable(NormalName(Name), Type);
  TextChanged();
}

void TOracleQuery::DeclarePLSQLTable(const String& Name, Integer TableSize, Integer StringSize) {
  variables_->DeclarePLSQLTable(NormalName(Name), TableSize, StringSize);
}

void TOracleQuery::DeleteVariable(const String& Name) {
  variables_->Delete(VariableAt(Name, "Variable "));
  TextChanged();
}

void TOracleQuery::ClearVariables() {
  variables_->Clear();
  TextChanged();
}

String TOracleQuery::VariableName(Integer Index) const {
  if (Index < 0 || Index >= VariableCount())
    throw Exception("Variable " + IntToStr(Index) + " does not exist");
  return variables_->Items(Index)->Name();
}

Integer TOracleQuery::VariableType(Integer Index) const {
  VariableName(Index);
  return variables_->Items(Index)->ExternalType();
}

Integer TOracleQuery::VariableIndex(const String& Name) const {
  return variables_->IndexOf(NormalName(Name));
}

void TOracleQuery::SetVariable(const String& Name, const Variant& Value) {
  SetVariable(VariableAt(Name, "Variable "), Value);
}

void TOracleQuery::SetVariable(Integer Index, const Variant& Value) {
  VariableName(Index);
  TVariableData* variable = variables_->Items(Index);
  const String& name = variable->Name();
  if (VarIsArray(Value) && variable->ExternalType() != Oracle::otLongRaw) {
    if (variable->IsComplex())
      throw Exception(name + " is a complex variable and cannot be an array");
    if (variable->ExternalType() == Oracle::otSubst)
      throw Exception(name + " is a substitution variable and cannot be an array");
    const Integer low = VarArrayLowBound(Value, 1);
    const Integer count = VarArrayHighBound(Value, 1) - low + 1;
    if (variable->IsPLSQLTable()) {
      if (count > variable->ElementCount())
        throw Exception("Array is larger than PL/SQL Table (" + IntToStr(count) + " > " +
                        IntToStr(variable->ElementCount()) + ")");
      variable->SetCurrentElements(count);
    } else {
      variable->SetArraySize(count, 0, session_);
    }
    for (Integer i = 0; i < count; ++i)
      variable->SetValue(i, VarArrayGet(Value, {low + i}), session_);
    return;
  }
  if (variable->IsPLSQLTable()) {
    if (!Value.IsEmpty() && !Value.IsNull())
      throw Exception(name + " is a PL/SQL Table, assign a variant array to it");
    variable->SetCurrentElements(0);
    return;
  }
  if (variable->ElementCount() != 1) variable->SetArraySize(1, 0, session_);
  variable->SetValue(0, Value, session_);
}

Variant TOracleQuery::GetVariable(const String& Name) const {
  return GetVariable(VariableAt(Name, "Unknown variable: "));
}

Variant TOracleQuery::GetVariable(Integer Index) const {
  VariableName(Index);
  const TVariableData* variable = variables_->Items(Index);
  const auto null = [this] {
    return session_ && session_->NullValue() == nvNull ? Null() : Unassigned();
  };
  if ((variable->ElementCount() > 1 || variable->IsPLSQLTable()) && !variable->IsComplex()) {
    const Integer count =
        variable->IsPLSQLTable() ? variable->CurrentElements() : variable->ElementCount();
    if (count == 0) return null();
    std::vector<Variant> values;
    for (Integer i = 0; i < count; ++i) {
      Variant value;
      if (variable->Indicator(i) < 0 || !variable->Buffer()) {
        value = null();
      } else {
        Oracle::OracleValueToVariant(
            variable->Buffer() + std::size_t(i) * std::size_t(variable->BufferSize()),
            variable->ExternalType(), variable->BufferSize(), value, session_);
      }
      values.push_back(value);
    }
    return VarArrayOf(std::move(values));
  }
  const Variant value = variable->Value(session_);
  return value.IsNull() ? null() : value;
}

// ---------------------------------------------------------------------------
// Client calls and their errors

bool TOracleQuery::Succeeded(sword status, Integer ignore) {
  last_status_ = status;
  session_->CheckStatus(status);
  if (!Oci8()) return status == 0 || (ignore != 0 && Integer(cda_.rc) == ignore);
  if (status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO || status == OCI_NEED_DATA)
    return true;
  if (status == OCI_NO_DATA) return ignore == kNoDataFound;
  if (status == OCI_ERROR && ignore != 0)
    return Oracle::OracleErrorCode(session_, error_id_) == ignore;
  return false;
}

void TOracleQuery::ComputeErrorPosition() {
  ub2 offset = cda_.peo;
  if (Oci8()) {
    if (!stmt_) return;
    OracleCI::OCIAttrGet(stmt_, kHtypeStmt, &offset, nullptr,
                         OracleCI::OCI81Present ? kAttrParseErrorOffset : kAttrParseErrorOffset80,
                         error2_);
  }
  Integer line = 0, column = 0;
  for (std::size_t i = 0; i < offset && i < cached_text_.size(); ++i) {
    if (cached_text_[i] == '\n') {
      ++line;
      column = 0;
    } else {
      ++column;
    }
  }
  error_line_ = line + 1;
  error_position_ = column + 1;
}

void TOracleQuery::Fail(bool position) {
  if (position) ComputeErrorPosition();
  TextChanged();
  try {
    FireAfterQuery();
  } catch (...) {
    session_->LeaveCall(false);
    throw;
  }
  if (Oci8() && last_status_ == OCI_INVALID_HANDLE) {
    session_->LeaveCall(false);
    throw Exception("The client refused a handle of the query");
  }
  session_->RaiseCallError(Oci8() ? error_id_ : Integer(cda_.rc), false);
}

void TOracleQuery::FireAfterQuery() {
  if (!after_query_pending_) return;
  after_query_pending_ = false;
  if (AfterQuery) AfterQuery(this);
}

// ---------------------------------------------------------------------------
// Parse, bind, describe, define

void TOracleQuery::Parse(bool Deferred) {
  error_line_ = 0;
  error_position_ = 0;
  if (cursor_variable_) {
    // Opened by the block that bound it: there is nothing to parse.
    function_code_ = kSelect;
    return;
  }
  OpenCursor();
  String text = SQLWithSubstitutions();
  std::erase(text, '\r');
  if (text.empty()) text = " ";
  // Piecewise and array binds are bound afresh with a fresh parse.
  for (Integer i = 0; i < variables_->Count(); ++i) {
    const TVariableData* variable = variables_->Items(i);
    if (variable->ExternalType() == Oracle::otLong ||
        variable->ExternalType() == Oracle::otLongRaw || variable->IsPLSQLTable() ||
        variable->ElementCount() > 1)
      TextChanged();
  }
  if (array_size_ > 1) TextChanged();
  if (optimize_ && !cached_text_.empty() && cached_text_ == text && Reusable(function_code_))
    return;
  fields_.Clear();
  described_ = false;
  cached_text_ = text;
  function_code_ = 0;
  session_->EnterCall(false);
  if (!Oci8()) {
    // Version 7 behaviour.
    if (!Succeeded(OracleCI::oparse(&cda_, reinterpret_cast<OraText*>(text.data()), -1,
                                    Deferred ? 1 : 0, 2)))
      Fail(true);
    function_code_ = cda_.fc;
    ++parse_count_;
    session_->LeaveCall(false);
    return;
  }
  FreeStatement();
  if (!Succeeded(OracleCI::OCIHandleAlloc(session_->EnvHandle(), reinterpret_cast<void**>(&stmt_),
                                          kHtypeStmt, 0, nullptr)))
    Fail(false);
  // Rows come in blocks of the query's own size, never ahead of time.
  ub4 zero = 0;
  OracleCI::OCIAttrSet(stmt_, kHtypeStmt, &zero, 0, kAttrPrefetchRows, error_);
  OracleCI::OCIAttrSet(stmt_, kHtypeStmt, &zero, 0, kAttrPrefetchMemory, error_);
  if (!Succeeded(OracleCI::OCIStmtPrepare(stmt_, error_,
                                          reinterpret_cast<const OraText*>(text.c_str()),
                                          ub4(text.size()), kNativeSyntax, OCI_DEFAULT)))
    Fail(true);
  ub2 type = 0;
  if (!Succeeded(OracleCI::OCIAttrGet(stmt_, kHtypeStmt, &type, nullptr, kAttrStmtType, error_)))
    Fail(false);
  function_code_ = FunctionCodeOfStatementType(type);
  ++parse_count_;
  session_->LeaveCall(false);
}

void TOracleQuery::BindVariables() {
  array_size_ = 0;
  if (cursor_variable_) return;
  for (Integer i = 0; i < variables_->Count(); ++i) {
    TVariableData* variable = variables_->Items(i);
    const Integer type = variable->ExternalType();
    if (type == Oracle::otSubst) continue;
    const String& name = variable->Name();
    if (type == Oracle::otCursor) {
      BindCursorVariable(variable);
      continue;
    }
    if (Oracle::IsLobType(type)) {
      BindLobVariable(variable);
      continue;
    }
    if (type == Oracle::otObject || type == Oracle::otReference) {
      BindObjectVariable(variable);
      continue;
    }
    if (variable->IsComplex())
      throw Exception(name + " is a complex variable: this query binds plain values only");
    const bool table = variable->IsPLSQLTable();
    if (table) {
      array_size_ = 1;
    } else if (array_size_ == 0) {
      array_size_ = variable->ElementCount();
    } else if (array_size_ != variable->ElementCount()) {
      throw Exception("All arrays must be of equal size for Array DML");
    }
    const bool whole = type == Oracle::otLong || type == Oracle::otLongRaw;
    sb4 size = whole ? sb4(variable->ActualLength()) : sb4(variable->BufferSize());
    const ub2 bind_type = ub2(type == Oracle::otPLSQLString ? Oracle::otString : type);
    // The server takes no longer strings than its own limit, except in
    // PL/SQL, where the type that says so is bound.
    if ((bind_type == Oracle::otString || bind_type == Oracle::otChar) &&
        type != Oracle::otPLSQLString)
      size = std::min(size, sb4(session_->MaxStringSize() + 1));
    const ub4 max_elements = table ? ub4(variable->ElementCount()) : 0;
    ub4* current_elements = table ? variable->CurrentElementsField() : nullptr;
    if (Oci8() && variable->BindHandle && variable->BoundAddress == variable->Buffer() &&
        variable->BoundIndicators == variable->Indicators())
      continue;
    OCIBind* bind = nullptr;
    session_->EnterCall(false);
    if (!Oci8()) {
      if (!Succeeded(
              OracleCI::obndra(&cda_, reinterpret_cast<OraText*>(const_cast<char*>(name.c_str())),
                               -1, variable->Buffer(), size, bind_type, -1, variable->Indicators(),
                               nullptr, nullptr, max_elements, current_elements, nullptr, -1, -1)))
        Fail(false);
      session_->LeaveCall(false);
      continue;
    }
    if (!Succeeded(OracleCI::OCIBindByName(
            stmt_, &bind, error_, reinterpret_cast<const OraText*>(name.c_str()), sb4(name.size()),
            variable->Buffer(), size, bind_type, variable->Indicators(), nullptr, nullptr,
            max_elements, current_elements, OCI_DEFAULT)))
      Fail(false);
    variable->BindHandle = bind;
    variable->BoundAddress = variable->Buffer();
    variable->BoundIndicators = variable->Indicators();
    session_->LeaveCall(false);
  }
}

void TOracleQuery::BindCursorVariable(TVariableData* variable) {
  const String& name = variable->Name();
  auto* target = dynamic_cast<TOracleQuery*>(
      static_cast<TObject*>(Oracle::OracleObjectFromId(variable->ObjectId())));
  if (!target) throw Exception("Cursor variable " + name + " cannot be nil");
  if (target == this) throw Exception("Cursor variable " + name + " cannot be its own query");
  void* address = target->OpenAsCursorVariable(session_);
  array_size_ = std::max(array_size_, 1);
  OCIBind* bind = nullptr;
  session_->EnterCall(false);
  if (!Oci8()) {
    if (!Succeeded(OracleCI::obndra(&cda_,
                                    reinterpret_cast<OraText*>(const_cast<char*>(name.c_str())), -1,
                                    static_cast<ub1*>(address), -1, kOci7Cursor, -1, nullptr,
                                    nullptr, nullptr, 0, nullptr, nullptr, -1, -1)))
      Fail(false);
  } else if (!Succeeded(OracleCI::OCIBindByName(
                 stmt_, &bind, error_, reinterpret_cast<const OraText*>(name.c_str()),
                 sb4(name.size()), address, 0, Oracle::otCursor, variable->Indicators(), nullptr,
                 nullptr, 0, nullptr, OCI_DEFAULT))) {
    Fail(false);
  }
  session_->LeaveCall(false);
}

void TOracleQuery::DescribeFields() {
  rows_per_fetch_ = read_buffer_;
  fields_.Clear();
  ub4 count = 0;
  session_->EnterCall(false);
  const auto fail = [this] {
    fields_.Clear();
    Fail(true);
  };
  if (!Oci8()) {
    for (sword position = 1;; ++position) {
      sb4 size = 0, name_length = 30, display = 0;
      sb2 type = 0, precision = 0, scale = 0, nullable = 0;
      sb1 name[30];
      if (!Succeeded(OracleCI::odescr(&cda_, position, &size, &type, name, &name_length, &display,
                                      &precision, &scale, &nullable),
                     1007))
        fail();
      if (cda_.rc == 1007) break;
      auto* field = static_cast<TFieldData*>(fields_.Add());
      field->DataSize = size;
      field->DBType = ub2(type);
      field->Name = String(reinterpret_cast<const char*>(name),
                           std::size_t(std::clamp<sb4>(name_length, 0, 30)));
      field->Precision = precision;
      field->Scale = scale;
      field->Nullable = nullable != 0;
    }
  } else if (!Succeeded(OracleCI::OCIAttrGet(stmt_, kHtypeStmt, &count, nullptr, kAttrParamCount,
                                             error_))) {
    fail();
  }
  for (ub4 position = 1; Oci8() && position <= count; ++position) {
    auto* field = static_cast<TFieldData*>(fields_.Add());
    void* param = nullptr;
    if (!Succeeded(OracleCI::OCIParamGet(stmt_, kHtypeStmt, error_, &param, position))) fail();
    ub2 size = 0, type = 0;
    ub1 precision = 0, nullable = 0;
    sb1 scale = 0;
    OraText* name = nullptr;
    ub4 name_length = 0;
    if (!Succeeded(
            OracleCI::OCIAttrGet(param, kDtypeParam, &size, nullptr, kAttrDataSize, error_)) ||
        !Succeeded(
            OracleCI::OCIAttrGet(param, kDtypeParam, &type, nullptr, kAttrDataType, error_)) ||
        !Succeeded(OracleCI::OCIAttrGet(param, kDtypeParam, reinterpret_cast<void*>(&name),
                                        &name_length, kAttrName, error_)) ||
        !Succeeded(OracleCI::OCIAttrGet(param, kDtypeParam, &precision, nullptr, kAttrPrecision,
                                        error_)) ||
        !Succeeded(OracleCI::OCIAttrGet(param, kDtypeParam, &scale, nullptr, kAttrScale, error_)) ||
        !Succeeded(
            OracleCI::OCIAttrGet(param, kDtypeParam, &nullable, nullptr, kAttrIsNull, error_)))
      fail();
    field->DataSize = size;
    field->DBType = type;
    if (type == Oracle::otObject || type == Oracle::otReference) DescribeObjectField(field, param);
    OracleCI::OCIDescriptorFree(param, kDtypeParam);
    field->Name = name ? String(reinterpret_cast<const char*>(name), std::min<ub4>(name_length, 30))
                       : String();
    field->Precision = precision;
    field->Scale = scale;
    field->Nullable = nullable != 0;
  }
  session_->LeaveCall(false);

  // A LONG column is fetched one row at a time.
  for (Integer i = 0; i < fields_.Count(); ++i)
    if (IsLong(static_cast<TFieldData*>(fields_.Items(i))->DBType)) rows_per_fetch_ = 1;
  // Buffer types and sizes; the session may ask the server for its date
  // format or character width, so this runs outside the call lock.
  for (Integer i = 0; i < fields_.Count(); ++i) {
    auto* field = static_cast<TFieldData*>(fields_.Items(i));
    Integer type = Oracle::otString;
    Integer size = field->DataSize + 1;
    switch (field->DBType) {
      case kDbMlsLabel:
        size = 255;
        break;
      case kDbDate:
        if (string_fields_only_) {
          size = session_->DateFormatLength() + 1;
        } else {
          type = Oracle::otDate;
          size = 7;
        }
        break;
      case kDbNumber:
        session_->MapNumber(field->Precision, field->Scale, size, type, string_fields_only_);
        break;
      case kDbRowid:
      case kDbUrowid:
        size = field->DataSize < 19 ? 19 : field->DataSize + 1;
        break;
      case kDbRaw:
        size = 2 * field->DataSize + 1;
        break;
      case 187:
      case 188:
      case 232:
        size = 50 * session_->ActualBytesPerCharacter();
        break;
      case kDbLong:
      case kDbLongRaw:
        // The handle generation fetches LONG values in pieces; the older
        // one reads the first bytes with the row and the rest on demand.
        type = field->DBType;
        size = Oci8() ? 0 : kOci7LongDefine;
        break;
      case Oracle::otCursor:
        type = Oracle::otCursor;
        break;
      case Oracle::otCLOB:
      case Oracle::otBLOB:
      case Oracle::otBFile:
        type = field->DBType;
        size = 0;
        break;
      case Oracle::otObject:
      case Oracle::otReference:
        type = field->DBType;
        BufferObjectField(field, size);
        break;
      default:
        break;
    }
    field->AllocateRows(ub2(type), size, rows_per_fetch_);
    if (Oracle::IsLobType(type)) PrepareLobColumn(field);
    if (type == Oracle::otCursor) AllocateCursorHandles(field);
  }
  described_ = true;
}

void TOracleQuery::DefineFields() {
  for (Integer i = 0; i < fields_.Count(); ++i) {
    auto* field = static_cast<TFieldData*>(fields_.Items(i));
    const ub2 type = field->DBType == kDbMlsLabel ? kDbMlsLabel : field->ExternalType;
    OCIDefine* define = nullptr;
    session_->EnterCall(false);
    if (!Oci8()) {
      if (!Succeeded(OracleCI::odefin(&cda_, sword(i + 1),
                                      field->Data.empty() ? nullptr : field->Data.data(),
                                      sword(field->Size), type, -1, field->Indicators.data(),
                                      nullptr, -1, -1, field->Lengths.data(), nullptr)))
        Fail(false);
      session_->LeaveCall(false);
      continue;
    }
    if (IsLong(field->ExternalType)) {
      if (!Succeeded(OracleCI::OCIDefineByPos(stmt_, &define, error_, ub4(i + 1), nullptr,
                                              INT32_MAX, type, field->Indicators.data(), nullptr,
                                              nullptr, kDynamicFetch)) ||
          !Succeeded(OracleCI::OCIDefineDynamic(define, error_, field, LongPieceCallback)))
        Fail(false);
      session_->LeaveCall(false);
      continue;
    }
    if (!Succeeded(OracleCI::OCIDefineByPos(stmt_, &define, error_, ub4(i + 1),
                                            field->Data.empty() ? nullptr : field->Data.data(),
                                            sb4(field->Size), type, field->Indicators.data(),
                                            field->Lengths.data(), nullptr, OCI_DEFAULT)))
      Fail(false);
    DefineObjectField(field, define);
    session_->LeaveCall(false);
  }
}

// ---------------------------------------------------------------------------
// Running and fetching

Integer TOracleQuery::RowsProcessed() {
  if (!session_ || !session_->Connected()) return 0;
  if (!Oci8()) return Integer(cda_.rpc);
  if (!stmt_) return 0;
  ub4 rows = 0;
  OracleCI::OCIAttrGet(stmt_, kHtypeStmt, &rows, nullptr, kAttrRowCount, error2_);
  return Integer(rows);
}

void TOracleQuery::InternalExecute(bool DescribeOnly, Integer End, Integer First) {
  if (!session_) throw Exception("Session undefined");
  ub4 mode = DescribeOnly             ? kModeDescribeOnly
             : session_->AutoCommit() ? kModeCommitOnSuccess
                                      : OCI_DEFAULT;
  eof_ = true;
  if (!session_->Connected()) throw Exception("Not logged on");
  if (debug_ && !DescribeOnly && !cursor_variable_) {
    String text = sql_->Text();
    for (Integer i = 0; i < variables_->Count(); ++i) {
      const TVariableData* variable = variables_->Items(i);
      text += "\n" + variable->Name() + " = " + variable->ValueText(session_);
    }
    MessageBoxA(nullptr, text.c_str(), "", MB_OK);
  }
  Parse(true);
  BindVariables();
  if (function_code_ != kSelect) {
    // The client reads the bound arrays up to the end it is given: a range
    // beyond them would have it read past their buffers.
    if (End > 0 && (First < 0 || First >= End || End > std::max(array_size_, 1)))
      throw ERangeError(Format("Rows %d to %d lie outside the bound arrays of %d rows", First,
                               End - 1, std::max(array_size_, 1)));
    ub4 iters = 1, first = 0;
    if (array_size_ > 1) {
      iters = ub4(End <= 0 ? array_size_ : End);
      first = ub4(End <= 0 ? 0 : First);
    }
    if (DescribeOnly) return;
    session_->EnterCall(false);
    if (!Oci8()) {
      if (!Succeeded(OracleCI::oexn(&cda_, sword(iters), sword(first)))) Fail(true);
      function_code_ = cda_.fc;
    } else {
      if (!Succeeded(OracleCI::OCIStmtExecute(session_->ServiceHandle(), stmt_, error_, iters,
                                              first, nullptr, nullptr, mode)))
        Fail(true);
      ub2 code = 0;
      OracleCI::OCIAttrGet(stmt_, kHtypeStmt, &code, nullptr, kAttrSqlFnCode, error2_);
      function_code_ = code;
    }
    session_->LeaveCall(false);
    return;
  }
  // A select commits nothing; an execution of a described select fetches
  // its first block itself.
  mode &= ~kModeCommitOnSuccess;
  // The older generation executes and fetches in one call, after the
  // description of the deferred parse.
  const bool fetches = Oci8() && described_ && !DescribeOnly && !cursor_variable_;
  if (Oci8() && !cursor_variable_ && !(described_ && DescribeOnly)) {
    if (fetches) PrepareBuffers();
    session_->EnterCall(false);
    if (!Succeeded(
            OracleCI::OCIStmtExecute(session_->ServiceHandle(), stmt_, error_,
                                     fetches ? ub4(rows_per_fetch_) : 0, 0, nullptr, nullptr, mode),
            kNoDataFound))
      Fail(true);
    session_->LeaveCall(false);
  }
  if (!described_) {
    DescribeFields();
    DefineFields();
  }
  current_row_ = 0;
  rows_in_buffer_ = 0;
  if (DescribeOnly) return;
  if (!Oci8() && !cursor_variable_) {
    session_->EnterCall(false);
    if (!Succeeded(OracleCI::oexfet(&cda_, ub4(rows_per_fetch_), 0, 0), kNoDataFound)) Fail(true);
    session_->LeaveCall(false);
  } else if (!fetches) {
    FetchBlock();
  }
  cursor_variable_ = false;
  rows_in_buffer_ = RowsProcessed();
  eof_ = rows_in_buffer_ == 0;
  if (!eof_) SetupCurrentRow();
}

void TOracleQuery::PrepareBuffers() {
  for (Integer i = 0; i < fields_.Count(); ++i) {
    auto* field = static_cast<TFieldData*>(fields_.Items(i));
    if (IsLong(field->ExternalType)) field->LongPieces.Clear();
    FreeObjectRows(field);
  }
}

void TOracleQuery::FetchBlock() {
  if (Oci8()) PrepareBuffers();
  session_->EnterCall(false);
  const sword status =
      Oci8() ? OracleCI::OCIStmtFetch(stmt_, error_, ub4(rows_per_fetch_), kFetchNext, OCI_DEFAULT)
             : OracleCI::ofen(&cda_, sword(rows_per_fetch_));
  if (!Succeeded(status, kNoDataFound)) Fail(false);
  session_->LeaveCall(false);
}

Integer TOracleQuery::ExecuteArray(Integer Index, Integer Count) {
  if (Count == 0) return 0;
  if (!(Index == -1 && Count == -1) && (Index < 0 || Count < 0))
    throw ERangeError(
        Format("Rows %d to %d lie outside the bound arrays", Index, Index + Count - 1));
  // The state holds for the length of the call.
  execution_state_ = 1;
  TScopeExit idle([this] { execution_state_ = 0; });
  if (BeforeQuery) BeforeQuery(this);
  after_query_pending_ = true;
  const bool whole = Index == -1 && Count == -1;
  Integer end = whole ? 0 : Index + Count;
  Integer first = whole ? 0 : Index;
  Integer result = 0;
  for (;;) {
    try {
      InternalExecute(false, end, first);
      result += RowsProcessed();
      break;
    } catch (const EOracleError& e) {
      // The rows before the failing one are done; the next run starts after
      // it. A range call keeps to its range, the whole array to the array.
      const Integer rows = RowsProcessed();
      first += rows + 1;
      result += rows;
      if (whole) end = array_size_;
      bool go_on = false;
      if (OnArrayError) {
        go_on = true;
        OnArrayError(this, first - 1, e.ErrorCode, e.Message(), go_on);
      } else if (whole) {
        throw;
      }
      if (!go_on || first >= end) break;
    }
  }
  ReconcileLobVariables();
  ReconcileReferenceVariables();
  if (eof_) FireAfterQuery();
  return result;
}

void TOracleQuery::Execute() {
  if (!threaded_) {
    ExecuteArray(-1, -1);
    return;
  }
  if (!thread_) thread_ = std::make_unique<TQueryThread>(this);
  if (!thread_->StartRun()) throw Exception("Query thread is still in progress");
}

void TOracleQuery::Describe() {
  if (thread_ && thread_->Busy()) throw Exception("Query thread is still in progress");
  InternalExecute(true, 0, 0);
}

void TOracleQuery::Next() {
  if (eof_) return;
  NeedSession();
  execution_state_ = 2;
  TScopeExit idle([this] { execution_state_ = 0; });
  ++current_row_;
  if (current_row_ >= rows_in_buffer_) {
    if (rows_in_buffer_ >= rows_per_fetch_) {
      const Integer before = RowsProcessed();
      FetchBlock();
      current_row_ = 0;
      rows_in_buffer_ = RowsProcessed() - before;
      eof_ = rows_in_buffer_ <= 0;
    } else {
      eof_ = true;
    }
  }
  if (eof_)
    FireAfterQuery();
  else
    SetupCurrentRow();
}

// ---------------------------------------------------------------------------
// Fields

TFieldData* TOracleQuery::FieldAt(Integer Index) const {
  if (Index < 0 || Index >= fields_.Count())
    throw Exception("Field " + IntToStr(Index) + " does not exist");
  return static_cast<TFieldData*>(fields_.Items(Index));
}

Integer TOracleQuery::FieldIndex(const String& Name) const {
  for (Integer i = 0; i < fields_.Count(); ++i)
    if (AnsiSameText(FieldAt(i)->Name, Name)) return i;
  return -1;
}

Integer TOracleQuery::NamedField(const String& Name) const {
  const Integer index = FieldIndex(Name);
  if (index < 0) throw Exception("Field " + Name + " does not exist");
  return index;
}

Integer TOracleQuery::FieldSize(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  return field->ExternalType == Oracle::otString ? field->Size - 1 : 0;
}

Integer TOracleQuery::CurrentRow() const {
  if (eof_) throw Exception("You cannot access field data beyond Eof");
  return current_row_;
}

bool TOracleQuery::FieldIsNull(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  if (field->ExternalType == Oracle::otObject) {
    // The instance's own indicator, the first of its indicator struct.
    const void* indicator = field->RowObjectIndicator(CurrentRow());
    sb2 own = -1;
    if (indicator) std::memcpy(&own, indicator, sizeof own);
    return own != 0;
  }
  return field->Indicators[std::size_t(CurrentRow())] == -1;
}

namespace {

const Byte* RowData(const TFieldData* field, Integer row) {
  return field->Data.data() + std::size_t(row) * std::size_t(field->Size);
}

Integer RowInteger(const TFieldData* field, Integer row) {
  Integer value = 0;
  std::memcpy(&value, RowData(field, row), sizeof value);
  return value;
}

double RowFloat(const TFieldData* field, Integer row) {
  double value = 0;
  std::memcpy(&value, RowData(field, row), sizeof value);
  return value;
}

TDateTime RowDate(const TFieldData* field, Integer row) {
  Byte bytes[7];
  std::memcpy(bytes, RowData(field, row), sizeof bytes);
  TDateTime value = 0;
  Oracle::OracleDateToDateTime(bytes, value);
  return value;
}

String RowText(const TFieldData* field, Integer row) {
  const char* text = reinterpret_cast<const char*>(RowData(field, row));
  return String(text, strnlen(text, std::size_t(field->Size)));
}

}  // namespace

Variant TOracleQuery::Field(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  const Integer row = CurrentRow();
  // Objects, REFs and cursors have no value of their own: ObjField,
  // RefField and CursorField read them.
  if (field->Indicators[std::size_t(row)] == -1 || field->ExternalType == Oracle::otObject ||
      field->ExternalType == Oracle::otReference || field->ExternalType == Oracle::otCursor)
    return session_ && session_->NullValue() == nvNull ? Null() : Unassigned();
  if (IsLong(field->ExternalType)) return LongField(Index);
  if (Oracle::IsLobType(field->ExternalType)) return LobValue(field);
  const Integer length = field->Lengths[std::size_t(row)];
  Variant value;
  Oracle::OracleValueToVariant(RowData(field, row), field->ExternalType,
                               length > 0 ? length : field->Size, value, session_);
  return value;
}

String TOracleQuery::FieldAsString(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  if (FieldIsNull(Index)) return String();
  const Integer row = current_row_;
  switch (field->ExternalType) {
    case Oracle::otInteger:
      return IntToStr(RowInteger(field, row));
    case Oracle::otFloat:
      return FloatToStr(RowFloat(field, row));
    case Oracle::otString:
      return Oracle::AdjustCRLF(RowText(field, row), session_);
    case Oracle::otDate: {
      const TDateTime value = RowDate(field, row);
      return FormatDateTime(value == std::trunc(value) ? "ddddd" : "ddddd tt", value);
    }
    default:
      throw Exception("Cannot convert field " + field->Name + " to a String");
  }
}

Integer TOracleQuery::FieldAsInteger(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  if (FieldIsNull(Index)) return 0;
  const Integer row = current_row_;
  switch (field->ExternalType) {
    case Oracle::otInteger:
      return RowInteger(field, row);
    case Oracle::otFloat:
      return Integer(std::trunc(RowFloat(field, row)));
    case Oracle::otDate:
      return Integer(std::trunc(double(RowDate(field, row))));
    case Oracle::otString:
      return StrToInt(RowText(field, row));
    default:
      throw Exception("Cannot convert field " + field->Name + " to an Integer");
  }
}

double TOracleQuery::FieldAsFloat(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  if (FieldIsNull(Index)) return 0;
  const Integer row = current_row_;
  switch (field->ExternalType) {
    case Oracle::otInteger:
      return RowInteger(field, row);
    case Oracle::otFloat:
      return RowFloat(field, row);
    case Oracle::otDate:
      return double(RowDate(field, row));
    case Oracle::otString:
      return StrToFloat(RowText(field, row));
    default:
      throw Exception("Cannot convert field " + field->Name + " to a Float");
  }
}

TDateTime TOracleQuery::FieldAsDate(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  if (FieldIsNull(Index)) return 0;
  const Integer row = current_row_;
  switch (field->ExternalType) {
    case Oracle::otInteger:
      return TDateTime(RowInteger(field, row));
    case Oracle::otFloat:
      return TDateTime(RowFloat(field, row));
    case Oracle::otDate:
      return RowDate(field, row);
    case Oracle::otString:
      return StrToDateTime(RowText(field, row));
    default:
      throw Exception("Cannot convert field " + field->Name + " to a Date");
  }
}

// ---------------------------------------------------------------------------
// LONG values and ROWIDs

Integer TOracleQuery::ReadLong7(const TFieldData* field, Integer index, Byte* buffer,
                                Integer length, Integer offset) const {
  const Integer row = CurrentRow();
  // The first bytes came with the row.
  const Integer fetched = std::min<Integer>(field->Lengths[std::size_t(row)], field->Size);
  Integer copied = 0;
  if (offset < fetched) {
    copied = std::min(length, fetched - offset);
    std::memcpy(
        buffer,
        field->Data.data() + std::size_t(row) * std::size_t(field->Size) + std::size_t(offset),
        std::size_t(copied));
  }
  // A full define buffer means there may be more: the client reads it.
  if (copied == length || fetched < field->Size) return copied;
  session_->EnterCall(false);
  const ub4 rows = cda_.rpc;
  ub4 read = 0;
  const sword status =
      OracleCI::oflng(&cda_, sword(index + 1), buffer + copied, sb4(length - copied),
                      sword(field->ExternalType), &read, sb4(offset + copied));
  cda_.rpc = rows;
  session_->CheckStatus(status);
  if (status != 0) session_->RaiseCallError(Integer(cda_.rc), false);
  session_->LeaveCall(false);
  return copied + std::min(Integer(read), length - copied);
}

Integer TOracleQuery::GetLongField(Integer Index, void* Buffer, Integer Length,
                                   Integer Offset) const {
  const TFieldData* field = FieldAt(Index);
  if (!IsLong(field->ExternalType)) throw Exception("Field " + IntToStr(Index) + " is not a Long");
  if (Length <= 0 || Offset < 0) return 0;
  auto* out = static_cast<Byte*>(Buffer);
  if (!Oci8()) {
    // The client reads at most so much in one call.
    Integer done = 0;
    while (done < Length) {
      const Integer part = std::min(kOci7LongCall, Length - done);
      const Integer read = ReadLong7(field, Index, out + done, part, Offset + done);
      done += read;
      if (read < part) break;
    }
    return done;
  }
  CurrentRow();
  Integer copied = 0, at = 0;
  for (Integer i = 0; i < field->LongPieces.Count() && copied < Length; ++i) {
    const auto* piece = static_cast<const TLongPiece*>(field->LongPieces.Items(i));
    const Integer used = std::min(Integer(piece->Length), piece->Size());
    if (Offset < at + used) {
      const Integer from = std::max(Offset - at, 0);
      const Integer count = std::min(used - from, Length - copied);
      std::memcpy(out + copied, piece->Buffer() + from, std::size_t(count));
      copied += count;
    }
    at += used;
  }
  return copied;
}

Variant TOracleQuery::LongField(Integer Index) const {
  const TFieldData* field = FieldAt(Index);
  std::vector<Byte> bytes;
  if (Oci8()) {
    bytes.resize(std::size_t(field->LongSize()));
    bytes.resize(std::size_t(GetLongField(Index, bytes.data(), Integer(bytes.size()), 0)));
  } else {
    // Growing reads until one comes back short.
    Integer piece = kFirstLongPiece;
    for (;;) {
      const std::size_t at = bytes.size();
      bytes.resize(at + std::size_t(piece));
      const Integer read = GetLongField(Index, bytes.data() + at, piece, Integer(at));
      bytes.resize(at + std::size_t(read));
      if (read < piece) break;
      if (piece < kLongPieceLimit) piece = std::min(piece * 2, kLongPieceLimit);
    }
  }
  if (field->ExternalType == kDbLongRaw) return VarByteArray(bytes.data(), bytes.size());
  return Oracle::AdjustCRLF(String(bytes.begin(), bytes.end()), session_);
}

namespace {

// Six bits per digit, most significant first.
String RowidDigits(std::uint32_t value, int digits) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  String text(std::size_t(digits), 'A');
  for (int i = digits - 1; i >= 0; --i) {
    text[std::size_t(i)] = kDigits[value & 63];
    value >>= 6;
  }
  return text;
}

std::uint32_t BigEndian(const ub1* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

String TOracleQuery::RowId() {
  NeedSession();
  std::uint32_t object = 0, file = 0, block = 0, row = 0;
  if (Oci8()) {
    if (!stmt_) throw Exception("The query has not run");
    // Both layouts fit in 16 bytes: 13 bytes (a kind byte, then the four
    // numbers most significant byte first) or four 32-bit numbers.
    session_->EnterCall(false);
    if (!Succeeded(OracleCI::OCIAttrGet(stmt_, kHtypeStmt, rowid_, nullptr, kAttrRowid, error_)))
      Fail(false);
    ub1 image[16];
    std::memcpy(image, rowid_, sizeof image);
    session_->LeaveCall(false);
    if (OracleCI::OCI81Present) {
      object = BigEndian(image + 1, 4);
      file = BigEndian(image + 5, 2);
      block = BigEndian(image + 7, 4);
      row = BigEndian(image + 11, 2);
    } else {
      std::uint32_t values[4];
      std::memcpy(values, image, sizeof values);
      object = values[0];
      file = values[1];
      block = values[2];
      row = values[3];
    }
  } else {
    object = cda_.rid.rd.rcs4;
    file = cda_.rid.rd.rcs5;
    block = cda_.rid.rcs7;
    row = cda_.rid.rcs8;
  }
  if (object != 0)
    return RowidDigits(object, 6) + RowidDigits(file, 3) + RowidDigits(block, 6) +
           RowidDigits(row, 3);
  return Format("%8.8x.%4.4x.%4.4x", Integer(block), Integer(row), Integer(file));
}
