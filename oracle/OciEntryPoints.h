// oracle/OciEntryPoints.h
//
// Every entry point of the client that the library binds, in binding order,
// by group. Each line is
//     X(result type, name, (parameters), (argument names))
// so that one list serves every use: the binding declares a variable of the
// entry's pointer type per line (OracleCI.h), and the tests' stand-in client
// exports a C function per line that hands its arguments to its server model.
// The signatures are the documented ones of the call interface.
#pragma once

#include "oracle/OciDataArea.h"
#include "oracle/OciTypes.h"

// The older generation: 20 entries, all on a logon or cursor data area.
#define ZORVET_OCI7_ENTRIES(X)                                                                    \
  X(sword, orlon,                                                                                 \
    (Lda_Def * lda, ub1 * hda, OraText * uid, sword uidl, OraText * pswd, sword pswdl,            \
     sword audit),                                                                                \
    (lda, hda, uid, uidl, pswd, pswdl, audit))                                                    \
  X(sword, ologof, (Lda_Def * lda), (lda))                                                        \
  X(sword, oerhms, (Lda_Def * lda, sb2 rcode, OraText * buf, sword bufsiz),                       \
    (lda, rcode, buf, bufsiz))                                                                    \
  X(sword, oopen,                                                                                 \
    (Cda_Def * cursor, Lda_Def * lda, OraText * dbn, sword dbnl, sword arsize, OraText * uid,     \
     sword uidl),                                                                                 \
    (cursor, lda, dbn, dbnl, arsize, uid, uidl))                                                  \
  X(sword, oparse, (Cda_Def * cursor, OraText * sqlstm, sb4 sqllen, sword defflg, ub4 lngflg),    \
    (cursor, sqlstm, sqllen, defflg, lngflg))                                                     \
  X(sword, odefin,                                                                                \
    (Cda_Def * cursor, sword pos, ub1 * buf, sword bufl, sword ftype, sword scale, sb2 * indp,    \
     OraText * fmt, sword fmtl, sword fmtt, ub2 * rlen, ub2 * rcode),                             \
    (cursor, pos, buf, bufl, ftype, scale, indp, fmt, fmtl, fmtt, rlen, rcode))                   \
  X(sword, oexfet, (Cda_Def * cursor, ub4 nrows, sword cancel, sword exact),                      \
    (cursor, nrows, cancel, exact))                                                               \
  X(sword, ofen, (Cda_Def * cursor, sword nrows), (cursor, nrows))                                \
  X(sword, oflng,                                                                                 \
    (Cda_Def * cursor, sword pos, ub1 * buf, sb4 bufl, sword dtype, ub4 * retl, sb4 offset),      \
    (cursor, pos, buf, bufl, dtype, retl, offset))                                                \
  X(sword, oclose, (Cda_Def * cursor), (cursor))                                                  \
  X(sword, odescr,                                                                                \
    (Cda_Def * cursor, sword pos, sb4 * dbsize, sb2 * dbtype, sb1 * cbuf, sb4 * cbufl,            \
     sb4 * dsize, sb2 * prec, sb2 * scale, sb2 * nullok),                                         \
    (cursor, pos, dbsize, dbtype, cbuf, cbufl, dsize, prec, scale, nullok))                       \
  X(sword, oexec, (Cda_Def * cursor), (cursor))                                                   \
  X(sword, oexn, (Cda_Def * cursor, sword iters, sword rowoff), (cursor, iters, rowoff))          \
  X(sword, ocom, (Lda_Def * lda), (lda))                                                          \
  X(sword, orol, (Lda_Def * lda), (lda))                                                          \
  X(sword, ocon, (Lda_Def * lda), (lda))                                                          \
  X(sword, ocof, (Lda_Def * lda), (lda))                                                          \
  X(sword, obreak, (Lda_Def * lda), (lda))                                                        \
  X(sword, obndra,                                                                                \
    (Cda_Def * cursor, OraText * sqlvar, sword sqlvl, ub1 * progv, sword progvl, sword ftype,     \
     sword scale, sb2 * indp, ub2 * alen, ub2 * arcode, ub4 maxsiz, ub4 * cursiz, OraText * fmt,  \
     sword fmtl, sword fmtt),                                                                     \
    (cursor, sqlvar, sqlvl, progv, progvl, ftype, scale, indp, alen, arcode, maxsiz, cursiz, fmt, \
     fmtl, fmtt))                                                                                 \
  X(sword, odessp,                                                                                \
    (Lda_Def * lda, OraText * objnam, std::size_t onlen, ub1 * rsv1, std::size_t rsv1ln,          \
     ub1 * rsv2, std::size_t rsv2ln, ub2 * ovrld, ub2 * pos, ub2 * level, OraText * *argnam,      \
     ub2 * arnlen, ub2 * dtype, ub1 * defsup, ub1 * mode, ub4 * dtsiz, sb2 * prec, sb2 * scale,   \
     ub1 * radix, ub4 * spare, ub4 * arrsiz),                                                     \
    (lda, objnam, onlen, rsv1, rsv1ln, rsv2, rsv2ln, ovrld, pos, level, argnam, arnlen, dtype,    \
     defsup, mode, dtsiz, prec, scale, radix, spare, arrsiz))

// The logon with a connect string, and the process initialisation of the
// older generation; each has a flag of its own.
#define ZORVET_OLOG_ENTRIES(X)                                                         \
  X(sword, olog,                                                                       \
    (Lda_Def * lda, ub1 * hda, OraText * uid, sword uidl, OraText * pswd, sword pswdl, \
     OraText * conn, sword connl, ub4 mode),                                           \
    (lda, hda, uid, uidl, pswd, pswdl, conn, connl, mode))
#define ZORVET_OPINIT_ENTRIES(X) X(sword, opinit, (ub4 mode), (mode))

// The handle-based generation: 114 entries.
#define ZORVET_OCI8_ENTRIES(X)                                                                     \
  X(sword, OCIInitialize,                                                                          \
    (ub4 mode, void* ctxp, OCIMallocFn malocfp, OCIReallocFn ralocfp, OCIFreeFn mfreefp),          \
    (mode, ctxp, malocfp, ralocfp, mfreefp))                                                       \
  X(sword, OCIHandleAlloc,                                                                         \
    (const void* parenth, void** hndlpp, ub4 type, std::size_t xtramem_sz, void** usrmempp),       \
    (parenth, hndlpp, type, xtramem_sz, usrmempp))                                                 \
  X(sword, OCIHandleFree, (void* hndlp, ub4 type), (hndlp, type))                                  \
  X(sword, OCIDescriptorAlloc,                                                                     \
    (const void* parenth, void** descpp, ub4 type, std::size_t xtramem_sz, void** usrmempp),       \
    (parenth, descpp, type, xtramem_sz, usrmempp))                                                 \
  X(sword, OCIDescriptorFree, (void* descp, ub4 type), (descp, type))                              \
  X(sword, OCIEnvInit, (OCIEnv * *envp, ub4 mode, std::size_t xtramem_sz, void** usrmempp),        \
    (envp, mode, xtramem_sz, usrmempp))                                                            \
  X(sword, OCIServerAttach,                                                                        \
    (OCIServer * srvhp, OCIError * errhp, const OraText* dblink, sb4 dblink_len, ub4 mode),        \
    (srvhp, errhp, dblink, dblink_len, mode))                                                      \
  X(sword, OCIServerDetach, (OCIServer * srvhp, OCIError * errhp, ub4 mode), (srvhp, errhp, mode)) \
  X(sword, OCISessionBegin,                                                                        \
    (OCISvcCtx * svchp, OCIError * errhp, OCISession * usrhp, ub4 credt, ub4 mode),                \
    (svchp, errhp, usrhp, credt, mode))                                                            \
  X(sword, OCISessionEnd, (OCISvcCtx * svchp, OCIError * errhp, OCISession * usrhp, ub4 mode),     \
    (svchp, errhp, usrhp, mode))                                                                   \
  X(sword, OCILogon,                                                                               \
    (OCIEnv * envhp, OCIError * errhp, OCISvcCtx * *svchp, const OraText* username, ub4 uname_len, \
     const OraText* password, ub4 passwd_len, const OraText* dbname, ub4 dbname_len),              \
    (envhp, errhp, svchp, username, uname_len, password, passwd_len, dbname, dbname_len))          \
  X(sword, OCILogoff, (OCISvcCtx * svchp, OCIError * errhp), (svchp, errhp))                       \
  X(sword, OCIPasswordChange,                                                                      \
    (OCISvcCtx * svchp, OCIError * errhp, const OraText* user_name, ub4 usernm_len,                \
     const OraText* opasswd, ub4 opasswd_len, const OraText* npasswd, ub4 npasswd_len, ub4 mode),  \
    (svchp, errhp, user_name, usernm_len, opasswd, opasswd_len, npasswd, npasswd_len, mode))       \
  X(sword, OCIStmtPrepare,                                                                         \
    (OCIStmt * stmtp, OCIError * errhp, const OraText* stmt, ub4 stmt_len, ub4 language,           \
     ub4 mode),                                                                                    \
    (stmtp, errhp, stmt, stmt_len, language, mode))                                                \
  X(sword, OCIBindByPos,                                                                           \
    (OCIStmt * stmtp, OCIBind * *bindp, OCIError * errhp, ub4 position, void* valuep,              \
     sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len, ub4* curelep,     \
     ub4 mode),                                                                                    \
    (stmtp, bindp, errhp, position, valuep, value_sz, dty, indp, alenp, rcodep, maxarr_len,        \
     curelep, mode))                                                                               \
  X(sword, OCIBindByName,                                                                          \
    (OCIStmt * stmtp, OCIBind * *bindp, OCIError * errhp, const OraText* placeholder,              \
     sb4 placeh_len, void* valuep, sb4 value_sz, ub2 dty, void* indp, ub2* alenp, ub2* rcodep,     \
     ub4 maxarr_len, ub4* curelep, ub4 mode),                                                      \
    (stmtp, bindp, errhp, placeholder, placeh_len, valuep, value_sz, dty, indp, alenp, rcodep,     \
     maxarr_len, curelep, mode))                                                                   \
  X(sword, OCIBindObject,                                                                          \
    (OCIBind * bindp, OCIError * errhp, const OCIType* type, void** pgvpp, ub4* pvszsp,            \
     void** indpp, ub4* indszp),                                                                   \
    (bindp, errhp, type, pgvpp, pvszsp, indpp, indszp))                                            \
  X(sword, OCIBindDynamic,                                                                         \
    (OCIBind * bindp, OCIError * errhp, void* ictxp, OCICallbackInBind icbfp, void* octxp,         \
     OCICallbackOutBind ocbfp),                                                                    \
    (bindp, errhp, ictxp, icbfp, octxp, ocbfp))                                                    \
  X(sword, OCIBindArrayOfStruct,                                                                   \
    (OCIBind * bindp, OCIError * errhp, ub4 pvskip, ub4 indskip, ub4 alskip, ub4 rcskip),          \
    (bindp, errhp, pvskip, indskip, alskip, rcskip))                                               \
  X(sword, OCIStmtGetPieceInfo,                                                                    \
    (OCIStmt * stmtp, OCIError * errhp, void** hndlpp, ub4* typep, ub1* in_outp, ub4* iterp,       \
     ub4* idxp, ub1* piecep),                                                                      \
    (stmtp, errhp, hndlpp, typep, in_outp, iterp, idxp, piecep))                                   \
  X(sword, OCIStmtSetPieceInfo,                                                                    \
    (void* hndlp, ub4 type, OCIError* errhp, const void* bufp, ub4* alenp, ub1 piece,              \
     const void* indp, ub2* rcodep),                                                               \
    (hndlp, type, errhp, bufp, alenp, piece, indp, rcodep))                                        \
  X(sword, OCIStmtExecute,                                                                         \
    (OCISvcCtx * svchp, OCIStmt * stmtp, OCIError * errhp, ub4 iters, ub4 rowoff,                  \
     const OCISnapshot* snap_in, OCISnapshot* snap_out, ub4 mode),                                 \
    (svchp, stmtp, errhp, iters, rowoff, snap_in, snap_out, mode))                                 \
  X(sword, OCIDefineByPos,                                                                         \
    (OCIStmt * stmtp, OCIDefine * *defnp, OCIError * errhp, ub4 position, void* valuep,            \
     sb4 value_sz, ub2 dty, void* indp, ub2* rlenp, ub2* rcodep, ub4 mode),                        \
    (stmtp, defnp, errhp, position, valuep, value_sz, dty, indp, rlenp, rcodep, mode))             \
  X(sword, OCIDefineObject,                                                                        \
    (OCIDefine * defnp, OCIError * errhp, const OCIType* type, void** pgvpp, ub4* pvszsp,          \
     void** indpp, ub4* indszp),                                                                   \
    (defnp, errhp, type, pgvpp, pvszsp, indpp, indszp))                                            \
  X(sword, OCIDefineDynamic,                                                                       \
    (OCIDefine * defnp, OCIError * errhp, void* octxp, OCICallbackDefine ocbfp),                   \
    (defnp, errhp, octxp, ocbfp))                                                                  \
  X(sword, OCIDefineArrayOfStruct,                                                                 \
    (OCIDefine * defnp, OCIError * errhp, ub4 pvskip, ub4 indskip, ub4 rlskip, ub4 rcskip),        \
    (defnp, errhp, pvskip, indskip, rlskip, rcskip))                                               \
  X(sword, OCIStmtFetch,                                                                           \
    (OCIStmt * stmtp, OCIError * errhp, ub4 nrows, ub2 orientation, ub4 mode),                     \
    (stmtp, errhp, nrows, orientation, mode))                                                      \
  X(sword, OCIStmtGetBindInfo,                                                                     \
    (OCIStmt * stmtp, OCIError * errhp, ub4 size, ub4 startloc, sb4 * found, OraText * *bvnp,      \
     ub1 * bvnl, OraText * *invp, ub1 * inpl, ub1 * dupl, OCIBind * *hndl),                        \
    (stmtp, errhp, size, startloc, found, bvnp, bvnl, invp, inpl, dupl, hndl))                     \
  X(sword, OCIDescribeAny,                                                                         \
    (OCISvcCtx * svchp, OCIError * errhp, void* objptr, ub4 objnm_len, ub1 objptr_typ,             \
     ub1 info_level, ub1 objtyp, OCIDescribe* dschp),                                              \
    (svchp, errhp, objptr, objnm_len, objptr_typ, info_level, objtyp, dschp))                      \
  X(sword, OCIParamGet, (const void* hndlp, ub4 htype, OCIError* errhp, void** parmdpp, ub4 pos),  \
    (hndlp, htype, errhp, parmdpp, pos))                                                           \
  X(sword, OCIParamSet,                                                                            \
    (void* hdlp, ub4 htyp, OCIError* errhp, const void* dscp, ub4 dtyp, ub4 pos),                  \
    (hdlp, htyp, errhp, dscp, dtyp, pos))                                                          \
  X(sword, OCITransStart, (OCISvcCtx * svchp, OCIError * errhp, uword timeout, ub4 flags),         \
    (svchp, errhp, timeout, flags))                                                                \
  X(sword, OCITransDetach, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags),                       \
    (svchp, errhp, flags))                                                                         \
  X(sword, OCITransCommit, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags),                       \
    (svchp, errhp, flags))                                                                         \
  X(sword, OCITransRollback, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags),                     \
    (svchp, errhp, flags))                                                                         \
  X(sword, OCITransPrepare, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags),                      \
    (svchp, errhp, flags))                                                                         \
  X(sword, OCITransForget, (OCISvcCtx * svchp, OCIError * errhp, ub4 flags),                       \
    (svchp, errhp, flags))                                                                         \
  X(sword, OCIErrorGet,                                                                            \
    (void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp, ub4 bufsiz,       \
     ub4 type),                                                                                    \
    (hndlp, recordno, sqlstate, errcodep, bufp, bufsiz, type))                                     \
  X(sword, OCILobAppend,                                                                           \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * dst_locp, OCILobLocator * src_locp),     \
    (svchp, errhp, dst_locp, src_locp))                                                            \
  X(sword, OCILobAssign,                                                                           \
    (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* src_locp, OCILobLocator** dst_locpp),  \
    (envhp, errhp, src_locp, dst_locpp))                                                           \
  X(sword, OCILobCharSetForm,                                                                      \
    (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* locp, ub1* csfrm),                     \
    (envhp, errhp, locp, csfrm))                                                                   \
  X(sword, OCILobCharSetId,                                                                        \
    (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* locp, ub2* csid),                      \
    (envhp, errhp, locp, csid))                                                                    \
  X(sword, OCILobCopy,                                                                             \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * dst_locp, OCILobLocator * src_locp,      \
     ub4 amount, ub4 dst_offset, ub4 src_offset),                                                  \
    (svchp, errhp, dst_locp, src_locp, amount, dst_offset, src_offset))                            \
  X(sword, OCILobDisableBuffering, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp),    \
    (svchp, errhp, locp))                                                                          \
  X(sword, OCILobEnableBuffering, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp),     \
    (svchp, errhp, locp))                                                                          \
  X(sword, OCILobErase,                                                                            \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * amount, ub4 offset),         \
    (svchp, errhp, locp, amount, offset))                                                          \
  X(sword, OCILobFileClose, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep),          \
    (svchp, errhp, filep))                                                                         \
  X(sword, OCILobFileCloseAll, (OCISvcCtx * svchp, OCIError * errhp), (svchp, errhp))              \
  X(sword, OCILobFileExists,                                                                       \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep, boolean * flag),                  \
    (svchp, errhp, filep, flag))                                                                   \
  X(sword, OCILobFileGetName,                                                                      \
    (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* filep, OraText* dir_alias,             \
     ub2* d_length, OraText* filename, ub2* f_length),                                             \
    (envhp, errhp, filep, dir_alias, d_length, filename, f_length))                                \
  X(sword, OCILobFileIsOpen,                                                                       \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep, boolean * flag),                  \
    (svchp, errhp, filep, flag))                                                                   \
  X(sword, OCILobFileOpen, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * filep, ub1 mode), \
    (svchp, errhp, filep, mode))                                                                   \
  X(sword, OCILobFileSetName,                                                                      \
    (OCIEnv * envhp, OCIError * errhp, OCILobLocator * *filepp, const OraText* dir_alias,          \
     ub2 d_length, const OraText* filename, ub2 f_length),                                         \
    (envhp, errhp, filepp, dir_alias, d_length, filename, f_length))                               \
  X(sword, OCILobFlushBuffer,                                                                      \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 flag),                         \
    (svchp, errhp, locp, flag))                                                                    \
  X(sword, OCILobGetLength,                                                                        \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * lenp),                       \
    (svchp, errhp, locp, lenp))                                                                    \
  X(sword, OCILobIsEqual,                                                                          \
    (OCIEnv * envhp, const OCILobLocator* x, const OCILobLocator* y, boolean* is_equal),           \
    (envhp, x, y, is_equal))                                                                       \
  X(sword, OCILobLoadFromFile,                                                                     \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * dst_locp, OCILobLocator * src_filep,     \
     ub4 amount, ub4 dst_offset, ub4 src_offset),                                                  \
    (svchp, errhp, dst_locp, src_filep, amount, dst_offset, src_offset))                           \
  X(sword, OCILobLocatorIsInit,                                                                    \
    (OCIEnv * envhp, OCIError * errhp, const OCILobLocator* locp, boolean* is_initialized),        \
    (envhp, errhp, locp, is_initialized))                                                          \
  X(sword, OCILobRead,                                                                             \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * amtp, ub4 offset,            \
     void* bufp, ub4 bufl, void* ctxp, OCICallbackLobRead cbfp, ub2 csid, ub1 csfrm),              \
    (svchp, errhp, locp, amtp, offset, bufp, bufl, ctxp, cbfp, csid, csfrm))                       \
  X(sword, OCILobTrim, (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 newlen),    \
    (svchp, errhp, locp, newlen))                                                                  \
  X(sword, OCILobWrite,                                                                            \
    (OCISvcCtx * svchp, OCIError * errhp, OCILobLocator * locp, ub4 * amtp, ub4 offset,            \
     void* bufp, ub4 buflen, ub1 piece, void* ctxp, OCICallbackLobWrite cbfp, ub2 csid,            \
     ub1 csfrm),                                                                                   \
    (svchp, errhp, locp, amtp, offset, bufp, buflen, piece, ctxp, cbfp, csid, csfrm))              \
  X(sword, OCIBreak, (void* hndlp, OCIError* errhp), (hndlp, errhp))                               \
  X(sword, OCIServerVersion,                                                                       \
    (void* hndlp, OCIError* errhp, OraText* bufp, ub4 bufsz, ub1 hndltype),                        \
    (hndlp, errhp, bufp, bufsz, hndltype))                                                         \
  X(sword, OCIAttrGet,                                                                             \
    (const void* trgthndlp, ub4 trghndltyp, void* attributep, ub4* sizep, ub4 attrtype,            \
     OCIError* errhp),                                                                             \
    (trgthndlp, trghndltyp, attributep, sizep, attrtype, errhp))                                   \
  X(sword, OCIAttrSet,                                                                             \
    (void* trgthndlp, ub4 trghndltyp, void* attributep, ub4 size, ub4 attrtype, OCIError* errhp),  \
    (trgthndlp, trghndltyp, attributep, size, attrtype, errhp))                                    \
  X(sword, OCISvcCtxToLda, (OCISvcCtx * svchp, OCIError * errhp, Lda_Def * ldap),                  \
    (svchp, errhp, ldap))                                                                          \
  X(sword, OCILdaToSvcCtx, (OCISvcCtx * *svchpp, OCIError * errhp, Lda_Def * ldap),                \
    (svchpp, errhp, ldap))                                                                         \
  X(sword, OCIResultSetToStmt, (OCIResult * rsetdp, OCIError * errhp), (rsetdp, errhp))            \
  X(sword, OCIObjectUnpin, (OCIEnv * env, OCIError * err, void* object), (env, err, object))       \
  X(sword, OCIObjectLock, (OCIEnv * env, OCIError * err, void* object), (env, err, object))        \
  X(sword, OCIObjectMarkUpdate, (OCIEnv * env, OCIError * err, void* object), (env, err, object))  \
  X(sword, OCIObjectUnmark, (OCIEnv * env, OCIError * err, void* object), (env, err, object))      \
  X(sword, OCIObjectMarkDelete, (OCIEnv * env, OCIError * err, void* instance),                    \
    (env, err, instance))                                                                          \
  X(sword, OCIObjectFlush, (OCIEnv * env, OCIError * err, void* object), (env, err, object))       \
  X(sword, OCIObjectCopy,                                                                          \
    (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, void* source, void* null_source,          \
     void* target, void* null_target, OCIType* tdo, OCIDuration duration, ub1 option),             \
    (env, err, svc, source, null_source, target, null_target, tdo, duration, option))              \
  X(sword, OCIObjectGetTypeRef, (OCIEnv * env, OCIError * err, void* instance, OCIRef* type_ref),  \
    (env, err, instance, type_ref))                                                                \
  X(sword, OCIObjectGetObjectRef,                                                                  \
    (OCIEnv * env, OCIError * err, void* object, OCIRef* object_ref),                              \
    (env, err, object, object_ref))                                                                \
  X(sword, OCIObjectGetInd, (OCIEnv * env, OCIError * err, void* instance, void** null_struct),    \
    (env, err, instance, null_struct))                                                             \
  X(sword, OCIObjectExists, (OCIEnv * env, OCIError * err, void* ins, boolean* exist),             \
    (env, err, ins, exist))                                                                        \
  X(sword, OCIObjectIsLocked, (OCIEnv * env, OCIError * err, void* ins, boolean* lock),            \
    (env, err, ins, lock))                                                                         \
  X(sword, OCIObjectIsDirty, (OCIEnv * env, OCIError * err, void* ins, boolean* dirty),            \
    (env, err, ins, dirty))                                                                        \
  X(sword, OCIObjectRefresh, (OCIEnv * env, OCIError * err, void* object), (env, err, object))     \
  X(sword, OCIObjectPinTable,                                                                      \
    (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, const OraText* schema_name,               \
     ub4 s_n_length, const OraText* object_name, ub4 o_n_length, const OCIRef* scope_obj_ref,      \
     OCIDuration pin_duration, void** object),                                                     \
    (env, err, svc, schema_name, s_n_length, object_name, o_n_length, scope_obj_ref, pin_duration, \
     object))                                                                                      \
  X(sword, OCIObjectNew,                                                                           \
    (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, OCITypeCode typecode, OCIType* tdo,       \
     void* table, OCIDuration duration, boolean value, void** instance),                           \
    (env, err, svc, typecode, tdo, table, duration, value, instance))                              \
  X(sword, OCIObjectPin,                                                                           \
    (OCIEnv * env, OCIError * err, OCIRef * object_ref, OCIComplexObject * corhdl,                 \
     OCIPinOpt pin_option, OCIDuration pin_duration, OCILockOpt lock_option, void** object),       \
    (env, err, object_ref, corhdl, pin_option, pin_duration, lock_option, object))                 \
  X(sword, OCIObjectFree, (OCIEnv * env, OCIError * err, void* instance, ub2 flags),               \
    (env, err, instance, flags))                                                                   \
  X(sword, OCITypeByName,                                                                          \
    (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, const OraText* schema_name, ub4 s_length, \
     const OraText* type_name, ub4 t_length, const OraText* version_name, ub4 v_length,            \
     OCIDuration pin_duration, OCITypeGetOpt get_option, OCIType** tdo),                           \
    (env, err, svc, schema_name, s_length, type_name, t_length, version_name, v_length,            \
     pin_duration, get_option, tdo))                                                               \
  X(sword, OCIObjectGetAttr,                                                                       \
    (OCIEnv * env, OCIError * err, void* instance, void* null_struct, OCIType* tdo,                \
     const OraText** names, const ub4* lengths, ub4 name_count, const ub4* indexes,                \
     ub4 index_count, OCIInd* attr_null_status, void** attr_null_struct, void** attr_value,        \
     OCIType** attr_tdo),                                                                          \
    (env, err, instance, null_struct, tdo, names, lengths, name_count, indexes, index_count,       \
     attr_null_status, attr_null_struct, attr_value, attr_tdo))                                    \
  X(sword, OCIObjectSetAttr,                                                                       \
    (OCIEnv * env, OCIError * err, void* instance, void* null_struct, OCIType* tdo,                \
     const OraText** names, const ub4* lengths, ub4 name_count, const ub4* indexes,                \
     ub4 index_count, OCIInd null_status, const void* attr_null_struct, const void* attr_value),   \
    (env, err, instance, null_struct, tdo, names, lengths, name_count, indexes, index_count,       \
     null_status, attr_null_struct, attr_value))                                                   \
  X(OraText*, OCIStringPtr, (OCIEnv * env, const OCIString* vs), (env, vs))                        \
  X(sword, OCIStringAssignText,                                                                    \
    (OCIEnv * env, OCIError * err, const OraText* rhs, ub4 rhs_len, OCIString** lhs),              \
    (env, err, rhs, rhs_len, lhs))                                                                 \
  X(sword, OCINumberFromInt,                                                                       \
    (OCIError * err, const void* inum, uword inum_length, uword inum_s_flag, OCINumber* number),   \
    (err, inum, inum_length, inum_s_flag, number))                                                 \
  X(sword, OCINumberToInt,                                                                         \
    (OCIError * err, const OCINumber* number, uword rsl_length, uword rsl_flag, void* rsl),        \
    (err, number, rsl_length, rsl_flag, rsl))                                                      \
  X(sword, OCINumberFromReal,                                                                      \
    (OCIError * err, const void* rnum, uword rnum_length, OCINumber* number),                      \
    (err, rnum, rnum_length, number))                                                              \
  X(sword, OCINumberToReal,                                                                        \
    (OCIError * err, const OCINumber* number, uword rsl_length, void* rsl),                        \
    (err, number, rsl_length, rsl))                                                                \
  X(sword, OCINumberToText,                                                                        \
    (OCIError * err, const OCINumber* number, const OraText* fmt, ub4 fmt_length,                  \
     const OraText* nls_params, ub4 nls_p_length, ub4* buf_size, OraText* buf),                    \
    (err, number, fmt, fmt_length, nls_params, nls_p_length, buf_size, buf))                       \
  X(sword, OCINumberFromText,                                                                      \
    (OCIError * err, const OraText* str, ub4 str_length, const OraText* fmt, ub4 fmt_length,       \
     const OraText* nls_params, ub4 nls_p_length, OCINumber* number),                              \
    (err, str, str_length, fmt, fmt_length, nls_params, nls_p_length, number))                     \
  X(ub1*, OCIRawPtr, (OCIEnv * env, const OCIRaw* raw), (env, raw))                                \
  X(ub4, OCIRawSize, (OCIEnv * env, const OCIRaw* raw), (env, raw))                                \
  X(sword, OCIRawAssignBytes,                                                                      \
    (OCIEnv * env, OCIError * err, const ub1* rhs, ub4 rhs_len, OCIRaw** lhs),                     \
    (env, err, rhs, rhs_len, lhs))                                                                 \
  X(sword, OCIRefAssign, (OCIEnv * env, OCIError * err, const OCIRef* source, OCIRef** target),    \
    (env, err, source, target))                                                                    \
  X(void, OCIRefClear, (OCIEnv * env, OCIRef * ref), (env, ref))                                   \
  X(boolean, OCIRefIsNull, (OCIEnv * env, const OCIRef* ref), (env, ref))                          \
  X(sword, OCIRefFromHex,                                                                          \
    (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, const OraText* hex, ub4 length,           \
     OCIRef** ref),                                                                                \
    (env, err, svc, hex, length, ref))                                                             \
  X(ub4, OCIRefHexSize, (OCIEnv * env, const OCIRef* ref), (env, ref))                             \
  X(sword, OCIRefToHex,                                                                            \
    (OCIEnv * env, OCIError * err, const OCIRef* ref, OraText* hex, ub4* hex_length),              \
    (env, err, ref, hex, hex_length))                                                              \
  X(sword, OCICollSize, (OCIEnv * env, OCIError * err, const OCIColl* coll, sb4* size),            \
    (env, err, coll, size))                                                                        \
  X(sword, OCICollTrim, (OCIEnv * env, OCIError * err, sb4 trim_num, OCIColl * coll),              \
    (env, err, trim_num, coll))                                                                    \
  X(sb4, OCICollMax, (OCIEnv * env, const OCIColl* coll), (env, coll))                             \
  X(sword, OCICollGetElem,                                                                         \
    (OCIEnv * env, OCIError * err, const OCIColl* coll, sb4 index, boolean* exists, void** elem,   \
     void** elemind),                                                                              \
    (env, err, coll, index, exists, elem, elemind))                                                \
  X(sword, OCICollAssignElem,                                                                      \
    (OCIEnv * env, OCIError * err, sb4 index, const void* elem, const void* elemind,               \
     OCIColl* coll),                                                                               \
    (env, err, index, elem, elemind, coll))                                                        \
  X(sword, OCICollAppend,                                                                          \
    (OCIEnv * env, OCIError * err, const void* elem, const void* elemind, OCIColl* coll),          \
    (env, err, elem, elemind, coll))                                                               \
  X(sword, OCITableDelete, (OCIEnv * env, OCIError * err, sb4 index, OCITable * tbl),              \
    (env, err, index, tbl))                                                                        \
  X(sword, OCICacheFlush,                                                                          \
    (OCIEnv * env, OCIError * err, const OCISvcCtx* svc, void* context, OCICacheFlushGetFn get,    \
     OCIRef** ref),                                                                                \
    (env, err, svc, context, get, ref))

// The client's extended error entries. The library only records whether
// they exist and never calls them, so they carry no parameters here.
#define ZORVET_OCIEP_ENTRIES(X) \
  X(sword, ociepgoe, (), ())    \
  X(sword, ociepmsg, (), ())

// The 8.1 generation: nine entries.
#define ZORVET_OCI81_ENTRIES(X)                                                                   \
  X(sword, OCIEnvCreate,                                                                          \
    (OCIEnv * *envp, ub4 mode, void* ctxp, OCIMallocFn malocfp, OCIReallocFn ralocfp,             \
     OCIFreeFn mfreefp, std::size_t xtramem_sz, void** usrmempp),                                 \
    (envp, mode, ctxp, malocfp, ralocfp, mfreefp, xtramem_sz, usrmempp))                          \
  X(sword, OCIDirPathAbort, (OCIDirPathCtx * dpctx, OCIError * errhp), (dpctx, errhp))            \
  X(sword, OCIDirPathFinish, (OCIDirPathCtx * dpctx, OCIError * errhp), (dpctx, errhp))           \
  X(sword, OCIDirPathPrepare, (OCIDirPathCtx * dpctx, OCISvcCtx * svchp, OCIError * errhp),       \
    (dpctx, svchp, errhp))                                                                        \
  X(sword, OCIDirPathColArrayEntrySet,                                                            \
    (OCIDirPathColArray * dpca, OCIError * errhp, ub4 rownum, ub2 colIdx, ub1 * cvalp, ub4 clen,  \
     ub1 cflg),                                                                                   \
    (dpca, errhp, rownum, colIdx, cvalp, clen, cflg))                                             \
  X(sword, OCIDirPathColArrayToStream,                                                            \
    (OCIDirPathColArray * dpca, const OCIDirPathCtx* dpctx, OCIDirPathStream* dpstr,              \
     OCIError* errhp, ub4 rowcnt, ub4 rowoff),                                                    \
    (dpca, dpctx, dpstr, errhp, rowcnt, rowoff))                                                  \
  X(sword, OCIDirPathLoadStream,                                                                  \
    (OCIDirPathCtx * dpctx, OCIDirPathStream * dpstr, OCIError * errhp), (dpctx, dpstr, errhp))   \
  X(sword, OCIDirPathStreamReset, (OCIDirPathStream * dpstr, OCIError * errhp), (dpstr, errhp))   \
  X(sword, OCIDateTimeToText,                                                                     \
    (void* hndl, OCIError* err, const OCIDateTime* date, const OraText* fmt, ub1 fmt_length,      \
     ub1 fsprec, const OraText* lang_name, std::size_t lang_length, ub4* buf_size, OraText* buf), \
    (hndl, err, date, fmt, fmt_length, fsprec, lang_name, lang_length, buf_size, buf))

// The MTS service library, a file of its own beside the client. Each call
// returns 0 or a code of the service's error table.
#define ZORVET_MTS_ENTRIES(X)                                                                  \
  X(ub4, OraMTSSvcGet,                                                                         \
    (const char* username, const char* password, const char* dbname, OCISvcCtx** svchp,        \
     OCIEnv** envhp, ub4 flags),                                                               \
    (username, password, dbname, svchp, envhp, flags))                                         \
  X(ub4, OraMTSSvcRel, (OCISvcCtx * svchp), (svchp))                                           \
  X(ub4, OraMTSSvcEnlist, (OCISvcCtx * svchp, OCIError * errhp, void* transaction, ub4 flags), \
    (svchp, errhp, transaction, flags))                                                        \
  X(ub4, OraMTSSvcEnlistEx,                                                                    \
    (OCISvcCtx * svchp, OCIError * errhp, void* transaction, ub4 flags, const char* dbname),   \
    (svchp, errhp, transaction, flags, dbname))                                                \
  X(int, OraMTSTransTest, (), ())
