// tests/oracle/SessionTestSupport.h
//
// Sessions on the stand-in server: the stand-in client (with its MTS
// service in the same file, so both reach one server model) is loaded as the
// client, the model is reset with the user SCOTT/TIGER, and the library's
// session unit runs for the test. The model's control functions are reached
// through the loaded client, as a test of a real installation could not.
#pragma once

#include <dlfcn.h>

#include "OracleTestSupport.h"
#include "oracle/OracleQuery.h"
#include "oracle/OracleSession.h"
#include "oracle/OracleSessionPool.h"
#include "oracle/standin/StandinControl.h"

class SessionWorld : public OracleWorld {
 protected:
  void SetUp() override {
    OracleWorld::SetUp();
    client_ = Native("lib/client.so");
    Place(ClientVariant(), client_);
    OracleCI::OCIDLL = client_;
    OracleCI::OraMtsDll = client_;
    OracleCI::InitOci();
    handle_ = dlopen(client_.c_str(), RTLD_LAZY | RTLD_NOLOAD);
    ASSERT_NE(handle_, nullptr);
    Control<decltype(&ZorvetStandinReset)>("ZorvetStandinReset")();
    AddUser("SCOTT", "TIGER");
    Oracle::InitializeSessionUnit();
  }
  void TearDown() override {
    Oracle::FinalizeSessionUnit();
    if (handle_) dlclose(handle_);
    OracleWorld::TearDown();
  }

  // The stand-in client the test runs on.
  virtual const char* ClientVariant() const { return "standin_client_mts"; }

  template <class F>
  F Control(const char* name) {
    auto function = reinterpret_cast<F>(dlsym(handle_, name));
    if (!function) throw Exception(String("stand-in lacks ") + name);
    return function;
  }
  void AddUser(const char* user, const char* password, bool expiring = false) {
    Control<decltype(&ZorvetStandinAddUser)>("ZorvetStandinAddUser")(user, password, expiring);
  }
  void Fixture(const String& script, const char* user = "SCOTT") {
    char error[512] = {};
    ASSERT_EQ(Control<decltype(&ZorvetStandinLoadFixture)>("ZorvetStandinLoadFixture")(
                  user, script.c_str(), error, sizeof error),
              0)
        << error;
  }
  // Has the server answer `sql` (exactly, or a regular expression) as the
  // rule text says.
  void Rule(const String& sql, const String& answer, bool pattern = false) {
    char fault[256] = {};
    ASSERT_EQ(Control<decltype(&ZorvetStandinAddRule)>("ZorvetStandinAddRule")(
                  pattern ? 1 : 0, sql.c_str(), answer.c_str(), fault, sizeof fault),
              0)
        << fault;
  }
  // The binds the server saw with statement `index` of its log.
  String LoggedBinds(int index) {
    char text[4096] = {}, binds[4096] = {};
    unsigned iters = 0, mode = 0;
    Control<decltype(&ZorvetStandinLogEntry)>("ZorvetStandinLogEntry")(
        index, text, sizeof text, binds, sizeof binds, &iters, &mode);
    return binds;
  }
  // Handles or descriptors of a type the client made and has not freed.
  int LiveHandles(unsigned type) {
    return Control<decltype(&ZorvetStandinLiveHandles)>("ZorvetStandinLiveHandles")(type);
  }
  // The client fails the next `count` requests for a handle or descriptor
  // of `type`.
  void RefuseHandles(unsigned type, int count) {
    Control<decltype(&ZorvetStandinRefuseHandles)>("ZorvetStandinRefuseHandles")(type, count);
  }
  // Every statement the server ran since the last reset, in order.
  std::vector<String> StatementLog() {
    std::vector<String> texts;
    const int count = Control<decltype(&ZorvetStandinLogCount)>("ZorvetStandinLogCount")();
    auto entry = Control<decltype(&ZorvetStandinLogEntry)>("ZorvetStandinLogEntry");
    for (int i = 0; i < count; ++i) {
      char text[4096] = {};
      unsigned iters = 0, mode = 0;
      entry(i, text, sizeof text, nullptr, 0, &iters, &mode);
      texts.push_back(text);
    }
    return texts;
  }

  // A session of SCOTT, in the older generation when `oci7`.
  static std::unique_ptr<TOracleSession> Scott(bool oci7 = false,
                                               const String& password = "tiger") {
    auto session = std::make_unique<TOracleSession>(nullptr);
    session->SetLogonUsername("scott");
    session->SetLogonPassword(password);
    session->SetLogonDatabase("orcl");
    session->Preferences()->SetUseOCI7(oci7);
    return session;
  }
  // The first column of the first row as text ("" for NULL).
  static String One(TOracleSession& session, const String& sql) {
    TOracleQuery query(nullptr);
    query.SetSession(&session);
    query.SQL()->SetText(sql);
    query.Execute();
    return query.Eof() ? String("<none>") : query.FieldAsString(0);
  }

  String client_;
  void* handle_ = nullptr;
};

// Both generations of the call interface.
class BothGenerations : public SessionWorld, public ::testing::WithParamInterface<bool> {
 protected:
  bool Oci7() const { return GetParam(); }
};
