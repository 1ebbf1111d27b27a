// oracle/standin/StandinNotModelled.cpp
//
// Entry points of the object cache, collections, numbers and the rarer LOB
// operations that the stand-in does not model: each fails with ORA-03001
// and its own name, so that a test reaching one learns which, instead of
// the stand-in pretending an answer.
#include "oracle/standin/StandinModel.h"

// Only the error handle matters to a refusal.
#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace Standin {

sword TModelServer::NotModelled(OCIError* errhp, const char* name) {
  std::lock_guard lock(mutex_);
  auto* error = Live<TErrorHandle>(errhp, kHtypeError);
  if (!error) return OCI_INVALID_HANDLE;
  return Fail(error, OraError(3001, std::string("unimplemented feature: ") + name +
                                        " is not modelled by the stand-in"));
}

sword TModelServer::OCIObjectLock(OCIEnv* env, OCIError* err, void* object) {
  return NotModelled(err, "OCIObjectLock");
}

sword TModelServer::OCIObjectMarkDelete(OCIEnv* env, OCIError* err, void* instance) {
  return NotModelled(err, "OCIObjectMarkDelete");
}

sword TModelServer::OCIObjectCopy(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* source,
                                  void* null_source, void* target, void* null_target, OCIType* tdo,
                                  OCIDuration duration, ub1 option) {
  return NotModelled(err, "OCIObjectCopy");
}

sword TModelServer::OCIObjectGetTypeRef(OCIEnv* env, OCIError* err, void* instance,
                                        OCIRef* type_ref) {
  return NotModelled(err, "OCIObjectGetTypeRef");
}

sword TModelServer::OCIObjectGetObjectRef(OCIEnv* env, OCIError* err, void* object,
                                          OCIRef* object_ref) {
  return NotModelled(err, "OCIObjectGetObjectRef");
}

sword TModelServer::OCIObjectExists(OCIEnv* env, OCIError* err, void* ins, boolean* exist) {
  return NotModelled(err, "OCIObjectExists");
}

sword TModelServer::OCIObjectIsLocked(OCIEnv* env, OCIError* err, void* ins, boolean* lock) {
  return NotModelled(err, "OCIObjectIsLocked");
}

sword TModelServer::OCIObjectRefresh(OCIEnv* env, OCIError* err, void* object) {
  return NotModelled(err, "OCIObjectRefresh");
}

sword TModelServer::OCIObjectPinTable(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                      const OraText* schema_name, ub4 s_n_length,
                                      const OraText* object_name, ub4 o_n_length,
                                      const OCIRef* scope_obj_ref, OCIDuration pin_duration,
                                      void** object) {
  return NotModelled(err, "OCIObjectPinTable");
}

sword TModelServer::OCITypeByName(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                  const OraText* schema_name, ub4 s_length,
                                  const OraText* type_name, ub4 t_length,
                                  const OraText* version_name, ub4 v_length,
                                  OCIDuration pin_duration, OCITypeGetOpt get_option,
                                  OCIType** tdo) {
  return NotModelled(err, "OCITypeByName");
}

sword TModelServer::OCIObjectGetAttr(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                                     OCIType* tdo, const OraText** names, const ub4* lengths,
                                     ub4 name_count, const ub4* indexes, ub4 index_count,
                                     OCIInd* attr_null_status, void** attr_null_struct,
                                     void** attr_value, OCIType** attr_tdo) {
  return NotModelled(err, "OCIObjectGetAttr");
}

sword TModelServer::OCIObjectSetAttr(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                                     OCIType* tdo, const OraText** names, const ub4* lengths,
                                     ub4 name_count, const ub4* indexes, ub4 index_count,
                                     OCIInd null_status, const void* attr_null_struct,
                                     const void* attr_value) {
  return NotModelled(err, "OCIObjectSetAttr");
}

sword TModelServer::OCINumberFromInt(OCIError* err, const void* inum, uword inum_length,
                                     uword inum_s_flag, OCINumber* number) {
  return NotModelled(err, "OCINumberFromInt");
}

sword TModelServer::OCINumberToInt(OCIError* err, const OCINumber* number, uword rsl_length,
                                   uword rsl_flag, void* rsl) {
  return NotModelled(err, "OCINumberToInt");
}

sword TModelServer::OCINumberToText(OCIError* err, const OCINumber* number, const OraText* fmt,
                                    ub4 fmt_length, const OraText* nls_params, ub4 nls_p_length,
                                    ub4* buf_size, OraText* buf) {
  return NotModelled(err, "OCINumberToText");
}

sword TModelServer::OCINumberFromText(OCIError* err, const OraText* str, ub4 str_length,
                                      const OraText* fmt, ub4 fmt_length, const OraText* nls_params,
                                      ub4 nls_p_length, OCINumber* number) {
  return NotModelled(err, "OCINumberFromText");
}

sword TModelServer::OCIRawAssignBytes(OCIEnv* env, OCIError* err, const ub1* rhs, ub4 rhs_len,
                                      OCIRaw** lhs) {
  return NotModelled(err, "OCIRawAssignBytes");
}

sword TModelServer::OCIRefFromHex(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                                  const OraText* hex, ub4 length, OCIRef** ref) {
  return NotModelled(err, "OCIRefFromHex");
}

sword TModelServer::OCIRefToHex(OCIEnv* env, OCIError* err, const OCIRef* ref, OraText* hex,
                                ub4* hex_length) {
  return NotModelled(err, "OCIRefToHex");
}

sword TModelServer::OCICollSize(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4* size) {
  return NotModelled(err, "OCICollSize");
}

sword TModelServer::OCICollTrim(OCIEnv* env, OCIError* err, sb4 trim_num, OCIColl* coll) {
  return NotModelled(err, "OCICollTrim");
}

sword TModelServer::OCICollGetElem(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4 index,
                                   boolean* exists, void** elem, void** elemind) {
  return NotModelled(err, "OCICollGetElem");
}

sword TModelServer::OCICollAssignElem(OCIEnv* env, OCIError* err, sb4 index, const void* elem,
                                      const void* elemind, OCIColl* coll) {
  return NotModelled(err, "OCICollAssignElem");
}

sword TModelServer::OCICollAppend(OCIEnv* env, OCIError* err, const void* elem, const void* elemind,
                                  OCIColl* coll) {
  return NotModelled(err, "OCICollAppend");
}

sword TModelServer::OCITableDelete(OCIEnv* env, OCIError* err, sb4 index, OCITable* tbl) {
  return NotModelled(err, "OCITableDelete");
}

sword TModelServer::OCICacheFlush(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* context,
                                  OCICacheFlushGetFn get, OCIRef** ref) {
  return NotModelled(err, "OCICacheFlush");
}

sword TModelServer::OCILobAppend(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                                 OCILobLocator* src_locp) {
  return NotModelled(errhp, "OCILobAppend");
}

sword TModelServer::OCILobAssign(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* src_locp,
                                 OCILobLocator** dst_locpp) {
  return NotModelled(errhp, "OCILobAssign");
}

sword TModelServer::OCILobCopy(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                               OCILobLocator* src_locp, ub4 amount, ub4 dst_offset,
                               ub4 src_offset) {
  return NotModelled(errhp, "OCILobCopy");
}

sword TModelServer::OCILobErase(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amount,
                                ub4 offset) {
  return NotModelled(errhp, "OCILobErase");
}

sword TModelServer::OCILobLoadFromFile(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                                       OCILobLocator* src_filep, ub4 amount, ub4 dst_offset,
                                       ub4 src_offset) {
  return NotModelled(errhp, "OCILobLoadFromFile");
}

sword TModelServer::OCILobFileSetName(OCIEnv* envhp, OCIError* errhp, OCILobLocator** filepp,
                                      const OraText* dir_alias, ub2 d_length,
                                      const OraText* filename, ub2 f_length) {
  return NotModelled(errhp, "OCILobFileSetName");
}

sword TModelServer::OCILobFileCloseAll(OCISvcCtx* svchp, OCIError* errhp) {
  return NotModelled(errhp, "OCILobFileCloseAll");
}

sword TModelServer::OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                      ub1* csfrm) {
  return NotModelled(errhp, "OCILobCharSetForm");
}

sword TModelServer::OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                                    ub2* csid) {
  return NotModelled(errhp, "OCILobCharSetId");
}
}  // namespace Standin
