// oracle/OracleDataSetMasterConfig.cpp
//
// Design time: when a designer links a detail to its master, the link is
// set up from the one foreign key between the two updating tables, and on
// request the detail's WHERE clause is rewritten to bind the key columns.
#include "oracle/OracleDataSet.h"
#include "oracle/OracleDictionary.h"
#include "oracle/OracleTableInfo.h"
#include "oracle/OracleText.h"
#include "platform/controls/Form.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/MessageBoxHook.h"

namespace {

constexpr const char* kCRLF = "\r\n";

void Refuse(const String& reason) {
  MessageBoxA(nullptr,
              ("Automatic Master/Detail configuration is only\r\npossible if " + reason).c_str(),
              "", MB_OK | MB_ICONWARNING);
}

// The columns of an owner's constraint, in key order.
std::vector<String> ConstraintColumns(TOracleQuery* query, const String& owner,
                                      const String& constraint) {
  query->ClearVariables();
  query->SQL()->SetText(
      "select column_name from sys.all_cons_columns\n"
      " where owner = :owner and constraint_name = :constraint_name\n"
      " order by position");
  query->DeclareVariable("owner", Oracle::otString);
  query->DeclareVariable("constraint_name", Oracle::otString);
  query->SetVariable("owner", owner);
  query->SetVariable("constraint_name", constraint);
  std::vector<String> columns;
  for (query->Execute(); !query->Eof(); query->Next()) columns.push_back(query->FieldAsString(0));
  return columns;
}

String Joined(const std::vector<String>& items, const String& separator) {
  String text;
  for (std::size_t i = 0; i < items.size(); ++i) text += (i ? separator : "") + items[i];
  return text;
}

}  // namespace

void TOracleDataSet::ConfigureMasterDetail() {
  if (!master_) return;
  TOracleDataSet* dictionary = nullptr;
  if (Session() && Session()->Connected())
    dictionary = this;
  else if (master_->Session() && master_->Session()->Connected())
    dictionary = master_;
  if (!dictionary) {
    Refuse("the Session is connected.");
    return;
  }
  String detailOwner, detailTable, masterOwner, masterTable;
  OracleData::ResolveTableName(dictionary, GetUpdatingTableName(), detailOwner, detailTable);
  if (detailTable.empty()) {
    MessageBoxA(nullptr,
                "Automatic Master/Detail configuraion is only\r\npossible if the Detail SQL "
                "text is set correctly.",
                "", MB_OK | MB_ICONWARNING);
    return;
  }
  OracleData::ResolveTableName(dictionary, master_->GetUpdatingTableName(), masterOwner,
                               masterTable);
  if (masterTable.empty()) {
    Refuse("the Master SQL text is set correctly.");
    return;
  }

  TOracleQuery* query = dictionary->PrepareDMLQuery(true);
  query->ClearVariables();
  query->SetReadBuffer(5);
  query->SQL()->SetText(
      "select fk.constraint_name fkname, pk.constraint_name pkname\n"
      "  from sys.all_constraints fk, sys.all_constraints pk\n"
      " where fk.constraint_type = 'R'\n"
      "   and fk.owner = :fk_owner and fk.table_name = :fk_table_name\n"
      "   and pk.constraint_name = fk.r_constraint_name\n"
      "   and pk.owner = :pk_owner and pk.table_name = :pk_table_name");
  const std::pair<const char*, String> keys[] = {{"fk_owner", detailOwner},
                                                 {"fk_table_name", detailTable},
                                                 {"pk_owner", masterOwner},
                                                 {"pk_table_name", masterTable}};
  for (const auto& [name, value] : keys) {
    query->DeclareVariable(name, Oracle::otString);
    query->SetVariable(name, value);
  }
  query->Execute();
  if (query->Eof()) {
    Refuse("a foreign key constraint exists\r\nbetween the Master and Detail table.");
    return;
  }
  const String foreignKey = query->FieldAsString(0), primaryKey = query->FieldAsString(1);
  query->Next();
  if (!query->Eof()) {
    Refuse("just one foreign key constraint\r\nexists between the Master and Detail table.");
    return;
  }

  // Only now that the link can be configured are the old names let go: a
  // refusal leaves the properties as the designer set them.
  SetDetailFields("");
  SetMasterFields("");
  const bool rewrite =
      Oracle::ConfirmDialog(
          "Modify query to add variables to WHERE clause?\r\nNOTE: This will remove any "
          "existing WHERE clause and variables!",
          "YN") == mrYes;
  const std::vector<String> detailColumns = ConstraintColumns(query, detailOwner, foreignKey);
  SetDetailFields(Joined(detailColumns, ";"));
  SetMasterFields(Joined(ConstraintColumns(query, masterOwner, primaryKey), ";"));
  if (!rewrite) return;

  ClearVariables();
  query->ClearVariables();
  query->SQL()->SetText("select " + Joined(detailColumns, ", ") + " from " +
                        GetUpdatingTableName());
  query->Describe();
  std::vector<String> conditions;
  for (Integer i = 0; i < query->FieldCount(); ++i) {
    const String name = LowerCase(query->FieldName(i));
    conditions.push_back(name + " = :" + name);
    DeclareVariable(name, query->FieldType(i));
  }
  const String condition = "where " + Joined(conditions, " and ") + kCRLF;

  String text = SQL()->Text();
  const Integer where = OracleData::FindSQLKeyword("WHERE", text);
  Integer order = OracleData::FindSQLKeyword("ORDER", text);
  if (order == 0) order = Integer(text.size()) + 1;
  // A WHERE after the ORDER BY belongs to something else (a sub-query):
  // the condition is added as when there is none.
  if (where > 0 && where < order) {
    text.replace(std::size_t(where - 1), std::size_t(order - where), condition);
  } else {
    text.insert(std::size_t(order - 1), kCRLF + condition);
  }
  SQL()->SetText(text);
}
