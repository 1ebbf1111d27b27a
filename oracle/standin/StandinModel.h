// oracle/standin/StandinModel.h
//
// The stand-in server model: answers the handle-based call interface as a
// client connected to an Oracle server does, over the data of a TDatabase.
// Every call checks its handles as a client does, writes only through the
// addresses it is given, and leaves its error on the error handle for
// OCIErrorGet. One lock serialises the calls of all threads; sessions keep
// their own connections and transactions.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_set>

#include "oracle/standin/StandinDatabase.h"
#include "oracle/standin/StandinHandles.h"
#include "oracle/standin/StandinObjects.h"
#include "oracle/standin/StandinRules.h"
#include "oracle/standin/StandinServer.h"
#include "oracle/standin/StandinSql.h"

namespace Standin {

// The banners OCIServerVersion gives: the library tells the generations
// apart by them.
constexpr const char* kBannerOracle8 = "Oracle8i Enterprise Edition Release 8.1.7.0.0 - Production";
constexpr const char* kBannerOracle9 = "Oracle9i Enterprise Edition Release 9.2.0.1.0 - Production";
constexpr const char* kBannerOracle7 = "Oracle7 Server Release 7.3.4.0.0 - Production";

// Writes `value` into element `row` of a bound buffer; an Oracle error when
// it does not fit or is NULL without an indicator.
TOraError WriteElement(const TBufferSpec& buffer, ub4 row, const TValue& value);

// An attribute's value written where OCIAttrGet's caller asked, with its
// size; a text as a pointer to the model's own characters.
template <class T>
sword PutAttribute(void* attributep, ub4* sizep, T value) {
  std::memcpy(attributep, &value, sizeof value);
  if (sizep) *sizep = sizeof value;
  return OCI_SUCCESS;
}

inline sword PutTextAttribute(void* attributep, ub4* sizep, const std::string& text) {
  *static_cast<const OraText**>(attributep) = reinterpret_cast<const OraText*>(text.c_str());
  if (sizep) *sizep = static_cast<ub4>(text.size());
  return OCI_SUCCESS;
}

// A SQLite column's value, and a value bound to a SQLite parameter.
TValue ColumnValue(sqlite3_stmt* query, int column);
void BindValue(sqlite3_stmt* query, int index, const TValue& value);

inline bool IsLobType(ub2 type) {
  return type == kSqltClob || type == kSqltBlob || type == kSqltBfile;
}

class TModelServer : public TNotConnectedServer {
 public:
  TModelServer();
  ~TModelServer() override;

  TDatabase& Database() { return *database_; }
  void SetBanner(std::string banner);
  // Rules are tried in the order added, before the SQL runs.
  void AddRule(TRule rule);
  std::vector<TLogEntry> Log() const;
  // Handles or descriptors of `type` made and not yet freed.
  std::size_t LiveCount(ub4 type) const;
  // The next `count` requests for a handle or descriptor of `type` fail,
  // as a client out of memory fails them.
  void RefuseHandles(ub4 type, int count);
  // ROWID descriptors as the older client lays them out (four 32-bit
  // values), or as the newer (13 bytes); by default as this client is.
  void SetRowidFourValues(bool four_values);
  // Runs Oracle SQL as `user` (DDL, DML; statements separated by lines that
  // hold a single "/" or by ";" at a line's end) and commits.
  TOraError LoadFixture(const std::string& user, const std::string& script);

  // The older generation (StandinOci7.cpp): a logon data area stands for a
  // session of the model, a cursor data area for one of its statements.
  sword olog(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
             OraText* conn, sword connl, ub4 mode) override;
  sword orlon(Lda_Def* lda, ub1* hda, OraText* uid, sword uidl, OraText* pswd, sword pswdl,
              sword audit) override;
  sword ologof(Lda_Def* lda) override;
  sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) override;
  sword oopen(Cda_Def* cursor, Lda_Def* lda, OraText* dbn, sword dbnl, sword arsize, OraText* uid,
              sword uidl) override;
  sword oparse(Cda_Def* cursor, OraText* sqlstm, sb4 sqllen, sword defflg, ub4 lngflg) override;
  sword obndra(Cda_Def* cursor, OraText* sqlvar, sword sqlvl, ub1* progv, sword progvl, sword ftype,
               sword scale, sb2* indp, ub2* alen, ub2* arcode, ub4 maxsiz, ub4* cursiz,
               OraText* fmt, sword fmtl, sword fmtt) override;
  sword odefin(Cda_Def* cursor, sword pos, ub1* buf, sword bufl, sword ftype, sword scale,
               sb2* indp, OraText* fmt, sword fmtl, sword fmtt, ub2* rlen, ub2* rcode) override;
  sword odescr(Cda_Def* cursor, sword pos, sb4* dbsize, sb2* dbtype, sb1* cbuf, sb4* cbufl,
               sb4* dsize, sb2* prec, sb2* scale, sb2* nullok) override;
  sword oexec(Cda_Def* cursor) override;
  sword oexn(Cda_Def* cursor, sword iters, sword rowoff) override;
  sword oexfet(Cda_Def* cursor, ub4 nrows, sword cancel, sword exact) override;
  sword ofen(Cda_Def* cursor, sword nrows) override;
  // A LONG column of the fetched row from an offset (StandinLong.cpp).
  sword oflng(Cda_Def* cursor, sword pos, ub1* buf, sb4 bufl, sword dtype, ub4* retl,
              sb4 offset) override;
  sword oclose(Cda_Def* cursor) override;
  sword ocom(Lda_Def* lda) override;
  sword orol(Lda_Def* lda) override;
  sword ocon(Lda_Def* lda) override;
  sword ocof(Lda_Def* lda) override;
  sword obreak(Lda_Def* lda) override;

  sword OCIEnvInit(OCIEnv** envp, ub4 mode, std::size_t xtramem_sz, void** usrmempp) override;
  sword OCIEnvCreate(OCIEnv** envp, ub4 mode, void* ctxp, OCIMallocFn malocfp, OCIReallocFn ralocfp,
                     OCIFreeFn mfreefp, std::size_t xtramem_sz, void** usrmempp) override;
  sword OCIHandleAlloc(const void* parenth, void** hndlpp, ub4 type, std::size_t xtramem_sz,
                       void** usrmempp) override;
  sword OCIHandleFree(void* hndlp, ub4 type) override;
  sword OCIDescriptorAlloc(const void* parenth, void** descpp, ub4 type, std::size_t xtramem_sz,
                           void** usrmempp) override;
  sword OCIDescriptorFree(void* descp, ub4 type) override;
  sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                    ub4 bufsiz, ub4 type) override;
  sword OCIAttrSet(void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype,
                   OCIError* errhp) override;
  sword OCIAttrGet(const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep,
                   ub4 attrtype, OCIError* errhp) override;
  sword OCIServerAttach(OCIServer* srvhp, OCIError* errhp, const OraText* dblink, sb4 dblink_len,
                        ub4 mode) override;
  sword OCIServerDetach(OCIServer* srvhp, OCIError* errhp, ub4 mode) override;
  sword OCIServerVersion(void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz,
                         ub1 hndltype) override;
  sword OCISessionBegin(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 credt,
                        ub4 mode) override;
  sword OCISessionEnd(OCISvcCtx* svchp, OCIError* errhp, OCISession* usrhp, ub4 mode) override;
  sword OCITransCommit(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) override;
  sword OCITransRollback(OCISvcCtx* svchp, OCIError* errhp, ub4 flags) override;
  sword OCIBreak(void* hndlp, OCIError* errhp) override;
  sword OCIStmtPrepare(OCIStmt* stmtp, OCIError* errhp, const OraText* stmt, ub4 stmt_len,
                       ub4 language, ub4 mode) override;
  sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, void* valuep,
                     sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                     ub4* curelep, ub4 mode) override;
  sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const OraText* placeholder,
                      sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp,
                      ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4 mode) override;
  sword OCIBindDynamic(OCIBind* bindp, OCIError* errhp, void* ictxp, OCICallbackInBind icbfp,
                       void* octxp, OCICallbackOutBind ocbfp) override;
  sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                             ub4 rcskip) override;
  sword OCIDefineByPos(OCIStmt* stmtp, OCIDefine** defnp, OCIError* errhp, ub4 position,
                       void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep,
                       ub4 mode) override;
  sword OCIDefineArrayOfStruct(OCIDefine* defnp, OCIError* errhp, ub4 pvskip, ub4 indskip,
                               ub4 rlskip, ub4 rcskip) override;
  sword OCIStmtExecute(OCISvcCtx* svchp, OCIStmt* stmtp, OCIError* errhp, ub4 iters, ub4 rowoff,
                       const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode) override;
  sword OCIStmtFetch(OCIStmt* stmtp, OCIError* errhp, ub4 nrows, ub2 orientation,
                     ub4 mode) override;
  sword OCIDefineDynamic(OCIDefine* defnp, OCIError* errhp, void* octxp,
                         OCICallbackDefine ocbfp) override;
  sword OCIParamGet(const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp,
                    ub4 pos) override;

  // LOB and file locators (StandinLob.cpp).
  sword OCILobRead(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                   void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid,
                   ub1 csfrm) override;
  sword OCILobWrite(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                    void* bufp, ub4 buflen, ub1 piece, void* ctxp, OCICallbackLobWrite cbfp,
                    ub2 csid, ub1 csfrm) override;
  sword OCILobTrim(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4 newlen) override;
  sword OCILobGetLength(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* lenp) override;
  sword OCILobLocatorIsInit(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                            boolean* is_initialized) override;
  sword OCILobFileOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep, ub1 mode) override;
  sword OCILobFileClose(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep) override;
  sword OCILobFileIsOpen(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                         boolean* flag) override;
  sword OCILobFileExists(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* filep,
                         boolean* flag) override;
  sword OCILobFileGetName(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* filep,
                          OraText* dir_alias, ub2* d_length, OraText* filename,
                          ub2* f_length) override;

  // Objects, references and their types (StandinObjectModel.cpp).
  sword OCIDescribeAny(OCISvcCtx* svchp, OCIError* errhp, void* objptr, ub4 objnm_len,
                       ub1 objptr_typ, ub1 info_level, ub1 objtyp, OCIDescribe* dschp) override;
  sword OCIObjectNew(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, OCITypeCode typecode,
                     OCIType* tdo, void* table, OCIDuration duration, boolean value,
                     void** instance) override;
  sword OCIObjectPin(OCIEnv* env, OCIError* err, OCIRef* object_ref, OCIComplexObject* corhdl,
                     OCIPinOpt pin_option, OCIDuration pin_duration, OCILockOpt lock_option,
                     void** object) override;
  sword OCIObjectUnpin(OCIEnv* env, OCIError* err, void* object) override;
  sword OCIObjectFree(OCIEnv* env, OCIError* err, void* instance, ub2 flags) override;
  sword OCIObjectGetInd(OCIEnv* env, OCIError* err, void* instance, void** null_struct) override;
  sword OCIObjectMarkUpdate(OCIEnv* env, OCIError* err, void* object) override;
  sword OCIObjectUnmark(OCIEnv* env, OCIError* err, void* object) override;
  sword OCIObjectIsDirty(OCIEnv* env, OCIError* err, void* ins, boolean* dirty) override;
  sword OCIRefAssign(OCIEnv* env, OCIError* err, const OCIRef* source, OCIRef** target) override;
  void OCIRefClear(OCIEnv* env, OCIRef* ref) override;
  boolean OCIRefIsNull(OCIEnv* env, const OCIRef* ref) override;
  // Instances fetched into and bound from the client's images, object
  // tables and their rows' references, and the strings and numbers of the
  // images (StandinObjectTables.cpp).
  sword OCIBindObject(OCIBind* bindp, OCIError* errhp, const OCIType* type, void** pgvpp,
                      ub4* pvszsp, void** indpp, ub4* indszp) override;
  sword OCIDefineObject(OCIDefine* defnp, OCIError* errhp, const OCIType* type, void** pgvpp,
                        ub4* pvszsp, void** indpp, ub4* indszp) override;
  sword OCIStringAssignText(OCIEnv* env, OCIError* err, const OraText* rhs, ub4 rhs_len,
                            OCIString** lhs) override;
  OraText* OCIStringPtr(OCIEnv* env, const OCIString* vs) override;
  sword OCINumberFromReal(OCIError* err, const void* rnum, uword rnum_length,
                          OCINumber* number) override;
  sword OCINumberToReal(OCIError* err, const OCINumber* number, uword rsl_length,
                        void* rsl) override;
  // The image layout of an object type of the model, for the control API.
  bool ObjectLayout(const std::string& type, const std::string& attribute, TAttrPlace& place,
                    std::size_t& size, std::size_t& indicator_size);

  // What the model does not model (StandinNotModelled.cpp).
  sword OCIObjectLock(OCIEnv* env, OCIError* err, void* object) override;
  sword OCIObjectMarkDelete(OCIEnv* env, OCIError* err, void* instance) override;
  sword OCIObjectFlush(OCIEnv* env, OCIError* err, void* object) override;
  sword OCIObjectCopy(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* source,
                      void* null_source, void* target, void* null_target, OCIType* tdo,
                      OCIDuration duration, ub1 option) override;
  sword OCIObjectGetTypeRef(OCIEnv* env, OCIError* err, void* instance, OCIRef* type_ref) override;
  sword OCIObjectGetObjectRef(OCIEnv* env, OCIError* err, void* object,
                              OCIRef* object_ref) override;
  sword OCIObjectExists(OCIEnv* env, OCIError* err, void* ins, boolean* exist) override;
  sword OCIObjectIsLocked(OCIEnv* env, OCIError* err, void* ins, boolean* lock) override;
  sword OCIObjectRefresh(OCIEnv* env, OCIError* err, void* object) override;
  sword OCIObjectPinTable(OCIEnv* env, OCIError* err, const OCISvcCtx* svc,
                          const OraText* schema_name, ub4 s_n_length, const OraText* object_name,
                          ub4 o_n_length, const OCIRef* scope_obj_ref, OCIDuration pin_duration,
                          void** object) override;
  sword OCITypeByName(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, const OraText* schema_name,
                      ub4 s_length, const OraText* type_name, ub4 t_length,
                      const OraText* version_name, ub4 v_length, OCIDuration pin_duration,
                      OCITypeGetOpt get_option, OCIType** tdo) override;
  sword OCIObjectGetAttr(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                         OCIType* tdo, const OraText** names, const ub4* lengths, ub4 name_count,
                         const ub4* indexes, ub4 index_count, OCIInd* attr_null_status,
                         void** attr_null_struct, void** attr_value, OCIType** attr_tdo) override;
  sword OCIObjectSetAttr(OCIEnv* env, OCIError* err, void* instance, void* null_struct,
                         OCIType* tdo, const OraText** names, const ub4* lengths, ub4 name_count,
                         const ub4* indexes, ub4 index_count, OCIInd null_status,
                         const void* attr_null_struct, const void* attr_value) override;
  sword OCINumberFromInt(OCIError* err, const void* inum, uword inum_length, uword inum_s_flag,
                         OCINumber* number) override;
  sword OCINumberToInt(OCIError* err, const OCINumber* number, uword rsl_length, uword rsl_flag,
                       void* rsl) override;
  sword OCINumberToText(OCIError* err, const OCINumber* number, const OraText* fmt, ub4 fmt_length,
                        const OraText* nls_params, ub4 nls_p_length, ub4* buf_size,
                        OraText* buf) override;
  sword OCINumberFromText(OCIError* err, const OraText* str, ub4 str_length, const OraText* fmt,
                          ub4 fmt_length, const OraText* nls_params, ub4 nls_p_length,
                          OCINumber* number) override;
  sword OCIRawAssignBytes(OCIEnv* env, OCIError* err, const ub1* rhs, ub4 rhs_len,
                          OCIRaw** lhs) override;
  sword OCIRefFromHex(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, const OraText* hex,
                      ub4 length, OCIRef** ref) override;
  sword OCIRefToHex(OCIEnv* env, OCIError* err, const OCIRef* ref, OraText* hex,
                    ub4* hex_length) override;
  sword OCICollSize(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4* size) override;
  sword OCICollTrim(OCIEnv* env, OCIError* err, sb4 trim_num, OCIColl* coll) override;
  sword OCICollGetElem(OCIEnv* env, OCIError* err, const OCIColl* coll, sb4 index, boolean* exists,
                       void** elem, void** elemind) override;
  sword OCICollAssignElem(OCIEnv* env, OCIError* err, sb4 index, const void* elem,
                          const void* elemind, OCIColl* coll) override;
  sword OCICollAppend(OCIEnv* env, OCIError* err, const void* elem, const void* elemind,
                      OCIColl* coll) override;
  sword OCITableDelete(OCIEnv* env, OCIError* err, sb4 index, OCITable* tbl) override;
  sword OCICacheFlush(OCIEnv* env, OCIError* err, const OCISvcCtx* svc, void* context,
                      OCICacheFlushGetFn get, OCIRef** ref) override;
  sword OCILobAppend(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                     OCILobLocator* src_locp) override;
  sword OCILobAssign(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* src_locp,
                     OCILobLocator** dst_locpp) override;
  sword OCILobCopy(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                   OCILobLocator* src_locp, ub4 amount, ub4 dst_offset, ub4 src_offset) override;
  sword OCILobErase(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub4* amount,
                    ub4 offset) override;
  sword OCILobLoadFromFile(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* dst_locp,
                           OCILobLocator* src_filep, ub4 amount, ub4 dst_offset,
                           ub4 src_offset) override;
  sword OCILobEnableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp) override;
  sword OCILobDisableBuffering(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp) override;
  sword OCILobFlushBuffer(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp,
                          ub4 flag) override;
  sword OCILobFileSetName(OCIEnv* envhp, OCIError* errhp, OCILobLocator** filepp,
                          const OraText* dir_alias, ub2 d_length, const OraText* filename,
                          ub2 f_length) override;
  sword OCILobFileCloseAll(OCISvcCtx* svchp, OCIError* errhp) override;
  sword OCILobCharSetForm(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                          ub1* csfrm) override;
  sword OCILobCharSetId(OCIEnv* envhp, OCIError* errhp, const OCILobLocator* locp,
                        ub2* csid) override;

  // The MTS service (StandinMts.cpp): a service context logged on as the
  // given user, with an environment of its own, until it is released.
  ub4 OraMTSSvcGet(const char* username, const char* password, const char* dbname,
                   OCISvcCtx** svchp, OCIEnv** envhp, ub4 flags) override;
  ub4 OraMTSSvcRel(OCISvcCtx* svchp) override;
  // A logon data area standing for a service context's session, and back
  // (StandinOci7.cpp).
  sword OCISvcCtxToLda(OCISvcCtx* svchp, OCIError* errhp, Lda_Def* ldap) override;
  sword OCILdaToSvcCtx(OCISvcCtx** svchpp, OCIError* errhp, Lda_Def* ldap) override;

 private:
  template <class T>
  T* Live(const void* handle, ub4 type) const;
  // Keeps a new handle or descriptor and gives its address; lets it go.
  sword Own(std::unique_ptr<THandle> handle, void** out, void** usrmempp);
  sword Disown(THandle* handle);
  void Register(THandle* handle);
  template <class T, class K>
  T* Attach(TStmtHandle* stmt, std::vector<std::unique_ptr<T>>& list, K T::*key, const K& value,
            const TBufferSpec& buffer);
  void Forget(THandle* handle);
  void FreeStatement(TStmtHandle* stmt);
  // Records `error` on the error handle; the call's status.
  sword Fail(TErrorHandle* error, const TOraError& ora);
  sword EndTransaction(OCISvcCtx* svchp, OCIError* errhp, bool commit);
  TSqlContext Context(const std::string& user) const;
  TOraError Run(TStmtHandle* stmt, TConnection& connection, ub4 iters, ub4 rowoff, ub4 mode,
                bool& fewer_rows);
  TOraError StartQuery(TStmtHandle* stmt, TConnection& connection, const TTranslation& sql,
                       bool describe_only);
  // ROWID descriptors (StandinRowidDescriptor.cpp): a caller reads their
  // bytes, so they are plain memory the model keeps apart from handles.
  sword AllocateRowidDescriptor(void** descpp, void** usrmempp);
  sword FreeRowidDescriptor(void* descp);
  sword ReadRowid(const TStmtHandle* stmt, void* descriptor, TErrorHandle* error);
  // A fetched value handed piece by piece to a dynamic define's callback
  // (StandinPieces.cpp).
  TOraError DeliverPieces(TDefineHandle* define, ub4 row, const TValue& value);
  // Locks the rows a select for update chose (StandinLocks.cpp).
  TOraError LockSelected(TStmtHandle* stmt, TConnection& connection, const TTranslation& sql);
  // Whether the statement running may wait for rows others hold: only one
  // that a call executes can (see statement_lock_).
  bool CanWait() const { return statement_lock_ != nullptr; }
  // Waits until no other session holds any of `rows`, then brings the
  // connection's copy up to date with what they committed; ORA-00060 for
  // a wait that would close a cycle (StandinLocks.cpp).
  TOraError WaitForHolders(TConnection& connection, const std::vector<TRowKey>& rows);
  TOraError BindRow(TStmtHandle* stmt, sqlite3_stmt* query, const TTranslation& sql, ub4 row);
  TOraError Answer(TStmtHandle* stmt, const TRuleAnswer& answer, ub4 iters, ub4 mode,
                   bool& fewer_rows);
  // The session's probes and the library's PL/SQL blocks, which SQLite
  // cannot run: true when `stmt` was one of them (StandinPlsql.cpp).
  bool Builtin(TStmtHandle* stmt, TConnection& connection, TRuleAnswer& answer, TOraError& error);
  TOraError Evaluate(TStmtHandle* stmt, TConnection& connection, const std::string& oracle_sql,
                     std::vector<TValue>& row, bool& found);
  TOraError WriteOutBind(TStmtHandle* stmt, const std::string& name, const TValue& value);
  // PL/SQL tables and cursors (StandinCursors.cpp): a table's elements out,
  // a bound cursor or a fetched cursor column opened over a query.
  TOraError WriteOutTable(TStmtHandle* stmt, const std::string& name,
                          const std::vector<TValue>& values);
  TOraError WriteOutCursor(TStmtHandle* stmt, const std::string& name, const std::string& query);
  TOraError FetchCursor(TStmtHandle* stmt, const TBufferSpec& buffer, ub4 row, const TValue& query);
  // LOB locators (StandinLob.cpp): one bound to a row, or holding a
  // fetched value; the value read and written in a session.
  struct TLobCall;
  TLobCall LobCall(OCISvcCtx* svchp, OCIError* errhp, const void* locp);
  TLobCall FileCall(OCISvcCtx* svchp, OCIError* errhp, const void* filep);
  TLobHandle* LiveLob(const void* locator) const;
  TOraError BindLobToRow(TLobHandle* lob, ub2 lob_type, const std::string& table,
                         const std::string& column, std::int64_t rowid);
  TOraError SetFetchedLob(TLobHandle* lob, ub2 lob_type, const TValue& value);
  // A CLOB or BLOB fetched from a row that the select locked for update
  // stands for that row, as one returned by a change does.
  void LockedRowLob(const TStmtHandle* stmt, int column, TLobHandle* lob);
  std::string FilePath(const TLobHandle& lob, TOraError& error) const;
  TOraError ReadLob(TLobHandle* lob, TConnection& connection, std::string& out);
  TOraError StoreLob(TLobHandle* lob, TConnection& connection, const std::string& value);
  // Runs a statement for one of the calls that execute (they hold `lock`
  // and nothing else of the model's): a change, or a select for update
  // without nowait, may wait in it for rows another session holds.
  TOraError RunWaiting(std::unique_lock<std::recursive_mutex>& lock, TStmtHandle* stmt,
                       TConnection& connection, ub4 iters, ub4 rowoff, ub4 mode, bool& fewer_rows);
  // A change's "returning ... into" over any number of rows, for a delete
  // (which returns what it removed) or into binds for data at execution
  // (StandinReturning.cpp): the rows the change will touch with their
  // values as they are before it, then what it returns once it ran.
  struct TReturned {
    std::vector<std::int64_t> rowids;
    std::vector<std::vector<TValue>> values;  // per row, one per expression
  };
  bool ReturnsRows(const TStmtHandle* stmt, const TTranslation& sql) const;
  TOraError BeforeChange(TStmtHandle* stmt, TConnection& connection, const TTranslation& sql,
                         ub4 row, TReturned& returned);
  TOraError AfterChange(TStmtHandle* stmt, TConnection& connection, const TTranslation& sql,
                        ub4 row, bool changed, TReturned& returned);
  TOraError ReadReturned(TStmtHandle* stmt, TConnection& connection, const TTranslation& sql,
                         TReturned& returned);
  // A change's "returning ... into" for the row it touched (StandinLob.cpp).
  TOraError Returning(TStmtHandle* stmt, TConnection& connection, const TTranslation& sql, ub4 row,
                      std::int64_t rowid);
  sword NotModelled(OCIError* errhp, const char* name);
  // Objects (StandinObjectModel.cpp).
  struct TInstance {
    std::string type;
    std::unique_ptr<unsigned char[]> image, indicators;
    bool pinned = false, dirty = false;
    // Read from an object table by a pin: the cache lets it go when it is
    // unpinned, and a flush writes it back to its row (the table, the
    // row's rowid) in the session's transaction.
    bool from_table = false;
    std::string table;
    std::int64_t rowid = 0;
    TSessionHandle* session = nullptr;
    // The strings and references its image points to.
    std::vector<THandle*> parts;
  };
  // Object tables (StandinObjectTables.cpp).
  TOraError CreateObjectTable(TConnection& connection, const std::string& text);
  // The statement's text with REF(t) and VALUE(t) of object tables read as
  // the row's reference text; the select-list columns they make.
  std::string RewriteObjects(TStmtHandle* stmt);
  TOraError ReadObjectRow(TConnection& connection, const std::string& reference, std::string& table,
                          std::map<std::string, TValue>& values, std::int64_t* rowid = nullptr);
  // A LOB attribute of an instance that stands for its row (instance.rowid
  // set) reads and writes the row; any other holds the value read.
  TOraError FillInstance(TInstance& instance, const std::map<std::string, TValue>& values,
                         TSessionHandle* session);
  // The values of an instance's images, by column of its object table; a
  // LOB attribute's value is read in `connection`'s transaction.
  TOraError InstanceValues(const void* image, const void* indicators, const std::string& type,
                           std::vector<std::pair<std::string, TValue>>& values,
                           TConnection& connection);
  // Writes a pinned instance back to its row.
  TOraError FlushInstance(TInstance& instance);
  bool IsObjectInsert(const TStmtHandle* stmt, std::string& table, std::string& bind) const;
  TOraError InsertObjects(TStmtHandle* stmt, TConnection& connection, const std::string& table,
                          const std::string& name, ub4 iters, ub4 rowoff);
  TOraError ReferenceValue(const TBindHandle& bind, ub4 row, TValue& value);
  TOraError FetchObject(TStmtHandle* stmt, const TDefineHandle& define, ub4 row,
                        const TValue& value);
  void ReleaseParts(TInstance& instance);
  TOraError PinRow(TRefObject* ref, void** object);
  THandle* LiveObject(const void* object, ub4 type) const;
  sword WithInstance(OCIEnv* env, OCIError* err, void* object,
                     const std::function<void(TInstance&)>& action);
  TParamHandle* NewParam(const THandle* owner);
  sword TypeParamAttribute(TParamHandle* param, void* attributep, ub4* sizep, ub4 attrtype,
                           TErrorHandle* error);
  sword AttributeParam(TParamHandle* list, TErrorHandle* error, void** parmdpp, ub4 pos);
  TOraError RunCreateType(TConnection& connection, const std::string& text);
  TOraError OpenCursor(TStmtHandle* cursor, TSessionHandle* session, const std::string& query);
  std::string BindText(const TBindHandle& bind, ub4 row) const;
  void Record(const TStmtHandle* stmt, ub4 iters, ub4 rowoff, ub4 mode);
  TOraError Fetch(TStmtHandle* stmt, ub4 nrows, ub4& fetched, bool& truncated);

  struct TLogon {
    // A logon's own session, or none for a data area derived from a
    // service context, whose session the context keeps.
    std::unique_ptr<TSessionHandle> owned;
    TSessionHandle* session = nullptr;
    bool autocommit = false;
  };
  struct TCursor {
    std::unique_ptr<TStmtHandle> stmt;
    Lda_Def* lda = nullptr;
    bool parsed = false;
  };
  sword Logon7(Lda_Def* lda, const std::string& user, const std::string& password);
  // Sets the area's return code (and the text oerhms gives for it); the code.
  sword AreaResult(cda_def* area, const TOraError& error);
  TCursor* Cursor7(Cda_Def* cursor);
  sword Execute7(std::unique_lock<std::recursive_mutex>& lock, Cda_Def* cursor, ub4 iters,
                 ub4 rowoff, ub4 fetch_rows);

  mutable std::recursive_mutex mutex_;
  // The lock of the call running a statement, set while the call runs it:
  // a statement that waits for another session's rows lets go of it while
  // it waits, so that the other session can end its transaction.
  // Null elsewhere: a statement run from anything else cannot wait.
  std::unique_lock<std::recursive_mutex>* statement_lock_ = nullptr;
  std::map<const Lda_Def*, TLogon> logons_;
  std::map<const Cda_Def*, TCursor> cursors_;
  std::map<sb4, std::string> texts_;
  std::unique_ptr<TDatabase> database_;
  std::string banner_ = kBannerOracle8;
  std::unordered_set<const THandle*> live_;
  std::map<ub4, int> refusals_;
  // Whether this request for a handle or descriptor of `type` is refused.
  bool Refused(ub4 type);
  std::vector<std::unique_ptr<THandle>> owned_;
  std::vector<TRule> rules_;
  std::vector<TLogEntry> log_;
  std::unordered_set<const OCISvcCtx*> mts_services_;
  std::map<const void*, std::unique_ptr<ub4[]>> rowid_descriptors_;
  bool rowid_four_values_ = !StandinClientHasOci81();
  TObjectTypes types_;
  std::map<const void*, TInstance> instances_;
  std::map<std::string, std::string> object_tables_;  // table: its type
};

template <class T>
T* TModelServer::Live(const void* handle, ub4 type) const {
  const auto* base = static_cast<const THandle*>(handle);
  if (!base || !live_.count(base) || base->type != type) return nullptr;
  return static_cast<T*>(const_cast<THandle*>(base));
}

template <class T, class K>
T* TModelServer::Attach(TStmtHandle* stmt, std::vector<std::unique_ptr<T>>& list, K T::*key,
                        const K& value, const TBufferSpec& buffer) {
  // A second bind of a name, or define of a position, replaces the first.
  T* found = nullptr;
  for (auto& existing : list)
    if ((*existing).*key == value) found = existing.get();
  if (!found) {
    list.push_back(std::make_unique<T>());
    found = list.back().get();
    found->stmt = stmt;
    found->*key = value;
    Register(found);
  }
  found->buffer = buffer;
  return found;
}

}  // namespace Standin
