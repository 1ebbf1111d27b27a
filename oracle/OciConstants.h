// oracle/OciConstants.h
//
// The numeric codes of the call interface that more than one side uses: the
// library passes them to the client, and the tests' stand-in client reads
// them back. Keeping them in one place keeps both sides reading the same
// number. Codes that only one file uses stay beside their use.
#pragma once

#include "oracle/OciTypes.h"

// Handle types (OCIHandleAlloc) and descriptor types (OCIDescriptorAlloc).
constexpr ub4 kHtypeEnv = 1;
constexpr ub4 kHtypeError = 2;
constexpr ub4 kHtypeSvcCtx = 3;
constexpr ub4 kHtypeStmt = 4;
constexpr ub4 kHtypeBind = 5;
constexpr ub4 kHtypeDefine = 6;
constexpr ub4 kHtypeDescribe = 7;
constexpr ub4 kHtypeServer = 8;
constexpr ub4 kHtypeSession = 9;
constexpr ub4 kHtypeTrans = 10;
constexpr ub4 kDtypeLob = 50;
constexpr ub4 kDtypeSnap = 51;
constexpr ub4 kDtypeParam = 53;
constexpr ub4 kDtypeRowid = 54;
constexpr ub4 kDtypeFile = 56;

// Attributes (OCIAttrGet, OCIAttrSet, OCIParamGet's parameters).
constexpr ub4 kAttrDataSize = 1;
constexpr ub4 kAttrDataType = 2;
constexpr ub4 kAttrName = 4;
constexpr ub4 kAttrEnv = 5;
constexpr ub4 kAttrPrecision = 5;
constexpr ub4 kAttrScale = 6;
constexpr ub4 kAttrServer = 6;
constexpr ub4 kAttrIsNull = 7;
constexpr ub4 kAttrSession = 7;
constexpr ub4 kAttrTypeName = 8;
constexpr ub4 kAttrRowCount = 9;
constexpr ub4 kAttrSchemaName = 9;
constexpr ub4 kAttrSqlFnCode = 10;
constexpr ub4 kAttrPrefetchRows = 11;
constexpr ub4 kAttrPrefetchMemory = 13;
constexpr ub4 kAttrParamCount = 18;
constexpr ub4 kAttrRowid = 19;
constexpr ub4 kAttrUsername = 22;
constexpr ub4 kAttrPassword = 23;
constexpr ub4 kAttrStmtType = 24;
constexpr ub4 kAttrRefTdo = 110;
constexpr ub4 kAttrParam = 124;
constexpr ub4 kAttrParseErrorOffset80 = 128;
constexpr ub4 kAttrParseErrorOffset = 129;
constexpr ub4 kAttrTypeCode = 216;

// Modes of statement execution and fetching.
constexpr ub2 kFetchNext = 2;
constexpr ub4 kModeDescribeOnly = 0x10;
constexpr ub4 kModeCommitOnSuccess = 0x20;

// Describing, pinning and the object cache.
constexpr ub1 kDescribeByName = 1;
constexpr OCILockOpt kLockNone = 1;
constexpr ub1 kDescribeByRef = 2;
constexpr OCIPinOpt kPinAny = 3;
constexpr ub1 kParamType = 6;
constexpr OCIDuration kDurationSession = 10;
constexpr OCITypeCode kTypecodeRef = 110;

// LOB transfers and files.
constexpr ub1 kOnePiece = 0;
constexpr ub1 kFileReadOnly = 1;
