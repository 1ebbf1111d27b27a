// oracle/OracleTableInfo.h
//
// What the server's data dictionary says about the table an Oracle
// dataset updates: owner and real table behind the name, its columns with
// their default expressions, and its named constraints, read lazily and
// kept per session (TOracleSession::TableInfoCache) until it logs off.
// With it the dataset fills defaults into new records, checks primary-key,
// unique, foreign-key and check constraints before the server would refuse
// a row (reporting them in the server's own words), and finds rows by key.
//
// The dataset's side is TDictionaryOwner; the operations the dataset
// offers are the functions of OracleData below. The table information's
// own statements (constraint list, columns, defaults) run on its
// "TableInfoQuery", the others on the dataset's DML query; server errors of
// those statements pass on unchanged. Threads: the dataset's thread only.
#pragma once

#include <memory>
#include <vector>

#include "oracle/OracleDictionary.h"
#include "oracle/OracleQuery.h"
#include "platform/data/DataSet.h"
#include "platform/rtl/Collection.h"

class TOracleTableInfo;

// What the dictionary code needs of the Oracle dataset.
class TDictionaryOwner {
 public:
  virtual ~TDictionaryOwner() = default;
  virtual TDataSet* DictionaryDataSet() = 0;
  virtual TOracleSession* DictionarySession() = 0;
  // The dataset's DML query, set up for one more statement (its Debug off
  // when `quiet`).
  virtual TOracleQuery* PrepareDMLQuery(bool quiet) = 0;
  virtual String GetUpdatingTableName() = 0;
  // The active record's ROWID as last read from the server ("" when none).
  virtual String CurrentRowId() = 0;
  // The buffer type of the field's column, for a variable carrying its value.
  virtual Integer FieldVariableType(TField* field) = 0;
  // Turns a server message into the user's (message table, event).
  virtual String TranslateMessage(char action, Integer errorCode, const String& serverMessage) = 0;
  // A master link field or the sequence field.
  virtual bool IsAutoFilledField(const String& name) = 0;
  // The select list holds a ROWID column.
  virtual bool HasRowIdColumn() = 0;
  virtual TOracleDictionary* OracleDictionary() = 0;
  virtual TSequenceField* SequenceField() = 0;
  // The dataset's Debug.
  virtual bool DictionaryDebug() = 0;
};

class TOracleColumnInfo : public TCollectionItem {
  ZORVET_CLASS_NAME(TOracleColumnInfo)

 public:
  explicit TOracleColumnInfo(TCollection* collection) : TCollectionItem(collection) {}
  String Name;
  Integer BufferType = 0;
  Integer Precision = 0;
  Integer Scale = 0;
  // The default expression's text, empty when the column has none.
  String DefaultExpression;
  // Null until evaluated.
  Variant DefaultValue = Null();
};

enum TConstraintKind { ckNone = 0, ckPrimaryKey = 1, ckUnique = 2, ckForeignKey = 3, ckCheck = 4 };

class TOracleConstraintInfo : public TCollectionItem {
  ZORVET_CLASS_NAME(TOracleConstraintInfo)

 public:
  explicit TOracleConstraintInfo(TCollection* collection) : TCollectionItem(collection) {}

  TOracleTableInfo* TableInfo = nullptr;
  std::vector<String> Columns;  // in position order
  String ConstraintName;
  TConstraintKind Kind = ckNone;
  String ReferencedOwner;
  String ReferencedTable;
  std::vector<String> ReferencedColumns;
  // For a check constraint: the condition over bind variables named after
  // the columns.
  String SearchCondition;
  bool Found = false;
  bool DetailsLoaded = false;

  // Reads the kind and what it needs (once). A constraint that is not
  // enabled, or not there, is not found and never checked.
  void LoadDetails(TDictionaryOwner* dataSet);
  // Over the constraint's columns that are writable data fields: the one
  // column's name, "*" for more than one, "" for none.
  String SingleFieldColumn(TDictionaryOwner* dataSet) const;
  // Checks the active record; raises EDatabaseError with the server's
  // message for a violation. What cannot be checked here is left to the
  // server.
  void Check(TDictionaryOwner* dataSet);
};

class TOracleTableInfo : public TCollectionItem {
  ZORVET_CLASS_NAME(TOracleTableInfo)

 public:
  explicit TOracleTableInfo(TCollection* collection);
  ~TOracleTableInfo() override;

  String Name;  // as the dataset gave it
  String Owner;
  String TableName;

  TCollection& Constraints() { return constraints_; }
  TOracleConstraintInfo* Constraint(Integer i) const {
    return static_cast<TOracleConstraintInfo*>(constraints_.Items(i));
  }
  TCollection& Columns() { return columns_; }
  TOracleColumnInfo* Column(Integer i) const {
    return static_cast<TOracleColumnInfo*>(columns_.Items(i));
  }
  TOracleQuery* TableInfoQuery() const { return query_.get(); }
  bool HasNoDefaults() const { return no_defaults_; }

  // The table's named constraints (system-named ones are not checked).
  void LoadConstraints();
  // The columns as describing the table gives them.
  void LoadColumns();
  // The columns and their default expressions (once).
  void LoadDefaults();
  // Gives the dataset's fields the columns' default values, evaluating them
  // once per logon (on every call with DynamicDefaults).
  void ApplyDefaults(TDictionaryOwner* dataSet);
  // Exact, case-sensitive; nullptr when absent.
  TOracleColumnInfo* FindColumn(const String& name) const;

 private:
  TCollection constraints_;
  TCollection columns_;
  std::unique_ptr<TOracleQuery> query_;
  bool constraints_loaded_ = false;
  bool columns_loaded_ = false;
  bool defaults_loaded_ = false;
  bool defaults_evaluated_ = false;
  bool no_defaults_ = false;
};

namespace OracleData {

// The session's information on the dataset's updating table, made on first
// use. Exception "Session undefined" without a session.
TOracleTableInfo* GetTableInfo(TDictionaryOwner* dataSet);
// Owner and table behind a name: "OWNER.TABLE" splits without a statement;
// otherwise the dictionary resolves tables, views and synonyms (empty
// strings when nothing matches).
void ResolveTableName(TDictionaryOwner* dataSet, const String& name, String& owner, String& table);
// Declares a variable named after the field on the DML query and gives it
// the field's value, unless the field is empty and !evenIfEmpty.
bool BindFieldValue(TDictionaryOwner* dataSet, TField* field, bool evenIfEmpty);
// The client-side constraint check: of one field when it is given, of the
// whole record otherwise.
void EnforceConstraints(TDictionaryOwner* dataSet, TField* field);
// The columns that identify a row: UniqueFields' fields, else the
// table's primary key or first unique key. EDatabaseError "Primary or
// Unique key columns must be included" when a key column is no field or
// the table cannot be resolved.
void GetKeyColumns(TDictionaryOwner* dataSet, const String& uniqueFields, TStrings* list);
// The ROWID of the row whose key columns hold the record's (old) values.
void DetermineRowId(TDictionaryOwner* dataSet, const TStrings* keyColumns, bool useOldValues,
                    String& rowId);

}  // namespace OracleData
