// oracle/OracleQueryCursors.cpp
//
// Cursor columns of TOracleQuery: a select list item that is itself a query
// (a cursor expression). The client opens each fetched row's cursor in a
// statement handle the column keeps for that row; CursorField hands such a
// cursor to another query, which reads it as it reads a cursor variable.
#include "oracle/OracleErrors.h"
#include "oracle/OracleQuery.h"
#include "platform/rtl/ScopeExit.h"

void TOracleQuery::AllocateCursorHandles(TFieldData* field) {
  // A select list that cannot be fetched in full is not kept.
  bool done = false;
  TScopeExit forget([&] {
    if (!done) fields_.Clear();
  });
  Oracle::CheckSessionRequirement(session_, "A query with sub-queries");
  for (Integer row = 0; row < field->Rows; ++row) field->SetRowHandle(row, NewStatementHandle());
  done = true;
}

void TOracleQuery::CursorField(Integer Index, TOracleQuery* Target) {
  TFieldData* field = FieldAt(Index);
  if (field->ExternalType != Oracle::otCursor)
    throw Exception("Field " + field->Name + " is not a cursor");
  const Integer row = CurrentRow();
  if (!Target) throw Exception("Cursor field " + field->Name + " needs a query to read it");
  if (Target == this)
    throw Exception("Cursor field " + field->Name + " cannot be read by its query");
  sb2& indicator = field->Indicators[std::size_t(row)];
  if (indicator == -1) throw Exception("Field " + field->Name + " holds no cursor");
  NeedSession();
  // The row gets a fresh handle before its opened one leaves, so that a
  // failure leaves the row as it was and the next block has a handle to
  // open its cursor in.
  OCIStmt* fresh = NewStatementHandle();
  auto* opened = static_cast<OCIStmt*>(field->RowHandle(row));
  field->SetRowHandle(row, fresh);
  indicator = -1;
  Target->OpenAsCursorVariable(session_, opened);
}
