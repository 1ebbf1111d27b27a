// Submenus: items holding items open them beside themselves, on the pointer
// resting on them or by keys, and a command chosen deep inside reaches its
// item.
#include <gtest/gtest.h>

#include "platform/controls/Menus.h"
#include "platform/win/Menu.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class SubmenuTest : public ControlTest {
 protected:
  TMenuItem* Item(TMenuItem* parent, const char* caption) {
    auto* item = new TMenuItem(owner_.get());
    item->SetCaption(caption);
    item->OnClick = [this, caption](TObject*) { clicks_.push_back(caption); };
    parent->Add(item);
    return item;
  }
  // &View > (&Large, &Small, &Details > (&Size, &Date)), -, &Refresh
  TPopupMenu* Menu() {
    auto* menu = new TPopupMenu(owner_.get());
    TMenuItem* view = Item(menu->Items(), "&View");
    Item(view, "&Large");
    Item(view, "&Small");
    TMenuItem* details = Item(view, "&Details");
    Item(details, "&Size");
    Item(details, "&Date");
    Item(menu->Items(), "-");
    Item(menu->Items(), "&Refresh");
    return menu;
  }
  // How many menus are open: the menu and its submenus.
  static int OpenLevels() {
    int n = 0;
    while (GetOpenMenuWindow(n)) ++n;
    return n;
  }
  static POINT ItemCentre(int position, int level = 0) {
    RECT r;
    EXPECT_TRUE(GetOpenMenuItemRect(position, &r, level));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(GetOpenMenuWindow(level), &p);
    return p;
  }
  void Move(POINT p) {
    InjectMouseMove(p);
    Pump();
  }

  std::vector<String> clicks_;
};

TEST_F(SubmenuTest, KeysOpenCloseAndChooseInsideSubmenus) {
  ShownForm();
  const struct {
    std::vector<UINT> keys;
    std::vector<String> clicks;
    int levels;  // left open afterwards
  } cases[] = {
      {{VK_DOWN, VK_RIGHT, VK_RETURN}, {"&Large"}, 0},
      {{'V', VK_DOWN, VK_RETURN}, {"&Small"}, 0},  // a letter opens with the first item lit
      {{'V', 'D', 'D'}, {"&Date"}, 0},             // two levels in
      {{'V', VK_LEFT, VK_DOWN, VK_RETURN}, {"&Refresh"}, 0},  // Left goes back out
      {{'V', VK_ESCAPE}, {}, 1},                              // Escape closes one level
      {{'V', VK_ESCAPE, VK_ESCAPE}, {}, 0},
      {{VK_DOWN, VK_RETURN, VK_UP, VK_RETURN}, {}, 3},  // Enter opens, never chooses a submenu
      {{VK_DOWN, VK_DOWN, VK_RIGHT}, {}, 1},            // Right on a plain item does nothing
  };
  for (const auto& c : cases) {
    clicks_.clear();
    TPopupMenu* menu = Menu();
    menu->Popup(120, 120);
    for (UINT k : c.keys) InjectKey(k);
    Pump();
    EXPECT_EQ(clicks_, c.clicks) << c.keys.size() << " keys from " << c.keys[0];
    EXPECT_EQ(OpenLevels(), c.levels) << c.keys.size() << " keys from " << c.keys[0];
    menu->CloseMenu();
    EXPECT_EQ(OpenLevels(), 0);
  }
}

TEST_F(SubmenuTest, ThePointerOpensASubmenuBesideItsItemAndClosesItElsewhere) {
  ShownForm();
  TPopupMenu* menu = Menu();
  menu->Popup(120, 120);
  Move(ItemCentre(0));
  ASSERT_EQ(OpenLevels(), 2);
  EXPECT_EQ(GetOpenMenuHotItem(1), -1) << "nothing lit until the pointer comes";
  RECT outer, inner, item;
  GetWindowRect(GetOpenMenuWindow(0), &outer);
  GetWindowRect(GetOpenMenuWindow(1), &inner);
  GetOpenMenuItemRect(0, &item);
  EXPECT_LT(inner.left, outer.right);
  EXPECT_GT(inner.left, outer.right - 8) << "overlapping the frame only";
  EXPECT_EQ(inner.top - outer.top, item.top - 3) << "its first item level with the opener";

  Move(ItemCentre(2));  // Refresh
  EXPECT_EQ(OpenLevels(), 1);
  Move(ItemCentre(0));
  Move(ItemCentre(2, 1));  // Details
  ASSERT_EQ(OpenLevels(), 3);
  Move(ItemCentre(1, 1));  // back to Small: Details' submenu goes
  EXPECT_EQ(OpenLevels(), 2);
  EXPECT_EQ(GetOpenMenuHotItem(0), 0) << "the opener stays lit";
  InjectClick(TInputButton::Left, ItemCentre(1, 1));
  Pump();
  EXPECT_EQ(clicks_, std::vector<String>{"&Small"});
  EXPECT_EQ(OpenLevels(), 0);

  // A click on the opener itself keeps the menu open.
  menu->Popup(120, 120);
  InjectClick(TInputButton::Left, ItemCentre(0));
  Pump();
  EXPECT_EQ(OpenLevels(), 2);
  EXPECT_EQ(clicks_.size(), 1u);
}

TEST_F(SubmenuTest, ASubmenuWithoutRoomOnTheRightOpensOnTheLeft) {
  ShownForm();
  TPopupMenu* menu = Menu();
  const int screenW = GetSystemMetrics(SM_CXSCREEN);
  menu->Popup(screenW - 100, 100);
  InjectKey('V');
  Pump();
  ASSERT_EQ(OpenLevels(), 2);
  RECT outer, inner;
  GetWindowRect(GetOpenMenuWindow(0), &outer);
  GetWindowRect(GetOpenMenuWindow(1), &inner);
  EXPECT_LE(inner.right, outer.left + 8);
  EXPECT_LE(inner.right, screenW);
}

TEST_F(SubmenuTest, TheWindowLayerFreesSubmenusWithTheirMenuAndRefusesLoops) {
  HMENU menu = CreatePopupMenu();
  HMENU sub = CreatePopupMenu();
  AppendMenu(sub, MF_STRING, 7, "&Seven");
  EXPECT_FALSE(AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), "Itself"));
  ASSERT_TRUE(AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "&More"));
  EXPECT_EQ(GetMenuItemID(menu, 0), static_cast<UINT>(-1));
  // By command the submenu's items are found from the outer menu.
  EXPECT_EQ(GetMenuItemText(menu, 7, MF_BYCOMMAND), "&Seven");
  EXPECT_EQ(EnableMenuItem(menu, 7, MF_GRAYED), MF_ENABLED);
  EXPECT_EQ(GetMenuState(sub, 7, MF_BYCOMMAND) & MF_GRAYED, MF_GRAYED);
  DestroyMenu(menu);
  EXPECT_FALSE(IsMenu(sub));
}

TEST_F(SubmenuTest, TheOpenerShowsAnArrowAndStaysLit) {
  ShownForm();
  TPopupMenu* menu = Menu();
  menu->Popup(50, 50);
  InjectKey('V');
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(GetOpenMenuWindow(0)),
                               "../../controls/reference/submenu.png", 8, 20));
}

}  // namespace
