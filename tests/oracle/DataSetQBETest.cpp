// Query by example on an Oracle dataset: the condition record, the
// conditions the server receives, and what the mode refuses.
#include <gtest/gtest.h>

#include "DataSetTestSupport.h"
#include "platform/controls/Application.h"
#include "platform/controls/DBCtrls.h"
#include "platform/controls/Form.h"
#include "platform/data/DataSource.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/ModuleInit.h"
#include "platform/win/WindowSystem.h"

namespace {

class QBEWorld : public DataSetWorld {
 protected:
  void SetUp() override {
    DataSetWorld::SetUp();
    Fixture(
        "create table discs (id number(9) not null, title varchar2(30), released date,\n"
        "  price number(8,2), notes long);\n"
        "insert into discs values (1, 'Blue Train', '1958-01-15 17:30:00', 12.5, 'a');\n"
        "insert into discs values (2, 'BLUE NOTE', '1958-01-15 00:00:00', 9.5, null);\n"
        "insert into discs values (3, 'blues', '1958-01-16 00:00:00', 12.5, null);\n"
        "insert into discs values (4, 'Kind of Blue', '1959-08-17 10:00:00', 7, null);\n"
        "insert into discs values (5, 'Giant Steps', '1958-01-14 23:59:59', 12.5, null);\n");
  }

  void OpenDiscs(const String& sql = "select * from discs order by id") {
    Open(sql);
    data_set_->SetQBEMode(true);
  }
  TField* Field(const char* name) { return data_set_->FieldByName(name); }
  TQBEField* QBE(const char* name) { return data_set_->QBEDefinition()->FindField(name); }
  // The last select the server ran, its lines joined by "|".
  String LastSelect() {
    const std::vector<String> log = StatementLog();
    for (auto it = log.rbegin(); it != log.rend(); ++it) {
      if (!SameText(it->substr(0, 6), "select")) continue;
      String text;
      for (char c : TrimRight(*it)) {
        if (c == '\r') continue;
        text += c == '\n' ? '|' : c;
      }
      return text;
    }
    return String();
  }
};

TEST_F(QBEWorld, StringPatternWithFileWildcardsBecomesLike) {
  OpenDiscs();
  Field("TITLE")->SetAsString("Blue*");
  data_set_->ExecuteQBE();
  EXPECT_FALSE(data_set_->QBEMode());
  EXPECT_EQ(LastSelect(),
            "select * from discs|where TITLE like 'Blue%'|order by id|"
            "/* Modified for QBE */");
  EXPECT_EQ(Ids(), (std::vector<Integer>{1}));
}

TEST_F(QBEWorld, CaseInsensitiveMatchNarrowsByTheFirstTwoLettersInEachCase) {
  OpenDiscs();
  QBE("TITLE")->SetCaseInsensitive(true);
  Field("TITLE")->SetAsString("bl*");
  data_set_->ExecuteQBE();
  EXPECT_EQ(LastSelect(),
            "select * from discs|where (TITLE like 'bl%' or TITLE like 'Bl%' or TITLE like 'bL%' "
            "or TITLE like 'BL%') and upper(TITLE) like upper('bl%')|order by id|"
            "/* Modified for QBE */");
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3}));
}

TEST_F(QBEWorld, WholeDayDateSelectsEveryMomentOfTheDay) {
  OpenDiscs();
  QBE("RELEASED")->SetWholeDay(true);
  Field("RELEASED")->SetAsDateTime(EncodeDate(1958, 1, 15));
  data_set_->ExecuteQBE();
  const String variable = QBE("RELEASED")->VariableName();
  EXPECT_EQ(variable, "quelt__qbe3");
  EXPECT_EQ(LastSelect(),
            "select * from discs|where RELEASED >= :quelt__qbe3 and RELEASED < "
            ":quelt__qbe3 + 1|order by id|/* Modified for QBE */");
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2}));
}

TEST_F(QBEWorld, DateWithATimeOrWithoutWholeDayIsCompared) {
  OpenDiscs();
  Field("RELEASED")->SetAsDateTime(EncodeDate(1958, 1, 15));
  data_set_->ExecuteQBE();
  EXPECT_EQ(LastSelect(),
            "select * from discs|where RELEASED = :quelt__qbe3|order by id|/* Modified for QBE */");
  EXPECT_EQ(Ids(), (std::vector<Integer>{2}));
}

TEST_F(QBEWorld, NumberIsBoundAndKeepsTheExistingCondition) {
  Open("select * from discs where id > 1 order by id");
  data_set_->SetQBEMode(true);
  Field("PRICE")->SetAsFloat(12.5);
  data_set_->ExecuteQBE();
  EXPECT_EQ(LastSelect(),
            "select * from discs|where (id > 1)|and|(PRICE = :quelt__qbe4)|"
            "order by id|/* Modified for QBE */");
  EXPECT_NE(LoggedBinds(int(StatementLog().size()) - 1).find("12.5"), String::npos);
  EXPECT_EQ(Ids(), (std::vector<Integer>{3, 5}));
}

TEST_F(QBEWorld, ConditionsOfSeveralFieldsAreJoinedByAnd) {
  OpenDiscs();
  Field("PRICE")->SetAsFloat(12.5);
  QBE("TITLE")->SetMatchAnywhere(true);
  Field("TITLE")->SetAsString("ue");
  EXPECT_EQ(data_set_->CountQueryHits(), 2);  // counted in the mode, with the conditions
  data_set_->ExecuteQBE();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 3}));
}

TEST_F(QBEWorld, RewriteIsUndoneOnClose) {
  OpenDiscs();
  Field("ID")->SetAsInteger(4);
  data_set_->ExecuteQBE();
  EXPECT_EQ(data_set_->VariableCount(), 1);
  data_set_->Close();
  EXPECT_EQ(Trim(data_set_->SQL()->Text()), "select * from discs order by id");
  EXPECT_EQ(data_set_->VariableCount(), 0);
  data_set_->Open();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3, 4, 5}));
}

TEST_F(QBEWorld, ModeShowsOneEditableRecordAndRefusesOtherWork) {
  OpenDiscs();
  EXPECT_EQ(data_set_->State(), dsInsert);
  EXPECT_EQ(data_set_->RecordCount(), 0);
  // A LONG column cannot be compared by the server: it takes no condition.
  EXPECT_TRUE(Field("NOTES")->ReadOnly());
  EXPECT_FALSE(Field("ID")->ReadOnly());
  EXPECT_FALSE(Field("ID")->Required());
  Field("ID")->SetAsInteger(1);
  for (auto operation : {&TDataSet::Post, &TDataSet::Refresh}) {
    try {
      (data_set_.get()->*operation)();
      ADD_FAILURE() << "allowed in QBE mode";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), "Operation not allowed in QBE mode");
    }
  }
  data_set_->SetQBEMode(false);
  EXPECT_FALSE(Field("NOTES")->ReadOnly());
  EXPECT_TRUE(Field("ID")->Required());
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3, 4, 5}));
  EXPECT_NO_THROW(data_set_->CheckNotQBE());
}

TEST_F(QBEWorld, ValuesTypedAreOfferedAgainNextTime) {
  OpenDiscs();
  Field("TITLE")->SetAsString("Giant*");
  data_set_->ExecuteQBE();
  data_set_->SetQBEMode(true);
  EXPECT_EQ(Field("TITLE")->AsString(), "Giant*");
  data_set_->QBEDefinition()->SetSaveQBEValues(false);
  data_set_->SetQBEMode(false);
  data_set_->SetQBEMode(true);
  EXPECT_TRUE(Field("TITLE")->IsNull());
}

TEST_F(QBEWorld, ProgramsNewRecordValuesDoNotBecomeConditions) {
  data_set_->OnNewRecord = [](TDataSet* dataSet) { dataSet->FieldByName("PRICE")->SetAsFloat(1); };
  OpenDiscs();
  EXPECT_TRUE(Field("PRICE")->IsNull());
  data_set_->ExecuteQBE();
  EXPECT_EQ(Ids(), (std::vector<Integer>{1, 2, 3, 4, 5}));
}

TEST_F(QBEWorld, CancelEventMayKeepTheDataSetEmpty) {
  OpenDiscs();
  int before = 0;
  data_set_->BeforeQBE = [&](TOracleDataSet*) { ++before; };
  data_set_->OnCancelQBE = [](TOracleDataSet*, bool& requery) { requery = false; };
  data_set_->SetQBEMode(false);
  EXPECT_TRUE(data_set_->IsEmpty());
  data_set_->SetQBEMode(true);
  EXPECT_EQ(before, 1);
}

TEST_F(QBEWorld, ModeAskedWhileClosedIsEnteredOnOpen) {
  data_set_->SetQBEMode(true);
  EXPECT_TRUE(data_set_->QBEMode());
  Open("select * from discs");
  EXPECT_EQ(data_set_->State(), dsInsert);
  EXPECT_EQ(data_set_->RecordCount(), 0);
}

TEST_F(QBEWorld, CursorDataSetRefusesTheMode) {
  Open("select * from discs");
  data_set_->DeclareVariable("c", Oracle::otCursor);
  EXPECT_FALSE(data_set_->QBEAllowed(false));
  try {
    data_set_->SetQBEMode(true);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "QBE mode not supported for cursors");
  }
  EXPECT_FALSE(data_set_->QBEMode());
}

TEST_F(QBEWorld, CachedChangesNotYetResolvedKeepTheModeOff) {
  data_set_->SetCachedUpdates(true);
  Open("select rowid, d.* from discs d order by id");
  data_set_->Edit();
  Field("TITLE")->SetAsString("Blue Train (mono)");
  EXPECT_FALSE(data_set_->QBEAllowed(false));
  data_set_->Post();
  ASSERT_TRUE(data_set_->UpdatesPending());
  try {
    data_set_->SetQBEMode(true);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "QBE mode not allowed with pending updates");
  }
  EXPECT_FALSE(data_set_->QBEMode());
  EXPECT_EQ(Field("TITLE")->AsString(), "Blue Train (mono)");
}

TEST_F(QBEWorld, DetailWithoutAMasterRecordRefusesTheMode) {
  TOracleDataSet master(nullptr);
  master.SetSession(session_.get());
  master.SQL()->SetText("select * from discs where id > 99");
  master.Open();
  data_set_->SQL()->SetText("select * from rows where id = :id");
  data_set_->DeclareVariable("id", Oracle::otInteger);
  data_set_->SetMasterFields("ID");
  data_set_->SetMaster(&master);
  data_set_->Open();
  EXPECT_FALSE(data_set_->QBEAllowed(false));
  try {
    data_set_->SetQBEMode(true);
    ADD_FAILURE();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "QBE mode not allowed without a master record");
  }
  data_set_->SetMaster(nullptr);
}

TEST_F(QBEWorld, EditingAfterTheModeIsAllowedAgain) {
  Open("select rowid, d.* from discs d order by id");
  data_set_->SetQBEMode(true);
  Field("ID")->SetAsInteger(2);
  data_set_->ExecuteQBE();
  data_set_->Edit();
  Field("TITLE")->SetAsString("Blue Note");
  data_set_->Post();
  EXPECT_EQ(One(*session_, "select title from discs where id = 2"), "Blue Note");
}

// Data-aware controls on a form of the application.
class QBEColours : public QBEWorld {
 protected:
  void SetUp() override {
    QBEWorld::SetUp();
    system_ = std::make_unique<TWindowSystem>();
    InitializeModules({ControlsModule()});
    form_ = new TCustomForm(Application);
    source_ = new TDataSource(form_);
    source_->SetDataSet(data_set_.get());
    data_set_->QBEDefinition()->SetQBEBackgroundColor(clYellow);
    data_set_->QBEDefinition()->SetQBEFontColor(clBlue);
  }
  void TearDown() override {
    // The controls go before the dataset they show.
    delete form_;
    FinalizeModules();
    system_.reset();
    QBEWorld::TearDown();
  }
  TDBEdit* Edit(TDataSource* source, const char* field) {
    auto* edit = new TDBEdit(form_);
    edit->SetDataSource(source);
    edit->SetDataField(field);
    return edit;
  }

  std::unique_ptr<TWindowSystem> system_;
  TCustomForm* form_ = nullptr;
  TDataSource* source_ = nullptr;
};

TEST_F(QBEColours, ControlsOfTheDataSetTakeTheColoursWhileTheModeLasts) {
  TDBEdit* title = Edit(source_, "TITLE");
  TDBEdit* styled = Edit(source_, "ID");
  styled->SetColor(clRed);
  TDBEdit* unbound = Edit(new TDataSource(form_), "TITLE");
  Open("select * from discs");
  data_set_->SetQBEMode(true);
  EXPECT_EQ(title->Color(), clYellow);
  EXPECT_EQ(title->Font()->Color(), clBlue);
  // A colour of the program's own is left alone.
  EXPECT_EQ(styled->Color(), clRed);
  EXPECT_EQ(styled->Font()->Color(), clBlue);
  EXPECT_EQ(unbound->Color(), clWindow);
  data_set_->SetQBEMode(false);
  EXPECT_EQ(title->Color(), clWindow);
  EXPECT_EQ(title->Font()->Color(), clWindowText);
  EXPECT_EQ(styled->Color(), clRed);
  EXPECT_EQ(styled->Font()->Color(), clWindowText);
}

TEST_F(QBEColours, ColoursComeBackWhenTheConditionsRunAndAfterCloseToo) {
  TDBEdit* title = Edit(source_, "TITLE");
  OpenDiscs();
  Field("TITLE")->SetAsString("Blue*");
  data_set_->ExecuteQBE();
  EXPECT_EQ(title->Color(), clWindow);
  // Entering again colours again, and leaving restores again.
  data_set_->SetQBEMode(true);
  EXPECT_EQ(title->Color(), clYellow);
  data_set_->Close();
  data_set_->QBEDefinition()->SetQBEBackgroundColor(clNone);
  data_set_->SetQBEMode(false);
  EXPECT_EQ(title->Color(), clWindow);
  EXPECT_EQ(title->Font()->Color(), clWindowText);
}

TEST_F(QBEColours, ControlFreedDuringTheModeIsNotTouched) {
  TDBEdit* title = Edit(source_, "TITLE");
  OpenDiscs();
  EXPECT_EQ(title->Color(), clYellow);
  delete title;
  TDBEdit* later = Edit(source_, "TITLE");
  later->SetColor(clRed);
  data_set_->SetQBEMode(false);
  EXPECT_EQ(later->Color(), clRed);
}

TEST_F(QBEColours, NoColourSetLeavesControlsAlone) {
  data_set_->QBEDefinition()->SetQBEBackgroundColor(clNone);
  data_set_->QBEDefinition()->SetQBEFontColor(clNone);
  TDBEdit* title = Edit(source_, "TITLE");
  OpenDiscs();
  EXPECT_EQ(title->Color(), clWindow);
  EXPECT_EQ(title->Font()->Color(), clWindowText);
}

}  // namespace
