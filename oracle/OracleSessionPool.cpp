// oracle/OracleSessionPool.cpp
#include "oracle/OracleSessionPool.h"

#include <vector>

#include "platform/rtl/ScopeExit.h"
#include "platform/rtl/StringUtils.h"

namespace {

std::unique_ptr<TThreadList> session_list;
std::unique_ptr<TOracleSessionPool> session_pool;

bool SameLogon(const TOracleSession& pooled, const TOracleSession& session) {
  // Names and databases are not case sensitive; a password is.
  return AnsiCompareText(pooled.LogonUsername(), session.LogonUsername()) == 0 &&
         AnsiCompareText(pooled.LogonDatabase(), session.LogonDatabase()) == 0 &&
         pooled.LogonPassword() == session.LogonPassword();
}

// Runs `step`; what it raises goes to the exception handler.
template <class F>
void Report(F step) {
  try {
    step();
  } catch (...) {
    HandleCurrentException();
  }
}

}  // namespace

// ---------------------------------------------------------------------------
// Entries

TOracleSessionPoolEntry::~TOracleSessionPoolEntry() {
  Report([this] { Release(); });
  if (pooled_) {
    Report([this] { pooled_->LogOff(); });
    pooled_.reset();
  }
}

void TOracleSessionPoolEntry::Reserve(TOracleSession* Session) {
  if (IsReserved()) throw Exception("Pool entry already reserved");
  if (!pooled_) {
    auto pooled = std::make_unique<TOracleSession>(nullptr);
    pooled->SetLogonUsername(Session->LogonUsername());
    pooled->SetLogonPassword(Session->LogonPassword());
    pooled->SetLogonDatabase(Session->LogonDatabase());
    pooled->SetConnectAs(Session->ConnectAs());
    pooled->SetCursor(Session->Cursor());
    pooled->SetBytesPerCharacter(Session->BytesPerCharacter());
    pooled->SetIsolationLevel(Session->IsolationLevel());
    pooled->SetOptimizerGoal(Session->OptimizerGoal());
    pooled->SetPreferences(Session->Preferences());
    pooled->SetSQLTrace(Session->SQLTrace());
    pooled->SetThreadSafe(Session->ThreadSafe());
    pooled->LogOn();
    pooled_ = std::move(pooled);
  }
  pooled_->ShareConnection(Session);
  reserving_ = Session;
}

void TOracleSessionPoolEntry::Release() {
  TOracleSession* session = reserving_;
  if (!session) return;
  // Forgotten first: the session's log-off asks the pool to release it
  // again, and must then find nothing to do.
  reserving_ = nullptr;
  session->LogOff();
}

// ---------------------------------------------------------------------------
// The pool

TOracleSessionPool::~TOracleSessionPool() {
  Clear();
}

void TOracleSessionPool::Lock() {
  TList* list = entries_.LockList();
  if (lock_depth_++ == 0) locked_ = list;
}

void TOracleSessionPool::Unlock() {
  if (--lock_depth_ == 0) locked_ = nullptr;
  entries_.UnlockList();
}

void TOracleSessionPool::Clear() {
  Lock();
  std::vector<TOracleSessionPoolEntry*> entries;
  for (Integer i = 0; i < locked_->Count(); ++i)
    entries.push_back(static_cast<TOracleSessionPoolEntry*>(locked_->Items(i)));
  locked_->Clear();
  for (TOracleSessionPoolEntry* entry : entries) delete entry;
  Unlock();
}

void TOracleSessionPool::ReserveSession(TOracleSession* Session) {
  Lock();
  TScopeExit unlock([&] { Unlock(); });
  TOracleSessionPoolEntry* found = nullptr;
  for (Integer i = 0; i < locked_->Count() && !found; ++i) {
    auto* entry = static_cast<TOracleSessionPoolEntry*>(locked_->Items(i));
    if (!entry->IsReserved() && entry->PooledSession() &&
        SameLogon(*entry->PooledSession(), *Session))
      found = entry;
  }
  if (found) {
    found->Reserve(Session);
  } else {
    auto entry = std::make_unique<TOracleSessionPoolEntry>();
    entry->Reserve(Session);  // a failed logon leaves the pool as it was
    locked_->Add(entry.release());
  }
}

bool TOracleSessionPool::ReleaseSession(TOracleSession* Session) {
  if (!Session) return false;
  Lock();
  bool found = false;
  TScopeExit unlock([&] { Unlock(); });
  for (Integer i = 0; i < locked_->Count(); ++i) {
    auto* entry = static_cast<TOracleSessionPoolEntry*>(locked_->Items(i));
    if (entry->ReservingSession() == Session) {
      found = true;
      entry->Release();
    }
  }
  return found;
}

Integer TOracleSessionPool::Count() {
  Lock();
  const Integer count = locked_->Count();
  Unlock();
  return count;
}

TOracleSessionPoolEntry* TOracleSessionPool::Items(Integer Index) {
  Lock();
  TOracleSessionPoolEntry* entry = nullptr;
  TScopeExit unlock([&] { Unlock(); });
  entry = static_cast<TOracleSessionPoolEntry*>(locked_->Items(Index));
  return entry;
}

// ---------------------------------------------------------------------------
// The library's start and end

namespace Oracle {

TThreadList* OracleSessionList() {
  return session_list.get();
}

TOracleSessionPool* OracleSessionPool() {
  return session_pool.get();
}

void LogOffAllSessions() {
  if (!session_list) return;
  // The pool is taken before the list, as everywhere else: a session that
  // borrows from the pool gives its connection back while it logs off.
  if (session_pool) session_pool->Lock();
  std::vector<TOracleSession*> sessions;
  {
    TThreadListLock locked(*session_list);
    for (Integer i = 0; i < locked->Count(); ++i)
      sessions.push_back(static_cast<TOracleSession*>(locked->Items(i)));
    for (TOracleSession* session : sessions) Report([session] { session->LogOff(); });
  }
  if (session_pool) session_pool->Unlock();
}

void InitializeSessionUnit() {
  InitializeErrorsUnit();
  if (!session_list) session_list = std::make_unique<TThreadList>();
  if (!session_pool) session_pool = std::make_unique<TOracleSessionPool>();
}

void FinalizeSessionUnit() {
  // The pool's sessions unregister from the list as they go, so the pool
  // goes while the list still exists.
  // Emptied while it is still the pool: its borrowers give their
  // connections back to it as they log off.
  if (session_pool) Report([] { session_pool->Clear(); });
  session_pool.reset();
  LogOffAllSessions();
  session_list.reset();
  Report([] { OracleCI::UnloadOci(); });
  FinalizeErrorsUnit();
}

}  // namespace Oracle
