// oracle/OracleSession.cpp
#include "oracle/OracleSession.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <utility>

#include "oracle/OciConstants.h"
#include "oracle/OciHandle.h"
#include "oracle/OracleQuery.h"
#include "oracle/OracleSessionPool.h"
#include "platform/controls/Screen.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/MessageBoxHook.h"

namespace {

// Credentials and modes of the handle generation that only the session uses.
constexpr ub4 kCredentialsDatabase = 1;
constexpr ub4 kCredentialsExternal = 2;
constexpr ub4 kModeSysDba = 2;
constexpr ub4 kModeSysOper = 4;
constexpr ub4 kEnvCreateMode = 2;  // objects
constexpr ub4 kEnvCreateThreaded = 3;
constexpr ub4 kEnvInitMode = 8;  // no user callback mutex
constexpr ub1 kObjectTypePointer = 3;
constexpr Integer kPasswordWillExpire = 28002;
constexpr std::size_t kVersionBuffer = 501;

constexpr const char* kBytesPerCharacterProbe =
    "select length(chr(2000000000)) l4, length(chr(2000000)) l3,  length(chr(20000)) l2 from "
    "dual";

const OraText* Text(const String& text) {
  return reinterpret_cast<const OraText*>(text.c_str());
}

}  // namespace

// ---------------------------------------------------------------------------
// Preferences

TSessionPreferences::TSessionPreferences(TOracleSession* session) : session_(session) {}

void TSessionPreferences::PrecisionChanged(Integer& field, Integer value) {
  if (field == value) return;
  field = value;
  if (session_ && session_->ComponentState().Contains(csDesigning) && !session_->Reading())
    session_->ReactivateDataSets();
}

void TSessionPreferences::SetFloatPrecision(Integer value) {
  PrecisionChanged(float_precision_, value);
}
void TSessionPreferences::SetIntegerPrecision(Integer value) {
  PrecisionChanged(integer_precision_, value);
}
void TSessionPreferences::SetSmallIntPrecision(Integer value) {
  PrecisionChanged(small_int_precision_, value);
}
void TSessionPreferences::SetMaxStringFieldSize(Integer value) {
  PrecisionChanged(max_string_field_size_, value);
}

void TSessionPreferences::SetUseOCI7(bool value) {
  if (value == use_oci7_) return;
  if (session_ && session_->Connected())
    throw Exception("Cannot change UseOCI7 property when session is connected");
  use_oci7_ = value;
}

void TSessionPreferences::AssignTo(TPersistent* dest) const {
  auto* other = dynamic_cast<TSessionPreferences*>(dest);
  if (!other) {
    TPersistent::AssignTo(dest);
    return;
  }
  other->SetFloatPrecision(float_precision_);
  other->SetIntegerPrecision(integer_precision_);
  other->SetSmallIntPrecision(small_int_precision_);
  other->SetUseOCI7(use_oci7_);
  other->SetConvertCRLF(convert_crlf_);
  other->SetTrimStringFields(trim_string_fields_);
  other->SetMaxStringFieldSize(max_string_field_size_);
  other->SetZeroDateIsNull(zero_date_is_null_);
  other->SetNullLOBIsEmpty(null_lob_is_empty_);
}

// ---------------------------------------------------------------------------
// Logon text

namespace OracleLogon {

bool SplitLogonRole(String& Text, String& Role) {
  String upper = AnsiUpperCase(Text);
  std::replace(upper.begin(), upper.end(), '\t', ' ');
  const std::size_t as = upper.find(" AS ");
  if (as == String::npos) return false;
  Role = Trim(upper.substr(as + 4));
  Text = Trim(Text.substr(0, as + 1));
  return true;
}

TConnectAsOption ConnectAsFromText(const String& Role) {
  const String upper = AnsiUpperCase(Role);
  if (upper == "SYSDBA") return caSYSDBA;
  if (upper == "SYSOPER") return caSYSOPER;
  return caNormal;
}

}  // namespace OracleLogon

// ---------------------------------------------------------------------------
// Construction

TOracleSession::TOracleSession(TComponent* owner) : TComponent(owner) {
  preferences_ = std::make_unique<TSessionPreferences>(this);
  for (auto& list : dependents_) list = std::make_unique<TThreadList>();
  if (TThreadList* sessions = Oracle::OracleSessionList()) sessions->Add(this);
}

TOracleSession::~TOracleSession() {
  Destroying();
  try {
    LogOff();
  } catch (...) {
    HandleCurrentException();
  }
  for (auto& list : dependents_) {
    std::vector<TSessionDependent*> items;
    {
      TThreadListLock locked(*list);
      for (Integer i = 0; i < locked->Count(); ++i)
        items.push_back(static_cast<TSessionDependent*>(locked->Items(i)));
      locked->Clear();
    }
    for (TSessionDependent* dependent : items) dependent->SessionDestroyed();
  }
  // The own query was detached with the other dependents above.
  session_query_.reset();
  // After the library's end the client is gone, and its handles with it.
  if (OracleCI::OciLoaded()) {
    try {
      FreeHandles();
    } catch (...) {
      HandleCurrentException();
    }
  }
  if (TThreadList* sessions = Oracle::OracleSessionList()) sessions->Remove(this);
}

bool TOracleSession::Reading() const {
  return ComponentState().Contains(csReading) || ComponentState().Contains(csLoading);
}

void TOracleSession::Loaded() {
  TComponent::Loaded();
  if (connected_) {
    DoAfterLogOn();
    if (OnChange) OnChange(this);
  }
}

void TOracleSession::DoBeforeLogOn() {
  if (BeforeLogOn) BeforeLogOn(this);
}

void TOracleSession::DoAfterLogOn() {
  if (AfterLogOn) AfterLogOn(this);
}

// ---------------------------------------------------------------------------
// Properties

void TOracleSession::SetLogonUsername(const String& value) {
  if (IgnoreStoredConnection()) return;
  logon_username_ = value;
  DetectODBC();
}

void TOracleSession::SetLogonPassword(const String& value) {
  if (IgnoreStoredConnection()) return;
  logon_password_ = value;
  DetectODBC();
}

void TOracleSession::SetLogonDatabase(const String& value) {
  if (IgnoreStoredConnection()) return;
  logon_database_ = value;
  DetectODBC();
}

void TOracleSession::DetectODBC() {
  odbc_ = AnsiUpperCase(logon_database_).find("ODBC:") != String::npos ||
          AnsiUpperCase(logon_username_).find("ODBC:") != String::npos;
  oca60_ = false;
  if (odbc_) {
    String value;
    OracleCI::ReadRegistryString(HKEY_LOCAL_MACHINE, "SOFTWARE\\ORACLE", "OCA60", value);
    oca60_ = !value.empty();
  }
}

void TOracleSession::SetThreadSafe(bool value) {
  if (value == thread_safe_) return;
  if (connected_) throw Exception("Cannot change ThreadSafe property when connected");
  thread_safe_ = value;
}

void TOracleSession::SetPooling(TSessionPoolingOption value) {
  if (value == pooling_) return;
  if (connected_) throw Exception("Cannot change Pooling property when connected");
  pooling_ = value;
}

void TOracleSession::SetMTSOptions(TMTSOptions value) {
  if (value == mts_options_) return;
  if (connected_) throw Exception("Cannot change MTSOptions property when connected");
  mts_options_ = value;
}

bool TOracleSession::IgnoreStoredConnection() const {
  // A connection stored for the designer's use is not the program's: a
  // program reading the definition keeps its own logon values.
  return design_connection_ && ComponentState().Contains(csLoading) &&
         !ComponentState().Contains(csDesigning);
}

void TOracleSession::SetConnected(bool value) {
  if (IgnoreStoredConnection()) return;
  if (value)
    LogOn();
  else
    LogOff();
}

void TOracleSession::SetBytesPerCharacter(TBytesPerCharacterOption value) {
  bytes_per_character_ = value;
  detected_bytes_per_char_ = 0;
}

template <class T>
void TOracleSession::ChangeSetting(T& field, T value, const char* statement) {
  if (connected_ && statement) ExecuteSessionSQL(statement, true);
  field = value;
}

void TOracleSession::SetSQLTrace(TSQLTraceOption value) {
  static const char* const texts[] = {nullptr, "alter session set sql_trace = true",
                                      "alter session set sql_trace = false"};
  ChangeSetting(sql_trace_, value, texts[value]);
}

void TOracleSession::SetOptimizerGoal(TOptimizerGoalOption value) {
  static const char* const texts[] = {nullptr, "alter session set optimizer_goal = choose",
                                      "alter session set optimizer_goal = first_rows",
                                      "alter session set optimizer_goal = all_rows",
                                      "alter session set optimizer_goal = rule"};
  ChangeSetting(optimizer_goal_, value, texts[value]);
}

void TOracleSession::SetIsolationLevel(TIsolationLevelOption value) {
  static const char* const texts[] = {nullptr, "alter session set isolation_level = read committed",
                                      "alter session set isolation_level = serializable"};
  ChangeSetting(isolation_level_, value, texts[value]);
}

void TOracleSession::SetAutoCommit(bool value) {
  if (value && ComponentState().Contains(csDesigning)) {
    MessageBoxA(nullptr,
                "Warning: the TOracleSession.AutoCommit property is obsolete.\r\n"
                "It still can be set at run-time for backward compatibility,\r\n"
                "but in the next release this property will be removed.",
                "", 0);
    return;
  }
  auto_commit_ = value;
  if (!connected_ || oci8_) return;
  EnterCall(true);
  const sword status = value ? OracleCI::ocon(Lda()) : OracleCI::ocof(Lda());
  if (!CheckStatus(status)) RaiseCallError(ErrorSource(), true);
  LeaveCall(true);
}

// ---------------------------------------------------------------------------
// The call lock and errors

void TOracleSession::EnterCall(bool OCI7Only) {
  if (thread_safe_ && (!OCI7Only || !oci8_)) lock_.Enter();
}

void TOracleSession::LeaveCall(bool OCI7Only) {
  if (thread_safe_ && (!OCI7Only || !oci8_)) lock_.Leave();
}

bool TOracleSession::CheckStatus(sword Status) {
  last_status_ = Status;
  return Status == 0;
}

Integer TOracleSession::ErrorSource() {
  return oci8_ ? error_id_ : Integer(Lda()->rc);
}

Integer TOracleSession::LastErrorCode() {
  if (!oci8_) return Integer(Lda()->rc);
  if (last_status_ != OCI_ERROR && last_status_ != OCI_SUCCESS_WITH_INFO) return last_status_;
  return Oracle::OracleErrorCode(this, error_id_);
}

void TOracleSession::RaiseCallError(Integer Source, bool OCI7Only) {
  try {
    Oracle::RaiseOracleError(this, Source);
  } catch (const EOracleError&) {
    // The error left the lock under the older generation's rule; a call
    // made under the full rule in the handle generation still holds it.
    if (!OCI7Only && oci8_) LeaveCall(false);
    throw;
  }
}

// ---------------------------------------------------------------------------
// The busy cursor

void TOracleSession::BeginBusy() {
  if (busy_depth_++ > 0 || cursor_ == 0 || !Screen) return;
  saved_cursor_ = Screen->Cursor();
  Screen->SetCursor(TCursor(cursor_));
}

void TOracleSession::EndBusy() {
  if (busy_depth_ == 0 || --busy_depth_ > 0 || cursor_ == 0 || !Screen) return;
  Screen->SetCursor(TCursor(saved_cursor_));
}

// ---------------------------------------------------------------------------
// Logon

void TOracleSession::ParseLogonString(String& Full) {
  Full = logon_username_;
  if (!logon_password_.empty()) Full += "/" + logon_password_;
  if (!logon_database_.empty()) Full += "@" + logon_database_;
  const std::size_t slash = Full.find('/');
  const std::size_t at = std::min(Full.find('@'), Full.size());
  if (slash != String::npos) {
    logon_username_ = Full.substr(0, slash);
    logon_password_ = slash < at ? Full.substr(slash + 1, at - slash - 1) : String();
  }
  logon_database_ = at + 1 < Full.size() ? Full.substr(at + 1) : String();
  String role;
  if (OracleLogon::SplitLogonRole(logon_database_, role) ||
      OracleLogon::SplitLogonRole(logon_password_, role) ||
      OracleLogon::SplitLogonRole(logon_username_, role))
    connect_as_ = OracleLogon::ConnectAsFromText(role);
  DetectODBC();
}

void TOracleSession::LogOn() {
  if ((connected_ || !Shared()) && pooling_ != spNone) {
    LogOff();
    if (pooling_ == spInternal)
      Oracle::OracleSessionPool()->ReserveSession(this);
    else
      MTSGetService();
    return;
  }
  DoBeforeLogOn();
  {
    if (thread_safe_) OracleCI::GlobalOracleLock->Enter();
    TScopeExit leave([this] {
      if (thread_safe_) OracleCI::GlobalOracleLock->Leave();
      OracleCI::RestoreCurrentDir();
    });
    LogOnNow();
  }
  if (!Reading()) {
    DoAfterLogOn();
    if (OnChange) OnChange(this);
  }
}

void TOracleSession::LogOnNow() {
  if (odbc_ && !oca60_ && OracleCI::OCIDLL.empty()) OracleCI::OCIDLL = "ora73.dll";
  BeginBusy();
  {
    TScopeExit end_busy([&] { EndBusy(); });
    OracleCI::InitOci();
  }
  LogOff();
  oci8_ = !preferences_->UseOCI7() && OracleCI::OCI8Present && !OracleCI::ForceOCI7 && !odbc_ &&
          !external_lda_;
  lda_derived_ = false;
  if (!Shared()) {
    String full;
    ParseLogonString(full);
    hda_.fill(0);
    std::memset(&lda_, 0, 4);
    BeginBusy();
    TScopeExit end_busy([&] { EndBusy(); });
    if (oci8_)
      LogOnOci8();
    else
      LogOnOci7(full);
  }
  if (external_svc_) AdoptExternalService();
  connected_ = true;
  if (!Shared()) ReapplySettings();
}

// Step of the logon after the logon call: a password about to expire is a
// warning kept for the program, any other error fails the logon. Runs
// inside EnterCall(true), which it leaves on every way.
void TOracleSession::LogOnOci8() {
  CreateEnvironment();
  ub4 credentials = kCredentialsExternal;
  if (!logon_username_.empty() || !logon_password_.empty()) {
    OracleCI::OCIAttrSet(session_, kHtypeSession, const_cast<char*>(logon_username_.c_str()),
                         ub4(logon_username_.size()), kAttrUsername, error_);
    OracleCI::OCIAttrSet(session_, kHtypeSession, const_cast<char*>(logon_password_.c_str()),
                         ub4(logon_password_.size()), kAttrPassword, error_);
    credentials = kCredentialsDatabase;
  }
  const ub4 mode = connect_as_ == caSYSDBA    ? kModeSysDba
                   : connect_as_ == caSYSOPER ? kModeSysOper
                                              : 0;
  const sword status = OracleCI::OCISessionBegin(svc_, error_, session_, credentials, mode);
  const bool begun = status == OCI_SUCCESS || status == OCI_SUCCESS_WITH_INFO;
  CheckStatus(status);
  // The warning or error is read before the generation may change below.
  const Integer code = LastErrorCode();
  if (begun) {
    char version[kVersionBuffer] = {};
    OracleCI::OCIServerVersion(server_, error_, reinterpret_cast<OraText*>(version),
                               ub4(sizeof version), ub1(kHtypeServer));
    const String banner = AnsiUpperCase(String(version, strnlen(version, sizeof version)));
    if (banner.find("ORACLE8") == String::npos && banner.find("ORACLE9") == String::npos) {
      // A server before release 8 speaks only the older generation.
      OracleCI::OCISvcCtxToLda(svc_, error_, &lda_);
      oci8_ = false;
      lda_derived_ = true;
    }
  }
  if (code == kPasswordWillExpire) {
    // Read from the error handle, whatever generation the session now runs.
    const bool oci8 = oci8_;
    oci8_ = true;
    logon_warning_ = EOracleError(this, ErrorSource()).Message();
    oci8_ = oci8;
    last_status_ = 0;
    return;
  }
  logon_warning_.clear();
  if (!begun) RaiseCallError(ErrorSource(), true);
  last_status_ = 0;
}

void TOracleSession::LogOnOci7(const String& Full) {
  EnterCall(true);
  OraText* text = reinterpret_cast<OraText*>(const_cast<char*>(Full.c_str()));
  const sword status =
      OracleCI::OLogPresent
          ? OracleCI::olog(&lda_, hda_.data(), text, -1, nullptr, -1, nullptr, -1, 0)
          : OracleCI::orlon(&lda_, hda_.data(), text, -1, nullptr, -1, 0);
  CheckStatus(status);
  if (LastErrorCode() == kPasswordWillExpire) {
    // The error leaves the call lock it was built in.
    logon_warning_ = EOracleError(this, ErrorSource()).Message();
    last_status_ = 0;
    return;
  }
  logon_warning_.clear();
  if (status != 0) RaiseCallError(ErrorSource(), true);
  LeaveCall(true);
}

void TOracleSession::AdoptExternalService() {
  oci8_ = true;
  svc_ = external_svc_;
  borrowed_handles_ = true;
  // The lender's environment is read through a scratch environment.
  {
    OCIEnv* made = nullptr;
    OracleCI::OCIEnvInit(&made, OCI_DEFAULT, 0, nullptr);
    const TOciHandle scratch = TOciHandle::Adopt(made, kHtypeEnv);
    const TOciHandle scratch_error(made, kHtypeError);
    OracleCI::OCIAttrGet(svc_, kHtypeSvcCtx, &env_, nullptr, kAttrEnv,
                         scratch_error.As<OCIError>());
  }
  AllocHandle(reinterpret_cast<void**>(&error_), kHtypeError);
  error_id_ = Oracle::RegisterOracleObject(error_);
  AllocHandle(reinterpret_cast<void**>(&error2_), kHtypeError);
  OracleCI::OCIAttrGet(svc_, kHtypeSvcCtx, &server_, nullptr, kAttrServer, error_);
  OracleCI::OCIAttrGet(svc_, kHtypeSvcCtx, &session_, nullptr, kAttrSession, error_);
}

void TOracleSession::ReapplySettings() {
  // Each setter sends only a change: the setting is forgotten first, so
  // that setting it again reaches the new connection.
  const auto again = [](auto& setting, auto unchanged, auto set) {
    if (setting == unchanged) return;
    set(std::exchange(setting, unchanged));
  };
  again(auto_commit_, false, [this](bool value) { SetAutoCommit(value); });
  again(sql_trace_, stUnchanged, [this](TSQLTraceOption value) { SetSQLTrace(value); });
  again(optimizer_goal_, ogUnchanged,
        [this](TOptimizerGoalOption value) { SetOptimizerGoal(value); });
  again(isolation_level_, ilUnchanged,
        [this](TIsolationLevelOption value) { SetIsolationLevel(value); });
}

void TOracleSession::AllocHandle(void** handle, ub4 type) {
  const sword status = OracleCI::OCIHandleAlloc(env_, handle, type, 0, nullptr);
  if (status != OCI_SUCCESS)
    throw Exception(Format("Could not allocate an Oracle handle of type %d", Integer(type)));
}

void TOracleSession::CreateEnvironment() {
  if (!env_) {
    sword status;
    if (OracleCI::OCI81Present)
      status = OracleCI::OCIEnvCreate(&env_, thread_safe_ ? kEnvCreateThreaded : kEnvCreateMode,
                                      nullptr, nullptr, nullptr, nullptr, 0, nullptr);
    else
      status = OracleCI::OCIEnvInit(&env_, thread_safe_ ? OCI_DEFAULT : kEnvInitMode, 0, nullptr);
    if (status != OCI_SUCCESS || !env_) {
      env_ = nullptr;
      throw Exception("Could not create an Oracle environment");
    }
    AllocHandle(reinterpret_cast<void**>(&svc_), kHtypeSvcCtx);
    AllocHandle(reinterpret_cast<void**>(&error_), kHtypeError);
    error_id_ = Oracle::RegisterOracleObject(error_);
    AllocHandle(reinterpret_cast<void**>(&error2_), kHtypeError);
    AllocHandle(reinterpret_cast<void**>(&server_), kHtypeServer);
    AllocHandle(reinterpret_cast<void**>(&session_), kHtypeSession);
  }
  DetachServer();
  EnterCall(true);
  const sword status = OracleCI::OCIServerAttach(server_, error_, Text(logon_database_),
                                                 sb4(logon_database_.size()), OCI_DEFAULT);
  if (!CheckStatus(status)) RaiseCallError(ErrorSource(), true);
  LeaveCall(true);
  server_attached_ = true;
  OracleCI::OCIAttrSet(svc_, kHtypeSvcCtx, server_, 0, kAttrServer, error_);
  OracleCI::OCIAttrSet(svc_, kHtypeSvcCtx, session_, 0, kAttrSession, error_);
}

// ---------------------------------------------------------------------------
// Logoff

void TOracleSession::LogOff() {
  if (connected_) {
    if (rollback_on_disconnect_ && !Shared()) {
      try {
        Rollback();
      } catch (const Exception&) {
        // The connection goes anyway; what was not committed is lost.
      }
    }
    CloseDependents();
    connected_ = false;
    if (table_info_) table_info_->Clear();
    date_format_length_ = -1;
    detected_bytes_per_char_ = 0;

    std::exception_ptr failure;
    bool give_back = false;
    OCISvcCtx* mts_service = nullptr;
    BeginBusy();
    if (thread_safe_) OracleCI::GlobalOracleLock->Enter();
    try {
      if (Shared()) {
        // What came from the lender goes back untouched: only the error
        // handles were this session's own.
        if (pooling_ == spMTS) mts_service = external_svc_;
        give_back = pooling_ == spInternal;
        external_lda_ = nullptr;
        external_svc_ = nullptr;
        if (oci8_) ReleaseErrorHandles();
        if (borrowed_handles_) {
          svc_ = nullptr;
          server_ = nullptr;
          session_ = nullptr;
          env_ = nullptr;
          borrowed_handles_ = false;
        }
      } else {
        if (lda_derived_) {
          OracleCI::OCILdaToSvcCtx(&svc_, error_, &lda_);
          oci8_ = true;
          lda_derived_ = false;
        }
        EnterCall(true);
        const sword status = oci8_ ? OracleCI::OCISessionEnd(svc_, error_, session_, OCI_DEFAULT)
                                   : OracleCI::ologof(Lda());
        if (!CheckStatus(status)) RaiseCallError(ErrorSource(), true);
        LeaveCall(true);
      }
    } catch (...) {
      failure = std::current_exception();
    }
    if (thread_safe_) OracleCI::GlobalOracleLock->Leave();
    EndBusy();
    // Outside GlobalOracleLock: a reservation takes the pool first.
    if (give_back && Oracle::OracleSessionPool()) Oracle::OracleSessionPool()->ReleaseSession(this);
    if (mts_service) MTSReleaseService(mts_service);
    if (failure) std::rethrow_exception(failure);
    if (!ComponentState().Contains(csDestroying) && OnChange) OnChange(this);
  }
  DetachServer();
  if (oci8_) FreeHandles();
}

void TOracleSession::DetachServer() {
  if (!server_attached_) return;
  server_attached_ = false;
  EnterCall(true);
  if (!CheckStatus(OracleCI::OCIServerDetach(server_, error_, OCI_DEFAULT)))
    RaiseCallError(ErrorSource(), true);
  LeaveCall(true);
}

void TOracleSession::ReleaseErrorHandles() {
  if (error_id_) Oracle::ReleaseOracleObject(error_id_);
  error_id_ = 0;
  if (error_) OracleCI::OCIHandleFree(error_, kHtypeError);
  if (error2_) OracleCI::OCIHandleFree(error2_, kHtypeError);
  error_ = nullptr;
  error2_ = nullptr;
}

void TOracleSession::FreeHandles() {
  if (borrowed_handles_) {
    // Never free what a lender owns.
    svc_ = nullptr;
    server_ = nullptr;
    session_ = nullptr;
    env_ = nullptr;
    borrowed_handles_ = false;
  }
  if (!env_ && !error_) return;
  if (server_) OracleCI::OCIHandleFree(server_, kHtypeServer);
  if (svc_) OracleCI::OCIHandleFree(svc_, kHtypeSvcCtx);
  ReleaseErrorHandles();
  if (session_) OracleCI::OCIHandleFree(session_, kHtypeSession);
  if (env_) OracleCI::OCIHandleFree(env_, kHtypeEnv);
  server_ = nullptr;
  svc_ = nullptr;
  session_ = nullptr;
  env_ = nullptr;
  server_attached_ = false;
}

// ---------------------------------------------------------------------------
// Transactions and statements

void TOracleSession::Commit() {
  EndTransaction(true);
}

void TOracleSession::Rollback() {
  EndTransaction(false);
}

void TOracleSession::EndTransaction(bool commit) {
  if (!connected_) return;
  if (mts_controlled_)
    throw Exception(String("Cannot ") + (commit ? "commit" : "rollback") +
                    " an MTS Controlled Transaction");
  EnterCall(true);
  sword status;
  if (oci8_)
    status = commit ? OracleCI::OCITransCommit(svc_, error_, OCI_DEFAULT)
                    : OracleCI::OCITransRollback(svc_, error_, OCI_DEFAULT);
  else
    status = commit ? OracleCI::ocom(Lda()) : OracleCI::orol(Lda());
  if (!CheckStatus(status)) RaiseCallError(ErrorSource(), true);
  LeaveCall(true);
}

TOracleQuery* TOracleSession::SessionQuery() {
  if (!session_query_) {
    session_query_ = std::make_unique<TOracleQuery>(nullptr);
    session_query_->SetName("Query");
    session_query_->SetSession(this);
  }
  return session_query_.get();
}

void TOracleSession::ExecuteSessionSQL(const String& SQL, bool ShowBusy) {
  if (ShowBusy) BeginBusy();
  TScopeExit end_busy([&] {
    if (ShowBusy) EndBusy();
  });
  TOracleQuery* query = SessionQuery();
  query->SQL()->SetText(SQL);
  query->Execute();
}

// ---------------------------------------------------------------------------
// Character width, string sizes, date format, numbers

Integer TOracleSession::ActualBytesPerCharacter() {
  if (detected_bytes_per_char_ > 0) return detected_bytes_per_char_;
  Integer result = 1;
  if (bytes_per_character_ == bcAutoDetect) {
    if (!connected_) return 1;
    TOracleQuery probe(nullptr);
    probe.SetName("BytesPerCharacterQuery");
    probe.SetSession(this);
    probe.SQL()->SetText(kBytesPerCharacterProbe);
    probe.Execute();
    if (!probe.Eof()) {
      const Integer l4 = probe.FieldAsInteger(0);
      const Integer l3 = probe.FieldAsInteger(1);
      const Integer l2 = probe.FieldAsInteger(2);
      result = l4 == 1 ? (l3 == 1 ? l2 : l3) : l4;
    }
  } else {
    result = Integer(bytes_per_character_);
  }
  if (result <= 0) result = 1;
  detected_bytes_per_char_ = result;
  return result;
}

Integer TOracleSession::MaxStringSize() {
  return (oci8_ ? 4000 : 2000) / ActualBytesPerCharacter();
}

Integer TOracleSession::DateFormatLength() {
  if (date_format_length_ < 0 && connected_) {
    String sql;
    for (Integer month = 1; month <= 12; ++month) {
      if (month > 1) sql += " union all ";
      sql += Format(
          "select to_char(to_date('10-%d-1999 10:10:10', 'dd-mm-yyyy hh24:mi:ss')) from dual",
          month);
    }
    TOracleQuery probe(nullptr);
    probe.SetName("DateFormatLengthQuery");
    probe.SetSession(this);
    probe.SQL()->SetText(sql);
    probe.Execute();
    Integer longest = 0;
    for (; !probe.Eof(); probe.Next())
      longest = std::max(longest, Integer(probe.FieldAsString(0).size()));
    date_format_length_ = longest <= 0 ? 40 : longest;
  }
  return date_format_length_;
}

void TOracleSession::MapNumber(Integer Precision, Integer Scale, Integer& Size,
                               Integer& ExternalType, bool AsString) const {
  Integer int_limit = preferences_->IntegerPrecision();
  if (int_limit == 0) int_limit = odbc_ ? 10 : 9;
  bool is_float = false;
  if (Scale == -127) {
    Precision = 38;
    Scale = 1;
    is_float = true;
  } else if (Precision == 0 && Scale == 0) {
    Precision = 38;
  }
  const Integer float_limit =
      preferences_->FloatPrecision() == 0 ? Integer(INT32_MAX) : preferences_->FloatPrecision();
  if (Scale < 1 && int_limit >= Precision && !AsString) {
    ExternalType = 3;
    Size = 4;
  } else if (float_limit >= Precision && !AsString) {
    ExternalType = 4;
    Size = 8;
  } else {
    ExternalType = 5;
    Size = Scale < 1 ? Precision + 2 : Precision + 3;
    if (is_float) Size += 132;
  }
}

// ---------------------------------------------------------------------------
// Sharing, MTS and type codes

void TOracleSession::SetExternalLDA(Lda_Def* Lda) {
  LogOff();
  if (Lda) {
    external_lda_ = Lda;
    LogOn();
  }
}

Lda_Def* TOracleSession::GetExternalLDA() const {
  if (!connected_ || oci8_) throw Exception("ExternalLDA only valid when connected through OCI7");
  return external_lda_ ? external_lda_ : const_cast<Lda_Def*>(&lda_);
}

void TOracleSession::SetExternalSVC(OCISvcCtx* Service) {
  OracleCI::InitOci();
  if (!(OracleCI::OCI8Present && !preferences_->UseOCI7() && !OracleCI::ForceOCI7))
    throw Exception("ExternalSVC only valid with OCI8");
  LogOff();
  if (Service) {
    external_svc_ = Service;
    LogOn();
  }
}

OCISvcCtx* TOracleSession::GetExternalSVC() const {
  if (!connected_ || !oci8_) throw Exception("ExternalSVC only valid when connected through OCI8");
  return svc_;
}

void TOracleSession::ShareConnection(TOracleSession* Target) {
  Target->SetLogonUsername(logon_username_);
  Target->SetLogonPassword(logon_password_);
  Target->SetLogonDatabase(logon_database_);
  if (oci8_)
    Target->SetExternalSVC(GetExternalSVC());
  else
    Target->SetExternalLDA(GetExternalLDA());
}

void TOracleSession::MTSGetService() {
  OracleCI::InitMts();
  ub4 flags = 0;
  if (!mts_options_.Contains(moImplicit)) flags |= 1;
  if (mts_options_.Contains(moUniqueServer)) flags |= 2;
  OCISvcCtx* service = nullptr;
  OCIEnv* environment = nullptr;
  const ub4 code = OracleCI::OraMTSSvcGet(logon_username_.c_str(), logon_password_.c_str(),
                                          logon_database_.c_str(), &service, &environment, flags);
  if (code != 0) throw EOracleMTSError("OraMTSSvcGet", Integer(code));
  try {
    SetExternalSVC(service);
  } catch (...) {
    // The logon over the service failed: the service goes back at once.
    if (external_svc_ == service) external_svc_ = nullptr;
    OracleCI::OraMTSSvcRel(service);
    throw;
  }
  mts_controlled_ = mts_options_.Contains(moImplicit);
}

void TOracleSession::MTSReleaseService(OCISvcCtx* service) {
  mts_controlled_ = false;
  const ub4 code = OracleCI::OraMTSSvcRel(service);
  if (code != 0) throw EOracleMTSError("OraMTSSvcRel", Integer(code));
}

Integer TOracleSession::GetTypeCode(void* TypeDescriptor) {
  void* made = nullptr;
  AllocHandle(&made, kHtypeDescribe);
  const TOciHandle describe = TOciHandle::Adopt(made, kHtypeDescribe);
  EnterCall(true);
  sword status = OracleCI::OCIDescribeAny(svc_, error_, TypeDescriptor, 0, kObjectTypePointer, 0,
                                          kParamType, describe.As<OCIDescribe>());
  void* param = nullptr;
  if (status == OCI_SUCCESS)
    status = OracleCI::OCIAttrGet(describe.As<void>(), kHtypeDescribe, &param, nullptr, kAttrParam,
                                  error_);
  OCITypeCode code = 0;
  if (status == OCI_SUCCESS)
    status = OracleCI::OCIAttrGet(param, kDtypeParam, &code, nullptr, kAttrTypeCode, error_);
  // The error leaves the call lock.
  if (!CheckStatus(status)) RaiseCallError(ErrorSource(), true);
  LeaveCall(true);
  return code;
}

// ---------------------------------------------------------------------------
// Dependents

void TOracleSession::AddDependent(TSessionDependentKind kind, TSessionDependent* dependent) {
  DependentsList(kind).Add(dependent);
}

void TOracleSession::RemoveDependent(TSessionDependentKind kind, TSessionDependent* dependent) {
  DependentsList(kind).Remove(dependent);
}

void TOracleSession::CloseDependents() {
  // Last attached first; the list is copied so that a dependent may leave
  // it while it closes.
  for (auto& list : dependents_) {
    std::vector<TSessionDependent*> items;
    {
      TThreadListLock locked(*list);
      for (Integer i = locked->Count() - 1; i >= 0; --i)
        items.push_back(static_cast<TSessionDependent*>(locked->Items(i)));
    }
    for (TSessionDependent* dependent : items) dependent->SessionClosing();
  }
}

void TOracleSession::ReactivateDataSets() {
  std::vector<TSessionDependent*> items;
  {
    TThreadListLock locked(DependentsList(sdDataSet));
    for (Integer i = 0; i < locked->Count(); ++i)
      items.push_back(static_cast<TSessionDependent*>(locked->Items(i)));
  }
  for (TSessionDependent* dependent : items) {
    try {
      dependent->Reactivate();
    } catch (const Exception& e) {
      const String text =
          "Error reactivating dataset " + dependent->DependentName() + ":\r\n" + e.Message();
      MessageBoxA(nullptr, text.c_str(), "", 0);
    }
  }
}
