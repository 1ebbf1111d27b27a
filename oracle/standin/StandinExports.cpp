// oracle/standin/StandinExports.cpp
//
// The C entry points of the stand-in client. Each hands its call, arguments
// and all, to the server model. A build variant leaves out a whole group
// (ZORVET_STANDIN_WITHOUT_OCI7, ..._OCI8, ..._OCI81, ..._OCIEP, ..._OLOG,
// ..._OPINIT, ..._CLIENT for the MTS library, ..._MTS for the client), so
// that tests see clients of every generation; single names are hidden by
// the variant's link instead.
#include "oracle/standin/StandinServer.h"

#define ZORVET_STANDIN_EXPORT(result, name, parameters, arguments)          \
  extern "C" __attribute__((visibility("default"))) result name parameters; \
  extern "C" result name parameters {                                       \
    return Standin::StandinServer().name arguments;                         \
  }

#if !defined(ZORVET_STANDIN_WITHOUT_CLIENT)
#if !defined(ZORVET_STANDIN_WITHOUT_OCI7)
ZORVET_OCI7_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
#if !defined(ZORVET_STANDIN_WITHOUT_OLOG)
ZORVET_OLOG_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
#if !defined(ZORVET_STANDIN_WITHOUT_OPINIT)
ZORVET_OPINIT_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
#if !defined(ZORVET_STANDIN_WITHOUT_OCI8)
ZORVET_OCI8_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
#if !defined(ZORVET_STANDIN_WITHOUT_OCIEP)
ZORVET_OCIEP_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
#if !defined(ZORVET_STANDIN_WITHOUT_OCI81)
ZORVET_OCI81_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
#endif

bool Standin::StandinClientHasOci81() {
#if defined(ZORVET_STANDIN_WITHOUT_OCI81) || defined(ZORVET_STANDIN_WITHOUT_CLIENT)
  return false;
#else
  return true;
#endif
}

#if !defined(ZORVET_STANDIN_WITHOUT_MTS)
ZORVET_MTS_ENTRIES(ZORVET_STANDIN_EXPORT)
#endif
