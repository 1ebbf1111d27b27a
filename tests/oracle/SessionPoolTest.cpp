// The pool of logged-on sessions, the components that follow a session,
// and the library's end.
#include <gtest/gtest.h>

#include "SessionTestSupport.h"

namespace {

std::unique_ptr<TOracleSession> Pooled(const String& password = "tiger") {
  auto session = std::make_unique<TOracleSession>(nullptr);
  session->SetLogonUsername("scott");
  session->SetLogonPassword(password);
  session->SetLogonDatabase("orcl");
  session->SetPooling(spInternal);
  return session;
}

TOracleSessionPool& Pool() {
  return *Oracle::OracleSessionPool();
}

TEST_F(SessionWorld, ThePoolLendsTakesBackAndLendsAgain) {
  auto first = Pooled();
  first->LogOn();
  ASSERT_EQ(Pool().Count(), 1);
  TOracleSessionPoolEntry* entry = Pool().Items(0);
  EXPECT_EQ(entry->ReservingSession(), first.get());
  EXPECT_TRUE(first->Shared());
  EXPECT_EQ(One(*first, "select user from dual"), "SCOTT");
  first->LogOff();
  EXPECT_FALSE(entry->IsReserved());
  // The pooled connection stays logged on and still works.
  ASSERT_TRUE(entry->PooledSession()->Connected());
  EXPECT_EQ(One(*entry->PooledSession(), "select user from dual"), "SCOTT");

  auto second = Pooled();
  second->SetLogonUsername("SCOTT");  // names compare without case
  second->LogOn();
  EXPECT_EQ(Pool().Count(), 1);
  EXPECT_EQ(entry->ReservingSession(), second.get());
  // A second reservation while the entry is lent opens another.
  first->LogOn();
  EXPECT_EQ(Pool().Count(), 2);
  EXPECT_NE(Pool().Items(1)->PooledSession(), entry->PooledSession());
}

TEST_F(SessionWorld, ThePoolLendsInTheOlderGenerationToo) {
  auto session = Pooled();
  session->Preferences()->SetUseOCI7(true);
  session->LogOn();
  EXPECT_FALSE(session->OCI8Mode());
  EXPECT_TRUE(session->Shared());
  EXPECT_EQ(One(*session, "select user from dual"), "SCOTT");
  session->LogOff();
  TOracleSession* pooled = Pool().Items(0)->PooledSession();
  EXPECT_FALSE(pooled->OCI8Mode());
  EXPECT_EQ(One(*pooled, "select user from dual"), "SCOTT");
}

TEST_F(SessionWorld, AnEntryIsLentToOneSessionAtATime) {
  auto first = Pooled();
  first->LogOn();
  auto other = Pooled();
  try {
    Pool().Items(0)->Reserve(other.get());
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Pool entry already reserved");
  }
  EXPECT_FALSE(other->Connected());
}

TEST_F(SessionWorld, APooledConnectionIsNeverLentForADifferentPassword) {
  auto first = Pooled();
  first->LogOn();
  first->LogOff();
  auto intruder = Pooled("lion");
  try {
    intruder->LogOn();
    FAIL() << "a wrong password borrowed a logged-on connection";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode, 1017);
  }
  EXPECT_FALSE(intruder->Connected());
  EXPECT_EQ(Pool().Count(), 1);  // the failed logon left the pool as it was
  EXPECT_FALSE(Pool().Items(0)->IsReserved());
  EXPECT_FALSE(Pool().ReleaseSession(intruder.get()));
  EXPECT_FALSE(Pool().ReleaseSession(nullptr));
}

// Records what its session does to it.
class TRecorder : public TSessionDependent {
 public:
  TRecorder(std::vector<String>& log, String name) : log_(log), name_(std::move(name)) {}
  void SessionClosing() override {
    log_.push_back("close " + name_);
    if (fail) throw Exception("cannot close " + name_);
  }
  void SessionDestroyed() override { log_.push_back("detach " + name_); }
  bool fail = false;

 private:
  std::vector<String>& log_;
  String name_;
};

TEST_F(SessionWorld, DependentsCloseInReverseOrderAndAreDetachedAtDestruction) {
  std::vector<String> log;
  TRecorder query1(log, "q1"), query2(log, "q2"), dataset(log, "d1");
  {
    auto session = Scott();
    session->AddDependent(sdQuery, &query1);
    session->AddDependent(sdQuery, &query2);
    session->AddDependent(sdDataSet, &dataset);
    session->LogOn();
    session->LogOff();
    EXPECT_EQ(log, (std::vector<String>{"close q2", "close q1", "close d1"}));
    session->RemoveDependent(sdQuery, &query1);
    log.clear();
  }
  EXPECT_EQ(log, (std::vector<String>{"detach q2", "detach d1"}));
}

TEST_F(SessionWorld, TheEndLogsEverySessionOffAndReportsFailures) {
  std::vector<String> messages;
  TExceptionHandler previous =
      SetExceptionHandler([&](const std::exception& e) { messages.push_back(e.what()); });
  std::vector<String> log;
  TRecorder stubborn(log, "stubborn");
  stubborn.fail = true;
  auto failing = Scott();
  failing->AddDependent(sdQuery, &stubborn);
  failing->LogOn();
  auto plain = Scott();
  plain->LogOn();
  auto borrower = Pooled();
  borrower->LogOn();

  Oracle::FinalizeSessionUnit();
  EXPECT_FALSE(borrower->Connected());
  EXPECT_FALSE(plain->Connected());
  EXPECT_EQ(Oracle::OracleSessionList(), nullptr);
  EXPECT_EQ(Oracle::OracleSessionPool(), nullptr);
  EXPECT_FALSE(OracleCI::OciLoaded());  // unloaded despite the failure
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "cannot close stubborn");
  failing->RemoveDependent(sdQuery, &stubborn);
  // Sessions that outlive the library's end can still be destroyed.
  failing.reset();
  plain.reset();
  borrower.reset();
  SetExceptionHandler(previous);
}

}  // namespace
