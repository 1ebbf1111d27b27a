// oracle/OciDataArea.h
//
// The 64-byte data area of the older call-interface generation: a logon data
// area (LDA) stands for a connection, a cursor data area (CDA) for a
// statement; both have this layout. The client writes the results of each
// call into it, and the library reads them back at these offsets: the
// function code at byte 10, the rows processed at byte 4, the parse error
// offset at byte 8 and the return code at byte 12.
//
// The original layout was drawn for 32-bit pointers. Here the one pointer
// the area holds is 8 bytes, aligned to 8, and the filler shrinks so that
// the area stays 64 bytes and every field keeps its offset: the library and
// the stand-in client both take the layout from this header.
#pragma once

#include <cstddef>

#include "oracle/OciTypes.h"

struct cda_def {
  sb2 v2_rc;  // return code of the oldest generation
  ub2 ft;     // function type
  ub4 rpc;    // rows processed
  ub2 peo;    // parse error offset
  ub1 fc;     // function code of the statement
  ub1 rcs1;
  ub2 rc;   // return code
  ub1 wrn;  // warning flags
  ub1 rcs2;
  sword rcs3;
  struct {  // ROWID of the last row touched
    struct {
      ub4 rcs4;
      ub2 rcs5;
      ub1 rcs6;
    } rd;
    ub4 rcs7;
    ub2 rcs8;
  } rid;
  sword ose;  // operating-system error
  ub1 chk;
  void* rcsp;  // the client's own state
  ub1 rcs9[8];
};

using Cda_Def = cda_def;
using Lda_Def = cda_def;

constexpr std::size_t kOciDataAreaSize = 64;
static_assert(sizeof(cda_def) == kOciDataAreaSize);
static_assert(offsetof(cda_def, rpc) == 4 && offsetof(cda_def, peo) == 8 &&
              offsetof(cda_def, fc) == 10 && offsetof(cda_def, rc) == 12);

// The host data area that a logon fills: opaque, zeroed before each logon.
// A 64-bit client needs 512 bytes where a 32-bit one needed 256.
constexpr std::size_t kOciHostDataAreaSize = 512;
