// oracle/OracleDataSetLock.cpp
//
// Locking, checking and refreshing a record of the Oracle dataset: one
// statement selects the record's row by rowid (from the updating table, or
// through the dataset's own query to refresh calculated columns too), with
// "for update nowait" when it locks. Its values are compared with the
// record's, to find changes another user made, or copied into the record.
// Editing starts with this step as LockingMode and RefreshOptions ask.
#include <cmath>
#include <cstring>

#include "oracle/OracleDataSet.h"
#include "oracle/OracleDataSetSql.h"
#include "oracle/OracleErrors.h"
#include "oracle/OracleText.h"
#include "oracle/OracleTypes.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/StringUtils.h"

using namespace OracleRecord;

namespace {

bool IsStoredKind(const TField* field) {
  return field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc;
}

bool BlankAfterTrim(const Variant& value) {
  return value.Type() == varString && TrimRight(value.AsString()).empty();
}

}  // namespace

bool TOracleDataSet::LockRecord(bool CheckOnly) {
  return BuildLockRefreshCheck(!CheckOnly, true, false, false, nullptr);
}

void TOracleDataSet::InternalEdit() {
  CheckNotQBE();
  ForgetBlobEdits();
  if (!records_ || position_ < 0 || position_ >= records_->VisibleCount()) return;
  TRecordBuffer record = records_->Records(position_);
  const bool beforeEdit = refresh_options_.Contains(roBeforeEdit);
  if ((locking_mode_ == lmLockDelayed || locking_mode_ == lmNone) && !beforeEdit) return;
  if (FindLogItem(RecordId(record))) return;
  const bool lock = locking_mode_ == lmLockImmediate;
  bool check = lock || locking_mode_ == lmCheckImmediate;
  bool refresh = false, useQuery = false;
  if (beforeEdit) {
    refresh = true;
    useQuery = refresh_options_.Contains(roAllFields);
    check = false;
  }
  BuildLockRefreshCheck(lock, check, refresh, useQuery, record);
  // The edit starts from the refreshed values.
  if (refresh && ActiveBuffer())
    std::memcpy(ActiveBuffer() + HeaderSize, record + HeaderSize, std::size_t(field_area_size_));
}

bool TOracleDataSet::BuildLockRefreshCheck(bool Lock, bool Check, bool Refresh, bool UseQuery,
                                           TRecordBuffer Record) {
  TRecordBuffer target = Record;
  if (!target && records_ && position_ >= 0 && position_ < records_->VisibleCount())
    target = records_->Records(position_);
  const String rowId = Record ? RowId(Record) : CurrentRowId();
  bool lockPoint = false;
  if (Lock) {
    SetLockPoint();
    lockPoint = true;
  }
  String unused;
  if (Refresh) {
    Check = false;
    const TDataSetState saved = SetTempState(dsNewValue);
    bool applied;
    try {
      applied = FireApplyRecord('R', unused);
    } catch (...) {
      RestoreState(saved);
      throw;
    }
    RestoreState(saved);
    if (applied) Refresh = false;
  }
  if (Lock && FireApplyRecord('L', unused)) Lock = Check = false;
  if (Check && FireApplyRecord('C', unused)) Check = false;
  if (!Lock && !Check && !Refresh) return false;

  try {
    CheckRowId(rowId, "A lock, refresh or check");
    TOracleQuery* query = PrepareDMLQuery(false);
    query->SetStringFieldsOnly(StringFieldsOnly());
    query->ClearVariables();
    query->DeclareVariable("quelt__rowid", Oracle::otString);
    query->SetVariable("quelt__rowid", rowId);
    TStringList* sql = query->SQL();
    sql->Clear();
    if (!UseQuery) {
      sql->Add("select * from " + GetUpdatingTableName() + " where rowid = :quelt__rowid");
      if (Lock) sql->Add("for update nowait");
    } else {
      String text = main_query_->SQLWithSubstitutions();
      const std::size_t end = UpperCase(text).find("/* END_REFRESH */");
      if (end != String::npos) text = text.substr(0, end);
      text = TrimRight(text);
      // A grouped query has its rows picked by HAVING.
      const OracleDataSetSql::TSelectParts parts = OracleDataSetSql::SplitSelectStatement(text);
      const String& keyword = parts.Keyword;
      const String alias = GetTableAlias();
      sql->Add(parts.Head);
      if (!parts.Condition.empty())
        sql->Add(keyword + " (" + parts.Condition + ")\r\nand\r\n(" + alias +
                 ".rowid = :quelt__rowid)");
      else
        sql->Add(keyword + " " + alias + ".rowid = :quelt__rowid");
      if (Lock) {
        TField* first = nullptr;
        for (TField* field : Fields())
          if (field->FieldKind() == fkData) {
            first = field;
            break;
          }
        if (!first) throw Exception(Name() + ": No data fields");
        sql->Add("for update of " + alias + "." + first->FieldName() + " nowait");
      }
      CopyMainQueryVariables(query, sql->Text());
    }
    query->Execute();
    if ((Lock || Check) && query->Eof()) RaiseTranslated('L', 0, OracleDataSetTexts::RecordDeleted);
    bool result = false;
    if (Refresh && !query->Eof() && target) result = CopyServerValues(query, target);
    // The lock point is rolled back below, on the way out.
    if (Check && target && RecordChangedOnServer(query, target))
      RaiseTranslated('L', 0, OracleDataSetTexts::RecordChanged);
    return result;
  } catch (...) {
    if (lockPoint) {
      try {
        RollbackToLockPoint();
      } catch (...) {
      }
    }
    try {
      throw;
    } catch (EOracleError& e) {
      RaiseTranslated('L', e.ErrorCode,
                      e.ErrorCode == 54 ? OracleDataSetTexts::RecordLocked : e.Message());
    }
  }
}

bool TOracleDataSet::ValuesEqual(TField* field, const Variant& oldValue,
                                 const Variant& serverValue) {
  const bool oldNull =
      oldValue.IsNull() || (field->DataType() == ftString && BlankAfterTrim(oldValue));
  const bool serverNull =
      serverValue.IsNull() || serverValue.IsEmpty() || BlankAfterTrim(serverValue);
  if (oldNull != serverNull) return false;
  if (oldNull) return true;
  switch (FieldVariableType(field)) {
    case Oracle::otFloat:
      return OracleData::FloatsEqual(oldValue.AsDouble(), serverValue.AsDouble());
    case Oracle::otString: {
      String server = serverValue.AsString();
      const std::size_t size = std::size_t(field->DataSize() - 1);
      if (field->DataType() == ftString && server.size() > size) server.resize(size);
      return TrimRight(oldValue.AsString()) == TrimRight(server);
    }
    case Oracle::otDate:
      return std::fabs(double(oldValue.AsDateTime()) - double(serverValue.AsDateTime())) <=
             1.0 / 86400.0;
    default:
      return oldValue == serverValue;
  }
}

bool TOracleDataSet::RecordChangedOnServer(TOracleQuery* query, TRecordBuffer record) {
  TRecordUnderTest test(this, record);
  for (TField* field : Fields()) {
    if (field->FieldKind() != fkData || field->IsBlob()) continue;
    const Integer column = query->FieldIndex(field->FieldName());
    if (column < 0) continue;
    if (!ValuesEqual(field, field->Value(), query->Field(column))) return true;
  }
  return false;
}

bool TOracleDataSet::CopyServerValues(TOracleQuery* query, TRecordBuffer record) {
  bool changed = false;
  {
    TRecordUnderTest test(this, record);
    for (TField* field : Fields()) {
      if (!IsStoredKind(field) || field->IsBlob()) continue;
      const Integer column = query->FieldIndex(field->FieldName());
      if (column < 0) continue;
      if (ValuesEqual(field, field->Value(), query->Field(column))) continue;
      ConvertColumn(record, field, query, column);
      changed = true;
    }
  }
  if (AfterRefreshRecord) AfterRefreshRecord(this);
  return changed;
}
