// oracle/OracleDataSetFilter.cpp
//
// Filtering on the client (OnFilterRecord, then the parsed filter text),
// the record count and moving by record number.
#include "oracle/ExpressionParser.h"
#include "oracle/OracleDataSet.h"
#include "oracle/OracleDataSetSql.h"
#include "oracle/OracleText.h"
#include "platform/data/DataMessages.h"
#include "platform/rtl/StringUtils.h"

void TOracleDataSet::SetFilter(const String& value) {
  TDataSet::SetFilter(value);
  ParseFilter();
}

void TOracleDataSet::SetFilterOptions(TFilterOptions value) {
  TDataSet::SetFilterOptions(value);
  ParseFilter();
}

void TOracleDataSet::SetFiltered(bool value) {
  if (Active()) CheckBrowseMode();
  TDataSet::SetFiltered(value);
  ApplyFilter();
}

void TOracleDataSet::SetOnFilterRecord(const TFilterRecordEvent& value) {
  TDataSet::SetOnFilterRecord(value);
  if (Filtered()) ApplyFilter();
}

std::unique_ptr<TExpression> TOracleDataSet::ResolveFilterColumn(const String& Name) {
  if (!FindField(Name) && !SameText(Name, "NULL")) return nullptr;
  return std::make_unique<TColumnExpression>(this, Name);
}

void TOracleDataSet::ParseFilter() {
  filter_expression_.reset();
  // While closed the text is only kept: opening parses it.
  if (records_ && !Filter().empty()) {
    filter_expression_ = OracleFilter::ParseFilterExpression(
        Filter(), FilterOptions(),
        [this](const String& name, std::unique_ptr<TParameterList>& params) {
          return params ? nullptr : ResolveFilterColumn(name);
        });
  }
  if (Filtered()) ApplyFilter();
}

void TOracleDataSet::ApplyFilter() {
  if (!Active()) return;
  if (Filtered()) {
    records_->ClearFiltered();
    for (Integer i = 0; i < records_->Count(); ++i) {
      TRecordBuffer record = records_->FullRecords(i);
      if (RecordMatchesFilter(record)) records_->AddToFiltered(record, true);
    }
  }
  First();
}

bool TOracleDataSet::EvaluateFilterExpression() {
  return !filter_expression_ || filter_expression_->AsBoolean();
}

bool TOracleDataSet::RecordMatchesFilter(TRecordBuffer record) {
  TRecordUnderTest test(this, record);
  bool accept = true;
  if (OnFilterRecord()) OnFilterRecord()(this, accept);
  return accept && EvaluateFilterExpression();
}

// --- counting ---------------------------------------------------------------------

Integer TOracleDataSet::GetRecordCount() {
  CheckActive();
  if (!count_all_records_ || Filtered()) return records_->VisibleCount();
  if (!hits_known_) {
    hits_ = CountQueryHits();
    hits_known_ = true;
  }
  return hits_;
}

Integer TOracleDataSet::CountQueryHits() {
  if (HasCursorVariable()) throw Exception("Cannot count query hits for cursor dataset");
  if (qbe_mode_) PrepareQBEQuery();
  const String text = OracleDataSetSql::CountStatement(main_query_->SQLWithSubstitutions());
  TOracleQuery* query = PrepareDMLQuery(false);
  query->ClearVariables();
  query->SQL()->SetText(text);
  CopyMainQueryVariables(query, text);
  query->Execute();
  return query->FieldAsInteger(0);
}

void TOracleDataSet::CopyMainQueryVariables(TOracleQuery* query, const String& text) {
  // Only the variables the text names: the server refuses a bound variable
  // the text does not hold.
  const auto names = Oracle::FindVariables(text, false);
  for (Integer i = 0; i < names->Count(); ++i) {
    const String& name = names->Strings(i);
    const Integer index = main_query_->VariableIndex(name);
    if (index < 0) continue;
    query->DeclareVariable(name, main_query_->VariableType(index));
    query->SetVariable(name, main_query_->GetVariable(index));
  }
}

void TOracleDataSet::SetRecNo(Integer value) {
  CheckBrowseMode();
  if (value >= 1 && value <= records_->VisibleCount()) {
    if (value == RecNo()) return;
    DoBeforeScroll();
    position_ = value - 1;
    ResyncMoved();
    DoAfterScroll();
  } else if (count_all_records_ && value >= 1 && value <= RecordCount()) {
    const Integer current = RecNo();
    if (value != current) MoveBy(value - current);
  }
}
