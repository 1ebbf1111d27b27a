// oracle/standin/StandinPieces.cpp
//
// Dynamic defines: a LONG or LONG RAW column fetched in pieces whose memory
// the caller's callback hands out, one call per piece, first piece first,
// until the value is delivered. The callback answers "continue" to each;
// anything else ends the fetch with an error, as the client does.
#include <cstring>

#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

constexpr ub1 kFirstPiece = 1;
constexpr ub1 kNextPiece = 2;

}  // namespace

sword TModelServer::OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp,
                                     OCICallbackDefine ocbfp) {
  std::lock_guard lock(mutex_);
  auto* define = Live<TDefineHandle>(defnp, kHtypeDefine);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!define || !error) return OCI_INVALID_HANDLE;
  if (!define->dynamic || !ocbfp)
    return Fail(error, NoRule("a dynamic callback for a define not in dynamic mode"));
  define->context = octxp;
  define->callback = ocbfp;
  return OCI_SUCCESS;
}

TOraError TModelServer::DeliverPieces(TDefineHandle* define, ub4 row, const TValue& value) {
  if (!define->callback)
    return OraError(24343, "user defined callback error (no callback for a dynamic define)");
  const std::string bytes = value.kind == TValue::TKind::Text || value.kind == TValue::TKind::Blob
                                ? value.bytes
                                : value.AsText();
  std::size_t at = 0;
  ub1 piece = kFirstPiece;
  do {
    void* buffer = nullptr;
    ub4* length = nullptr;
    void* indicator = nullptr;
    ub2* rcode = nullptr;
    const sb4 status = define->callback(define->context, reinterpret_cast<OCIDefine*>(define), row,
                                        &buffer, &length, &piece, &indicator, &rcode);
    if (status != OCI_CONTINUE) return OraError(24343, "user defined callback error");
    if (!length || (!buffer && *length > 0))
      return OraError(1009, "missing mandatory parameter (a piece without its memory)");
    const std::size_t count = std::min<std::size_t>(*length, bytes.size() - at);
    if (count) std::memcpy(buffer, bytes.data() + at, count);
    *length = static_cast<ub4>(count);
    at += count;
    if (indicator) *static_cast<sb2*>(indicator) = value.IsNull() ? -1 : 0;
    if (rcode) *rcode = 0;
    if (count == 0 && at < bytes.size())
      return OraError(1009, "missing mandatory parameter (a piece of no bytes)");
    piece = kNextPiece;
  } while (at < bytes.size());
  return {};
}

}  // namespace Standin
