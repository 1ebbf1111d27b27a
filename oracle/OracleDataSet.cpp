// oracle/OracleDataSet.cpp
//
// The dataset's properties, its queries, activation and session, message
// translation, the transaction steps of posting and the filter's column
// operand. Opening and records: OracleDataSetRecords.cpp; filtering and
// counting: OracleDataSetFilter.cpp; searching: OracleDataSetSearch.cpp.
#include "oracle/OracleDataSet.h"

#include "oracle/OracleDataSetSql.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/StringUtils.h"

TOracleDataSet::TOracleDataSet(TComponent* owner)
    : TDataSet(owner),
      dictionary_(std::make_unique<TOracleDictionary>()),
      sequence_field_(std::make_unique<TSequenceField>()) {
  main_query_ = CreateQuery();
  main_query_->SetName("MainQuery");
  dictionary_->OnDisplayFormatsChange = [this] { Reopen(); };
  dictionary_->OnRequiredFieldsChange = [this] { DataEvent(dePropertyChange, 0); };
}

TOracleDataSet::~TOracleDataSet() {
  try {
    Close();
  } catch (...) {
    // Closing frees client memory only; nothing a caller could mend.
  }
  if (Session()) Session()->RemoveDependent(sdDataSet, this);
  DetachMasterDetail();
}

TOracleQuery* TOracleDataSet::CreateQuery() {
  return new TOracleQuery(this);
}

// --- properties -----------------------------------------------------------------

void TOracleDataSet::SetSQL(const TStrings* value) {
  main_query_->SetSQL(value);
  ForgetUpdatingTable();
  DataEvent(dePropertyChange, 0);
  Reopen();
}

void TOracleDataSet::SetStringFieldsOnly(bool value) {
  main_query_->SetStringFieldsOnly(value);
  DataEvent(dePropertyChange, 0);
  Reopen();
}

void TOracleDataSet::SetReadOnly(bool value) {
  read_only_ = value;
  DataEvent(deDataSetChange, 0);
}

void TOracleDataSet::SetUpdatingTable(const String& value) {
  updating_table_ = value;
  ForgetUpdatingTable();
}

void TOracleDataSet::SetRefreshMode(TRefreshModeOptions value) {
  const TComponentState state = ComponentState();
  if (!state.Contains(csLoading) && !state.Contains(csReading))
    throw Exception("RefreshMode is obsolete, use RefreshOptions instead");
  if (value == rmAfterInsert) refresh_options_.Include(roAfterInsert);
  if (value == rmAfterUpdate) refresh_options_ += TRefreshOptions{roAfterInsert, roAfterUpdate};
}

void TOracleDataSet::Reopen() {
  if (!Active()) return;
  SetActive(false);
  SetActive(true);
}

// --- session and activation -----------------------------------------------------

void TOracleDataSet::SetSession(TOracleSession* value) {
  if (value != Session()) {
    SetActive(false);
    if (Session()) Session()->RemoveDependent(sdDataSet, this);
    main_query_->SetSession(value);
    if (value) value->AddDependent(sdDataSet, this);
  }
  if (pending_activation_) SetActive(true);
}

void TOracleDataSet::SetActive(bool value) {
  const TComponentState state = ComponentState();
  const bool loading = state.Contains(csLoading) || state.Contains(csReading);
  // A form stored while its dataset was open at design time: at run time
  // the program decides when to open it.
  if (design_activation_ && loading && !state.Contains(csDesigning)) return;
  if (loading || (state.Contains(csDesigning) && !Session())) {
    if (value) pending_activation_ = true;
    return;
  }
  const bool pending = pending_activation_;
  pending_activation_ = false;
  if (value == Active()) return;
  if (pending && !state.Contains(csDesigning) && (!Session() || !Session()->Connected())) return;
  TDataSet::SetActive(value);
  // A dataset asked for query by example while closed enters it now.
  if (value && Active() && qbe_mode_) {
    qbe_mode_ = false;
    EnterQBE();
  }
}

void TOracleDataSet::Loaded() {
  TDataSet::Loaded();
  if (pending_activation_) SetActive(true);
}

void TOracleDataSet::SessionClosing() {
  SetActive(false);
  main_query_->Close();
  DataEvent(dePropertyChange, 0);
}

void TOracleDataSet::SessionDestroyed() {
  try {
    SetActive(false);
  } catch (...) {
    // The session is going: there is no server left to report to.
  }
}

// --- the SQL and the server -----------------------------------------------------

bool TOracleDataSet::HasCursorVariable() const {
  for (Integer i = 0; i < main_query_->VariableCount(); ++i)
    if (main_query_->VariableType(i) == Oracle::otCursor) return true;
  return false;
}

String TOracleDataSet::GetUpdatingTableName() {
  if (!Trim(updating_table_).empty())
    return AnsiUpperCase(StringReplace(updating_table_, "\"", "", {rfReplaceAll}));
  if (updating_table_known_) return updating_table_name_;
  if (HasCursorVariable()) throw Exception("UpdatingTable property required for cursor dataset");
  updating_table_name_ = OracleDataSetSql::UpdatingTableName(main_query_->SQLWithSubstitutions());
  updating_table_known_ = true;
  return updating_table_name_;
}

String TOracleDataSet::GetTableAlias() {
  return OracleDataSetSql::TableAlias(main_query_->SQLWithSubstitutions(), GetUpdatingTableName());
}

TOracleQuery* TOracleDataSet::PrepareDMLQuery(bool Quiet) {
  if (!dml_query_) {
    dml_query_ = std::make_unique<TOracleQuery>(nullptr);
    dml_query_->SetName("DMLQuery");
  }
  dml_query_->SetDebug(Debug() && !Quiet);
  dml_query_->SetSession(Session());
  dml_query_->SetCursor(Cursor());
  dml_query_->SetReadBuffer(1);
  dml_query_->SetStringFieldsOnly(false);
  return dml_query_.get();
}

String TOracleDataSet::TrimStringValue(const String& Value) const {
  if (Session() && Session()->Preferences()->TrimStringFields()) return TrimRight(Value);
  return Value;
}

Integer TOracleDataSet::RowIdColumn(TOracleQuery* Query) {
  if (rowid_column_known_) return rowid_column_;
  rowid_column_ = -1;
  for (Integer i = 0; i < Query->FieldCount(); ++i) {
    const Integer type = Query->FieldDBType(i);
    if (type == 11 || type == 104) {
      rowid_column_ = i;
      rowid_column_known_ = true;
      break;
    }
  }
  return rowid_column_;
}

void TOracleDataSet::TranslateMessage(char Action, Integer ErrorCode, String& Msg,
                                      const String& ServerMsg) {
  Msg = ServerMsg;
  if (ErrorCode >= 20000 && ErrorCode <= 20999) {
    const std::size_t backtrace = Msg.find("ORA-06512");
    if (backtrace != String::npos) Msg = Msg.substr(0, backtrace > 0 ? backtrace - 1 : 0);
  }
  String constraint;
  if (ErrorCode == 1 || ErrorCode == 2290 || ErrorCode == 2291 || ErrorCode == 2292)
    constraint = OracleDataSetSql::ConstraintNameOf(ServerMsg);
  if (dictionary_->UseMessageTable() && Session() && !Session()->MessageTable().empty() &&
      !constraint.empty()) {
    const String wanted = ErrorCode == 2291 ? "C" : ErrorCode == 2292 ? "P" : "*";
    TOracleQuery query(nullptr);
    query.SetName("MessageQuery");
    query.SetSession(Session());
    // The name is bound, not pasted into the text: a quote in it must not
    // end the literal.
    query.SQL()->SetText("select actions, parent_child, error_message from " +
                         Session()->MessageTable() +
                         "\nwhere constraint_name = :constraint_name\norder by actions");
    query.DeclareVariable("constraint_name", Oracle::otString);
    query.SetVariable("constraint_name", constraint);
    String message;
    for (query.Execute(); !query.Eof(); query.Next()) {
      const String actions = AnsiUpperCase(query.FieldAsString(0));
      const String parentChild = AnsiUpperCase(query.FieldAsString(1));
      if (parentChild != "*" && parentChild != wanted) continue;
      if (actions.find(Action) != String::npos || (actions == "*" && message.empty()))
        message = query.FieldAsString(2);
    }
    if (!message.empty()) Msg = message;
  }
  if (OnTranslateMessage) OnTranslateMessage(this, ErrorCode, constraint, Action, Msg);
}

// --- transaction steps ----------------------------------------------------------

void TOracleDataSet::CommitIfRequired(bool Force) {
  TOracleSession* session = Session();
  if (InDeferredMode() || !commit_on_post_ || !session || session->TransactionControlledByMTS())
    return;
  if (!Force && session->AutoCommit()) return;
  session->Commit();
}

void TOracleDataSet::RollbackIfRequired() {
  TOracleSession* session = Session();
  if (InDeferredMode() || !commit_on_post_ || !session || session->TransactionControlledByMTS())
    return;
  session->Rollback();
}

void TOracleDataSet::SetLockPoint() {
  TOracleSession* session = Session();
  if (InDeferredMode() || !session || (session->IsODBC() && !session->IsOCA60()) ||
      session->AutoCommit())
    return;
  TOracleQuery* query = PrepareDMLQuery(false);
  query->ClearVariables();
  query->SQL()->SetText("savepoint QUELT__LOCKPOINT");
  query->Execute();
}

void TOracleDataSet::RollbackToLockPoint() {
  TOracleSession* session = Session();
  if (InDeferredMode() || !session) return;
  if ((!session->IsODBC() || session->IsOCA60()) && !session->AutoCommit()) {
    TOracleQuery* query = PrepareDMLQuery(false);
    query->ClearVariables();
    query->SQL()->SetText("rollback to savepoint QUELT__LOCKPOINT");
    query->Execute();
  } else if (commit_on_post_) {
    session->Rollback();
  }
}

// --- the filter's column operand -----------------------------------------------

TField* TColumnExpression::Field() const {
  return data_set_->FieldByName(column_name_);
}

bool TColumnExpression::IsNullName() const {
  return SameText(column_name_, "NULL");
}

TDateTime TColumnExpression::AsDate() {
  return Field()->AsDateTime();
}

String TColumnExpression::AsString() {
  return Field()->AsString();
}

double TColumnExpression::AsFloat() {
  TField* field = Field();
  switch (field->DataType()) {
    case ftDate:
    case ftTime:
    case ftDateTime:
      return double(field->AsDateTime());
    default:
      return field->AsFloat();
  }
}

Integer TColumnExpression::AsInteger() {
  return Field()->AsInteger();
}

bool TColumnExpression::AsBoolean() {
  return Field()->AsBoolean();
}

bool TColumnExpression::IsNull() {
  return IsNullName() || Field()->IsNull();
}

TExprType TColumnExpression::ExprType() {
  if (IsNullName()) return etString;
  switch (Field()->DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftLargeint:
      return etInteger;
    case ftBoolean:
      return etBoolean;
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return etFloat;
    case ftDate:
    case ftTime:
    case ftDateTime:
      return etDate;
    default:
      return etString;
  }
}
