#include "platform/controls/DBCtrls.h"

#include "platform/data/DataSource.h"
#include "platform/data/Field.h"
#include "platform/win/Edit.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/data/TestTables.h"

namespace {

class DBEditTest : public ControlTest {
 protected:
  DBEditTest() {
    people_->Open();
    source_->SetDataSet(people_.get());
    form_ = ShownForm();
    name_ = MakeEdit("NAME", 10);
    age_ = MakeEdit("AGE", 40);
  }
  TDBEdit* MakeEdit(const char* field, int top) {
    auto* e = new TDBEdit(owner_.get());
    e->SetParent(form_);
    e->SetBounds(10, top, 120, 21);
    e->SetDataSource(source_.get());
    e->SetDataField(field);
    return e;
  }
  void Type(TWinControl* c, char32_t ch) { SendMessage(c->WindowHandle(), WM_CHAR, ch, 0); }
  String Name() { return people_->FieldByName("NAME")->AsString(); }

  std::unique_ptr<TArrayDataSet> people_ = MakePeople(3);
  std::unique_ptr<TDataSource> source_ = std::make_unique<TDataSource>(nullptr);
  TCustomForm* form_;
  TDBEdit* name_;
  TDBEdit* age_;
};

TEST_F(DBEditTest, ShowsTheCurrentRecordAndFollowsTheDataset) {
  EXPECT_EQ(name_->Text(), "n1");
  EXPECT_EQ(age_->Text(), "10");
  EXPECT_EQ(name_->MaxLength(), 20);
  people_->Next();
  EXPECT_EQ(name_->Text(), "n2");
  people_->Close();
  EXPECT_EQ(name_->Text(), "");
  EXPECT_EQ(name_->Field(), nullptr);
}

TEST_F(DBEditTest, TypingEditsTheDatasetAndLeavingWritesTheFieldWithoutPosting) {
  name_->SetFocus();
  name_->SetSelStart(2);
  Type(name_, 'x');
  EXPECT_EQ(people_->State(), dsEdit);
  EXPECT_EQ(Name(), "n1");  // not yet written
  age_->SetFocus();
  EXPECT_EQ(Name(), "n1x");
  EXPECT_EQ(people_->State(), dsEdit);
  EXPECT_EQ(people_->PostCount(), 0);
  people_->Next();  // the dataset's next move posts
  EXPECT_EQ(people_->PostCount(), 1);
  people_->Prior();
  EXPECT_EQ(name_->Text(), "n1x");
}

TEST_F(DBEditTest, EnterWritesTheFieldAndEscapeRestoresIt) {
  name_->SetFocus();
  name_->SetSelStart(2);
  Type(name_, 'y');
  Type(name_, '\r');
  EXPECT_EQ(Name(), "n1y");
  EXPECT_EQ(name_->Text(), "n1y");
  Type(name_, 'z');
  EXPECT_EQ(name_->Text(), "n1yz");
  Type(name_, 0x1B);
  EXPECT_EQ(name_->Text(), "n1y");
  EXPECT_EQ(Name(), "n1y");
  // The restored text is not written back over a later change by the program.
  people_->FieldByName("NAME")->SetAsString("other");
  age_->SetFocus();
  EXPECT_EQ(Name(), "other");
}

TEST_F(DBEditTest, TheFieldJudgesTypedCodePointsButNeverEditingKeys) {
  age_->SetFocus();
  age_->SetSelStart(2);
  for (char32_t ch : {char32_t('a'), char32_t(0x00E9), char32_t(0x1F600)}) Type(age_, ch);
  EXPECT_EQ(age_->Text(), "10");
  EXPECT_EQ(people_->State(), dsBrowse);  // refused characters edit nothing
  Type(age_, '5');
  EXPECT_EQ(age_->Text(), "105");
  Type(age_, 0x08);  // Backspace
  Type(age_, 0x08);
  EXPECT_EQ(age_->Text(), "1");
  name_->SetFocus();
  EXPECT_EQ(people_->FieldByName("AGE")->AsInteger(), 1);
  // A string field takes any character, as UTF-8.
  name_->SetSelStart(2);
  Type(name_, 0x00E9);
  EXPECT_EQ(name_->Text(), "n1\xC3\xA9");
}

TEST_F(DBEditTest, AReadOnlyDatasetOrLinkLeavesTheEditReadOnly) {
  name_->SetReadOnly(true);
  name_->SetFocus();
  Type(name_, 'q');
  EXPECT_EQ(name_->Text(), "n1");
  EXPECT_EQ(people_->State(), dsBrowse);
  EXPECT_TRUE(SendMessage(name_->WindowHandle(), EM_GETSEL, 0, 0) >= 0);
  name_->SetReadOnly(false);
  source_->SetAutoEdit(false);
  Type(name_, 'q');
  EXPECT_EQ(people_->State(), dsBrowse);
  EXPECT_EQ(name_->Text(), "n1");
}

TEST_F(DBEditTest, ASourceFreedFirstLeavesTheEditWithoutField) {
  source_.reset();
  EXPECT_EQ(name_->DataSource(), nullptr);
  EXPECT_EQ(name_->Field(), nullptr);
  name_->SetFocus();
  Type(name_, 'q');
  EXPECT_EQ(name_->Text(), "");
}

TEST_F(DBEditTest, AFieldAskingForTheFocusGetsItsEdit) {
  age_->SetFocus();
  people_->FieldByName("NAME")->FocusControl();
  EXPECT_TRUE(name_->Focused());
}

}  // namespace
