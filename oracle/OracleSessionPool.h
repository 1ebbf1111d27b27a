// oracle/OracleSessionPool.h
//
// The process-wide list of sessions and the pool of logged-on sessions that
// sessions with Pooling = spInternal borrow their connection from, and the
// library's start and end.
//
// A pool entry is found by username, password and database: a session that
// gives a different password never borrows a connection that another
// password opened. Entries live until the program ends; a released entry
// stays logged on for the next matching reservation.
//
// Locks: the pool's list is always taken before the session list (see
// oracle/OracleSession.h for the whole order).
#pragma once

#include <functional>
#include <memory>

#include "oracle/OracleSession.h"
#include "platform/rtl/List.h"

class TOracleSessionPoolEntry : public TObject {
  ZORVET_CLASS_NAME(TOracleSessionPoolEntry)

 public:
  TOracleSessionPoolEntry() = default;
  ~TOracleSessionPoolEntry() override;

  // Lends the pooled session's connection to Session, logging the pooled
  // session on first when the entry is new; "Pool entry already reserved"
  // when another session holds it.
  void Reserve(TOracleSession* Session);
  // Logs the borrowing session off and forgets it.
  void Release();
  bool IsReserved() const { return reserving_ != nullptr; }
  TOracleSession* PooledSession() const { return pooled_.get(); }
  TOracleSession* ReservingSession() const { return reserving_; }

 private:
  std::unique_ptr<TOracleSession> pooled_;
  TOracleSession* reserving_ = nullptr;
};

class TOracleSessionPool : public TObject {
  ZORVET_CLASS_NAME(TOracleSessionPool)

 public:
  TOracleSessionPool() = default;
  ~TOracleSessionPool() override;

  void ReserveSession(TOracleSession* Session);
  // Releases every entry Session holds; false when it held none (or is nil).
  bool ReleaseSession(TOracleSession* Session);
  Integer Count();
  TOracleSessionPoolEntry* Items(Integer Index);
  void Lock();
  void Unlock();
  // Logs off and frees every entry; the pool stays usable.
  void Clear();

 private:
  TThreadList entries_;
  TList* locked_ = nullptr;
  Integer lock_depth_ = 0;
};

namespace Oracle {

// Every session of the process, from construction to destruction.
TThreadList* OracleSessionList();
TOracleSessionPool* OracleSessionPool();

// Logs off every session; a failure is handed to the exception handler and
// the others are still logged off.
void LogOffAllSessions();

// Library start: the warnings (under a debugger), the session list, the
// pool. Library end: the pool's sessions are logged off and freed first,
// then every other session is logged off, the list goes, the client is
// unloaded and the warnings are forgotten. Errors on the way are reported
// through the exception handler and never stop the steps after them.
void InitializeSessionUnit();
void FinalizeSessionUnit();

}  // namespace Oracle
