// Whatever the client made for a call is given back when the call fails: a
// statement the server refuses at describe or execute, a post whose LOB
// write fails after its statement ran, an object or reference of a type the
// server does not know. Each failure is repeated, so that anything one
// failure leaves behind shows as a growing count of live handles.
#include <gtest/gtest.h>

#include "DataSetWriteTestSupport.h"
#include "oracle/OciConstants.h"
#include "oracle/OracleObjects.h"
#include "platform/data/BlobFields.h"

namespace {

using namespace Oracle;

// The kinds of handle and descriptor that sessions, queries, datasets,
// locators and objects make.
constexpr unsigned kKinds[] = {kHtypeEnv,      kHtypeError,  kHtypeSvcCtx,  kHtypeStmt,
                               kHtypeDescribe, kHtypeServer, kHtypeSession, kDtypeLob,
                               kDtypeParam,    kDtypeRowid};

class FailureCleanup : public DataSetLobWorld {
 protected:
  // The live count of each kind, in the order of kKinds.
  std::vector<int> Live() {
    std::vector<int> counts;
    for (unsigned kind : kKinds) counts.push_back(LiveHandles(kind));
    return counts;
  }
};

TEST_F(FailureCleanup, AFailedLogonKeepsNothingPerAttempt) {
  const std::vector<int> before = Live();
  {
    std::unique_ptr<TOracleSession> refused = Scott(false, "wrong");
    EXPECT_THROW(refused->LogOn(), EOracleError);
    const std::vector<int> afterOne = Live();
    for (int i = 0; i < 3; ++i) EXPECT_THROW(refused->LogOn(), EOracleError);
    EXPECT_EQ(Live(), afterOne);
  }
  EXPECT_EQ(Live(), before);
}

TEST_F(FailureCleanup, ARefusedStatementKeepsNothingPerFailure) {
  Rule("^select c, b from docs", "error 942 14 ORA-00942: table or view does not exist", true);
  const std::vector<int> before = Live();
  {
    TOracleQuery query(nullptr);
    query.SetSession(session_.get());
    query.SQL()->SetText("select c, b from docs");
    EXPECT_THROW(query.Describe(), EOracleError);
    EXPECT_THROW(query.Execute(), EOracleError);
    const std::vector<int> afterOne = Live();
    for (int i = 0; i < 3; ++i) {
      EXPECT_THROW(query.Describe(), EOracleError);
      EXPECT_THROW(query.Execute(), EOracleError);
    }
    EXPECT_EQ(Live(), afterOne);
  }
  EXPECT_EQ(Live(), before);
}

TEST_F(FailureCleanup, APostWhoseLobWriteFailsGivesItsLocatorsBack) {
  // The update "runs" without filling the returned locators: writing the
  // new text through them fails after the statement.
  Rule("^update DOCS", "rows 1", true);
  Open("select rowid, d.* from docs d order by id");
  const auto failedPost = [&] {
    data_set_->Edit();
    Field("C")->SetAsString("second text");
    EXPECT_THROW(data_set_->Post(), EDatabaseError);
    data_set_->Cancel();
  };
  failedPost();
  const std::vector<int> afterOne = Live();
  for (int i = 0; i < 3; ++i) failedPost();
  EXPECT_EQ(Live(), afterOne);
  data_set_->Close();
  EXPECT_EQ(LiveHandles(kDtypeLob), 0);
}

TEST_F(FailureCleanup, AnUnknownTypeLeavesNoObjectHandles) {
  const std::vector<int> before = Live();
  for (int i = 0; i < 3; ++i) {
    EXPECT_ANY_THROW(TOracleObject(session_.get(), "NO_SUCH_TYPE"));
    EXPECT_ANY_THROW(TOracleReference(session_.get(), "NO_SUCH_TYPE", nullptr));
  }
  EXPECT_EQ(Live(), before);
}

// Each step that needs more than one handle, with one of them refused.
struct RefusalCase {
  const char* step;
  unsigned refused;
};

class HandleRefusals : public FailureCleanup, public ::testing::WithParamInterface<RefusalCase> {
 protected:
  void Run(const String& step) {
    if (step == "query") {
      TOracleQuery query(nullptr);
      query.SetSession(session_.get());
      query.SQL()->SetText("select id from docs");
      query.Execute();
    } else if (step == "locator") {
      TLOBLocator locator(session_.get(), otCLOB);
    } else if (step == "object") {
      TOracleObject object(session_.get(), "NO_SUCH_TYPE");
    } else {
      TOracleReference reference(session_.get(), "NO_SUCH_TYPE", nullptr);
    }
  }
};

TEST_P(HandleRefusals, GiveBackWhatWasMadeAndLeaveTheSessionClean) {
  const std::vector<int> before = Live();
  RefuseHandles(GetParam().refused, 1);
  EXPECT_ANY_THROW(Run(GetParam().step));
  RefuseHandles(GetParam().refused, 0);
  EXPECT_EQ(Live(), before);
  // Logging off tells every dependent of the session: one that failed to
  // be made and stayed on the list would be called after it was freed.
  session_->LogOff();
  EXPECT_FALSE(session_->Connected());
}

const RefusalCase kRefusals[] = {
    {"query", kHtypeError},     {"query", kDtypeRowid},        {"locator", kHtypeError},
    {"locator", kDtypeLob},     {"object", kHtypeError},       {"object", kHtypeDescribe},
    {"reference", kHtypeError}, {"reference", kHtypeDescribe},
};
INSTANTIATE_TEST_SUITE_P(Steps, HandleRefusals, ::testing::ValuesIn(kRefusals));

}  // namespace
