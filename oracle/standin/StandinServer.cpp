// oracle/standin/StandinServer.cpp
#include "oracle/standin/StandinServer.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <type_traits>

// The base model refuses every call whatever its arguments.
#pragma GCC diagnostic ignored "-Wunused-parameter"

namespace Standin {
namespace {

struct TLastError {
  sb4 code = 0;
  std::string text;
};
thread_local TLastError last_error;

std::mutex server_mutex;
std::unique_ptr<TStandinServer>& CurrentServer() {
  static std::unique_ptr<TStandinServer> server = std::make_unique<TNotConnectedServer>();
  return server;
}

// Copies `text` with a terminating null into a buffer of `size` bytes; the
// length copied.
std::size_t CopyText(const std::string& text, OraText* buffer, std::size_t size) {
  if (!buffer || size == 0) return 0;
  const std::size_t length = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

// What a handle call that needs a server answers without one.
template <class R>
R Refuse() {
  if constexpr (std::is_same_v<R, sword>) {
    last_error = {kNotConnected, kNotConnectedText};
    return OCI_ERROR;
  } else if constexpr (!std::is_void_v<R>) {
    return R{};
  }
}

template <class R>
R RefuseMts() {
  if constexpr (std::is_same_v<R, ub4>)
    return kMtsNotLoggedOn;
  else
    return R{};
}

}  // namespace

void TStandinServer::SetLastError(sb4 code, const char* text) {
  last_error = {code, text};
}

sword TStandinServer::RefuseArea(cda_def* area) {
  if (area) area->rc = kNotConnected;
  return kNotConnected;
}

#define ZORVET_STANDIN_FIRST(first, ...) first
#define ZORVET_STANDIN_AREA_CALL(result, name, parameters, arguments) \
  result TStandinServer::name parameters {                            \
    return RefuseArea(ZORVET_STANDIN_FIRST arguments);                \
  }
#define ZORVET_STANDIN_HANDLE_CALL(result, name, parameters, arguments) \
  result TStandinServer::name parameters {                              \
    return Refuse<result>();                                            \
  }
#define ZORVET_STANDIN_MTS_CALL(result, name, parameters, arguments) \
  result TStandinServer::name parameters {                           \
    return RefuseMts<result>();                                      \
  }

ZORVET_OCI7_ENTRIES(ZORVET_STANDIN_AREA_CALL)
ZORVET_OLOG_ENTRIES(ZORVET_STANDIN_AREA_CALL)
ZORVET_OPINIT_ENTRIES(ZORVET_STANDIN_HANDLE_CALL)
ZORVET_OCI8_ENTRIES(ZORVET_STANDIN_HANDLE_CALL)
ZORVET_OCIEP_ENTRIES(ZORVET_STANDIN_HANDLE_CALL)
ZORVET_OCI81_ENTRIES(ZORVET_STANDIN_HANDLE_CALL)
ZORVET_MTS_ENTRIES(ZORVET_STANDIN_MTS_CALL)

sword TNotConnectedServer::opinit(ub4 mode) {
  return 0;
}

sword TNotConnectedServer::oerhms(Lda_Def* lda, sb2 rcode, OraText* buf, sword bufsiz) {
  // The constraint errors' texts as the server's message file has them,
  // before a statement names the constraint.
  static const std::map<sb2, std::string> catalogue = {
      {0, "ORA-00000: normal, successful completion"},
      {1, "ORA-00001: unique constraint (.) violated"},
      {2290, "ORA-02290: check constraint (.) violated"},
      {2291, "ORA-02291: integrity constraint (.) violated - parent key not found"},
      {2292, "ORA-02292: integrity constraint (.) violated - child record found"},
  };
  const auto known = catalogue.find(rcode);
  const std::string text = rcode == kNotConnected ? std::string(kNotConnectedText)
                           : known != catalogue.end()
                               ? known->second
                               : "ORA-" + std::to_string(rcode) + ": message not found";
  return static_cast<sword>(CopyText(text, buf, bufsiz > 0 ? static_cast<std::size_t>(bufsiz) : 0));
}

sword TNotConnectedServer::OCIInitialize(ub4 mode, void* ctxp, OCIMallocFn malocfp,
                                         OCIReallocFn ralocfp, OCIFreeFn mfreefp) {
  return OCI_SUCCESS;
}

sword TNotConnectedServer::OCIErrorGet(void* hndlp, ub4 recordno, OraText* sqlstate, sb4* errcodep,
                                       OraText* bufp, ub4 bufsiz, ub4 type) {
  if (recordno != 1 || last_error.code == 0) return OCI_NO_DATA;
  if (errcodep) *errcodep = last_error.code;
  CopyText(last_error.text + "\n", bufp, bufsiz);
  return OCI_SUCCESS;
}

boolean TNotConnectedServer::OCIRefIsNull(OCIEnv* env, const OCIRef* ref) {
  return 1;
}

ub4 TNotConnectedServer::OraMTSSvcGet(const char* username, const char* password,
                                      const char* dbname, OCISvcCtx** svchp, OCIEnv** envhp,
                                      ub4 flags) {
  return kMtsFailedLogon;
}

int TNotConnectedServer::OraMTSTransTest() {
  return 0;
}

TStandinServer& StandinServer() {
  std::lock_guard lock(server_mutex);
  return *CurrentServer();
}

void SetStandinServer(std::unique_ptr<TStandinServer> server) {
  std::lock_guard lock(server_mutex);
  CurrentServer() = server ? std::move(server) : std::make_unique<TNotConnectedServer>();
}

}  // namespace Standin
