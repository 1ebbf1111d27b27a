#include "platform/controls/Menus.h"

#include "platform/controls/ActnList.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Menu.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "platform/win/WinStyles.h"
#include "tests/controls/ColourImages.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class MenuTest : public ControlTest {
 protected:
  TMenuItem* Item(TPopupMenu* menu, const char* caption, std::vector<String>* clicks = nullptr) {
    auto* item = new TMenuItem(owner_.get());
    item->SetCaption(caption);
    if (clicks) item->OnClick = [clicks, caption](TObject*) { clicks->push_back(caption); };
    menu->Items()->Add(item);
    return item;
  }
  // Titles / Small icons / - / Report (disabled) / Icon
  TPopupMenu* ViewMenu(std::vector<String>* clicks) {
    auto* menu = new TPopupMenu(owner_.get());
    for (const char* c : {"&Titles", "&Small icons", "-", "&Report", "&Icon"})
      Item(menu, c, clicks);
    menu->Items()->Items(3)->SetEnabled(false);
    return menu;
  }
  // The centre of an item of the open menu, on the screen.
  static POINT ItemCentre(int position) {
    RECT r;
    EXPECT_TRUE(GetOpenMenuItemRect(position, &r));
    POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ClientToScreen(GetOpenMenuWindow(), &p);
    return p;
  }
};

TEST_F(MenuTest, CheckingARadioItemUnchecksItsGroupOnly) {
  auto* menu = new TPopupMenu(owner_.get());
  struct {
    const char* caption;
    Byte group;
    bool radio;
  } specs[] = {{"a", 1, true}, {"b", 1, true}, {"c", 2, true}, {"d", 1, false}};
  std::vector<TMenuItem*> items;
  for (const auto& s : specs) {
    TMenuItem* item = Item(menu, s.caption);
    item->SetRadioItem(s.radio);
    item->SetGroupIndex(s.group);
    item->SetChecked(true);
    items.push_back(item);
  }
  // b took group 1 from a; c is alone in group 2; d is no radio item.
  const bool expected[] = {false, true, true, true};
  for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i]->Checked(), expected[i]) << i;
  items[0]->SetChecked(true);
  EXPECT_FALSE(items[1]->Checked());
  EXPECT_TRUE(items[2]->Checked());
  // Moving a checked radio item into another group makes it that group's choice.
  items[0]->SetGroupIndex(2);
  EXPECT_FALSE(items[2]->Checked());
  // An auto-checked radio item stays checked when clicked again.
  items[0]->SetAutoCheck(true);
  items[0]->Click();
  EXPECT_TRUE(items[0]->Checked());
}

TEST_F(MenuTest, PopupOpensABorderlessTopmostWindowAtThePoint) {
  ShownForm();
  std::vector<String> clicks;
  TPopupMenu* menu = ViewMenu(&clicks);
  bool popped = false;
  menu->OnPopup = [&](TObject*) { popped = true; };
  menu->Popup(150, 160);
  HWND w = GetOpenMenuWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(popped);
  EXPECT_TRUE(IsWindowVisible(w));
  EXPECT_EQ(GetParent(w), nullptr);
  EXPECT_TRUE(GetWindowLongPtr(w, GWL_EXSTYLE) & WS_EX_TOPMOST);
  EXPECT_FALSE(GetWindowLongPtr(w, GWL_STYLE) & (WS_CAPTION | WS_THICKFRAME));
  RECT r;
  GetWindowRect(w, &r);
  EXPECT_EQ(r.left, 150);
  EXPECT_EQ(r.top, 160);
  EXPECT_NE(GetActiveWindow(), w);
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  EXPECT_FALSE(IsWindow(w));
  EXPECT_TRUE(clicks.empty());
}

TEST_F(MenuTest, KeysMoveOverSeparatorsAndChoose) {
  ShownForm();
  const struct {
    std::vector<UINT> keys;
    std::vector<String> clicks;
  } cases[] = {
      {{VK_DOWN, VK_DOWN, VK_RETURN}, {"&Small icons"}},
      {{VK_DOWN, VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {"&Icon"}},  // past the separator
      {{VK_UP, VK_RETURN}, {"&Icon"}},                               // round from the top
      {{VK_END, VK_UP, VK_RETURN}, {}},                              // disabled: nothing
      {{'S'}, {"&Small icons"}},                                     // accelerator letter
      {{'R'}, {}},                                                   // a disabled one's too
  };
  for (const auto& c : cases) {
    std::vector<String> clicks;
    TPopupMenu* menu = ViewMenu(&clicks);
    menu->Popup(120, 120);
    for (UINT k : c.keys) InjectKey(k);
    Pump();
    EXPECT_EQ(clicks, c.clicks) << c.keys.size();
    if (!c.clicks.empty()) {
      EXPECT_EQ(GetOpenMenuWindow(), nullptr);
    }
    menu->CloseMenu();
  }
}

TEST_F(MenuTest, TheMouseHighlightsAndChooses) {
  TCustomForm* form = ShownForm();
  std::vector<String> clicks;
  TPopupMenu* menu = ViewMenu(&clicks);
  menu->Popup(120, 120);
  InjectMouseMove(ItemCentre(1));
  Pump();
  EXPECT_EQ(GetOpenMenuHotItem(), 1);
  InjectClick(TInputButton::Left, ItemCentre(4));
  Pump();
  EXPECT_EQ(clicks, std::vector<String>{"&Icon"});
  // A press outside closes the menu, and the window under it never sees it.
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  probe->SetBounds(300, 200, 50, 50);
  menu->Popup(120, 120);
  InjectClick(TInputButton::Left, At(probe, 10, 10));
  Pump();
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  EXPECT_EQ(probe->Count(WM_LBUTTONDOWN), 0u);
  EXPECT_EQ(clicks.size(), 1u);
}

TEST_F(MenuTest, ARightClickShowsTheControlsMenu) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  probe->SetBounds(10, 10, 100, 60);
  std::vector<String> clicks;
  TPopupMenu* menu = ViewMenu(&clicks);
  probe->SetPopupMenu(menu);
  InjectClick(TInputButton::Right, At(probe, 20, 30));
  Pump();
  ASSERT_NE(GetOpenMenuWindow(), nullptr);
  EXPECT_EQ(menu->PopupComponent(), probe);
  RECT r;
  GetWindowRect(GetOpenMenuWindow(), &r);
  EXPECT_EQ((POINT{r.left, r.top}), At(probe, 20, 30));
  menu->CloseMenu();
  // Without AutoPopup the click shows nothing; freeing the menu clears the link.
  menu->SetAutoPopup(false);
  InjectClick(TInputButton::Right, At(probe, 20, 30));
  Pump();
  EXPECT_EQ(GetOpenMenuWindow(), nullptr);
  delete menu;
  EXPECT_EQ(probe->PopupMenu(), nullptr);
}

TEST_F(MenuTest, TheContextMenuKeyShowsTheFocusedControlsMenu) {
  TCustomForm* form = ShownForm();
  auto* probe = new TProbe(owner_.get());
  probe->SetParent(form);
  probe->SetBounds(10, 10, 100, 60);
  TPopupMenu* menu = ViewMenu(nullptr);
  probe->SetPopupMenu(menu);
  for (const std::vector<UINT>& keys :
       {std::vector<UINT>{VK_APPS}, std::vector<UINT>{VK_SHIFT, VK_F10}}) {
    probe->SetFocus();
    for (UINT k : keys) InjectKeyDown(k);
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) InjectKeyUp(*k);
    Pump();
    ASSERT_NE(GetOpenMenuWindow(), nullptr) << keys.size();
    // Without a point, the menu opens at the control's centre.
    RECT r;
    GetWindowRect(GetOpenMenuWindow(), &r);
    EXPECT_EQ((POINT{r.left, r.top}), At(probe, 50, 30));
    menu->CloseMenu();
  }
}

TEST_F(MenuTest, AnItemFollowsItsAction) {
  ShownForm();
  auto* action = new TAction(owner_.get());
  action->SetCaption("&Delete");
  int runs = 0;
  action->OnExecute = [&](TObject*) { ++runs; };
  auto* menu = new TPopupMenu(owner_.get());
  TMenuItem* item = Item(menu, "");
  item->SetAction(action);
  EXPECT_EQ(item->Caption(), "&Delete");
  action->SetEnabled(false);
  EXPECT_FALSE(item->Enabled());
  action->SetEnabled(true);
  menu->Popup(100, 100);
  InjectKey('D');
  Pump();
  EXPECT_EQ(runs, 1);
}

// Stored settings write a radio item's Checked by name; the group follows.
TEST_F(MenuTest, PublishedPropertiesKeepTheRadioGroup) {
  DeclareMenuProperties();
  auto* menu = new TPopupMenu(owner_.get());
  TMenuItem* titles = Item(menu, "Titles");
  TMenuItem* report = Item(menu, "Report");
  for (TMenuItem* i : {titles, report}) {
    SetOrdProp(i, "RadioItem", 1);
    SetOrdProp(i, "GroupIndex", 1);
  }
  SetOrdProp(titles, "Checked", 1);
  SetOrdProp(report, "Checked", 1);
  EXPECT_EQ(GetOrdProp(titles, "Checked"), 0);
  EXPECT_EQ(GetOrdProp(report, "Checked"), 1);
  EXPECT_EQ(GetStrProp(report, "Caption"), "Report");
  EXPECT_EQ(GetOrdProp(menu, "AutoPopup"), 1);
}

TEST_F(MenuTest, ItemsAreKeptInOrderAndFreedWithTheirParent) {
  auto* menu = new TPopupMenu(owner_.get());
  TMenuItem* a = Item(menu, "a");
  TMenuItem* c = Item(menu, "c");
  auto* b = new TMenuItem(nullptr);
  b->SetCaption("b");
  menu->Items()->Insert(1, b);
  EXPECT_EQ(b->MenuIndex(), 1);
  EXPECT_EQ(c->MenuIndex(), 2);
  EXPECT_EQ(b->GetParentMenu(), menu);
  EXPECT_THROW(a->Add(a), EInvalidOperation);
  EXPECT_THROW(a->Add(b), EInvalidOperation);  // already in a menu
  menu->Items()->Delete(1);                    // frees b
  EXPECT_EQ(menu->Items()->Count(), 2);
  delete c;  // leaves its parent
  EXPECT_EQ(menu->Items()->Count(), 1);
  EXPECT_EQ(menu->Items()->Items(0), a);
  EXPECT_THROW(menu->Items()->Items(1), EListError);
}

TEST_F(MenuTest, ItemsShowImagesOfTheMenusListAndHiddenItemsNothing) {
  ShownForm();
  auto* menu = new TPopupMenu(owner_.get());
  menu->SetImages(ColourImages(owner_.get(), {clRed}));
  TMenuItem* hidden = Item(menu, "Hidden");
  hidden->SetVisible(false);
  TMenuItem* scan = Item(menu, "Scan");
  scan->SetImageIndex(0);
  menu->Popup(40, 40);
  EXPECT_EQ(GetMenuItemCount(menu->Handle()), 1);
  RECT r;
  ASSERT_TRUE(GetOpenMenuItemRect(0, &r));
  const TSurface shot = CaptureWindow(GetOpenMenuWindow());
  int red = 0;
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.left + 24; ++x) red += (shot.Row(y)[x] & 0xFFFFFF) == 0xFF0000;
  EXPECT_GT(red, 50);
  // A freed image list leaves the menu without images, not with a dangling list.
  delete menu->Images();
  EXPECT_EQ(menu->Images(), nullptr);
}

TEST_F(MenuTest, TheOpenMenuMatchesItsReferencePicture) {
  ShownForm();
  TPopupMenu* menu = ViewMenu(nullptr);
  menu->Items()->Items(1)->SetRadioItem(true);
  menu->Items()->Items(1)->SetChecked(true);
  menu->Items()->Items(4)->SetChecked(true);
  menu->Items()->Items(4)->SetCaption("&Icon\tCtrl+I");
  menu->Popup(50, 50);
  InjectMouseMove(ItemCentre(0));
  Pump();
  const TSurface shot = CaptureWindow(GetOpenMenuWindow());
  EXPECT_TRUE(MatchesReference(shot, std::string("../../controls/reference/popupmenu.png"), 8, 20));
}

}  // namespace
