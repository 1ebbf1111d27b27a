// oracle/OracleErrors.cpp
#include "oracle/OracleErrors.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <mutex>

#include "oracle/OracleCI.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

// The client writes at most this much of a message; the buffer is zeroed so
// that a message without its terminating zero still ends.
constexpr std::size_t kErrorBufferSize = 4001;
// Longer server messages are cut: they are shown in dialogs and logs.
constexpr std::size_t kMaxMessageLength = 1023;
constexpr std::size_t kErrorTextBufferSize = 2001;

String TextUpToZero(const OraText* buffer, std::size_t size) {
  const char* text = reinterpret_cast<const char*>(buffer);
  return String(text, strnlen(text, size));
}

// Reads the first error record of an error handle into `buffer`; the number
// it reports, 0 when there is none.
Integer ReadErrorHandle(Integer source, OraText* buffer) {
  sb4 code = 0;
  OracleCI::OCIErrorGet(Oracle::OracleObjectFromId(source), 1, nullptr, &code, buffer,
                        ub4(kErrorBufferSize), OCI_HTYPE_ERROR);
  return code;
}

struct TMtsText {
  Integer code;
  const char* text;
};
constexpr TMtsText kMtsTexts[] = {
    {1001, "no MTXDM.DLL available"},   {1002, "failure to create dispen"},
    {1003, "exceeded max sessions"},    {1004, "invalid OCI Svc ctx"},
    {1005, "can't create new dbiden"},  {2001, "unable to alloc a server"},
    {3001, "invalid server object"},    {3002, "failed attach to Oracle"},
    {3003, "failed detach from db"},    {3004, "failed to start trans."},
    {3005, "OCI set attrib failed"},    {3006, "conn to Oracle broken"},
    {3007, "not attached to Oracle"},   {3008, "alrdy attached to Oracle"},
    {4001, "invalid session object"},   {4002, "failed logon to Oracle"},
    {4003, "failed logoff from db"},    {4004, "no transaction beneath"},
    {4005, "already logged on to db"},  {4006, "not logged on to Oracle"},
    {5001, "RPC context is invalid"},   {5002, "generic communic. error"},
    {5003, "endpoint already connect"}, {5004, "endpoint not connected"},
    {5005, "protocol violation"},       {5006, "timeout accepting conn."},
    {5007, "invalid RPC opcode"},       {5008, "mismatched incarnation#"},
    {5009, "client connect timeout"},   {5010, "synch. send timeout"},
    {5011, "synch. receive timedout"},  {5012, "connection reset by peer"},
    {6001, "invalid args to function"}, {6002, "an object was invalid"},
    {6003, "illegal operation"},        {6004, "memory allocation error"},
    {6005, "synchr. object error"},     {6006, "no Oracle Proxy server"},
    {6007, "session already enlisted"}, {6008, "session is not enlisted"},
    {6009, "illeg on manuenlst sess"},  {6010, "illeg on autoenlst sess"},
    {6011, "error detaching trans."},   {6012, "OCI handle alloc error"},
    {6013, "OCI handle dealloc error"}, {6014, "error exporting trans."},
};

// The standard texts of the errors whose constraint name callers cut out of
// the "(...)", for clients that cannot give messages by number.
struct TStandardText {
  Integer code;
  const char* text;
};
constexpr TStandardText kStandardTexts[] = {
    {1, "ORA-00001: unique constraint (%s) violated"},
    {2290, "ORA-02290: check constraint (%s) violated"},
    {2291, "ORA-02291: integrity constraint (%s) violated - parent key not found"},
    {2292, "ORA-02292: integrity constraint (%s) violated - child record found"},
    {30021, "ORA-30021: Operation not allowed on undo tablespace"},
};

std::mutex object_ids_mutex;
std::vector<void*> object_ids;  // id - 1 indexes it; nullptr marks a free slot

std::vector<Integer> warnings;
std::function<bool()> debugger_absent_hook;

bool NoTracer() {
  std::ifstream status("/proc/self/status");
  String line;
  while (std::getline(status, line))
    if (line.rfind("TracerPid:", 0) == 0) return Trim(line.substr(10)) == "0";
  return true;
}

}  // namespace

EOracleError::EOracleError(TOracleSessionBase* Session, Integer Source) : Exception(String()) {
  std::array<OraText, kErrorBufferSize> buffer{};
  Integer code = 0;
  if (Session->OCI8Mode()) {
    code = ReadErrorHandle(Source, buffer.data());
  } else {
    code = Source;
    OracleCI::oerhms(Session->Lda(), sb2(code), buffer.data(), sword(kErrorBufferSize));
  }
  Session->LeaveCall(true);
  SetMessage(TextUpToZero(buffer.data(), kMaxMessageLength));
  ErrorCode = code;
}

EOracleMTSError::EOracleMTSError(const String& FunctionName, Integer Code)
    : Exception(Code == 0 ? FunctionName
                          : "MTS error " + IntToStr(Code) + ": " + Oracle::MTSErrorText(Code) +
                                "\r\nin function " + FunctionName),
      ErrorCode(Code) {}

namespace Oracle {

String MTSErrorText(Integer code) {
  for (const TMtsText& entry : kMtsTexts)
    if (entry.code == code) return entry.text;
  return String();
}

Integer RegisterOracleObject(void* object) {
  if (!object) return 0;
  std::lock_guard lock(object_ids_mutex);
  auto free_slot = std::find(object_ids.begin(), object_ids.end(), nullptr);
  if (free_slot != object_ids.end()) {
    *free_slot = object;
    return Integer(free_slot - object_ids.begin()) + 1;
  }
  if (object_ids.size() >= std::size_t(INT32_MAX)) throw Exception("Too many Oracle objects");
  object_ids.push_back(object);
  return Integer(object_ids.size());
}

void* OracleObjectFromId(Integer id) {
  std::lock_guard lock(object_ids_mutex);
  if (id <= 0 || std::size_t(id) > object_ids.size()) return nullptr;
  return object_ids[std::size_t(id) - 1];
}

void ReleaseOracleObject(Integer id) {
  std::lock_guard lock(object_ids_mutex);
  if (id <= 0 || std::size_t(id) > object_ids.size()) return;
  object_ids[std::size_t(id) - 1] = nullptr;
  while (!object_ids.empty() && !object_ids.back()) object_ids.pop_back();
}

Integer OracleErrorCode(TOracleSessionBase* Session, Integer Source) {
  if (!Session->OCI8Mode()) return Source;
  std::array<OraText, kErrorBufferSize> buffer{};
  return ReadErrorHandle(Source, buffer.data());
}

void RaiseOracleError(TOracleSessionBase* Session, Integer Source) {
  if (!warnings.empty() && IsWarning(OracleErrorCode(Session, Source)))
    throw EOracleWarning(Session, Source);
  throw EOracleError(Session, Source);
}

String GetErrorText(TOracleSessionBase& Session, Integer Code) {
  if (!OracleCI::oerhms) {
    for (const TStandardText& entry : kStandardTexts)
      if (entry.code == Code) return entry.text;
    return Format("ORA-%.5d", Code);
  }
  std::array<OraText, kErrorTextBufferSize> buffer{};
  Session.EnterCall(true);
  TScopeExit leave([&] { Session.LeaveCall(true); });
  if (Session.OCI8Mode()) {
    // The message call wants a logon data area even though it reads none
    // of it; a blank one serves a session of the handle generation.
    Lda_Def blank{};
    OracleCI::oerhms(&blank, sb2(Code), buffer.data(), sword(buffer.size()));
  } else {
    OracleCI::oerhms(Session.Lda(), sb2(Code), buffer.data(), sword(buffer.size()));
  }
  return TextUpToZero(buffer.data(), buffer.size());
}

void CheckSessionRequirement(TOracleSessionBase* Session, const String& What) {
  if (!Session) throw Exception(What + " requires a session");
  if (!Session->Connected()) throw Exception(What + " requires a connected session");
  if (!Session->OCI8Mode()) {
    if (OracleCI::OCI8Present)
      throw Exception(What + " requires OCI8 mode, but OCI7 mode is used.");
    throw Exception(What + " requires Net8, which is not detected on this PC");
  }
}

void LoadWarnings() {
  warnings.clear();
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kWarningsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  for (Integer i = 1;; ++i) {
    char data[256] = {};
    DWORD size = sizeof data - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, IntToStr(i).c_str(), nullptr, &type, reinterpret_cast<LPBYTE>(data),
                         &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
      break;
    const String value(data, strnlen(data, size));
    if (value.empty()) break;
    Integer code;
    if (value[0] != '*' && TryStrToInt(value, code)) warnings.push_back(code);
  }
  RegCloseKey(key);
}

const std::vector<Integer>& Warnings() {
  return warnings;
}

bool IsWarning(Integer code) {
  return std::find(warnings.begin(), warnings.end(), code) != warnings.end();
}

bool DebuggerAbsent() {
  return debugger_absent_hook ? debugger_absent_hook() : NoTracer();
}

void SetDebuggerAbsentHook(std::function<bool()> hook) {
  debugger_absent_hook = std::move(hook);
}

void InitializeErrorsUnit() {
  if (!DebuggerAbsent()) LoadWarnings();
}

void FinalizeErrorsUnit() {
  warnings.clear();
}

}  // namespace Oracle
