// tests/oracle/QueryTestSupport.h
//
// A logged-on session of SCOTT with a query on it and a few tables, for the
// statement component's tests; each case runs in both generations of the
// call interface (instantiated once, in QueryTest.cpp).
#pragma once

#include <gtest/gtest.h>

#include "SessionTestSupport.h"
#include "oracle/OracleQuery.h"
#include "platform/rtl/StringUtils.h"

// The message of the exception `action` raises, or "no error".
inline String MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return String("no error");
}

// Each case runs in both generations of the call interface.
class QueryWorld : public SessionWorld, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    SessionWorld::SetUp();
    Fixture(
        "create table cds (id number(5) not null, title varchar2(40), price number(8,2),\n"
        "  released date, code char(3), weight float, big number(12), whole number);\n"
        "insert into cds values (1, 'Blue Train', 12.5, '1958-01-15 00:00:00',\n"
        "  'BN1', -2.7, 123456789012, 7);\n"
        "insert into cds values (2, 'Kind of Blue', null, null, null, null, null, null);\n"
        "create table numbers (n number(5));\n"
        "create table keyed (n number(5) primary key);\n");
    session_ = Scott(GetParam());
    session_->LogOn();
    query_ = std::make_unique<TOracleQuery>(nullptr);
    query_->SetSession(session_.get());
  }
  void TearDown() override {
    query_.reset();
    session_.reset();
    SessionWorld::TearDown();
  }
  void Text(const String& sql) { query_->SQL()->SetText(sql); }
  void Numbers(int count) {
    String script;
    for (int i = 1; i <= count; ++i)
      script += "insert into numbers values (" + IntToStr(i) + ");\n";
    Fixture(script);
  }
  int Executions(const String& sql) {
    int count = 0;
    for (const String& text : StatementLog()) count += text == sql;
    return count;
  }

  std::unique_ptr<TOracleSession> session_;
  std::unique_ptr<TOracleQuery> query_;
};
