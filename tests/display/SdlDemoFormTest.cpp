// tests/display/SdlDemoFormTest.cpp
//
// The demonstration form on a real (virtual) screen, used as a person
// would: clicks, right clicks, keys and typed text arrive as SDL events at
// the desktop windows, and what the form does is read back from its
// controls and its status bar. Its picture on the screen is compared with a
// reference.
#include <gtest/gtest.h>

#include <memory>

#include "demo/DemoForm.h"
#include "memtable/MemTable.h"
#include "platform/controls/ComboBox.h"
#include "platform/controls/CustomEdit.h"
#include "platform/controls/DBCtrls.h"
#include "platform/controls/Form.h"
#include "platform/controls/Gauge.h"
#include "platform/controls/ListView.h"
#include "platform/controls/PageControl.h"
#include "platform/controls/StdCtrls.h"
#include "platform/controls/ToolBar.h"
#include "platform/controls/TreeView.h"
#include "platform/data/Field.h"
#include "platform/win/ComboBox.h"
#include "platform/win/Header.h"
#include "platform/win/Input.h"
#include "platform/win/ListView.h"
#include "platform/win/Menu.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/TabControl.h"
#include "platform/win/Window.h"
#include "platform/win/WindowPos.h"
#include "tests/display/SdlTestSupport.h"

namespace {

class SdlDemoFormTest : public testing::Test {
 protected:
  void SetUp() override {
    ZORVET_SKIP_WITHOUT_DISPLAY();
    display_ = std::make_unique<TSdlDisplay>(1);
    demo_ = std::make_unique<TDemoForm>(40, 30);
    display_->Pump();
    ASSERT_NE(display_->WindowOf(Form()), nullptr);
    SettleSdl(*display_);
  }
  void TearDown() override {
    demo_.reset();
    display_.reset();
  }

  const TDemoForm::TControls& C() const { return demo_->Controls(); }
  HWND Form() const { return C().form->WindowHandle(); }
  Uint32 FormId() const { return SdlWindowId(*display_, Form()); }

  // A point of a control's client area, where the form's desktop window
  // shows it.
  POINT OnForm(const TControl* control, POINT p) const {
    POINT screen = control->ClientToScreen(p);
    ScreenToClient(Form(), &screen);
    return screen;
  }
  POINT CentreOf(const TControl* control) const {
    return OnForm(control, POINT{control->Width() / 2, control->Height() / 2});
  }
  // A point of a window's client area, on the form's desktop window.
  POINT OnForm(HWND hwnd, POINT p) const {
    ClientToScreen(hwnd, &p);
    ScreenToClient(Form(), &p);
    return p;
  }
  void Click(POINT p, Uint8 button = SDL_BUTTON_LEFT) {
    PushSdlClick(FormId(), p.x, p.y, button);
    display_->Pump();
  }
  void Key(SDL_Keycode key, SDL_Scancode code) {
    PushSdlKeyStroke(FormId(), key, code);
    display_->Pump();
  }
  void Type(const char* text) {
    PushSdlText(FormId(), text);
    display_->Pump();
  }

  std::unique_ptr<TSdlDisplay> display_;
  std::unique_ptr<TDemoForm> demo_;
};

TEST_F(SdlDemoFormTest, AClickOnAToolButtonRunsItsAction) {
  const Integer before = C().gauge->Progress();
  Click(CentreOf(C().scanButton));
  EXPECT_EQ(C().gauge->Progress(), before + 25);
  EXPECT_EQ(demo_->StatusText(), "Scanned D:\\: 50% full");
}

TEST_F(SdlDemoFormTest, TheCheckBoxEnablesTheActionItsButtonFollows) {
  EXPECT_FALSE(C().deleteButton->Enabled());
  Click(OnForm(C().allowDelete, POINT{8, 8}));
  EXPECT_TRUE(C().allowDelete->Checked());
  EXPECT_TRUE(C().deleteButton->Enabled());
  EXPECT_EQ(demo_->StatusText(), "Discs may be deleted");

  const Integer discs = C().tree->Items()->Count();
  Click(CentreOf(C().deleteButton));
  EXPECT_EQ(demo_->StatusText(), "Deleted Photos 2019");
  EXPECT_LT(C().tree->Items()->Count(), discs);
}

TEST_F(SdlDemoFormTest, TypingReachesTheFocusedEdit) {
  Click(CentreOf(C().note));
  ASSERT_EQ(GetFocus(), C().note->WindowHandle());
  Type("Abbey ");
  Type("Road ü");
  EXPECT_EQ(C().note->Text(), "Abbey Road ü");
  EXPECT_EQ(demo_->StatusText(), "Note: Abbey Road ü");
  Click(CentreOf(C().clear));
  EXPECT_EQ(C().note->Text(), "");
  EXPECT_EQ(demo_->StatusText(), "Note cleared");
}

TEST_F(SdlDemoFormTest, TheDataAwareEditWritesTheTableOnEnter) {
  RECT tab;
  ASSERT_TRUE(
      SendMessage(C().pages->WindowHandle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab)));
  Click(OnForm(C().pages->WindowHandle(), POINT{(tab.left + tab.right) / 2, tab.top + 4}));
  ASSERT_EQ(C().pages->ActivePageIndex(), 1);
  EXPECT_EQ(demo_->StatusText(), "Page Disc");

  Click(CentreOf(C().title));
  Key(SDLK_END, SDL_SCANCODE_END);
  Type("!");
  EXPECT_EQ(C().discs->State(), dsEdit);
  EXPECT_EQ(C().discs->FieldByName("Title")->AsString(), "Photos 2019");
  Key(SDLK_RETURN, SDL_SCANCODE_RETURN);
  EXPECT_EQ(C().discs->FieldByName("Title")->AsString(), "Photos 2019!");
}

TEST_F(SdlDemoFormTest, AColumnClickReachesTheHandler) {
  const HWND header =
      reinterpret_cast<HWND>(SendMessage(C().files->WindowHandle(), LVM_GETHEADER, 0, 0));
  ASSERT_NE(header, nullptr);
  RECT size;
  ASSERT_TRUE(SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&size)));
  const POINT middle = OnForm(header, POINT{(size.left + size.right) / 2, 8});
  Click(middle);
  EXPECT_EQ(demo_->StatusText(), "Sorted by Size, ascending");
  EXPECT_EQ(C().files->Items()->Item(0)->Caption(), "notes.txt");
  Click(middle);
  EXPECT_EQ(demo_->StatusText(), "Sorted by Size, descending");
  EXPECT_EQ(C().files->Items()->Item(0)->Caption(), "trip.mp4");
}

TEST_F(SdlDemoFormTest, APickFromTheComboBoxChangesTheStatus) {
  Click(CentreOf(C().drives));
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(C().drives->WindowHandle(), &info));
  ASSERT_TRUE(C().drives->DroppedDown());
  display_->Update();
  ASSERT_NE(display_->WindowOf(info.hwndList), nullptr) << "the list is a window of its own";
  const int row = static_cast<int>(SendMessage(C().drives->WindowHandle(), CB_GETITEMHEIGHT, 0, 0));
  PushSdlClick(SdlWindowId(*display_, info.hwndList), 10, 2 + 2 * row + row / 2);
  display_->Pump();
  EXPECT_FALSE(C().drives->DroppedDown());
  EXPECT_EQ(C().drives->Text(), "F:\\");
  EXPECT_EQ(demo_->StatusText(), "Drive F:\\ chosen");
}

TEST_F(SdlDemoFormTest, ARightClickOpensTheMenuAtThePointerAndAKeyChoosesAnItem) {
  // The form's own background, right of the check box.
  Click(POINT{400, 45}, SDL_BUTTON_RIGHT);
  const HWND menu = GetOpenMenuWindow();
  ASSERT_NE(menu, nullptr);
  display_->Update();
  SDL_Window* shown = display_->WindowOf(menu);
  ASSERT_NE(shown, nullptr);
  POINT corner{400, 45};
  ClientToScreen(Form(), &corner);
  int x = 0, y = 0;
  SDL_GetWindowPosition(shown, &x, &y);
  EXPECT_EQ(x, corner.x);
  EXPECT_EQ(y, corner.y);

  Key(SDLK_l, SDL_SCANCODE_L);
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  EXPECT_EQ(C().files->ViewStyle(), vsList);
  EXPECT_EQ(demo_->StatusText(), "View: List");
}

TEST_F(SdlDemoFormTest, TheDropDownButtonOpensItsMenuBelowIt) {
  const RECT r = C().viewButton->BoundsRect();
  // The arrow part of the button.
  Click(OnForm(C().toolBar, POINT{r.right - 5, (r.top + r.bottom) / 2}));
  ASSERT_NE(GetOpenMenuWindow(), nullptr);
  Key(SDLK_DOWN, SDL_SCANCODE_DOWN);
  Key(SDLK_RETURN, SDL_SCANCODE_RETURN);
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  EXPECT_EQ(C().files->ViewStyle(), vsIcon);
  EXPECT_EQ(demo_->StatusText(), "View: Large icons");
}

TEST_F(SdlDemoFormTest, TheScreenShowsTheFormAsItsReference) {
  // Focus where no caret blinks, so the picture does not depend on when it
  // is taken.
  C().tree->SetFocus();
  display_->Pump();
  const TSurface shown = display_->Screenshot(Form());
  EXPECT_EQ(DifferingPixels(shown, CaptureWindow(Form()), 0), 0)
      << "the screen shows what the form drew";
  // Our own drawing gives the same pixels everywhere; a FreeType of another
  // version may shade a few glyph edges differently, and nothing more.
  EXPECT_LE(DifferingFromReference(shown, "reference/demoform.png", 8), 60);
}

}  // namespace
