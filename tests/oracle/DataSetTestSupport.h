// tests/oracle/DataSetTestSupport.h
//
// An Oracle dataset on a logged-on session of SCOTT, over a table of every
// column kind a dataset shows and a table of numbered rows, enough of them
// to span several fetches of a small ReadBuffer.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "SessionTestSupport.h"
#include "oracle/OracleDataSet.h"
#include "platform/rtl/StringUtils.h"

class DataSetWorld : public SessionWorld {
 protected:
  void SetUp() override {
    SessionWorld::SetUp();
    String script =
        "create table kinds (small number(3), whole number(9), price number(8,2),\n"
        "  title varchar2(20), code char(3), released date, note long);\n"
        "insert into kinds values (7, 123456, 12.5, 'Blue Train', 'BN1',\n"
        "  '1958-01-15 17:30:00', 'liner notes');\n"
        "insert into kinds values (null, null, null, null, null, null, null);\n"
        "create table rows (id number(9) not null, name varchar2(30), grp number(3));\n";
    for (int i = 1; i <= kRows; ++i)
      script += "insert into rows values (" + IntToStr(i) + ", '" + RowName(i) + "', " +
                IntToStr(i % 3) + ");\n";
    Fixture(script);
    session_ = Scott();
    session_->LogOn();
    data_set_ = std::make_unique<TOracleDataSet>(nullptr);
    data_set_->SetSession(session_.get());
  }
  void TearDown() override {
    data_set_.reset();
    session_.reset();
    SessionWorld::TearDown();
  }

  static constexpr int kRows = 60;
  // "Row 1" ... with every tenth row named in lower case.
  static String RowName(int i) { return (i % 10 == 0 ? "row " : "Row ") + IntToStr(i); }

  void Open(const String& sql) {
    data_set_->SQL()->SetText(sql);
    data_set_->Open();
  }
  // Opens the numbered rows, fetched five at a time on demand.
  void OpenRowsOnDemand(const String& sql = "select * from rows order by id") {
    data_set_->SetQueryAllRecords(false);
    data_set_->SetReadBuffer(5);
    Open(sql);
  }
  Integer Fetched() const { return data_set_->RecordList()->Count(); }
  Integer Id() const { return data_set_->FieldByName("ID")->AsInteger(); }
  // The ids of the records shown, in order, read by walking the dataset.
  std::vector<Integer> Ids() {
    std::vector<Integer> ids;
    for (data_set_->First(); !data_set_->Eof(); data_set_->Next()) ids.push_back(Id());
    return ids;
  }

  std::unique_ptr<TOracleSession> session_;
  std::unique_ptr<TOracleDataSet> data_set_;
};
