#include "platform/controls/ToolBar.h"

#include "platform/controls/ActnList.h"
#include "platform/controls/HintWindow.h"
#include "platform/controls/Menus.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Menu.h"
#include "platform/win/Paint.h"
#include "platform/win/ToolBar.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "tests/controls/ColourImages.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

// --- The window class on its own, with a parent that records what it hears.

class ToolBarWindowTest : public ControlTest {
 protected:
  void SetUp() override {
    WNDCLASS wc;
    wc.lpszClassName = "ToolBarTestParent";
    wc.hInstance = HInstance();
    wc.lpfnWndProc = MakeWndProc([this](HWND h, UINT msg, WPARAM w, LPARAM l) -> LRESULT {
      if (msg == WM_COMMAND) commands_.push_back(LOWORD(w));
      if (msg == WM_NOTIFY) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(l);
        if (hdr->code == TBN_DROPDOWN)
          drops_.push_back(reinterpret_cast<const NMTOOLBARA*>(l)->iItem);
        if (hdr->code == TTN_GETDISPINFOA) {
          auto* info = reinterpret_cast<NMTTDISPINFOA*>(l);
          asked_.push_back(static_cast<int>(hdr->idFrom));
          info->lpszText = const_cast<char*>("Scan the disk");
        }
      }
      return DefWindowProc(h, msg, w, l);
    });
    RegisterClass(wc);
    parent_ = CreateWindowEx(0, "ToolBarTestParent", "", WS_POPUP | WS_VISIBLE, 0, 0, 300, 80,
                             nullptr, nullptr, HInstance(), nullptr);
    RegisterToolBarClass();
    bar_ = CreateWindowEx(0, TOOLBARCLASSNAME, "",
                          WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS, 0, 0, 300, 28,
                          parent_, nullptr, HInstance(), nullptr);
    TBBUTTON buttons[5];
    const struct {
      int command;
      BYTE style;
    } specs[] = {{10, TBSTYLE_BUTTON},
                 {11, TBSTYLE_DROPDOWN},
                 {0, TBSTYLE_SEP},
                 {12, TBSTYLE_CHECKGROUP},
                 {13, TBSTYLE_CHECKGROUP}};
    for (int i = 0; i < 5; ++i) {
      buttons[i].idCommand = specs[i].command;
      buttons[i].fsStyle = specs[i].style;
      buttons[i].iBitmap = specs[i].style == TBSTYLE_SEP ? 0 : i;
    }
    SendMessage(bar_, TB_ADDBUTTONS, 5, reinterpret_cast<LPARAM>(buttons));
  }
  POINT Centre(int command, int dx = 0) {
    RECT r;
    SendMessage(bar_, TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&r));
    POINT p{(r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2};
    ClientToScreen(bar_, &p);
    return p;
  }
  HWND parent_ = nullptr, bar_ = nullptr;
  std::vector<int> commands_, drops_, asked_;
};

TEST_F(ToolBarWindowTest, ButtonsLieInARowAndSeparatorsTakeTheirGap) {
  EXPECT_EQ(SendMessage(bar_, TB_BUTTONCOUNT, 0, 0), 5);
  RECT a, b, sep, c;
  SendMessage(bar_, TB_GETRECT, 10, reinterpret_cast<LPARAM>(&a));
  SendMessage(bar_, TB_GETRECT, 11, reinterpret_cast<LPARAM>(&b));
  SendMessage(bar_, TB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&sep));
  SendMessage(bar_, TB_GETRECT, 12, reinterpret_cast<LPARAM>(&c));
  EXPECT_EQ(b.left, a.right);
  EXPECT_EQ(sep.left, b.right);
  EXPECT_EQ(c.left, sep.right);
  EXPECT_EQ(RectWidth(sep), 8);
  // Without the arrow style a drop-down button is as wide as the others.
  EXPECT_EQ(RectWidth(b), RectWidth(a));
  SendMessage(bar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendMessage(bar_, TB_GETRECT, 11, reinterpret_cast<LPARAM>(&b));
  EXPECT_GT(RectWidth(b), RectWidth(a));
  EXPECT_EQ(SendMessage(bar_, TB_COMMANDTOINDEX, 13, 0), 4);
  EXPECT_FALSE(SendMessage(bar_, TB_GETRECT, 99, reinterpret_cast<LPARAM>(&b)));
}

TEST_F(ToolBarWindowTest, ClicksReachTheParentOnlyForEnabledButtons) {
  InjectClick(TInputButton::Left, Centre(10));
  Pump();
  EXPECT_EQ(commands_, std::vector<int>{10});
  SendMessage(bar_, TB_ENABLEBUTTON, 10, MAKELPARAM(FALSE, 0));
  EXPECT_FALSE(SendMessage(bar_, TB_ISBUTTONENABLED, 10, 0));
  InjectClick(TInputButton::Left, Centre(10));
  Pump();
  EXPECT_EQ(commands_.size(), 1u);
  // Pressed on a button, released elsewhere: no click.
  InjectMouseMove(Centre(12));
  InjectButtonDown(TInputButton::Left, Centre(12));
  InjectMouseMove(Centre(13));
  InjectButtonUp(TInputButton::Left, Centre(13));
  Pump();
  EXPECT_EQ(commands_.size(), 1u);
}

TEST_F(ToolBarWindowTest, GroupedCheckButtonsActAsRadioButtons) {
  InjectClick(TInputButton::Left, Centre(12));
  Pump();
  EXPECT_TRUE(SendMessage(bar_, TB_ISBUTTONCHECKED, 12, 0));
  InjectClick(TInputButton::Left, Centre(13));
  Pump();
  EXPECT_FALSE(SendMessage(bar_, TB_ISBUTTONCHECKED, 12, 0));
  EXPECT_TRUE(SendMessage(bar_, TB_ISBUTTONCHECKED, 13, 0));
  InjectClick(TInputButton::Left, Centre(13));
  Pump();
  EXPECT_TRUE(SendMessage(bar_, TB_ISBUTTONCHECKED, 13, 0));
  EXPECT_EQ(commands_, (std::vector<int>{12, 13, 13}));
}

TEST_F(ToolBarWindowTest, ADropDownButtonNotifiesFromItsArrow) {
  InjectClick(TInputButton::Left, Centre(11));
  Pump();
  EXPECT_EQ(drops_, std::vector<int>{11});
  EXPECT_TRUE(commands_.empty());
  SendMessage(bar_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  InjectClick(TInputButton::Left, Centre(11, -8));   // the face clicks
  InjectClick(TInputButton::Left, Centre(11, +10));  // the arrow drops
  Pump();
  EXPECT_EQ(commands_, std::vector<int>{11});
  EXPECT_EQ(drops_, (std::vector<int>{11, 11}));
}

TEST_F(ToolBarWindowTest, ATipShowsWhenThePointerRestsOnAButton) {
  HWND tip = reinterpret_cast<HWND>(SendMessage(bar_, TB_GETTOOLTIPS, 0, 0));
  ASSERT_NE(tip, nullptr);
  InjectMouseMove(Centre(10));
  Pump();
  EXPECT_EQ(SendMessage(bar_, TB_GETHOTITEM, 0, 0), 0);
  EXPECT_FALSE(IsWindowVisible(tip));
  clock_.Advance(500);
  Pump();
  EXPECT_TRUE(IsWindowVisible(tip));
  EXPECT_EQ(asked_, std::vector<int>{10});
  // Leaving the bar takes the tip and the highlight away.
  InjectMouseMove(POINT{250, 70});
  clock_.Advance(100);
  Pump();
  EXPECT_FALSE(IsWindowVisible(tip));
  EXPECT_EQ(SendMessage(bar_, TB_GETHOTITEM, 0, 0), -1);
}

// --- The class library's tool bar.

class ToolBarTest : public ControlTest {
 protected:
  void SetUp() override {
    form_ = BareForm(220, 60);
    bar_ = new TToolBar(owner_.get());
    bar_->SetParent(form_);
  }
  TToolButton* Button(TToolButtonStyle style = tbsButton) {
    auto* b = new TToolButton(owner_.get());
    b->SetParent(bar_);
    b->SetStyle(style);
    return b;
  }
  POINT Centre(TToolButton* b) { return At(b, b->Width() / 2, b->Height() / 2); }
  TCustomForm* form_ = nullptr;
  TToolBar* bar_ = nullptr;
};

TEST_F(ToolBarTest, AButtonRunsItsActionAndFollowsItsEnabledState) {
  auto* list = new TActionList(owner_.get());
  auto* scan = new TAction(owner_.get());
  scan->SetActionList(list);
  scan->SetHint("Scan disk");
  scan->SetImageIndex(3);
  int runs = 0;
  scan->OnExecute = [&](TObject*) { ++runs; };
  TToolButton* b = Button();
  b->SetAction(scan);
  EXPECT_EQ(b->Hint(), "Scan disk");
  EXPECT_EQ(b->ImageIndex(), 3);
  InjectClick(TInputButton::Left, Centre(b));
  Pump();
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(scan->ActionComponent(), nullptr);
  HWND h = bar_->WindowHandle();
  scan->SetEnabled(false);
  EXPECT_FALSE(b->Enabled());
  EXPECT_FALSE(SendMessage(h, TB_ISBUTTONENABLED, static_cast<WPARAM>(b->Command()), 0));
  InjectClick(TInputButton::Left, Centre(b));
  Pump();
  EXPECT_EQ(runs, 1);
  // An update handler that enables it again is heard at the next idle step.
  scan->OnUpdate = [](TObject* a) { static_cast<TAction*>(a)->SetEnabled(true); };
  UpdateActionListsOnIdle();
  EXPECT_TRUE(SendMessage(h, TB_ISBUTTONENABLED, static_cast<WPARAM>(b->Command()), 0));
}

TEST_F(ToolBarTest, TheDropDownButtonShowsItsMenuBelowIt) {
  auto* menu = new TPopupMenu(owner_.get());
  auto* item = new TMenuItem(owner_.get());
  item->SetCaption("Report");
  menu->Items()->Add(item);
  Button();
  TToolButton* drop = Button(tbsDropDown);
  drop->SetDropdownMenu(menu);
  int clicks = 0;
  drop->OnClick = [&](TObject*) { ++clicks; };
  // The arrow part, at the button's right end.
  InjectClick(TInputButton::Left, At(drop, drop->Width() - 4, drop->Height() / 2));
  Pump();
  ASSERT_NE(GetOpenMenuWindow(), nullptr);
  RECT r;
  GetWindowRect(GetOpenMenuWindow(), &r);
  EXPECT_EQ((POINT{r.left, r.top}), At(drop, 0, drop->Height()));
  EXPECT_EQ(menu->PopupComponent(), drop);
  menu->CloseMenu();
  InjectClick(TInputButton::Left, At(drop, 4, drop->Height() / 2));
  Pump();
  EXPECT_EQ(clicks, 1);
}

TEST_F(ToolBarTest, ButtonsShowTheirHintsThroughTheApplication) {
  bar_->SetShowHint(true);
  TToolButton* a = Button();
  a->SetHint("Node collapse");
  TToolButton* b = Button();
  b->SetHint("Node expand");
  Application->SetShowHint(true);
  for (TToolButton* over : {a, b}) {
    InjectMouseMove(Centre(over));
    Pump();
    clock_.Advance(Application->HintPause());
    Pump();
    ASSERT_NE(Application->HintWindow(), nullptr);
    EXPECT_EQ(Application->HintWindow()->Caption(), over->Hint());
  }
}

TEST_F(ToolBarTest, GroupedCheckButtonsKeepTheirDownState) {
  DeclareToolBarProperties();
  TToolButton* a = Button(tbsCheck);
  TToolButton* b = Button(tbsCheck);
  a->SetGrouped(true);
  b->SetGrouped(true);
  a->SetDown(true);
  InjectClick(TInputButton::Left, Centre(b));
  Pump();
  EXPECT_TRUE(b->Down());
  EXPECT_FALSE(a->Down());
  EXPECT_EQ(GetOrdProp(b, "Down"), 1);
  SetOrdProp(a, "Down", 1);
  EXPECT_FALSE(b->Down());
  EXPECT_TRUE(
      SendMessage(bar_->WindowHandle(), TB_ISBUTTONCHECKED, static_cast<WPARAM>(a->Command()), 0));
  // A freed button leaves the bar.
  delete a;
  EXPECT_EQ(bar_->ButtonCount(), 1);
  EXPECT_EQ(SendMessage(bar_->WindowHandle(), TB_BUTTONCOUNT, 0, 0), 1);
}

// A bar made before its framed form's window must still end at the form's
// client edge, not at its outer edge.
TEST_F(ToolBarTest, TheBarSpansTheClientAreaOfAFramedForm) {
  auto* form = new TForm(owner_.get());
  form->SetBounds(10, 10, 300, 200);
  auto* bar = new TToolBar(owner_.get());
  bar->SetParent(form);
  form->Show();
  EXPECT_LT(form->ClientWidth(), form->Width());
  EXPECT_EQ(bar->Width(), form->ClientWidth());
}

TEST_F(ToolBarTest, TheBarMatchesItsReferencePicture) {
  bar_->SetFlat(true);
  bar_->SetImages(ColourImages(owner_.get(), {clRed, clGreen, clBlue, clYellow}));
  TToolButton* first = Button();
  first->SetImageIndex(0);
  TToolButton* drop = Button(tbsDropDown);
  drop->SetImageIndex(1);
  Button(tbsSeparator);
  TToolButton* off = Button();
  off->SetImageIndex(2);
  off->SetEnabled(false);
  TToolButton* down = Button(tbsCheck);
  down->SetImageIndex(3);
  down->SetDown(true);
  InjectMouseMove(Centre(first));
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(bar_->WindowHandle()),
                               "../../controls/reference/toolbar.png", 8, 20));
}

TEST_F(ToolBarTest, CaptionsGrowTheButtonsAndTheBarAndFollowTheAction) {
  bar_->SetImages(ColourImages(owner_.get(), {clRed, clGreen}));
  auto* list = new TActionList(owner_.get());
  auto* scan = new TAction(owner_.get());
  scan->SetActionList(list);
  scan->SetCaption("&Scan");
  scan->SetImageIndex(0);
  TToolButton* b = Button();
  b->SetAction(scan);
  Button(tbsSeparator);
  TToolButton* wide = Button();
  wide->SetCaption("Collapse all discs");
  wide->SetImageIndex(1);
  const Integer plainHeight = bar_->Height();
  EXPECT_EQ(b->Width(), 23) << "no captions until asked";

  bar_->SetShowCaptions(true);
  // Every button holds the widest caption, and its image above it.
  EXPECT_EQ(b->Width(), wide->Width());
  EXPECT_GT(wide->Width(), 80);
  EXPECT_GT(b->Height(), 22 + 10);
  EXPECT_GE(bar_->Height(), b->Height() + 2);
  EXPECT_GT(bar_->Height(), plainHeight);
  TBBUTTON tb;
  ASSERT_TRUE(SendMessage(bar_->WindowHandle(), TB_GETBUTTON, 2, reinterpret_cast<LPARAM>(&tb)));
  EXPECT_STREQ(reinterpret_cast<LPCSTR>(tb.iString), "Collapse all discs");
  ASSERT_TRUE(SendMessage(bar_->WindowHandle(), TB_GETBUTTON, 1, reinterpret_cast<LPARAM>(&tb)));
  EXPECT_EQ(tb.iString, 0) << "a separator has no caption";

  // The action's new caption reaches the bar.
  scan->SetCaption("&Rescan");
  ASSERT_TRUE(SendMessage(bar_->WindowHandle(), TB_GETBUTTON, 0, reinterpret_cast<LPARAM>(&tb)));
  EXPECT_STREQ(reinterpret_cast<LPCSTR>(tb.iString), "&Rescan");

  bar_->SetShowCaptions(false);
  EXPECT_EQ(b->Width(), 23);
}

TEST_F(ToolBarTest, ButtonsWithCaptionsMatchTheirReferencePicture) {
  form_->SetBounds(0, 0, 220, 60);
  bar_->SetFlat(true);
  bar_->SetImages(ColourImages(owner_.get(), {clRed, clGreen}));
  TToolButton* scan = Button();
  scan->SetImageIndex(0);
  scan->SetCaption("&Scan");
  TToolButton* off = Button();
  off->SetImageIndex(1);
  off->SetCaption("Delete");
  off->SetEnabled(false);
  bar_->SetShowCaptions(true);
  InjectMouseMove(Centre(scan));
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(bar_->WindowHandle()),
                               "../../controls/reference/toolbar-captions.png", 8, 20));
}

}  // namespace
