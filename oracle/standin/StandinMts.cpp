// oracle/standin/StandinMts.cpp
//
// The MTS service of the model: OraMTSSvcGet logs a new session on through
// the model's own handle calls and hands out its service context and
// environment; OraMTSSvcRel ends that session and frees every handle. Only
// a service context the service handed out may be released.
#include <cstring>

#include "oracle/standin/StandinModel.h"

namespace Standin {
namespace {

constexpr ub4 kMtsInvalidArgs = 6001;
constexpr ub4 kMtsInvalidSvcCtx = 1004;

}  // namespace

ub4 TModelServer::OraMTSSvcGet(const char* username, const char* password, const char* dbname,
                               OCISvcCtx** svchp, OCIEnv** envhp, ub4) {
  std::lock_guard lock(mutex_);
  if (!username || !password || !svchp || !envhp) return kMtsInvalidArgs;
  OCIEnv* env = nullptr;
  OCIError* error = nullptr;
  OCIServer* server = nullptr;
  OCISvcCtx* svc = nullptr;
  OCISession* session = nullptr;
  OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&error), kHtypeError, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&server), kHtypeServer, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), kHtypeSvcCtx, 0, nullptr);
  OCIHandleAlloc(env, reinterpret_cast<void**>(&session), kHtypeSession, 0, nullptr);
  const char* db = dbname ? dbname : "";
  OCIServerAttach(server, error, reinterpret_cast<const OraText*>(db),
                  static_cast<sb4>(std::strlen(db)), 0);
  OCIAttrSet(svc, kHtypeSvcCtx, server, 0, 6, error);
  OCIAttrSet(session, kHtypeSession, const_cast<char*>(username),
             static_cast<ub4>(std::strlen(username)), 22, error);
  OCIAttrSet(session, kHtypeSession, const_cast<char*>(password),
             static_cast<ub4>(std::strlen(password)), 23, error);
  const sword status = OCISessionBegin(svc, error, session, 1, 0);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    OCIServerDetach(server, error, 0);
    for (auto [handle, type] : {std::pair<void*, ub4>{session, kHtypeSession},
                                {svc, kHtypeSvcCtx},
                                {server, kHtypeServer},
                                {error, kHtypeError},
                                {env, kHtypeEnv}})
      OCIHandleFree(handle, type);
    return kMtsFailedLogon;
  }
  OCIAttrSet(svc, kHtypeSvcCtx, session, 0, 7, error);
  OCIHandleFree(error, kHtypeError);
  mts_services_.insert(svc);
  *svchp = svc;
  *envhp = env;
  return 0;
}

ub4 TModelServer::OraMTSSvcRel(OCISvcCtx* svchp) {
  std::lock_guard lock(mutex_);
  // Only a context the service handed out and nobody freed since.
  const auto* handle = static_cast<const THandle*>(static_cast<const void*>(svchp));
  if (!mts_services_.count(svchp) || !live_.count(handle) || handle->type != kHtypeSvcCtx)
    return kMtsInvalidSvcCtx;
  auto* svc = static_cast<TSvcCtxHandle*>(const_cast<THandle*>(handle));
  mts_services_.erase(svchp);
  TEnvHandle* env = svc->env;
  TServerHandle* server = svc->server;
  TSessionHandle* session = svc->session;
  OCIError* error = nullptr;
  OCIHandleAlloc(env, reinterpret_cast<void**>(&error), kHtypeError, 0, nullptr);
  OCISessionEnd(svchp, error, reinterpret_cast<OCISession*>(session), 0);
  OCIServerDetach(reinterpret_cast<OCIServer*>(server), error, 0);
  for (auto [handle, type] : {std::pair<void*, ub4>{session, kHtypeSession},
                              {svchp, kHtypeSvcCtx},
                              {server, kHtypeServer},
                              {error, kHtypeError},
                              {env, kHtypeEnv}})
    OCIHandleFree(handle, type);
  return 0;
}

}  // namespace Standin
