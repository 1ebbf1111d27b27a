// tests/oracle/OracleErrorsTest.cpp
#include "oracle/OracleErrors.h"

#include <gtest/gtest.h>

#include <cstring>

#include "oracle/OracleCI.h"
#include "platform/rtl/Registry.h"
#include "tests/rtl/ScopedEnv.h"
#include "tests/rtl/TempFolder.h"

namespace {

// A session as the error routines see it, counting its call lock.
class TFakeSession : public TOracleSessionBase {
 public:
  bool connected = true;
  bool oci8 = true;
  bool convert_crlf = true;
  Lda_Def lda{};
  int entered = 0;
  int left = 0;

  bool Connected() const override { return connected; }
  bool OCI8Mode() const override { return oci8; }
  Lda_Def* Lda() override { return &lda; }
  void EnterCall(bool OCI7Only) override {
    EXPECT_TRUE(OCI7Only);
    ++entered;
  }
  void LeaveCall(bool OCI7Only) override {
    EXPECT_TRUE(OCI7Only);
    ++left;
  }
  bool ConvertCRLF() const override { return convert_crlf; }
};

// What the fake client reports, and what it was asked.
struct TFakeClient {
  void* expected_handle = nullptr;
  sb4 code = 0;
  String text;
  Lda_Def* lda_seen = nullptr;
  sb2 rcode_seen = 0;
  int calls = 0;
};
TFakeClient client;

sword FakeErrorGet(void* handle, ub4 record, OraText* sqlstate, sb4* code, OraText* buffer,
                   ub4 size, ub4 type) {
  ++client.calls;
  EXPECT_EQ(handle, client.expected_handle);
  EXPECT_EQ(record, 1u);
  EXPECT_EQ(sqlstate, nullptr);
  EXPECT_EQ(type, OCI_HTYPE_ERROR);
  EXPECT_EQ(size, 4001u);
  *code = client.code;
  std::memcpy(buffer, client.text.data(), std::min<std::size_t>(client.text.size(), size));
  return OCI_SUCCESS;
}

sword FakeErrorMessage(Lda_Def* lda, sb2 rcode, OraText* buffer, sword size) {
  ++client.calls;
  client.lda_seen = lda;
  client.rcode_seen = rcode;
  std::memcpy(buffer, client.text.data(), std::min<std::size_t>(client.text.size(), size));
  return 0;
}

class OracleErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    env_.Set("XDG_CONFIG_HOME", temp_.File("config").c_str());
    client = TFakeClient{};
    handle_id_ = Oracle::RegisterOracleObject(&handle_);
    client.expected_handle = &handle_;
    OracleCI::OCIErrorGet.Publish(&FakeErrorGet);
    OracleCI::oerhms.Publish(&FakeErrorMessage);
  }
  void TearDown() override {
    OracleCI::OCIErrorGet.Publish(nullptr);
    OracleCI::oerhms.Publish(nullptr);
    OracleCI::OCI8Present.Set(false);
    Oracle::ReleaseOracleObject(handle_id_);
    Oracle::SetDebuggerAbsentHook(nullptr);
    Oracle::FinalizeErrorsUnit();
  }

  static void SetWarning(const String& name, const String& value) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, Oracle::kWarningsKey, 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              LONG(ERROR_SUCCESS));
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, REG_SZ,
                             reinterpret_cast<const BYTE*>(value.c_str()), DWORD(value.size() + 1)),
              LONG(ERROR_SUCCESS));
    RegCloseKey(key);
  }

  // Runs RaiseOracleError and checks the class and code it raised.
  template <class E>
  static void ExpectRaised(TFakeSession& session, Integer source, Integer code) {
    try {
      Oracle::RaiseOracleError(&session, source);
    } catch (const E& e) {
      EXPECT_EQ(e.ErrorCode, code);
      EXPECT_EQ(dynamic_cast<const EOracleWarning*>(&e) != nullptr,
                (std::is_same_v<E, EOracleWarning>));
      return;
    }
    ADD_FAILURE() << "nothing raised";
  }

  TempFolder temp_;
  ScopedEnv env_;
  int handle_ = 0;  // stands for the session's error handle
  Integer handle_id_ = 0;
};

TEST_F(OracleErrorsTest, HandleGenerationReadsTheErrorHandleAndLeavesTheCallLock) {
  TFakeSession session;
  client.code = 942;
  client.text = "ORA-00942: table or view does not exist\n";
  const EOracleError error(&session, handle_id_);
  EXPECT_EQ(error.ErrorCode, 942);
  EXPECT_EQ(error.Message(), client.text);
  EXPECT_EQ(session.left, 1);
  EXPECT_EQ(session.entered, 0);
}

TEST_F(OracleErrorsTest, OlderGenerationAsksForTheMessageOfTheReturnCode) {
  TFakeSession session;
  session.oci8 = false;
  client.text = "ORA-01403: no data found";
  const EOracleError error(&session, 1403);
  EXPECT_EQ(error.ErrorCode, 1403);
  EXPECT_EQ(error.Message(), client.text);
  EXPECT_EQ(client.lda_seen, &session.lda);
  EXPECT_EQ(client.rcode_seen, 1403);
  EXPECT_EQ(session.left, 1);
}

TEST_F(OracleErrorsTest, LongMessageIsCutTo1023Characters) {
  TFakeSession session;
  client.code = 6550;
  client.text = String(3000, 'x');
  const EOracleError error(&session, handle_id_);
  EXPECT_EQ(error.Message(), String(1023, 'x'));
}

TEST_F(OracleErrorsTest, ListedCodesRaiseWarningsAndStarredOnesDoNot) {
  SetWarning("1", "1403");
  SetWarning("2", "*942");
  SetWarning("3", "not a number");
  SetWarning("4", "28002");
  SetWarning("6", "100");  // after the gap at 5: never read
  Oracle::SetDebuggerAbsentHook([] { return false; });
  Oracle::InitializeErrorsUnit();
  EXPECT_EQ(Oracle::Warnings(), (std::vector<Integer>{1403, 28002}));

  TFakeSession session;
  session.oci8 = false;
  ExpectRaised<EOracleWarning>(session, 1403, 1403);
  ExpectRaised<EOracleError>(session, 942, 942);
  ExpectRaised<EOracleWarning>(session, 28002, 28002);
  EXPECT_EQ(session.left, 3);

  session.oci8 = true;
  client.code = 1403;
  ExpectRaised<EOracleWarning>(session, handle_id_, 1403);
}

TEST_F(OracleErrorsTest, WarningsAreReadAtUnitStartOnlyUnderADebugger) {
  SetWarning("1", "1403");
  Oracle::SetDebuggerAbsentHook([] { return true; });
  Oracle::InitializeErrorsUnit();
  EXPECT_TRUE(Oracle::Warnings().empty());
  TFakeSession session;
  session.oci8 = false;
  ExpectRaised<EOracleError>(session, 1403, 1403);
}

TEST_F(OracleErrorsTest, EmptyValueEndsTheWarningsList) {
  SetWarning("1", "1");
  SetWarning("2", "");
  SetWarning("3", "2");
  Oracle::LoadWarnings();
  EXPECT_EQ(Oracle::Warnings(), (std::vector<Integer>{1}));
}

TEST_F(OracleErrorsTest, MtsErrorMessages) {
  EXPECT_EQ(EOracleMTSError("OraMTSSvcGet", 4002).Message(),
            "MTS error 4002: failed logon to Oracle\r\nin function OraMTSSvcGet");
  EXPECT_EQ(EOracleMTSError("OraMTSSvcGet", 4002).ErrorCode, 4002);
  EXPECT_EQ(EOracleMTSError("OraMTSSvcRel", 0).Message(), "OraMTSSvcRel");
  EXPECT_EQ(EOracleMTSError("F", 9999).Message(), "MTS error 9999: \r\nin function F");
  EXPECT_EQ(Oracle::MTSErrorText(6014), "error exporting trans.");
}

TEST_F(OracleErrorsTest, ErrorTextThroughTheClientBalancesTheCallLock) {
  TFakeSession session;
  client.text = "ORA-00001: unique constraint (.) violated";
  EXPECT_EQ(Oracle::GetErrorText(session, 1), client.text);
  // A session of the handle generation has no logon data area of its own.
  EXPECT_NE(client.lda_seen, &session.lda);
  EXPECT_EQ(session.entered, 1);
  EXPECT_EQ(session.left, 1);

  session.oci8 = false;
  Oracle::GetErrorText(session, 2291);
  EXPECT_EQ(client.lda_seen, &session.lda);
  EXPECT_EQ(client.rcode_seen, 2291);
}

TEST_F(OracleErrorsTest, ErrorTextWithoutTheMessageCall) {
  OracleCI::oerhms.Publish(nullptr);
  TFakeSession session;
  const struct {
    Integer code;
    String text;
  } cases[] = {
      {1, "ORA-00001: unique constraint (%s) violated"},
      {2290, "ORA-02290: check constraint (%s) violated"},
      {2291, "ORA-02291: integrity constraint (%s) violated - parent key not found"},
      {2292, "ORA-02292: integrity constraint (%s) violated - child record found"},
      {942, "ORA-00942"},
      {12345, "ORA-12345"},
  };
  for (const auto& c : cases) EXPECT_EQ(Oracle::GetErrorText(session, c.code), c.text) << c.code;
  EXPECT_EQ(Oracle::GetErrorText(session, 30021).rfind("ORA-30021: ", 0), 0u);
  EXPECT_EQ(session.entered, 0);
  EXPECT_EQ(client.calls, 0);
}

TEST_F(OracleErrorsTest, SessionRequirements) {
  TFakeSession session;
  EXPECT_NO_THROW(Oracle::CheckSessionRequirement(&session, "LOB"));
  const auto message = [](TFakeSession* s) {
    try {
      Oracle::CheckSessionRequirement(s, "Query");
    } catch (const EOracleError&) {
      return String("wrong class");
    } catch (const Exception& e) {
      return e.Message();
    }
    return String();
  };
  EXPECT_EQ(message(nullptr), "Query requires a session");
  session.connected = false;
  EXPECT_EQ(message(&session), "Query requires a connected session");
  session.connected = true;
  session.oci8 = false;
  OracleCI::OCI8Present.Set(true);
  EXPECT_EQ(message(&session), "Query requires OCI8 mode, but OCI7 mode is used.");
  OracleCI::OCI8Present.Set(false);
  EXPECT_EQ(message(&session), "Query requires Net8, which is not detected on this PC");
}

TEST_F(OracleErrorsTest, ObjectIdsAreSmallAndReused) {
  int a = 0, b = 0, c = 0;
  const Integer id_a = Oracle::RegisterOracleObject(&a);
  const Integer id_b = Oracle::RegisterOracleObject(&b);
  EXPECT_GT(id_a, 0);
  EXPECT_NE(id_a, id_b);
  EXPECT_EQ(Oracle::OracleObjectFromId(id_b), &b);
  Oracle::ReleaseOracleObject(id_a);
  EXPECT_EQ(Oracle::OracleObjectFromId(id_a), nullptr);
  EXPECT_EQ(Oracle::RegisterOracleObject(&c), id_a);
  EXPECT_EQ(Oracle::OracleObjectFromId(0), nullptr);
  EXPECT_EQ(Oracle::OracleObjectFromId(-3), nullptr);
  EXPECT_EQ(Oracle::OracleObjectFromId(1 << 30), nullptr);
  EXPECT_EQ(Oracle::RegisterOracleObject(nullptr), 0);
  Oracle::ReleaseOracleObject(id_a);
  Oracle::ReleaseOracleObject(id_b);
}

}  // namespace
