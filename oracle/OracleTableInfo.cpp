// oracle/OracleTableInfo.cpp
#include "oracle/OracleTableInfo.h"

#include "platform/data/DataMessages.h"
#include "platform/rtl/StringUtils.h"

namespace {

// The session's cache, made on first use.
TCollection* Cache(TOracleSession* session) {
  if (session->TableInfoCache() == nullptr)
    session->SetTableInfoCache(
        std::make_unique<TCollection>(TCollectionItemClass::Of<TOracleTableInfo>()));
  return session->TableInfoCache();
}

TField* DataField(TDataSet* dataSet, const String& column) {
  return dataSet->FindField(column);
}

bool IsInserted(TDataSet* dataSet) {
  return dataSet->UpdateStatus() == usInserted;
}

// The dictionary's statements about one table take its owner and name.
void BindOwnerAndTable(TOracleQuery* query, const String& owner, const String& table) {
  query->ClearVariables();
  query->DeclareVariable("owner", Oracle::otString);
  query->DeclareVariable("table_name", Oracle::otString);
  query->SetVariable("owner", owner);
  query->SetVariable("table_name", table);
}

}  // namespace

TOracleTableInfo::TOracleTableInfo(TCollection* collection)
    : TCollectionItem(collection),
      constraints_(TCollectionItemClass::Of<TOracleConstraintInfo>()),
      columns_(TCollectionItemClass::Of<TOracleColumnInfo>()),
      query_(std::make_unique<TOracleQuery>(nullptr)) {
  query_->SetName("TableInfoQuery");
}

TOracleTableInfo::~TOracleTableInfo() = default;

void TOracleTableInfo::LoadConstraints() {
  if (constraints_loaded_) return;
  query_->SetDebug(false);
  const bool odbc = query_->Session()->IsODBC();
  query_->SQL()->SetText(
      "select constraint_name, column_name from sys.all_cons_columns\n"
      "where owner = :owner and table_name = :table_name\n" +
      String(odbc ? "" : "and constraint_name not like 'SYS_C%'\n") +
      "order by constraint_name, position");
  BindOwnerAndTable(query_.get(), Owner, TableName);
  query_->Execute();
  TOracleConstraintInfo* current = nullptr;
  for (; !query_->Eof(); query_->Next()) {
    const String name = query_->FieldAsString(0);
    if (current == nullptr || current->ConstraintName != name) {
      current = static_cast<TOracleConstraintInfo*>(constraints_.Add());
      current->TableInfo = this;
      current->ConstraintName = name;
    }
    current->Columns.push_back(query_->FieldAsString(1));
  }
  constraints_loaded_ = true;
}

void TOracleTableInfo::LoadColumns() {
  if (columns_loaded_) return;
  query_->SetDebug(false);
  query_->SQL()->SetText("select * from " + Name);
  query_->ClearVariables();
  query_->Describe();
  for (Integer i = 0; i < query_->FieldCount(); ++i) {
    auto* column = static_cast<TOracleColumnInfo*>(columns_.Add());
    column->Name = query_->FieldName(i);
    column->BufferType = query_->FieldType(i);
    column->Precision = query_->FieldPrecision(i);
    column->Scale = query_->FieldScale(i);
  }
  columns_loaded_ = true;
}

void TOracleTableInfo::LoadDefaults() {
  if (defaults_loaded_) return;
  LoadColumns();
  query_->SQL()->SetText(
      "select column_name, data_default from sys.all_tab_columns\n"
      "where owner = :owner and table_name = :table_name\n"
      "and data_default is not null");
  BindOwnerAndTable(query_.get(), Owner, TableName);
  query_->Execute();
  no_defaults_ = query_->Eof();
  for (; !query_->Eof(); query_->Next())
    if (TOracleColumnInfo* column = FindColumn(query_->FieldAsString(0)))
      column->DefaultExpression = VarToStr(query_->Field(1));
  defaults_loaded_ = true;
}

void TOracleTableInfo::ApplyDefaults(TDictionaryOwner* dataSet) {
  LoadDefaults();
  if (no_defaults_) return;
  if (dataSet->OracleDictionary()->DynamicDefaults() || !defaults_evaluated_) {
    String text = "begin\n";
    query_->ClearVariables();
    for (Integer i = 0; i < columns_.Count(); ++i) {
      const TOracleColumnInfo* column = Column(i);
      if (column->DefaultExpression.empty()) continue;
      // A default's text ends in a line break in the dictionary.
      text += "  :" + column->Name + " := " + Trim(column->DefaultExpression) + ";\n";
      query_->DeclareVariable(column->Name, column->BufferType);
    }
    text += "end;";
    query_->SQL()->SetText(text);
    query_->SetDebug(dataSet->DictionaryDebug());
    query_->Execute();
    for (Integer i = 0; i < columns_.Count(); ++i) {
      TOracleColumnInfo* column = Column(i);
      if (!column->DefaultExpression.empty())
        column->DefaultValue = query_->GetVariable(column->Name);
    }
    defaults_evaluated_ = true;
  }
  for (Integer i = 0; i < columns_.Count(); ++i) {
    const TOracleColumnInfo* column = Column(i);
    if (column->DefaultExpression.empty()) continue;
    if (TField* field = dataSet->DictionaryDataSet()->FindField(column->Name))
      field->SetValue(column->DefaultValue);
  }
}

TOracleColumnInfo* TOracleTableInfo::FindColumn(const String& name) const {
  for (Integer i = 0; i < columns_.Count(); ++i)
    if (Column(i)->Name == name) return Column(i);
  return nullptr;
}

void TOracleConstraintInfo::LoadDetails(TDictionaryOwner* dataSet) {
  if (DetailsLoaded) return;
  TOracleQuery* query = dataSet->PrepareDMLQuery(true);
  const bool odbc = dataSet->DictionarySession()->IsODBC();
  query->SQL()->SetText(
      "select constraint_type, r_constraint_name, r_owner, search_condition\n"
      "  from sys.all_constraints\n"
      " where constraint_name = :constraint_name and owner = :owner\n" +
      String(odbc ? "   and constraint_type != 'C'" : "   and status = 'ENABLED'"));
  query->ClearVariables();
  query->DeclareVariable("constraint_name", Oracle::otString);
  query->DeclareVariable("owner", Oracle::otString);
  query->SetVariable("constraint_name", ConstraintName);
  query->SetVariable("owner", TableInfo->Owner);
  query->Execute();
  DetailsLoaded = true;
  if (query->Eof()) return;
  Found = true;
  const String type = query->FieldAsString(0);
  const String rConstraint = query->FieldAsString(1);
  ReferencedOwner = query->FieldAsString(2);
  const String condition = VarToStr(query->Field(3));
  if (type == "P") Kind = ckPrimaryKey;
  if (type == "U") Kind = ckUnique;
  if (type == "R") Kind = ckForeignKey;
  if (type == "C") {
    Kind = ckCheck;
    SearchCondition = OracleData::BindCheckCondition(condition, Columns);
  }
  if (Kind != ckForeignKey) return;
  query->SQL()->SetText(
      "select table_name, column_name from sys.all_cons_columns\n"
      " where owner = :owner and constraint_name = :constraint_name\n"
      " order by position");
  query->SetVariable("owner", ReferencedOwner);
  query->SetVariable("constraint_name", rConstraint);
  query->Execute();
  for (; !query->Eof(); query->Next()) {
    ReferencedTable = query->FieldAsString(0);
    ReferencedColumns.push_back(query->FieldAsString(1));
  }
}

String TOracleConstraintInfo::SingleFieldColumn(TDictionaryOwner* dataSet) const {
  String result;
  for (const String& column : Columns) {
    TField* field = DataField(dataSet->DictionaryDataSet(), column);
    if (field == nullptr || field->FieldKind() != fkData || field->ReadOnly()) continue;
    if (!result.empty()) return "*";
    result = column;
  }
  return result;
}

void TOracleConstraintInfo::Check(TDictionaryOwner* dataSet) {
  LoadDetails(dataSet);
  if (!Found) return;
  TDataSet* data = dataSet->DictionaryDataSet();
  const bool inserted = IsInserted(data);
  const String table = dataSet->GetUpdatingTableName();
  TOracleQuery* query = dataSet->PrepareDMLQuery(false);
  query->ClearVariables();
  bool needRowId = false;
  Integer error = 0;

  if (Kind == ckPrimaryKey || Kind == ckUnique || Kind == ckForeignKey) {
    const bool foreign = Kind == ckForeignKey;
    if (foreign && ReferencedColumns.size() < Columns.size()) return;
    String text = foreign ? "select 'x' from " + ReferencedOwner + "." + ReferencedTable
                          : "select 'x' from " + table;
    bool first = true;
    if (!foreign && !inserted) {
      text += "\r\nwhere rowid <> :quelt__rowid";
      needRowId = true;
      first = false;
    }
    bool allEmpty = true;
    for (std::size_t i = 0; i < Columns.size(); ++i) {
      const String& column = Columns[i];
      const String& target = foreign ? ReferencedColumns[i] : column;
      text += first ? "\r\nwhere " : "\r\nand ";
      first = false;
      TField* field = DataField(data, column);
      if (field == nullptr) {
        if (inserted) return;
        text += foreign ? target + " = (select " + column + " from " + table +
                              " where rowid = :quelt__rowid)"
                        : column + " = (select " + column + " from " + table +
                              " where rowid = :quelt__rowid)";
        needRowId = true;
      } else if (!OracleData::FieldIsEmpty(field)) {
        text += target + " = :" + column;
        OracleData::BindFieldValue(dataSet, field, false);
        allEmpty = false;
      } else {
        text += target + " is null";
      }
    }
    if (allEmpty) return;
    query->SQL()->SetText(text);
    if (needRowId) {
      query->DeclareVariable("quelt__rowid", Oracle::otString);
      query->SetVariable("quelt__rowid", dataSet->CurrentRowId());
    }
    query->Execute();
    if (foreign && query->Eof()) error = 2291;
    if (!foreign && !query->Eof()) error = 1;
  } else if (Kind == ckCheck) {
    String selectList, intoList;
    for (const String& column : Columns) {
      TField* field = DataField(data, column);
      if (field != nullptr) {
        OracleData::BindFieldValue(dataSet, field, true);
        continue;
      }
      if (inserted) return;
      TableInfo->LoadColumns();
      const TOracleColumnInfo* info = TableInfo->FindColumn(column);
      if (info == nullptr) return;
      query->DeclareVariable(column, info->BufferType);
      selectList += (selectList.empty() ? "" : ", ") + column;
      intoList += (intoList.empty() ? ":" : ", :") + column;
    }
    String text = "begin\n";
    if (!intoList.empty()) {
      text += "  select " + selectList + " into " + intoList + " from " + table +
              " where rowid = :quelt__rowid;\n";
      query->DeclareVariable("quelt__rowid", Oracle::otString);
      query->SetVariable("quelt__rowid", dataSet->CurrentRowId());
    }
    text += "  if not (" + SearchCondition +
            ") then\n    :error := 2290;\n  else\n    :error := 0;\n  end if;\n";
    if (!intoList.empty()) text += "exception\n  when others then :error := 0;\n";
    text += "end;";
    query->DeclareVariable("error", Oracle::otInteger);
    query->SQL()->SetText(text);
    query->Execute();
    const Variant result = query->GetVariable("error");
    error = result.IsNull() ? 0 : result.AsInteger();
  } else {
    return;
  }
  if (error == 0) return;

  const char action = inserted ? 'I' : 'U';
  TOracleSession* session = dataSet->DictionarySession();
  String message;
  if (session->IsODBC()) {
    message = session->GetErrorText(30021);
    if (error == 1) message += "[POL-3220] duplicate keys in unique/primary index";
    if (error == 2291) message += "[POL-5143] integrity constraint violation";
    error = 30021;
  } else {
    message = session->GetErrorText(error);
    const std::size_t open = message.find('(');
    const std::size_t close = message.find(')', open == String::npos ? 0 : open);
    if (open != String::npos && close != String::npos)
      message = message.substr(0, open + 1) + TableInfo->Owner + "." + ConstraintName +
                message.substr(close);
  }
  DatabaseError(dataSet->TranslateMessage(action, error, message));
}

namespace OracleData {

TOracleTableInfo* GetTableInfo(TDictionaryOwner* dataSet) {
  TOracleSession* session = dataSet->DictionarySession();
  if (session == nullptr) throw Exception("Session undefined");
  const String name = dataSet->GetUpdatingTableName();
  TCollection* cache = Cache(session);
  for (Integer i = 0; i < cache->Count(); ++i) {
    auto* info = static_cast<TOracleTableInfo*>(cache->Items(i));
    if (CompareText(info->Name, name) == 0) return info;
  }
  auto* info = static_cast<TOracleTableInfo*>(cache->Add());
  info->TableInfoQuery()->SetSession(session);
  info->Name = name;
  ResolveTableName(dataSet, name, info->Owner, info->TableName);
  return info;
}

void ResolveTableName(TDictionaryOwner* dataSet, const String& name, String& owner, String& table) {
  const std::size_t point = name.find('.');
  if (point != String::npos) {
    owner = UpperCase(name.substr(0, point));
    table = UpperCase(name.substr(point + 1));
    return;
  }
  owner.clear();
  table.clear();
  if (name.empty()) return;
  TOracleQuery* query = dataSet->PrepareDMLQuery(true);
  query->ClearVariables();
  query->DeclareVariable("name", Oracle::otString);
  query->SetVariable("name", UpperCase(name));
  if (dataSet->DictionarySession()->IsODBC()) {
    static const char* const statements[] = {
        "select owner, table_name from all_tables\nwhere owner = user and table_name = :name",
        "select table_owner, table_name from all_synonyms\n"
        "where owner = user and synonym_name = :name;",
        "select table_owner, table_name from all_synonyms\n"
        "where owner = 'PUBLIC' and synonym_name = :name;"};
    for (const char* statement : statements) {
      query->SQL()->SetText(statement);
      query->Execute();
      if (!query->Eof()) {
        owner = query->FieldAsString(0);
        table = query->FieldAsString(1);
        return;
      }
    }
    return;
  }
  query->SQL()->SetText(
      "begin\n"
      "  begin\n"
      "    select user, table_name into :table_owner, :table_name\n"
      "      from sys.user_tables where table_name = :name;\n"
      "  exception when no_data_found then\n"
      "    begin\n"
      "      select user, view_name into :table_owner, :table_name\n"
      "        from sys.user_views where view_name = :name;\n"
      "    exception when no_data_found then\n"
      "      begin\n"
      "        select table_owner, table_name into :table_owner, :table_name\n"
      "          from sys.user_synonyms where synonym_name = :name;\n"
      "      exception when no_data_found then\n"
      "        begin\n"
      "          select table_owner, table_name into :table_owner, :table_name\n"
      "            from sys.all_synonyms where owner = 'PUBLIC' and synonym_name = :name;\n"
      "        exception when no_data_found then\n"
      "          :table_owner := null; :table_name := null;\n"
      "        end;\n"
      "      end;\n"
      "    end;\n"
      "  end;\n"
      "end;");
  query->DeclareVariable("table_owner", Oracle::otString);
  query->DeclareVariable("table_name", Oracle::otString);
  query->Execute();
  const Variant o = query->GetVariable("table_owner");
  const Variant t = query->GetVariable("table_name");
  owner = o.IsNull() ? String() : o.AsString();
  table = t.IsNull() ? String() : t.AsString();
}

bool BindFieldValue(TDictionaryOwner* dataSet, TField* field, bool evenIfEmpty) {
  if (field == nullptr || (!evenIfEmpty && FieldIsEmpty(field))) return false;
  TOracleQuery* query = dataSet->PrepareDMLQuery(false);
  query->DeclareVariable(field->FieldName(), dataSet->FieldVariableType(field));
  query->SetVariable(field->FieldName(), field->Value());
  return true;
}

void EnforceConstraints(TDictionaryOwner* dataSet, TField* field) {
  if (!dataSet->OracleDictionary()->EnforceConstraints() || !dataSet->HasRowIdColumn()) return;
  const TDisabledConstraints* disabled = dataSet->OracleDictionary()->DisabledConstraints();
  TOracleTableInfo* info = GetTableInfo(dataSet);
  info->LoadConstraints();
  TDataSet* data = dataSet->DictionaryDataSet();
  if (field != nullptr) {
    if (field->FieldKind() != fkData || dataSet->IsAutoFilledField(field->FieldName()) ||
        FieldIsEmpty(field))
      return;
    for (Integer i = 0; i < info->Constraints().Count(); ++i) {
      TOracleConstraintInfo* constraint = info->Constraint(i);
      if (disabled->Disabled(constraint->ConstraintName)) continue;
      constraint->LoadDetails(dataSet);
      if (constraint->SingleFieldColumn(dataSet) == field->FieldName()) constraint->Check(dataSet);
    }
    return;
  }
  const bool inserting = data->State() == dsInsert;
  const TSequenceField* sequence = dataSet->SequenceField();
  for (Integer i = 0; i < info->Constraints().Count(); ++i) {
    TOracleConstraintInfo* constraint = info->Constraint(i);
    if (disabled->Disabled(constraint->ConstraintName)) continue;
    constraint->LoadDetails(dataSet);
    const String single = constraint->SingleFieldColumn(dataSet);
    bool eligible = true, changed = false;
    for (const String& column : constraint->Columns) {
      TField* f = DataField(data, column);
      if (f == nullptr) continue;
      const bool empty = FieldIsEmpty(f);
      if ((sequence->IsServerSequenceField(f->FieldName()) && empty) || f->FieldKind() != fkData ||
          single == f->FieldName() || (constraint->Kind == ckForeignKey && empty)) {
        eligible = false;
        break;
      }
      const bool fieldChanged = inserting ? !empty : !(f->OldValue() == f->Value());
      if (fieldChanged && !dataSet->IsAutoFilledField(f->FieldName())) changed = true;
    }
    if (eligible && changed) constraint->Check(dataSet);
  }
}

void GetKeyColumns(TDictionaryOwner* dataSet, const String& uniqueFields, TStrings* list) {
  if (!dataSet->HasRowIdColumn()) return;
  list->Clear();
  TDataSet* data = dataSet->DictionaryDataSet();
  if (!Trim(uniqueFields).empty()) {
    std::vector<TField*> fields;
    data->GetFieldList(fields, uniqueFields);
    for (TField* field : fields) list->Add(field->FieldName());
    return;
  }
  const char* const missing = "Primary or Unique key columns must be included";
  String owner, table;
  ResolveTableName(dataSet, dataSet->GetUpdatingTableName(), owner, table);
  if (table.empty()) DatabaseError(missing);
  TOracleQuery* query = dataSet->PrepareDMLQuery(true);
  BindOwnerAndTable(query, owner, table);
  query->SQL()->SetText(
      "select constraint_name from all_constraints\n"
      "where owner = :owner and table_name = :table_name\n"
      "and constraint_type in ('P', 'U')\n"
      "order by constraint_type");
  query->Execute();
  if (query->Eof()) return;
  const String constraint = query->FieldAsString(0);
  query->DeclareVariable("constraint_name", Oracle::otString);
  query->SetVariable("constraint_name", constraint);
  query->SQL()->SetText(
      "select column_name from all_cons_columns\n"
      "where owner = :owner and table_name = :table_name\n"
      "and constraint_name = :constraint_name\n"
      "order by position");
  query->Execute();
  for (; !query->Eof(); query->Next()) {
    const String column = query->FieldAsString(0);
    if (data->FindField(column) == nullptr) {
      list->Clear();
      DatabaseError(missing);
    }
    list->Add(column);
  }
}

void DetermineRowId(TDictionaryOwner* dataSet, const TStrings* keyColumns, bool useOldValues,
                    String& rowId) {
  rowId.clear();
  if (keyColumns->Count() == 0) return;
  TDataSet* data = dataSet->DictionaryDataSet();
  std::vector<TField*> fields;
  for (Integer i = 0; i < keyColumns->Count(); ++i) {
    TField* field = data->FindField(keyColumns->Strings(i));
    if (field == nullptr) return;
    fields.push_back(field);
  }
  TOracleQuery* query = dataSet->PrepareDMLQuery(false);
  query->ClearVariables();
  String text = "select rowid from " + dataSet->GetUpdatingTableName() + " where";
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const String column = keyColumns->Strings(Integer(i));
    const Variant value = useOldValues ? fields[i]->OldValue() : fields[i]->Value();
    text += String("\n") + (i > 0 ? "and " : "") + column;
    if (value.IsNull() || (value.Type() == varString && value.AsString().empty())) {
      text += " is null";
    } else {
      text += " = :" + column;
      query->DeclareVariable(column, dataSet->FieldVariableType(fields[i]));
      query->SetVariable(column, value);
    }
  }
  query->SQL()->SetText(text);
  query->Execute();
  if (query->Eof()) throw Exception("Error determining ROWID: no record found");
  rowId = query->FieldAsString(0);
  query->Next();
  if (!query->Eof()) {
    rowId.clear();
    throw Exception("Error determining ROWID: more than one record found");
  }
}

}  // namespace OracleData
