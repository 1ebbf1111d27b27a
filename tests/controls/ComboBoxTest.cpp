#include "platform/controls/ComboBox.h"

#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/ComboBox.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class ComboBoxTest : public ControlTest {
 protected:
  TComboBox* Combo(std::initializer_list<const char*> items) {
    if (!form_) {
      form_ = BareForm(200, 60);
    }
    auto* c = new TComboBox(owner_.get());
    c->SetParent(form_);
    c->SetBounds(10, 10, 120, 21);
    for (const char* s : items) c->Items()->Add(s);
    c->OnChange = [this, c](TObject*) { changes_.push_back(c->Text()); };
    combo_ = c;
    return c;
  }
  HWND List() const {
    COMBOBOXINFO info;
    return combo_ && GetComboBoxInfo(combo_->WindowHandle(), &info) ? info.hwndList : nullptr;
  }
  // The screen centre of row `row` of the dropped list.
  POINT ListRow(TComboBox* c, int row) {
    RECT r;
    GetWindowRect(List(), &r);
    const int h = static_cast<int>(SendMessage(c->WindowHandle(), CB_GETITEMHEIGHT, 0, 0));
    return POINT{(r.left + r.right) / 2, r.top + 1 + row * h + h / 2};
  }
  TCustomForm* form_ = nullptr;
  TComboBox* combo_ = nullptr;
  std::vector<String> changes_;
};

TEST_F(ComboBoxTest, MessagesKeepTheItemsAndTheSelection) {
  TComboBox* c = Combo({});
  HWND h = c->Handle();
  EXPECT_EQ(SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("E:\\")), 0);
  EXPECT_EQ(SendMessage(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("F:\\")), 1);
  EXPECT_EQ(SendMessage(h, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("D:\\")), 0);
  EXPECT_EQ(SendMessage(h, CB_GETCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(h, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(SendMessage(h, CB_SETCURSEL, 2, 0), 2);
  char buf[16] = {};
  EXPECT_EQ(SendMessage(h, CB_GETLBTEXT, 2, reinterpret_cast<LPARAM>(buf)), 3);
  EXPECT_STREQ(buf, "F:\\");
  EXPECT_EQ(GetWindowText(h), "F:\\");
  EXPECT_EQ(
      SendMessage(h, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("e:\\")),
      1);
  EXPECT_EQ(SendMessage(h, CB_GETLBTEXT, 7, reinterpret_cast<LPARAM>(buf)), CB_ERR);
  // Deleting an item before the selection keeps the same string selected.
  SendMessage(h, CB_DELETESTRING, 0, 0);
  EXPECT_EQ(SendMessage(h, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessage(h, CB_SETCURSEL, static_cast<WPARAM>(-1), 0), CB_ERR);
  EXPECT_EQ(GetWindowText(h), "");
  SendMessage(h, CB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(h, CB_GETCOUNT, 0, 0), 0);
  // The program's own selection tells nobody.
  EXPECT_TRUE(changes_.empty());
}

TEST_F(ComboBoxTest, KeysOnTheClosedBoxChangeTheSelection) {
  TComboBox* c = Combo({"D:\\", "E:\\", "F:\\", "G:\\", "Zip"});
  c->SetFocus();
  const struct {
    UINT key;
    int index;
  } steps[] = {{VK_DOWN, 0}, {VK_DOWN, 1}, {VK_END, 4}, {VK_DOWN, 4}, {VK_HOME, 0}, {VK_UP, 0}};
  for (const auto& s : steps) {
    InjectKey(s.key);
    Pump();
    EXPECT_EQ(c->ItemIndex(), s.index) << s.key;
  }
  // A letter goes to the next item starting with it.
  InjectChar('z');
  Pump();
  EXPECT_EQ(c->Text(), "Zip");
  // OnChange fired once per real change: down, down, end, home, z.
  EXPECT_EQ(changes_, (std::vector<String>{"D:\\", "E:\\", "Zip", "D:\\", "Zip"}));
}

TEST_F(ComboBoxTest, TheDroppedListChoosesWithKeysAndCancelsWithEscape) {
  TComboBox* c = Combo({"D:\\", "E:\\", "F:\\"});
  c->SetItemIndex(0);
  c->SetFocus();
  int drops = 0, closes = 0;
  c->OnDropDown = [&](TObject*) { ++drops; };
  c->OnCloseUp = [&](TObject*) { ++closes; };
  InjectKey(VK_F4);
  Pump();
  ASSERT_TRUE(c->DroppedDown());
  HWND list = List();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(GetWindowLongPtr(list, GWL_EXSTYLE) & WS_EX_TOPMOST);
  RECT box, lr;
  GetWindowRect(c->WindowHandle(), &box);
  GetWindowRect(list, &lr);
  EXPECT_EQ(lr.top, box.bottom);
  EXPECT_EQ(lr.left, box.left);
  // Arrows move the highlight only; Escape closes without a choice, and is
  // not the form's.
  InjectKey(VK_DOWN);
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 0);
  EXPECT_TRUE(changes_.empty());
  // Enter takes the highlighted item.
  c->SetDroppedDown(true);
  InjectKey(VK_DOWN);
  InjectKey(VK_DOWN);
  InjectKey(VK_RETURN);
  Pump();
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(changes_, std::vector<String>{"F:\\"});
  EXPECT_EQ(drops, 2);
  EXPECT_EQ(closes, 2);
}

TEST_F(ComboBoxTest, TheMouseDropsChoosesAndClosesOutside) {
  TComboBox* c = Combo({"D:\\", "E:\\", "F:\\"});
  Click(c, 110, 10);  // on the button
  ASSERT_TRUE(c->DroppedDown());
  EXPECT_EQ(GetFocus(), c->WindowHandle());
  InjectMouseMove(ListRow(c, 1));
  InjectClick(TInputButton::Left, ListRow(c, 1));
  Pump();
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Text(), "E:\\");
  EXPECT_EQ(changes_, std::vector<String>{"E:\\"});
  // A press outside closes without a choice.
  Click(c, 10, 10);
  ASSERT_TRUE(c->DroppedDown());
  InjectClick(TInputButton::Left, POINT{190, 50});
  Pump();
  EXPECT_FALSE(c->DroppedDown());
  EXPECT_EQ(c->Text(), "E:\\");
  EXPECT_EQ(List(), nullptr);
}

TEST_F(ComboBoxTest, TheControlKeepsItsSelectionAcrossItsWindow) {
  DeclareComboBoxProperties();
  auto* c = new TComboBox(owner_.get());
  c->Items()->Add("D:\\");
  c->Items()->Add("E:\\");
  c->SetText("E:\\");
  EXPECT_EQ(c->ItemIndex(), 1);
  TCustomForm* form = ShownForm();
  c->SetParent(form);
  EXPECT_EQ(SendMessage(c->Handle(), CB_GETCURSEL, 0, 0), 1);
  // A new string before the selection leaves the same string selected.
  c->Items()->Insert(0, "C:\\");
  EXPECT_EQ(c->ItemIndex(), 2);
  EXPECT_EQ(c->Text(), "E:\\");
  c->RecreateWnd();
  EXPECT_EQ(SendMessage(c->Handle(), CB_GETCURSEL, 0, 0), 2);
  c->Items()->Clear();
  EXPECT_EQ(c->ItemIndex(), -1);
  SetOrdProp(c, "DropDownCount", 3);
  EXPECT_EQ(SendMessage(c->Handle(), CB_GETMINVISIBLE, 0, 0), 3);
  EXPECT_TRUE(changes_.empty());
}

TEST_F(ComboBoxTest, ClosedAndDroppedMatchTheirReferencePictures) {
  TComboBox* c = Combo({"D:\\", "E:\\", "F:\\", "G:\\"});
  c->SetItemIndex(1);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form_->WindowHandle()),
                               "../../controls/reference/combobox.png", 8, 20));
  c->SetFocus();
  c->SetDroppedDown(true);
  InjectMouseMove(ListRow(c, 2));
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(c->WindowHandle()),
                               "../../controls/reference/combobox-box-dropped.png", 8, 20));
  EXPECT_TRUE(
      MatchesReference(CaptureWindow(List()), "../../controls/reference/combobox-list.png", 8, 20));
}

}  // namespace
