// oracle/OracleSession.h
//
// TOracleSession: the connection every query, dataset, LOB and object of the
// library runs on. It keeps the logon values, connects in either generation
// of the call interface (the older one through a logon data area, the
// handle one through an environment and its handles), runs the transaction
// calls and the session settings ("alter session"), borrows connections from
// the process-wide pool or the MTS service, shares a connection that exists
// outside it, and serialises the client calls of thread-safe sessions.
//
// Locks, always taken in this order and never the other way round: the
// pool's list, the session list, GlobalOracleLock, a session's call lock.
// A session hands its connection back to the pool only after it has left
// GlobalOracleLock, because a reservation logs a new pooled session on while
// it holds the pool.
//
// Errors: a failed client call raises EOracleError (or EOracleWarning)
// through Oracle::RaiseOracleError; the error leaves exactly the call lock
// the failing call entered, so the caller never leaves it again.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "oracle/OciDataArea.h"
#include "oracle/OracleCI.h"
#include "oracle/OracleErrors.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/Component.h"
#include "platform/rtl/List.h"
#include "platform/rtl/Set.h"

class TOracleSession;
class TOracleQuery;

enum TConnectAsOption { caNormal, caSYSDBA, caSYSOPER };
enum TSessionPoolingOption { spNone, spInternal, spMTS };
enum TMTSOption { moImplicit, moUniqueServer };
using TMTSOptions = Set<TMTSOption>;
enum TNullValueOption { nvUnAssigned, nvNull };
enum TSQLTraceOption { stUnchanged, stTrue, stFalse };
enum TOptimizerGoalOption { ogUnchanged, ogChoose, ogFirstRows, ogAllRows, ogRule };
enum TIsolationLevelOption { ilUnchanged, ilReadCommitted, ilSerializable };
enum TBytesPerCharacterOption { bcAutoDetect, bc1Byte, bc2Bytes, bc3Bytes, bc4Bytes };

using TOracleSessionEvent = std::function<void(TOracleSession* Sender)>;

// The session's settings that the query and dataset read when they map
// column types.
class TSessionPreferences : public TPersistent {
  ZORVET_CLASS_NAME(TSessionPreferences)

 public:
  explicit TSessionPreferences(TOracleSession* session);

  Integer FloatPrecision() const { return float_precision_; }
  void SetFloatPrecision(Integer value);
  Integer IntegerPrecision() const { return integer_precision_; }
  void SetIntegerPrecision(Integer value);
  Integer SmallIntPrecision() const { return small_int_precision_; }
  void SetSmallIntPrecision(Integer value);
  bool UseOCI7() const { return use_oci7_; }
  void SetUseOCI7(bool value);
  bool ConvertCRLF() const { return convert_crlf_; }
  void SetConvertCRLF(bool value) { convert_crlf_ = value; }
  bool TrimStringFields() const { return trim_string_fields_; }
  void SetTrimStringFields(bool value) { trim_string_fields_ = value; }
  Integer MaxStringFieldSize() const { return max_string_field_size_; }
  void SetMaxStringFieldSize(Integer value);
  bool ZeroDateIsNull() const { return zero_date_is_null_; }
  void SetZeroDateIsNull(bool value) { zero_date_is_null_ = value; }
  bool NullLOBIsEmpty() const { return null_lob_is_empty_; }
  void SetNullLOBIsEmpty(bool value) { null_lob_is_empty_ = value; }

 protected:
  void AssignTo(TPersistent* dest) const override;

 private:
  // A precision changed at design time: the session's datasets reopen.
  void PrecisionChanged(Integer& field, Integer value);

  TOracleSession* session_;
  Integer float_precision_ = 0;
  Integer integer_precision_ = 0;
  Integer small_int_precision_ = -1;
  bool use_oci7_ = false;
  bool convert_crlf_ = true;
  bool trim_string_fields_ = true;
  Integer max_string_field_size_ = 0;
  bool zero_date_is_null_ = true;
  bool null_lob_is_empty_ = false;
};

// The kinds of components that follow a session; each has its own list
// (DependentsList). Kinds the program has no class for keep their lists.
enum TSessionDependentKind {
  sdQuery = 0,
  sdDataSet = 1,
  sdLOBLocator = 7,
  sdObject = 8,
  sdReference = 9,
};
constexpr Integer kSessionDependentLists = 10;

// What a session needs of a component that follows it: closing at logoff
// and letting go when the session is destroyed.
class TSessionDependent {
 public:
  virtual ~TSessionDependent() = default;
  // The session logs off: close whatever runs on it.
  virtual void SessionClosing() = 0;
  // The session is destroyed: forget it.
  virtual void SessionDestroyed() = 0;
  // A precision preference changed at design time: a dataset resets and
  // opens again when it was open. Other kinds have nothing to redo.
  virtual void Reactivate() {}
  // The name shown when reactivating fails.
  virtual String DependentName() const { return String(); }
};

class TOracleSession : public TComponent, public TOracleSessionBase {
  ZORVET_CLASS_NAME(TOracleSession)

 public:
  explicit TOracleSession(TComponent* owner);
  ~TOracleSession() override;

  // Events.
  TOracleSessionEvent OnChange;
  TOracleSessionEvent BeforeLogOn;
  TOracleSessionEvent AfterLogOn;

  // Published properties.
  Integer Cursor() const { return cursor_; }
  void SetCursor(Integer value) { cursor_ = value; }
  bool DesignConnection() const { return design_connection_; }
  void SetDesignConnection(bool value) { design_connection_ = value; }
  const String& LogonUsername() const { return logon_username_; }
  void SetLogonUsername(const String& value);
  const String& LogonPassword() const { return logon_password_; }
  void SetLogonPassword(const String& value);
  const String& LogonDatabase() const { return logon_database_; }
  void SetLogonDatabase(const String& value);
  TConnectAsOption ConnectAs() const { return connect_as_; }
  void SetConnectAs(TConnectAsOption value) { connect_as_ = value; }
  bool ThreadSafe() const { return thread_safe_; }
  void SetThreadSafe(bool value);
  TSessionPreferences* Preferences() const { return preferences_.get(); }
  void SetPreferences(const TSessionPreferences* value) { preferences_->Assign(value); }
  TSessionPoolingOption Pooling() const { return pooling_; }
  void SetPooling(TSessionPoolingOption value);
  TMTSOptions MTSOptions() const { return mts_options_; }
  void SetMTSOptions(TMTSOptions value);
  bool Connected() const override { return connected_; }
  void SetConnected(bool value);
  bool RollbackOnDisconnect() const { return rollback_on_disconnect_; }
  void SetRollbackOnDisconnect(bool value) { rollback_on_disconnect_ = value; }
  bool AutoCommit() const { return auto_commit_; }
  void SetAutoCommit(bool value);
  TNullValueOption NullValue() const { return null_value_; }
  void SetNullValue(TNullValueOption value) { null_value_ = value; }
  TSQLTraceOption SQLTrace() const { return sql_trace_; }
  void SetSQLTrace(TSQLTraceOption value);
  TOptimizerGoalOption OptimizerGoal() const { return optimizer_goal_; }
  void SetOptimizerGoal(TOptimizerGoalOption value);
  TIsolationLevelOption IsolationLevel() const { return isolation_level_; }
  void SetIsolationLevel(TIsolationLevelOption value);
  TBytesPerCharacterOption BytesPerCharacter() const { return bytes_per_character_; }
  void SetBytesPerCharacter(TBytesPerCharacterOption value);
  const String& MessageTable() const { return message_table_; }
  void SetMessageTable(const String& value) { message_table_ = value; }
  // True while the connection is lent from outside (ExternalLDA or ExternalSVC).
  bool Shared() const { return external_lda_ != nullptr || external_svc_ != nullptr; }

  void LogOn();
  void LogOff();
  void Commit();
  void Rollback();
  // Runs one statement on the session's own query, under the busy cursor
  // when ShowBusy.
  void ExecuteSessionSQL(const String& SQL, bool ShowBusy);
  // The session's own query (named "Query"), made on first use.
  TOracleQuery* SessionQuery();

  Integer ActualBytesPerCharacter();
  Integer MaxStringSize();
  Integer DateFormatLength();
  void MapNumber(Integer Precision, Integer Scale, Integer& Size, Integer& ExternalType,
                 bool AsString) const;

  void SetExternalLDA(Lda_Def* Lda);
  Lda_Def* GetExternalLDA() const;
  void SetExternalSVC(OCISvcCtx* Service);
  OCISvcCtx* GetExternalSVC() const;
  // Lets Target log on over this session's connection.
  void ShareConnection(TOracleSession* Target);
  Integer GetTypeCode(void* TypeDescriptor);

  // For the error classes and the components on the session.
  bool OCI8Mode() const override { return oci8_; }
  Lda_Def* Lda() override { return external_lda_ ? external_lda_ : &lda_; }
  void EnterCall(bool OCI7Only) override;
  void LeaveCall(bool OCI7Only) override;
  bool ConvertCRLF() const override { return preferences_->ConvertCRLF(); }
  // Stores Status as the last status; true when it is 0.
  bool CheckStatus(sword Status);
  sword LastStatus() const { return last_status_; }
  Integer LastErrorCode();
  // The id of the error handle (handle generation) or the logon data area's
  // return code (older generation).
  Integer ErrorSource();
  String GetErrorText(Integer Code) { return Oracle::GetErrorText(*this, Code); }
  // Raises the error of the failed call `Source` stands for, made inside
  // EnterCall(OCI7Only), and leaves that call lock on the way out.
  [[noreturn]] void RaiseCallError(Integer Source, bool OCI7Only);
  // The text of the last logon's "password will expire" warning, or "".
  const String& LogonWarning() const { return logon_warning_; }
  bool IsODBC() const { return odbc_; }
  bool IsOCA60() const { return oca60_; }
  bool TransactionControlledByMTS() const { return mts_controlled_; }
  // Whether the calling thread holds the session's call lock.
  bool CallLockHeld() const { return lock_.HeldByCurrentThread(); }

  // The handles of the handle generation (null in the older one).
  OCIEnv* EnvHandle() const { return env_; }
  OCIError* ErrorHandle() const { return error_; }
  OCISvcCtx* ServiceHandle() const { return svc_; }
  OCIServer* ServerHandle() const { return server_; }
  OCISession* SessionHandle() const { return session_; }

  // Dependents: a component registers with its kind and unregisters when it
  // goes or follows another session.
  void AddDependent(TSessionDependentKind kind, TSessionDependent* dependent);
  void RemoveDependent(TSessionDependentKind kind, TSessionDependent* dependent);
  TThreadList& DependentsList(Integer kind) { return *dependents_[std::size_t(kind)]; }
  void CloseDependents();

  void BeginBusy();
  void EndBusy();

  void Loaded() override;

  // What the data dictionary said about the tables this session's datasets
  // update (a collection of TOracleTableInfo, made by its first user). The
  // session empties it when it logs off, since another logon may see
  // another schema.
  TCollection* TableInfoCache() const { return table_info_.get(); }
  void SetTableInfoCache(std::unique_ptr<TCollection> value) { table_info_ = std::move(value); }

 protected:
  virtual void DoBeforeLogOn();
  virtual void DoAfterLogOn();

 private:
  friend class TSessionPreferences;

  void ParseLogonString(String& Full);
  void DetectODBC();
  void LogOnNow();
  void LogOnOci8();
  void LogOnOci7(const String& Full);
  void AdoptExternalService();
  void ReapplySettings();
  void EndTransaction(bool commit);
  void CreateEnvironment();
  void AllocHandle(void** handle, ub4 type);
  void FreeHandles();
  void DetachServer();
  void ReleaseErrorHandles();
  void MTSGetService();
  void MTSReleaseService(OCISvcCtx* service);
  void ReactivateDataSets();
  bool Reading() const;
  // Whether the stored logon values and Connected are being read for a
  // session whose connection belongs to the designer.
  bool IgnoreStoredConnection() const;
  // Runs `statement` and stores the option once it succeeded.
  template <class T>
  void ChangeSetting(T& field, T value, const char* statement);

  std::unique_ptr<TSessionPreferences> preferences_;
  Integer cursor_ = -11;
  bool design_connection_ = false;
  String logon_username_, logon_password_, logon_database_;
  TConnectAsOption connect_as_ = caNormal;
  bool thread_safe_ = false;
  TSessionPoolingOption pooling_ = spNone;
  TMTSOptions mts_options_{moImplicit, moUniqueServer};
  bool connected_ = false;
  bool rollback_on_disconnect_ = false;
  bool auto_commit_ = false;
  TNullValueOption null_value_ = nvUnAssigned;
  TSQLTraceOption sql_trace_ = stUnchanged;
  TOptimizerGoalOption optimizer_goal_ = ogUnchanged;
  TIsolationLevelOption isolation_level_ = ilUnchanged;
  TBytesPerCharacterOption bytes_per_character_ = bc1Byte;
  String message_table_;

  bool oci8_ = false;
  sword last_status_ = 0;
  Lda_Def lda_{};
  std::array<ub1, kOciHostDataAreaSize> hda_{};
  Lda_Def* external_lda_ = nullptr;
  OCISvcCtx* external_svc_ = nullptr;
  bool lda_derived_ = false;
  OCIEnv* env_ = nullptr;
  OCIError* error_ = nullptr;
  OCIError* error2_ = nullptr;
  Integer error_id_ = 0;  // error_ in the process-wide id table
  OCISvcCtx* svc_ = nullptr;
  OCISession* session_ = nullptr;
  OCIServer* server_ = nullptr;
  bool server_attached_ = false;
  // The service context, server and session handles came from outside and
  // are not ours to free.
  bool borrowed_handles_ = false;
  bool mts_controlled_ = false;
  bool odbc_ = false;
  bool oca60_ = false;
  String logon_warning_;
  Integer detected_bytes_per_char_ = 0;
  Integer date_format_length_ = -1;
  TOracleCriticalSection lock_;
  std::array<std::unique_ptr<TThreadList>, kSessionDependentLists> dependents_;
  Integer saved_cursor_ = 0;
  Integer busy_depth_ = 0;
  std::unique_ptr<TOracleQuery> session_query_;
  std::unique_ptr<TCollection> table_info_;
};

namespace OracleLogon {
// Splits " AS role" off `Text` (TAB counts as a blank): true with the role
// upper-cased and `Text` cut before the blank.
bool SplitLogonRole(String& Text, String& Role);
TConnectAsOption ConnectAsFromText(const String& Role);
}  // namespace OracleLogon
