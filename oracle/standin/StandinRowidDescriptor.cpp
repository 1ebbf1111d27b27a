// oracle/standin/StandinRowidDescriptor.cpp
//
// ROWID descriptors: 16 bytes of plain memory each, which the statement's
// ROWID attribute fills with the row the last change touched, laid out as
// this client's generation lays it out.
#include "oracle/standin/StandinModel.h"
#include "oracle/standin/StandinRowid.h"

namespace Standin {

sword TModelServer::AllocateRowidDescriptor(void** descpp, void** usrmempp) {
  auto image = std::make_unique<ub4[]>(4);
  *descpp = image.get();
  rowid_descriptors_[image.get()] = std::move(image);
  if (usrmempp) *usrmempp = nullptr;
  return OCI_SUCCESS;
}

sword TModelServer::FreeRowidDescriptor(void* descp) {
  return rowid_descriptors_.erase(descp) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

sword TModelServer::ReadRowid(const TStmtHandle* stmt, void* descriptor, TErrorHandle* error) {
  if (!rowid_descriptors_.count(descriptor)) return OCI_INVALID_HANDLE;
  if (!stmt->last_rowid) return Fail(error, OraError(1410, "invalid ROWID"));
  WriteRowidImage(RowidParts(stmt->last_rowid), rowid_four_values_, descriptor);
  return OCI_SUCCESS;
}

void TModelServer::SetRowidFourValues(bool four_values) {
  std::lock_guard lock(mutex_);
  rowid_four_values_ = four_values;
}

}  // namespace Standin
