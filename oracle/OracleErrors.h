// oracle/OracleErrors.h
//
// How failures of the Oracle client and server reach the program: every
// error the client reports becomes EOracleError with the server's number and
// text, the numbers a developer lists in the registry become EOracleWarning
// instead, and failures of the MTS service library become EOracleMTSError.
// The requirement check that an operation needs a connected session of the
// handle generation lives here too.
//
// The session is seen through TOracleSessionBase, the few things these
// routines need of it, so that they stand on their own below the session.
//
// The handle generation reports errors through an error handle, which the
// library hands around as a 32-bit "source". On a 64-bit machine a handle
// does not fit, so sources are small ids from a process-wide table
// (RegisterOracleObject); the older generation's source is the failed call's
// return code as before.
#pragma once

#include <functional>
#include <vector>

#include "oracle/OciDataArea.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

// What the error classes and shared routines need of a session.
class TOracleSessionBase {
 public:
  virtual ~TOracleSessionBase() = default;

  virtual bool Connected() const = 0;
  // True when the session runs the handle generation of the interface.
  virtual bool OCI8Mode() const = 0;
  // The logon data area of the older generation.
  virtual Lda_Def* Lda() = 0;
  // The session's call lock; with OCI7Only only in the older generation.
  // Each LeaveCall undoes one EnterCall of the same thread.
  virtual void EnterCall(bool OCI7Only) = 0;
  virtual void LeaveCall(bool OCI7Only) = 0;
  // Whether strings read from the server get CR LF line breaks.
  virtual bool ConvertCRLF() const = 0;
};

// An error reported by the client or the server.
class EOracleError : public Exception {
 public:
  // Reads the error that `Source` stands for (an id of the error handle in
  // the handle generation, the return code in the older one) and leaves the
  // session's call lock that the failed call was made in.
  EOracleError(TOracleSessionBase* Session, Integer Source);
  EOracleError(String message, Integer code) : Exception(std::move(message)), ErrorCode(code) {}

  Integer ErrorCode = 0;
};

// An error whose number the developer listed as a warning.
class EOracleWarning : public EOracleError {
 public:
  using EOracleError::EOracleError;
};

// A failure of the MTS service library.
class EOracleMTSError : public Exception {
 public:
  EOracleMTSError(const String& FunctionName, Integer Code);

  Integer ErrorCode = 0;
};

namespace Oracle {

// The fixed text of an MTS service code; empty for an unknown code.
String MTSErrorText(Integer code);

// The process-wide table of small ids standing for objects handed around as
// 32-bit integers. Ids start at 1 and are reused once released; 0 is nil.
Integer RegisterOracleObject(void* object);
// Nil for 0 or an id that stands for nothing.
void* OracleObjectFromId(Integer id);
void ReleaseOracleObject(Integer id);

// The error number `Source` stands for (see EOracleError).
Integer OracleErrorCode(TOracleSessionBase* Session, Integer Source);

// Raises EOracleWarning when the error's number is in the warnings list,
// otherwise EOracleError.
[[noreturn]] void RaiseOracleError(TOracleSessionBase* Session, Integer Source);

// The client's message for an error number. Without the older generation's
// message call the standard texts of the constraint errors serve, and
// "ORA-nnnnn" for every other number.
String GetErrorText(TOracleSessionBase& Session, Integer Code);

// Raises Exception unless `Session` is connected in the handle generation;
// the message starts with `What`.
void CheckSessionRequirement(TOracleSessionBase* Session, const String& What);

// The registry key that lists the error numbers to raise as warnings.
inline constexpr const char* kWarningsKey = "SOFTWARE\\Ternmark\\Quelt\\Warnings";
// Reads the warnings list from HKEY_CURRENT_USER\kWarningsKey: values "1",
// "2", ... up to the first missing or empty one; a value starting with "*"
// or not a number is skipped.
void LoadWarnings();
const std::vector<Integer>& Warnings();
bool IsWarning(Integer code);

// Whether no debugger watches the process. The warnings list is a developer's
// aid, so it is read at unit start only under a debugger. Tests replace the
// check; an empty function restores the real one.
bool DebuggerAbsent();
void SetDebuggerAbsentHook(std::function<bool()> hook);

// Unit start reads the warnings when a debugger is attached; unit end
// forgets them.
void InitializeErrorsUnit();
void FinalizeErrorsUnit();

}  // namespace Oracle
