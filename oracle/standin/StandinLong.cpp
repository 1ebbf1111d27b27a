// oracle/standin/StandinLong.cpp
//
// The older generation's piecewise read of a LONG or LONG RAW column: the
// bytes of the row the cursor last fetched, from an offset, as many as the
// buffer holds. The cursor's rows-processed count stays as it was.
#include <cstring>

#include "oracle/standin/StandinModel.h"

namespace Standin {

sword TModelServer::oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl,
                          sb4 offset) {
  std::lock_guard lock(mutex_);
  TCursor* entry = Cursor7(cursor);
  if (!entry) return AreaResult(cursor, OraError(1001, "invalid cursor"));
  const TStmtHandle& stmt = *entry->stmt;
  if (stmt.fetched_row.empty()) return AreaResult(cursor, OraError(1002, "fetch out of sequence"));
  if (pos < 1 || std::size_t(pos) > stmt.fetched_row.size())
    return AreaResult(cursor, OraError(1007, "variable not in select list"));
  const ub2 type = stmt.columns[pos - 1].type;
  if (type != kSqltLng && type != kSqltLbi)
    return AreaResult(cursor, OraError(932, "inconsistent datatypes"));
  if (dtype != kSqltLng && dtype != kSqltLbi && dtype != kSqltChr && dtype != kSqltBin)
    return AreaResult(cursor, NoRule("oflng into type " + std::to_string(dtype)));
  if (!buf || bufl < 0 || offset < 0)
    return AreaResult(cursor, OraError(1009, "missing mandatory parameter"));
  const TValue& value = stmt.fetched_row[pos - 1];
  const std::string bytes = value.kind == TValue::TKind::Blob || value.kind == TValue::TKind::Text
                                ? value.bytes
                                : value.AsText();
  const std::size_t from = std::min(bytes.size(), std::size_t(offset));
  const std::size_t count = std::min(bytes.size() - from, std::size_t(bufl));
  std::memcpy(buf, bytes.data() + from, count);
  if (retl) *retl = static_cast<ub4>(count);
  return AreaResult(cursor, {});
}

}  // namespace Standin
