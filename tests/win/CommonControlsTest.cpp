// The combo box, tab control and popup menus of the window layer, driven by
// their messages and by input alone, with a recording parent.
#include "platform/win/Button.h"
#include "platform/win/ComboBox.h"
#include "platform/win/Edit.h"
#include "platform/win/Gdi.h"
#include "platform/win/Paint.h"
#include "platform/win/StatusBar.h"
#include "platform/win/TabControl.h"
#include "tests/win/WindowTestSupport.h"

namespace {

class CommonControlsTest : public WindowTest {
 protected:
  CommonControlsTest() {
    RegisterComboBoxClass();
    RegisterTabControlClass();
    parent_ = Top(0, 0, 300, 200, WS_POPUP | WS_VISIBLE);
  }
  // The notification codes the parent heard, WM_COMMAND's and WM_NOTIFY's.
  std::vector<int> Notes() const {
    std::vector<int> codes;
    for (const TLoggedMessage& m : log) {
      if (m.hwnd != parent_) continue;
      if (m.message == WM_COMMAND && m.lParam) codes.push_back(HIWORD(m.wParam));
      if (m.message == WM_NOTIFY) codes.push_back(static_cast<int>(m.notifyCode));
    }
    return codes;
  }
  std::vector<UINT> Commands() const {
    std::vector<UINT> ids;
    for (const TLoggedMessage& m : log)
      if (m.hwnd == parent_ && m.message == WM_COMMAND && !m.lParam)
        ids.push_back(LOWORD(m.wParam));
    return ids;
  }
  HWND Combo(std::initializer_list<const char*> items, DWORD extra = 0) {
    HWND c = CreateWindowEx(0, WC_COMBOBOX, "", WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | extra,
                            10, 10, 120, 21, parent_, reinterpret_cast<HMENU>(std::uintptr_t{7}),
                            HInstance(), nullptr);
    for (const char* s : items) SendMessage(c, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
    return c;
  }
  HWND parent_ = nullptr;
};

// Windows leaves GWLP_USERDATA to the program: a control keeps its own state
// elsewhere, so a program storing its pointer there changes nothing.
TEST_F(CommonControlsTest, ControlsLeaveTheUserDataToTheProgram) {
  RegisterButtonClass();
  RegisterStatusBarClass();
  const HGDIOBJ font = GetStockObject(SYSTEM_FONT);
  for (const char* cls : {WC_BUTTON, STATUSCLASSNAME, WC_COMBOBOX, WC_TABCONTROL, WC_EDIT}) {
    SCOPED_TRACE(cls);
    HWND c = CreateWindowEx(0, cls, "text", WS_CHILD | WS_VISIBLE, 10, 10, 120, 24, parent_,
                            nullptr, HInstance(), nullptr);
    ASSERT_NE(c, nullptr);
    SetWindowLongPtr(c, GWLP_USERDATA, 0x5A5A);
    SendMessage(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(SendMessage(c, WM_GETFONT, 0, 0), reinterpret_cast<LRESULT>(font));
    UpdateWindow(c);
    EXPECT_EQ(GetWindowLongPtr(c, GWLP_USERDATA), 0x5A5A);
    DestroyWindow(c);
  }
}

TEST_F(CommonControlsTest, ASortedComboKeepsItsItemsInOrder) {
  HWND c = Combo({"F:\\", "d:\\", "E:\\"}, CBS_SORT);
  char text[8] = {};
  std::vector<String> order;
  for (int i = 0; i < 3; ++i) {
    SendMessage(c, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    order.push_back(text);
  }
  EXPECT_EQ(order, (std::vector<String>{"d:\\", "E:\\", "F:\\"}));
  // Prefix search from after an item, going round.
  EXPECT_EQ(SendMessage(c, CB_FINDSTRING, 2, reinterpret_cast<LPARAM>("d")), 0);
  EXPECT_EQ(SendMessage(c, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("e")),
            1);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(SendMessage(c, CB_FINDSTRING, 0, reinterpret_cast<LPARAM>("x")), CB_ERR);
}

TEST_F(CommonControlsTest, TheComboFramesEveryDroppingWithNotifications) {
  HWND c = Combo({"D:\\", "E:\\"});
  SetFocus(c);
  log.clear();
  SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
  EXPECT_TRUE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  COMBOBOXINFO info;
  ASSERT_TRUE(GetComboBoxInfo(c, &info));
  ASSERT_NE(info.hwndList, nullptr);
  SendMessage(c, WM_KEYDOWN, VK_DOWN, 0);
  SendMessage(c, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_FALSE(IsWindow(info.hwndList));
  EXPECT_EQ(Notes(), (std::vector<int>{CBN_DROPDOWN, CBN_SELENDOK, CBN_CLOSEUP, CBN_SELCHANGE}));
  // Losing the focus closes the list without a choice.
  SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
  log.clear();
  SetFocus(parent_);
  EXPECT_FALSE(SendMessage(c, CB_GETDROPPEDSTATE, 0, 0));
  EXPECT_EQ(Notes(), (std::vector<int>{CBN_SELENDCANCEL, CBN_CLOSEUP, CBN_KILLFOCUS}));
  EXPECT_FALSE(GetComboBoxInfo(parent_, &info));
}

TEST_F(CommonControlsTest, PageKeysAndTheWheelMoveTheSelection) {
  HWND c = Combo({"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k", "l"});
  SendMessage(c, CB_SETMINVISIBLE, 4, 0);
  SendMessage(c, CB_SETCURSEL, 0, 0);
  SendMessage(c, WM_KEYDOWN, VK_NEXT, 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 3);
  SendMessage(c, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 4);
  SendMessage(c, WM_KEYDOWN, VK_PRIOR, 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 1);
  // The dropped list shows four rows and scrolls to keep the highlight in view.
  SendMessage(c, CB_SHOWDROPDOWN, TRUE, 0);
  COMBOBOXINFO info;
  GetComboBoxInfo(c, &info);
  RECT lr;
  GetWindowRect(info.hwndList, &lr);
  const int h = static_cast<int>(SendMessage(c, CB_GETITEMHEIGHT, 0, 0));
  EXPECT_EQ(RectHeight(lr), 4 * h + 2);
  SendMessage(c, WM_KEYDOWN, VK_END, 0);
  SendMessage(c, WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(SendMessage(c, CB_GETCURSEL, 0, 0), 11);
}

TEST_F(CommonControlsTest, TabsAreInsertedHitAndSelected) {
  HWND t = CreateWindowEx(0, WC_TABCONTROL, "", WS_CHILD | WS_VISIBLE, 0, 0, 280, 150, parent_,
                          nullptr, HInstance(), nullptr);
  char files[] = "Files", search[] = "Search", log_[] = "Log";
  for (char* text : {files, search}) {
    TCITEMA item;
    item.mask = TCIF_TEXT;
    item.pszText = text;
    SendMessage(t, TCM_INSERTITEMA, 99, reinterpret_cast<LPARAM>(&item));  // at the end
  }
  TCITEMA first;
  first.mask = TCIF_TEXT | TCIF_PARAM;
  first.pszText = log_;
  first.lParam = 42;
  EXPECT_EQ(SendMessage(t, TCM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&first)), 0);
  EXPECT_EQ(SendMessage(t, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(SendMessage(t, TCM_SETCURSEL, 1, 0), -1);
  RECT r;
  SendMessage(t, TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  TCHITTESTINFO hit;
  hit.pt = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  EXPECT_EQ(SendMessage(t, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), 2);
  EXPECT_EQ(hit.flags, TCHT_ONITEM);
  hit.pt = POINT{270, 100};
  EXPECT_EQ(SendMessage(t, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)), -1);
  // Deleting the selected tab leaves none selected; one before it moves it.
  SendMessage(t, TCM_DELETEITEM, 0, 0);
  EXPECT_EQ(SendMessage(t, TCM_GETCURSEL, 0, 0), 0);
  SendMessage(t, TCM_DELETEITEM, 0, 0);
  EXPECT_EQ(SendMessage(t, TCM_GETCURSEL, 0, 0), -1);
  // A click asks the parent, which refuses here.
  // (By value: the handler outlives this fixture's part of the object.)
  handler = [parent = parent_](HWND h, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (h == parent && m == WM_NOTIFY && reinterpret_cast<const NMHDR*>(l)->code == TCN_SELCHANGING)
      return TRUE;
    return std::nullopt;
  };
  log.clear();
  SendMessage(t, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  SendMessage(t, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.left + 3, r.top + 3));
  EXPECT_EQ(SendMessage(t, TCM_GETCURSEL, 0, 0), -1);
  EXPECT_EQ(Notes(), std::vector<int>{static_cast<int>(TCN_SELCHANGING)});
}

TEST_F(CommonControlsTest, AMenuNearTheScreensCornerOpensToTheOtherSide) {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 1, "&Open tray");
  AppendMenu(menu, MF_STRING | MF_GRAYED, 2, "&Close tray");
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  ASSERT_TRUE(TrackPopupMenu(menu, 0, sw - 5, sh - 5, 0, parent_, nullptr));
  RECT r;
  GetWindowRect(GetOpenMenuWindow(), &r);
  EXPECT_EQ(r.right, sw - 5);
  EXPECT_EQ(r.bottom, sh - 5);
  EndMenu();
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  // Right alignment puts the menu's right edge at the point.
  ASSERT_TRUE(TrackPopupMenu(menu, TPM_RIGHTALIGN, 200, 50, 0, parent_, nullptr));
  GetWindowRect(GetOpenMenuWindow(), &r);
  EXPECT_EQ(r.right, 200);
  EXPECT_EQ(r.top, 50);
  // A greyed item's letter chooses nothing; the open menu keeps the keys
  // from the focused window.
  SetFocus(parent_);
  log.clear();
  InjectKey('C');
  InjectKey('O');
  Pump();
  EXPECT_EQ(Commands(), std::vector<UINT>{1});
  for (const TLoggedMessage& m : log) EXPECT_NE(m.message, WM_KEYDOWN);
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(menu));
  EXPECT_FALSE(TrackPopupMenu(menu, 0, 0, 0, 0, parent_, nullptr));
}

TEST_F(CommonControlsTest, CheckingAnItemReportsItsFormerState) {
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, 5, "Show icons");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  EXPECT_EQ(CheckMenuItem(menu, 5, MF_CHECKED), DWORD{MF_UNCHECKED});
  EXPECT_EQ(CheckMenuItem(menu, 5, MF_UNCHECKED), DWORD{MF_CHECKED});
  EXPECT_EQ(CheckMenuItem(menu, 9, MF_CHECKED), static_cast<DWORD>(-1));
  EXPECT_EQ(GetMenuItemCount(menu), 2);
  EXPECT_TRUE(RemoveMenu(menu, 1, MF_BYPOSITION));
  EXPECT_EQ(GetMenuItemCount(menu), 1);
  DestroyMenu(menu);
}

}  // namespace
