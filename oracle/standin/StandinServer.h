// oracle/standin/StandinServer.h
//
// The tests' stand-in for the Oracle client: a shared object that exports
// every entry point of the call interface (StandinExports.cpp) and hands
// each call, with all its arguments, to the one server model of the process
// here. The model answers as a client does; this base model has no server
// behind it and answers every call as a client that is not connected:
// - calls on a logon or cursor data area set its return code to 3114 and
//   return it;
// - handle calls return OCI_ERROR and leave ORA-03114 for OCIErrorGet;
// - the MTS service answers 4006 ("not logged on to Oracle"), a logon 4002.
// TNotConnectedServer, the model installed at first, adds what a client
// answers without a server: OCIInitialize and opinit succeed, OCIErrorGet and
// oerhms give the error texts. A fuller model derives from it and overrides
// what it answers.
//
// Built for the tests only; the library never links it.
#pragma once

#include <memory>

#include "oracle/OciEntryPoints.h"

namespace Standin {

constexpr sword kNotConnected = 3114;
constexpr const char* kNotConnectedText = "ORA-03114: not connected to ORACLE";
constexpr ub4 kMtsNotLoggedOn = 4006;
constexpr ub4 kMtsFailedLogon = 4002;

class TStandinServer {
 public:
  TStandinServer() = default;
  virtual ~TStandinServer() = default;
  TStandinServer(const TStandinServer&) = delete;
  TStandinServer& operator=(const TStandinServer&) = delete;

#define ZORVET_STANDIN_METHOD(result, name, parameters, arguments) virtual result name parameters;
  ZORVET_OCI7_ENTRIES(ZORVET_STANDIN_METHOD)
  ZORVET_OLOG_ENTRIES(ZORVET_STANDIN_METHOD)
  ZORVET_OPINIT_ENTRIES(ZORVET_STANDIN_METHOD)
  ZORVET_OCI8_ENTRIES(ZORVET_STANDIN_METHOD)
  ZORVET_OCIEP_ENTRIES(ZORVET_STANDIN_METHOD)
  ZORVET_OCI81_ENTRIES(ZORVET_STANDIN_METHOD)
  ZORVET_MTS_ENTRIES(ZORVET_STANDIN_METHOD)
#undef ZORVET_STANDIN_METHOD

 protected:
  // The calling thread's last error, as OCIErrorGet reports it.
  static void SetLastError(sb4 code, const char* text);
  // A data-area call refused: the area's return code, also the result.
  static sword RefuseArea(cda_def* area);
};

class TNotConnectedServer : public TStandinServer {
 public:
  sword opinit(ub4 mode) override;
  sword oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) override;
  sword OCIInitialize(ub4 mode, void* ctxp, OCIMallocFn malocfp, OCIReallocFn ralocfp,
                      OCIFreeFn mfreefp) override;
  sword OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep, OraText* bufp,
                    ub4 bufsiz, ub4 type) override;
  boolean OCIRefIsNull(OCIEnv* env, const OCIRef* ref) override;
  ub4 OraMTSSvcGet(const char* username, const char* password, const char* dbname,
                   OCISvcCtx** svchp, OCIEnv** envhp, ub4 flags) override;
  int OraMTSTransTest() override;
};

// The model every exported entry point calls: a TNotConnectedServer until
// SetStandinServer installs another (null: a fresh TNotConnectedServer). A
// test swaps models between calls, never while one runs.
TStandinServer& StandinServer();
// Whether this client has the newer generation's entry points (its build).
bool StandinClientHasOci81();
void SetStandinServer(std::unique_ptr<TStandinServer> server);

}  // namespace Standin
