// oracle/OracleDataSetProvider.cpp
//
// The Oracle dataset as a data provider sees it: its statements and
// parameters, its metadata read from the SQL and the select list, and (with
// the change log) the provider's transaction.
#include <cstring>

#include "oracle/OracleDataSet.h"
#include "oracle/OracleDataSetSql.h"
#include "oracle/OracleTableInfo.h"
#include "oracle/ProviderTypes.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

// A LOB parameter's value as the locator takes it: a CLOB's text loses its
// CR characters as all text sent to the server does.
void WriteLocator(TLOBLocator& locator, const TParam& param) {
  String value = param.AsString();
  if (value.empty()) return;
  if (locator.LOBType() == Oracle::otCLOB) value = Oracle::StripCR(value, locator.Session());
  locator.WriteBuffer(value.data(), Int64(value.size()));
}

bool IsDeferredLobType(Integer type) {
  return type == Oracle::otCLOB || type == Oracle::otBLOB;
}

// The words of an ORDER BY list: blanks, tabs, line breaks, commas and
// double quotes separate them.
std::vector<String> OrderWords(const String& text) {
  std::vector<String> words;
  String word;
  for (char c : text + " ") {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',' || c == '"') {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  return words;
}

void AddToList(String& list, const String& name) {
  if (!list.empty()) list += ';';
  list += name;
}

}  // namespace

// --- the provider's transaction -------------------------------------------------

void TOracleDataSet::ProviderStartTransaction() {
  StartProviderTransaction();
  SetCommitOnPost(false);
}

void TOracleDataSet::ProviderEndTransaction(bool Commit) {
  TOracleSession* session = Session();
  if (!session) throw Exception("Session undefined");
  // A transaction the MTS controls is committed or aborted by it.
  const bool own = !session->TransactionControlledByMTS();
  if (Commit) {
    if (own) session->Commit();
    CommitLoggedChanges();
  } else {
    if (own) session->Rollback();
    CancelLoggedChanges();
  }
}

// --- statements -----------------------------------------------------------------

Integer TOracleDataSet::ProviderExecuteStatement(const String& SQL, TParams* Params,
                                                 std::unique_ptr<TDataSet>* ResultSet) {
  if (!Session()) throw Exception("Session undefined");
  TOracleQuery* query = PrepareDMLQuery(false);
  query->Clear();
  struct TBoundLocator {
    std::unique_ptr<TLOBLocator> Locator;
    Integer Index;
  };
  std::vector<TBoundLocator> locators;
  // The locators are bound to the query's variables by id: the variables go
  // before the locators do, on every way out.
  TScopeExit forget([&] {
    query->ClearVariables();
    locators.clear();
  });
  String text = SQL;
  const Integer count = Params ? Params->Count() : 0;
  for (Integer i = 0; i < count; ++i) {
    const String name = "V" + IntToStr(i);
    // Quoted text is not told apart: a "?" inside a literal is taken as
    // well, and the server then refuses the variable the text lost.
    const std::size_t at = text.find('?');
    if (at == String::npos) throw Exception("No variable for parameter " + IntToStr(i));
    text.replace(at, 1, ":" + name);
    const TParam& param = *Params->Items(i);
    const Integer type =
        OracleProvider::StatementVariableType(param, query->Session()->MaxStringSize());
    query->DeclareVariable(name, type);
    if (IsDeferredLobType(type)) {
      auto locator = std::make_unique<TLOBLocator>(query->Session(), type);
      query->SetComplexVariable(name, locator.get());
      locators.push_back({std::move(locator), i});
    } else {
      query->SetVariable(name, param.Value());
    }
  }
  query->SQL()->SetText(text);
  Integer result = 0;
  TOracleDataSet* rowsOpened = nullptr;
  if (ResultSet) {
    auto rows = std::make_unique<TOracleDataSet>(nullptr);
    rows->SetSession(query->Session());
    rows->SQL()->SetText(text);
    rows->SetVariables(query->Variables());
    rows->Open();
    result = rows->RecordCount();
    rowsOpened = rows.get();
    *ResultSet = std::move(rows);
  } else {
    query->Execute();
    result = query->RowsProcessed();
  }
  for (TBoundLocator& bound : locators) {
    WriteLocator(*bound.Locator, *Params->Items(bound.Index));
    // The result's copy of the variable must not outlive the locator.
    if (rowsOpened) rowsOpened->SetComplexVariable("V" + IntToStr(bound.Index), nullptr);
  }
  return result;
}

void TOracleDataSet::ProviderSetCommandText(const String& Text) {
  // Closed first, so that the new text is not opened on the way; set as a
  // whole, so that the updating table is read from it again.
  Close();
  TStringList text;
  text.SetText(Text);
  SetSQL(&text);
}

void TOracleDataSet::ProviderSetParams(TParams* Params) {
  FreeLOBParams();
  ClearVariables();
  const Integer count = Params ? Params->Count() : 0;
  for (Integer i = 0; i < count; ++i) {
    const TParam& param = *Params->Items(i);
    const Integer type = OracleProvider::ParamVariableType(param.DataType());
    if (type == 0) continue;
    DeclareVariable(param.Name(), type);
    if (IsDeferredLobType(type)) {
      TLOBParam lob{std::make_unique<TLOBLocator>(Session(), type), i, param.Name(), type};
      SetComplexVariable(param.Name(), lob.Locator.get());
      lob_params_.push_back(std::move(lob));
    } else if (type != Oracle::otCursor) {
      SetVariable(param.Name(), param.Value());
    }
  }
  if (!provider_params_) provider_params_ = std::make_unique<TParams>(this);
  if (Params)
    provider_params_->Assign(Params);
  else
    provider_params_->Clear();
}

TParams* TOracleDataSet::ProviderGetParams() {
  if (!provider_params_) {
    provider_params_ = std::make_unique<TParams>(this);
    for (Integer i = 0; i < VariableCount(); ++i)
      provider_params_->CreateParam(OracleProvider::VariableParamType(VariableType(i)),
                                    VariableName(i).substr(1, 30), ptInput);
  }
  const Integer count = std::min(VariableCount(), provider_params_->Count());
  for (Integer i = 0; i < count; ++i) {
    const Integer type = VariableType(i);
    if (IsDeferredLobType(type) || type == Oracle::otCursor) continue;
    provider_params_->Items(i)->SetValue(main_query_->GetVariable(i));
  }
  return provider_params_.get();
}

void TOracleDataSet::ProviderExecute() {
  {
    // The re-open binds the locators again, so its close must keep them.
    keep_lob_params_ = true;
    TScopeExit keep([this] { keep_lob_params_ = false; });
    Close();
    Open();
  }
  WriteLOBParams();
}

void TOracleDataSet::WriteLOBParams() {
  TScopeExit free([this] { FreeLOBParams(); });
  if (!provider_params_) return;
  for (TLOBParam& lob : lob_params_)
    if (lob.Index < provider_params_->Count())
      WriteLocator(*lob.Locator, *provider_params_->Items(lob.Index));
}

void TOracleDataSet::FreeLOBParams() {
  // A variable left pointing at a freed locator would bind it at the next
  // open: it becomes null instead.
  for (const TLOBParam& lob : lob_params_)
    if (VariableIndex(lob.Name) >= 0) SetComplexVariable(lob.Name, nullptr);
  lob_params_.clear();
}

// --- metadata -------------------------------------------------------------------

TOracleQuery* TOracleDataSet::SelectList() {
  // An open dataset's query describes its own text; a closed one's may
  // hold the list of an earlier text.
  if (!Active() && Session() && Session()->Connected()) main_query_->Describe();
  return main_query_;
}

std::unique_ptr<TIndexDef> TOracleDataSet::ProviderGetDefaultOrder() {
  TOracleQuery* select = SelectList();
  const std::vector<String> words = OrderWords(AnsiUpperCase(
      OracleDataSetSql::SplitSelectStatement(main_query_->SQLWithSubstitutions()).Tail));
  std::size_t at = 0;
  while (at < words.size() && words[at] != "ORDER") ++at;
  if (at + 1 >= words.size() || words[at + 1] != "BY") return nullptr;
  String fields, descending, caseInsensitive, previous;
  for (at += 2; at < words.size(); ++at) {
    String name = words[at];
    if (name == "ASC") continue;
    if (name == "FOR") break;
    if (name == "DESC") {
      if (!previous.empty()) AddToList(descending, previous);
      continue;
    }
    bool upper = false;
    if (name.size() > 7 && name.starts_with("UPPER(") && name.back() == ')') {
      name = name.substr(6, name.size() - 7);
      upper = true;
    }
    Integer number = 0;
    if (TryStrToInt(name, number) && number >= 1 && number <= select->FieldCount())
      name = select->FieldName(number - 1);
    const std::size_t point = name.rfind('.');
    if (point != String::npos) name.erase(0, point + 1);
    const Integer column = select->FieldIndex(name);
    if (column < 0) {
      // An expression the index cannot stand for: no order is known.
      fields.clear();
      break;
    }
    name = select->FieldName(column);
    AddToList(fields, name);
    if (upper) AddToList(caseInsensitive, name);
    previous = name;
  }
  if (fields.empty()) return nullptr;
  auto order = std::make_unique<TIndexDef>(nullptr);
  order->SetFields(fields);
  order->SetDescFields(descending);
  order->SetCaseInsFields(caseInsensitive);
  return order;
}

String TOracleDataSet::ProviderGetKeyFields() {
  const String flagged = ProviderFlaggedKeyFields(this);
  if (!flagged.empty()) return flagged;
  if (Trim(unique_fields_).empty() && Trim(updating_table_).empty() && HasCursorVariable())
    return String();
  // While opening, the select list is not the one the constraints are
  // compared with yet.
  if (opening_) return String();
  return KeyFieldsFromConstraints();
}

String TOracleDataSet::KeyFieldsFromConstraints() {
  if (!Trim(unique_fields_).empty()) return Trim(unique_fields_);
  TOracleQuery* select = SelectList();
  TOracleTableInfo* info = OracleData::GetTableInfo(this);
  info->LoadConstraints();
  TOracleConstraintInfo* key = nullptr;
  for (Integer i = 0; i < info->Constraints().Count(); ++i) {
    TOracleConstraintInfo* constraint = info->Constraint(i);
    constraint->LoadDetails(this);
    if (constraint->Kind == ckPrimaryKey) {
      key = constraint;
      break;
    }
    if (constraint->Kind == ckUnique && !key) key = constraint;
  }
  String fields;
  if (!key) return fields;
  for (const String& column : key->Columns) {
    if (select->FieldIndex(column) < 0) return String();
    AddToList(fields, column);
  }
  return fields;
}

std::unique_ptr<TIndexDefs> TOracleDataSet::ProviderGetIndexDefs(TIndexOptions IndexTypes) {
  auto indexes = std::make_unique<TIndexDefs>(this);
  if (Trim(updating_table_).empty() && HasCursorVariable()) return indexes;
  TOracleQuery* select = SelectList();
  TOracleTableInfo* info = OracleData::GetTableInfo(this);
  info->LoadConstraints();
  const bool unique = IndexTypes.Contains(ixUnique);
  const bool primary = unique || IndexTypes.Contains(ixPrimary);
  for (Integer i = 0; i < info->Constraints().Count(); ++i) {
    TOracleConstraintInfo* constraint = info->Constraint(i);
    constraint->LoadDetails(this);
    const bool isPrimary = constraint->Kind == ckPrimaryKey;
    if (!(isPrimary && primary) && !(constraint->Kind == ckUnique && unique)) continue;
    String fields;
    bool selected = true;
    for (const String& column : constraint->Columns) {
      selected = selected && select->FieldIndex(column) >= 0;
      AddToList(fields, column);
    }
    if (!selected) continue;
    TIndexOptions options{ixUnique};
    if (isPrimary) options.Include(ixPrimary);
    indexes->Add(constraint->ConstraintName, fields, options);
  }
  return indexes;
}
