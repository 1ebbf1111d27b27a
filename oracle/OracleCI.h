// oracle/OracleCI.h
//
// The binding of the Oracle call interface. The library never links the
// client: at the first logon (or query, or MTS request) InitOci finds the
// client library on the machine, loads it, binds every entry point by name,
// records which generations of the interface it offers, and initialises it
// once for the whole process. Every other part of the library calls the
// client only through the entry points declared here, and asks the flags
// which generation it may use.
//
// Where the client is looked for, first match wins:
// - the command-line switch OCIDLL=<path>, or OCIDLL set by the program
//   before the first logon: that file, unchecked;
// - otherwise the Oracle home: the switch ORACLEHOME=<name> or
//   OracleHomeName picks a home by name among those the registry lists under
//   HKEY_LOCAL_MACHINE\SOFTWARE\ORACLE; else the home whose bin folder stands
//   earliest in PATH; without a list, SOFTWARE\ORACLE itself. In the home's
//   bin folder "oci.dll" is taken before any "ora*.dll", and among those the
//   highest version (the digits after "ora", or after "oraNT"); names listed
//   in OCIDLLExclude are passed over unless nothing else is left.
// On Linux OCIDLL is normally the client library of an installation, for
// example the libclntsh.so of an instant client; the home search works on
// folders in either path form (drive paths through the drive mapping).
//
// Threads: loading, binding and initialisation run under GlobalOracleLock.
// The entry points and flags are published atomically once a load has bound
// them, so other threads may read them without the lock; the strings below
// are the program's settings and are read and written under the lock (or
// before any other thread uses the library).
#pragma once

#include <atomic>
#include <memory>
#include <thread>

#include "oracle/OciEntryPoints.h"
#include "platform/rtl/CriticalSection.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Registry.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"

// A lock that the same thread may take again. Each Leave undoes one Enter
// of the calling thread; a Leave by a thread that does not hold the lock
// does nothing, so an unmatched Leave is harmless.
class TOracleCriticalSection : public TObject {
  ZORVET_CLASS_NAME(TOracleCriticalSection)

 public:
  TOracleCriticalSection() = default;

  void Enter();
  // Takes the lock when it is free or already the caller's; never blocks.
  bool TryEnter();
  void Leave();
  // Whether the calling thread holds the lock.
  bool HeldByCurrentThread() const;

 private:
  void Entered();

  TCriticalSection section_;
  std::atomic<std::thread::id> owner_{};
  Integer count_ = 0;  // touched only by the owner
};

// Holds a TOracleCriticalSection for a scope, left on every way out.
class TOracleLockGuard {
 public:
  explicit TOracleLockGuard(TOracleCriticalSection& section) : section_(section) {
    section_.Enter();
  }
  ~TOracleLockGuard() { section_.Leave(); }
  TOracleLockGuard(const TOracleLockGuard&) = delete;
  TOracleLockGuard& operator=(const TOracleLockGuard&) = delete;

 private:
  TOracleCriticalSection& section_;
};

namespace OracleCI {

// One entry point of the client: empty until a load binds it. Calling an
// empty entry raises Exception naming it rather than jumping to nowhere;
// callers check the flags first.
template <class Fn>
class TOciEntry;

template <class R, class... A>
class TOciEntry<R (*)(A...)> {
 public:
  using Function = R (*)(A...);

  explicit constexpr TOciEntry(const char* name) : name_(name) {}
  TOciEntry(const TOciEntry&) = delete;
  TOciEntry& operator=(const TOciEntry&) = delete;

  const char* Name() const { return name_; }
  Function Get() const { return function_.load(std::memory_order_acquire); }
  explicit operator bool() const { return Get() != nullptr; }
  R operator()(A... args) const {
    const Function function = Get();
    if (!function) throw Exception(String("Oracle client function ") + name_ + " is not loaded");
    return function(args...);
  }
  void Publish(Function function) { function_.store(function, std::memory_order_release); }

 private:
  const char* name_;
  std::atomic<Function> function_{nullptr};
};

// A generation flag: written under the lock after the entries it covers,
// read from any thread.
class TOciFlag {
 public:
  TOciFlag() = default;
  TOciFlag(const TOciFlag&) = delete;
  TOciFlag& operator=(const TOciFlag&) = delete;
  operator bool() const { return value_.load(std::memory_order_acquire); }
  void Set(bool value) { value_.store(value, std::memory_order_release); }

 private:
  std::atomic<bool> value_{false};
};

#define ZORVET_OCI_DECLARE_ENTRY(result, name, parameters, arguments) \
  inline TOciEntry<result(*) parameters> name{#name};
ZORVET_OCI7_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
ZORVET_OLOG_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
ZORVET_OPINIT_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
ZORVET_OCI8_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
ZORVET_OCIEP_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
ZORVET_OCI81_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
ZORVET_MTS_ENTRIES(ZORVET_OCI_DECLARE_ENTRY)
#undef ZORVET_OCI_DECLARE_ENTRY

// Which generations the loaded client offers (all false while unloaded).
inline TOciFlag OCI7Present;    // all 20 entries of the older generation
inline TOciFlag OLogPresent;    // and olog
inline TOciFlag OpinitPresent;  // and opinit as well
inline TOciFlag OCI8Present;    // all 114 entries of the handle generation
inline TOciFlag OCI8Usable;     // OCI8Present and not ForceOCI7: the process runs it
inline TOciFlag OCIEPPresent;   // OCI8Present and the two extended error entries
inline TOciFlag OCI81Present;   // OCI8Present and the nine 8.1 entries
inline TOciFlag MTSPresent;     // the five entries of the MTS service library
// Set by the program to keep the process on the older generation.
inline TOciFlag ForceOCI7;

// The program's settings and what the search found (see the header comment).
inline String OCIDLL;          // the client library to load
inline String OracleHomeName;  // the home to prefer
inline String OCIDLLExclude;   // "\"ORA73.DLL\"\"OCI.DLL\"": file names the search passes over
inline String OracleHomeKey;   // registry key of the chosen home, cached until unload
inline String OracleHomeDir;   // its ORACLE_HOME folder
inline String OraMtsDll;       // the MTS service library; empty: beside OCIDLL
inline String OCILoadLog;      // the last search and load, one line per step, CR LF between

// The one process-wide lock of the library: loading and initialisation of
// the client, and the logons and logoffs of thread-safe sessions.
inline TOracleCriticalSection* GlobalOracleLock = nullptr;

// Unit start and end, run by the program's module initialisation: the first
// creates GlobalOracleLock (once), the second unloads nothing but frees the
// home list and the lock and clears every string above. Loading before the
// unit start raises Exception.
void InitializeUnit();
void FinalizeUnit();

// The value of the command-line switch `name` ("OCIDLL=..." gives the text
// after '='), at most 255 characters; empty when no parameter starts with
// the switch and '=' (letter case ignored).
String ReadCommandLineValue(const String& name);
// ValueName of Key under Root into `value` (empty when missing); the result
// is the registry's code for opening (when that fails) or closing the key.
LONG ReadRegistryString(HKEY root, const String& key, const String& value_name, String& value);
// The registered homes, by name, each with its number: see HomeNames().
void ListOracleHomes();
const TStringList* HomeNames();
void FindOracleHomeKey(String& key);
void GetOracleHomeDir(String& dir);
// The client libraries in the home's bin folder: a new list for the caller.
std::unique_ptr<TStringList> FindOciCandidates(bool log);
// 0: OCIDLL is set; 1: nothing found; 3: no Oracle home.
Integer ChooseOciLibrary();
// 0: loaded and bound; 1: not loadable (or nothing chosen); 2: neither
// generation usable; 3: no Oracle home.
Integer LoadOci();
// Loads and initialises the client unless it is loaded; raises Exception
// "Initialization error" with the reason and the load log on failure.
void InitOci();
// Lets the client and the MTS library go and forgets what the search chose.
void UnloadOci();
// Loads the MTS service library (and the client first); raises on failure.
void InitMts();
// Puts back the current folder that a load changed (see LoadOci).
void RestoreCurrentDir();
bool OciLoaded();
bool MtsLoaded();
void AddLogLine(const String& text);
// Path followed by its separator (unless it ends in one) and Part.
void AppendPathPart(String& path, const String& part);

// The version of a client library's file name ("ora73.dll" gives 0.73,
// "oraNT8.dll" 0.8); false when it has none ("oramts.dll").
bool OciLibraryVersion(const String& file_name, double& version);

}  // namespace OracleCI
