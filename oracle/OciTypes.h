// oracle/OciTypes.h
//
// The Oracle call interface's own C types, as its documentation names them:
// the fixed-width scalars, the opaque handle and descriptor types, the
// status codes every call returns, and the callbacks some calls take. The
// library never links the client; it binds the entry points by name
// (oracle/OracleCI.h) and calls them through these types, and the tests'
// stand-in client exports them with the same types.
#pragma once

#include <cstddef>
#include <cstdint>

using ub1 = std::uint8_t;
using sb1 = std::int8_t;
using ub2 = std::uint16_t;
using sb2 = std::int16_t;
using ub4 = std::uint32_t;
using sb4 = std::int32_t;
using uword = unsigned int;
using sword = int;
using eword = int;
using boolean = int;
using OraText = unsigned char;
using dvoid = void;

// Opaque handles and descriptors: only the client knows what they hold.
#define ZORVET_OCI_OPAQUE(name) \
  struct name;                  \
  using name##_t = name
ZORVET_OCI_OPAQUE(OCIEnv);
ZORVET_OCI_OPAQUE(OCIError);
ZORVET_OCI_OPAQUE(OCISvcCtx);
ZORVET_OCI_OPAQUE(OCIStmt);
ZORVET_OCI_OPAQUE(OCIBind);
ZORVET_OCI_OPAQUE(OCIDefine);
ZORVET_OCI_OPAQUE(OCIDescribe);
ZORVET_OCI_OPAQUE(OCIServer);
ZORVET_OCI_OPAQUE(OCISession);
ZORVET_OCI_OPAQUE(OCISnapshot);
ZORVET_OCI_OPAQUE(OCIResult);
ZORVET_OCI_OPAQUE(OCILobLocator);
ZORVET_OCI_OPAQUE(OCIType);
ZORVET_OCI_OPAQUE(OCIRef);
ZORVET_OCI_OPAQUE(OCIString);
ZORVET_OCI_OPAQUE(OCIRaw);
ZORVET_OCI_OPAQUE(OCIColl);
ZORVET_OCI_OPAQUE(OCIComplexObject);
ZORVET_OCI_OPAQUE(OCIDateTime);
ZORVET_OCI_OPAQUE(OCIDirPathCtx);
ZORVET_OCI_OPAQUE(OCIDirPathColArray);
ZORVET_OCI_OPAQUE(OCIDirPathStream);
#undef ZORVET_OCI_OPAQUE
using OCITable = OCIColl;  // a nested table is a collection

// A NUMBER as the client stores it: a length byte and up to 21 bytes.
struct OCINumber {
  ub1 OCINumberPart[22];
};

using OCIInd = sb2;
using OCIDuration = ub2;
using OCITypeCode = ub2;
using OCIPinOpt = int;
using OCILockOpt = int;
using OCITypeGetOpt = int;

// Status codes.
constexpr sword OCI_SUCCESS = 0;
constexpr sword OCI_SUCCESS_WITH_INFO = 1;
constexpr sword OCI_ERROR = -1;
constexpr sword OCI_INVALID_HANDLE = -2;
constexpr sword OCI_NEED_DATA = 99;
constexpr sword OCI_NO_DATA = 100;
constexpr sword OCI_CONTINUE = -24200;

// Modes and handle types that the binding itself uses.
constexpr ub4 OCI_DEFAULT = 0x00;
constexpr ub4 OCI_THREADED = 0x01;
constexpr ub4 OCI_OBJECT = 0x02;
constexpr ub4 OCI_HTYPE_ERROR = 2;

// Memory callbacks of OCIInitialize and OCIEnvCreate.
using OCIMallocFn = void* (*)(void* ctxp, std::size_t size);
using OCIReallocFn = void* (*)(void* ctxp, void* memptr, std::size_t newsize);
using OCIFreeFn = void (*)(void* ctxp, void* memptr);

// Piecewise and dynamic binds, defines and LOB transfers.
using OCICallbackInBind = sb4 (*)(void* ictxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                  ub4* alenp, ub1* piecep, void** indp);
using OCICallbackOutBind = sb4 (*)(void* octxp, OCIBind* bindp, ub4 iter, ub4 index, void** bufpp,
                                   ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackDefine = sb4 (*)(void* octxp, OCIDefine* defnp, ub4 iter, void** bufpp,
                                  ub4** alenp, ub1* piecep, void** indp, ub2** rcodep);
using OCICallbackLobRead = sb4 (*)(void* ctxp, const void* bufp, ub4 len, ub1 piece);
using OCICallbackLobWrite = sb4 (*)(void* ctxp, void* bufp, ub4* lenp, ub1* piece);
// OCICacheFlush asks its caller for the objects to flush, one at a time.
using OCICacheFlushGetFn = OCIRef* (*)(void* context, ub1* last);
