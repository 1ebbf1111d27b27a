#include <gtest/gtest.h>

#include "platform/win/Edit.h"
#include "platform/win/ImageList.h"
#include "tests/win/ListViewTestSupport.h"

namespace {

TEST_F(ListViewTest, ItemsKeepTextSubitemsAndOrder) {
  HWND lv = List(LVS_REPORT);
  EXPECT_EQ(Add(lv, "b"), 0);
  EXPECT_EQ(Add(lv, "c"), 1);
  EXPECT_EQ(Add(lv, "a", 0, 0), 0);
  SetSub(lv, 2, 2, "two");
  EXPECT_EQ(SendMessage(lv, LVM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(Text(lv, 0), "a");
  EXPECT_EQ(Text(lv, 2), "c");
  EXPECT_EQ(Text(lv, 2, 2), "two");
  EXPECT_EQ(Text(lv, 2, 1), "");
  EXPECT_EQ(Of(LVN_INSERTITEM).size(), 3u);
  EXPECT_EQ(Of(LVN_INSERTITEM)[2].item, 0);

  EXPECT_TRUE(SendMessage(lv, LVM_DELETEITEM, 0, 0));
  EXPECT_EQ(Text(lv, 0), "b");
  ASSERT_EQ(Of(LVN_DELETEITEM).size(), 1u);
  EXPECT_FALSE(SendMessage(lv, LVM_DELETEITEM, 5, 0));
  notices.clear();
  SendMessage(lv, LVM_DELETEALLITEMS, 0, 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETITEMCOUNT, 0, 0), 0);
  EXPECT_EQ(Of(LVN_DELETEITEM).size(), 2u);
}

TEST_F(ListViewTest, StateChangesAreAskedToldAndMayBeRefused) {
  HWND lv = List(LVS_REPORT);
  for (const char* t : {"a", "b", "c"}) Add(lv, t);
  SetState(lv, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ASSERT_EQ(Of(LVN_ITEMCHANGED).size(), 1u);
  EXPECT_EQ(Of(LVN_ITEMCHANGED)[0].item, 1);
  EXPECT_EQ(Of(LVN_ITEMCHANGED)[0].oldState, 0u);
  EXPECT_EQ(Of(LVN_ITEMCHANGED)[0].newState, LVIS_SELECTED | LVIS_FOCUSED);
  EXPECT_EQ(Of(LVN_ITEMCHANGING).size(), 1u);

  // The focus belongs to one item only.
  SetState(lv, 2, LVIS_FOCUSED, LVIS_FOCUSED);
  EXPECT_EQ(State(lv, 1), LVIS_SELECTED);
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), 2);
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, -1, LVNI_SELECTED), 1);
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, 1, LVNI_SELECTED), -1);

  answer = [](const TNotice& n) -> std::optional<LRESULT> {
    if (n.code == LVN_ITEMCHANGING) return 1;
    return std::nullopt;
  };
  SetState(lv, 0, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(State(lv, 0), 0u);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 1);
  answer = nullptr;
  SetState(lv, -1, 0, LVIS_SELECTED);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 0);
}

TEST_F(ListViewTest, SingleSelectionDropsTheOldSelection) {
  HWND lv = List(LVS_REPORT | LVS_SINGLESEL);
  for (const char* t : {"a", "b"}) Add(lv, t);
  SetState(lv, 0, LVIS_SELECTED, LVIS_SELECTED);
  SetState(lv, 1, LVIS_SELECTED, LVIS_SELECTED);
  EXPECT_EQ(State(lv, 0), 0u);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ListViewTest, MouseSelectsTogglesExtendsAndNotifies) {
  HWND lv = List(LVS_REPORT);
  Column(lv, 0, "Name", 120);
  for (const char* t : {"a", "b", "c", "d"}) Add(lv, t);
  Pump();
  ClickItem(lv, 1);
  EXPECT_EQ(State(lv, 1), LVIS_SELECTED | LVIS_FOCUSED);
  ASSERT_EQ(Of(NM_CLICK).size(), 1u);
  EXPECT_EQ(Of(NM_CLICK)[0].item, 1);
  clock.Advance(1000);
  ClickItem(lv, 3, VK_SHIFT);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 3);
  clock.Advance(1000);
  ClickItem(lv, 2, VK_CONTROL);
  EXPECT_EQ(State(lv, 2), LVIS_FOCUSED);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 2);
  // A click on nothing clears the selection.
  clock.Advance(1000);
  InjectClick(TInputButton::Left, Screen(lv, POINT{100, 180}));
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 0);

  clock.Advance(1000);
  notices.clear();
  ClickItem(lv, 0);
  ClickItem(lv, 0);
  ASSERT_EQ(Of(NM_DBLCLK).size(), 1u);
  EXPECT_EQ(Of(NM_DBLCLK)[0].item, 0);
  EXPECT_EQ(Of(LVN_ITEMACTIVATE).size(), 1u);
  EXPECT_EQ(Of(NM_CLICK).size(), 1u);

  clock.Advance(1000);
  InjectClick(TInputButton::Right, Screen(lv, Centre(ItemRect(lv, 2, LVIR_LABEL))));
  Pump();
  ASSERT_EQ(Of(NM_RCLICK).size(), 1u);
  EXPECT_EQ(Of(NM_RCLICK)[0].item, 2);
  EXPECT_EQ(State(lv, 2), LVIS_SELECTED | LVIS_FOCUSED);
}

TEST_F(ListViewTest, KeysMoveTheFocusAndScrollItIntoView) {
  HWND lv = List(LVS_REPORT, 300, 120);
  Column(lv, 0, "Name", 120);
  for (int i = 0; i < 50; ++i) Add(lv, ("item " + std::to_string(i)).c_str());
  SetFocus(lv);
  Pump();
  InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), 0);
  InjectKey(VK_DOWN);
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, -1, LVNI_SELECTED), 1);
  ASSERT_FALSE(Of(LVN_KEYDOWN).empty());
  EXPECT_EQ(Of(LVN_KEYDOWN)[0].key, VK_DOWN);
  InjectKey(VK_END);
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETNEXTITEM, -1, LVNI_FOCUSED), 49);
  const int top = static_cast<int>(SendMessage(lv, LVM_GETTOPINDEX, 0, 0));
  const int page = static_cast<int>(SendMessage(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_EQ(top + page - 1, 49);
  InjectKeyDown(VK_SHIFT);
  InjectKey(VK_UP);
  InjectKey(VK_UP);
  InjectKeyUp(VK_SHIFT);
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 3);
  InjectKey(VK_HOME);
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 1);
}

TEST_F(ListViewTest, EveryStyleHitsTheItemAtItsOwnRectangle) {
  HIMAGELIST small = ImageList_Create(16, 16, ILC_COLOR32, 1, 1);
  HIMAGELIST large = ImageList_Create(32, 32, ILC_COLOR32, 1, 1);
  for (DWORD style : {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT}) {
    SCOPED_TRACE(style);
    HWND lv = List(style | LVS_SHAREIMAGELISTS);
    SendMessage(lv, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(small));
    SendMessage(lv, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(large));
    Column(lv, 0, "Name", 100);
    for (int i = 0; i < 40; ++i) Add(lv, ("n" + std::to_string(i)).c_str());
    for (int i : {0, 1, 5}) {
      for (int part : {LVIR_ICON, LVIR_LABEL}) {
        LVHITTESTINFO info;
        info.pt = Centre(ItemRect(lv, i, part));
        EXPECT_EQ(SendMessage(lv, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), i);
        EXPECT_EQ(info.flags, part == LVIR_ICON ? LVHT_ONITEMICON : LVHT_ONITEMLABEL);
      }
    }
    // Neighbouring items do not overlap.
    RECT a = ItemRect(lv, 0), b = ItemRect(lv, 1), both;
    EXPECT_FALSE(IntersectRect(&both, &a, &b));
    DestroyWindow(lv);
  }
  // The lists were shared: they outlive the windows.
  EXPECT_EQ(ImageList_GetImageCount(small), 0);
  ImageList_Destroy(small);
  ImageList_Destroy(large);
}

TEST_F(ListViewTest, ListStyleFillsColumnsTopToBottomAndScrollsSideways) {
  HWND lv = List(LVS_LIST, 300, 100);
  for (int i = 0; i < 60; ++i) Add(lv, "x");
  const RECT first = ItemRect(lv, 0), second = ItemRect(lv, 1);
  EXPECT_EQ(first.left, second.left);
  EXPECT_GT(second.top, first.top);
  SendMessage(lv, WM_HSCROLL, SB_LINERIGHT, 0);
  const RECT moved = ItemRect(lv, 0);
  EXPECT_LT(moved.left, first.left);
  EXPECT_GT(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListViewTest, ScrollMessagesBarsAndTheWheelMoveTheReport) {
  HWND lv = List(LVS_REPORT, 300, 150);
  Column(lv, 0, "Name", 100);
  for (int i = 0; i < 100; ++i) Add(lv, "row");
  Pump();
  SendMessage(lv, WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 1);
  const int page = static_cast<int>(SendMessage(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  SendMessage(lv, WM_VSCROLL, SB_PAGEDOWN, 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 1 + page);
  SendMessage(lv, WM_VSCROLL, SB_BOTTOM, 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 100 - page);
  SendMessage(lv, WM_VSCROLL, SB_TOP, 0);
  SetFocus(lv);
  InjectWheel(-120, Screen(lv, POINT{50, 60}));
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 3);
  // The down arrow at the bottom of the bar, drawn inside the window.
  RECT client;
  GetClientRect(lv, &client);
  InjectClick(TInputButton::Left, Screen(lv, POINT{client.right - 8, client.bottom - 8}));
  Pump();
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 4);
  // An item scrolled out of view hits nothing at its place.
  LVHITTESTINFO info;
  info.pt = Centre(ItemRect(lv, 0));
  EXPECT_EQ(SendMessage(lv, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info)), -1);
  SendMessage(lv, LVM_ENSUREVISIBLE, 0, FALSE);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 0);
}

TEST_F(ListViewTest, DraggingTheThumbScrollsAsItGoes) {
  HWND lv = List(LVS_REPORT, 300, 150);
  Column(lv, 0, "Name", 100);
  for (int i = 0; i < 100; ++i) Add(lv, "row");
  Pump();
  RECT client;
  GetClientRect(lv, &client);
  RECT header;
  GetWindowRect(reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0)), &header);
  const int barTop = header.bottom - header.top;
  // The thumb starts just below the up arrow; drag it to the bottom.
  const POINT grab{client.right - 8, barTop + 16 + 2};
  InjectMouseMove(Screen(lv, grab));
  InjectButtonDown(TInputButton::Left, Screen(lv, grab));
  InjectMouseMove(Screen(lv, POINT{grab.x, (client.bottom + barTop) / 2}));
  Pump();
  const LRESULT halfway = SendMessage(lv, LVM_GETTOPINDEX, 0, 0);
  EXPECT_GT(halfway, 20);
  EXPECT_LT(halfway, 80);
  InjectMouseMove(Screen(lv, POINT{grab.x, client.bottom + 50}));
  InjectButtonUp(TInputButton::Left, Screen(lv, POINT{grab.x, client.bottom + 50}));
  Pump();
  const int page = static_cast<int>(SendMessage(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 100 - page);
  EXPECT_EQ(SendMessage(lv, LVM_GETSELECTEDCOUNT, 0, 0), 0) << "a press on the bar selects nothing";
}

TEST_F(ListViewTest, AWideReportScrollsSidewaysWithItsHeader) {
  HWND lv = List(LVS_REPORT, 200, 150);
  Column(lv, 0, "Name", 150);
  Column(lv, 1, "Size", 150);
  Add(lv, "a");
  HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
  const RECT before = ItemRect(lv, 0);
  SendMessage(lv, WM_HSCROLL, SB_PAGERIGHT, 0);
  const RECT after = ItemRect(lv, 0);
  EXPECT_LT(after.left, before.left);
  RECT placed;
  GetWindowRect(header, &placed);
  RECT list;
  GetWindowRect(lv, &list);
  EXPECT_EQ(placed.left - list.left, after.left - before.left)
      << "the header's items stay above their columns";
  SendMessage(lv, WM_HSCROLL, SB_LEFT, 0);
  EXPECT_EQ(ItemRect(lv, 0).left, before.left);
}

TEST_F(ListViewTest, EnsureVisibleAcceptsAPartlyShownItemOnlyWhenAsked) {
  HWND lv = List(LVS_REPORT, 300, 100);
  Column(lv, 0, "Name", 100);
  for (int i = 0; i < 30; ++i) Add(lv, "row");
  const int page = static_cast<int>(SendMessage(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  RECT client;
  GetClientRect(lv, &client);
  ASSERT_LT(ItemRect(lv, page).top, client.bottom) << "the next row must show in part";
  SendMessage(lv, LVM_ENSUREVISIBLE, page, TRUE);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 0);
  SendMessage(lv, LVM_ENSUREVISIBLE, page, FALSE);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 1);
}

TEST_F(ListViewTest, ColumnsAutoSizeToTheirTextAndToTheirCaption) {
  HWND lv = List(LVS_REPORT, 400, 200);
  Column(lv, 0, "Name", 40);
  Column(lv, 1, "A rather long caption", 40);
  Column(lv, 2, "Last", 40);
  Add(lv, "short");
  Add(lv, "a much longer name");
  SetSub(lv, 0, 1, "1");
  SetSub(lv, 1, 2, "x");
  auto width = [&](const char* s) {
    return static_cast<int>(SendMessage(lv, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(s)));
  };
  SendMessage(lv, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
  EXPECT_GE(ColumnWidth(lv, 0), width("a much longer name"));
  EXPECT_LT(ColumnWidth(lv, 0), width("a much longer name") + 20);
  SendMessage(lv, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
  EXPECT_LT(ColumnWidth(lv, 1), width("A rather long caption"));
  SendMessage(lv, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE_USEHEADER);
  EXPECT_GE(ColumnWidth(lv, 1), width("A rather long caption"));
  // The last column with its caption's width fills what is left of the view.
  SendMessage(lv, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
  RECT client;
  GetClientRect(lv, &client);
  EXPECT_EQ(ColumnWidth(lv, 0) + ColumnWidth(lv, 1) + ColumnWidth(lv, 2), client.right);
  // The header follows the columns.
  HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
  HDITEMA hdi;
  hdi.mask = HDI_WIDTH;
  SendMessage(header, HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&hdi));
  EXPECT_EQ(hdi.cxy, ColumnWidth(lv, 1));
}

TEST_F(ListViewTest, ColumnsAreReadBackAsSet) {
  HWND lv = List(LVS_REPORT);
  Column(lv, 0, "Name", 80);
  Column(lv, 1, "Size", 60, LVCFMT_RIGHT);
  char buf[32] = {};
  LVCOLUMNA c;
  c.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT | LVCF_SUBITEM;
  c.pszText = buf;
  c.cchTextMax = sizeof buf;
  ASSERT_TRUE(SendMessage(lv, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&c)));
  EXPECT_STREQ(buf, "Size");
  EXPECT_EQ(c.cx, 60);
  EXPECT_EQ(c.fmt, LVCFMT_RIGHT);
  EXPECT_EQ(c.iSubItem, 1);
  LVCOLUMNA change;
  change.mask = LVCF_TEXT;
  change.pszText = const_cast<LPSTR>("Bytes");
  SendMessage(lv, LVM_SETCOLUMNA, 1, reinterpret_cast<LPARAM>(&change));
  SendMessage(lv, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&c));
  EXPECT_STREQ(buf, "Bytes");
  EXPECT_FALSE(SendMessage(lv, LVM_GETCOLUMNA, 2, reinterpret_cast<LPARAM>(&c)));
}

TEST_F(ListViewTest, AHeaderClickBecomesAColumnClickUnlessTheHeaderDoesNotSort) {
  for (DWORD extra : {0u, LVS_NOSORTHEADER}) {
    notices.clear();
    HWND lv = List(LVS_REPORT | extra);
    Column(lv, 0, "Name", 80);
    Column(lv, 1, "Size", 60);
    Pump();
    HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
    RECT r;
    SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
    InjectClick(TInputButton::Left, Screen(header, Centre(r)));
    Pump();
    if (extra) {
      EXPECT_TRUE(Of(LVN_COLUMNCLICK).empty());
    } else {
      ASSERT_EQ(Of(LVN_COLUMNCLICK).size(), 1u);
      EXPECT_EQ(Of(LVN_COLUMNCLICK)[0].subItem, 1);
    }
    DestroyWindow(lv);
    clock.Advance(1000);
  }
}

TEST_F(ListViewTest, DraggingADividerResizesTheColumn) {
  HWND lv = List(LVS_REPORT);
  Column(lv, 0, "Name", 80);
  Column(lv, 1, "Size", 60);
  Add(lv, "a");
  Pump();
  HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
  InjectMouseMove(Screen(header, POINT{80, 5}));
  InjectButtonDown(TInputButton::Left, Screen(header, POINT{80, 5}));
  InjectMouseMove(Screen(header, POINT{130, 5}));
  InjectButtonUp(TInputButton::Left, Screen(header, POINT{130, 5}));
  Pump();
  EXPECT_EQ(ColumnWidth(lv, 0), 130);
  // The columns to the right move with it.
  HDHITTESTINFO hit;
  hit.pt = POINT{150, 5};
  SendMessage(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  EXPECT_EQ(hit.iItem, 1);
  EXPECT_EQ(hit.flags, HHT_ONHEADER);
}

TEST_F(ListViewTest, ARefusedEditNeverOpensTheEditor) {
  HWND lv = List(LVS_REPORT | LVS_EDITLABELS);
  Column(lv, 0, "Name", 100);
  Add(lv, "old");
  answer = [](const TNotice& n) -> std::optional<LRESULT> {
    if (n.code == LVN_BEGINLABELEDITA) return 1;
    return std::nullopt;
  };
  EXPECT_EQ(SendMessage(lv, LVM_EDITLABELA, 0, 0), 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0), 0);
  // No editor child either, only the header.
  HWND header = reinterpret_cast<HWND>(SendMessage(lv, LVM_GETHEADER, 0, 0));
  EXPECT_EQ(GetWindow(lv, GW_CHILD), header);
  EXPECT_EQ(GetWindow(header, GW_HWNDNEXT), nullptr);
  EXPECT_TRUE(Of(LVN_ENDLABELEDITA).empty());
  // Nor does a second click on the focused caption, nor F2.
  ClickItem(lv, 0);
  clock.Advance(1000);
  ClickItem(lv, 0);
  clock.Advance(1000);
  Pump();
  InjectKey(0x71);
  Pump();
  EXPECT_EQ(GetWindow(header, GW_HWNDNEXT), nullptr);
  EXPECT_EQ(Of(LVN_BEGINLABELEDITA).size(), 3u);
}

TEST_F(ListViewTest, AnAcceptedEditEndsWithTheTypedTextOrNothingOnEscape) {
  HWND lv = List(LVS_REPORT | LVS_EDITLABELS);
  Column(lv, 0, "Name", 100);
  Add(lv, "old");
  answer = [](const TNotice& n) -> std::optional<LRESULT> {
    if (n.code == LVN_ENDLABELEDITA) return 1;
    return std::nullopt;
  };
  HWND edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_EDITLABELA, 0, 0));
  ASSERT_NE(edit, nullptr);
  EXPECT_EQ(GetFocus(), edit);
  EXPECT_EQ(GetWindowText(edit), "old");
  EXPECT_EQ(Of(LVN_BEGINLABELEDITA)[0].text, "old");
  for (char ch : std::string("new")) InjectChar(ch);
  InjectKey(VK_RETURN);
  Pump();
  ASSERT_EQ(Of(LVN_ENDLABELEDITA).size(), 1u);
  EXPECT_EQ(Of(LVN_ENDLABELEDITA)[0].text, "new");
  EXPECT_EQ(Text(lv, 0), "new");
  EXPECT_FALSE(IsWindow(edit));
  EXPECT_EQ(GetFocus(), lv);

  edit = reinterpret_cast<HWND>(SendMessage(lv, LVM_EDITLABELA, 0, 0));
  InjectChar('z');
  InjectKey(VK_ESCAPE);
  Pump();
  EXPECT_EQ(Of(LVN_ENDLABELEDITA).back().text, "<null>");
  EXPECT_EQ(Text(lv, 0), "new");
}

TEST_F(ListViewTest, ASecondClickOnTheFocusedCaptionEditsAfterTheDoubleClickTime) {
  HWND lv = List(LVS_REPORT | LVS_EDITLABELS);
  Column(lv, 0, "Name", 100);
  Add(lv, "old");
  ClickItem(lv, 0);
  clock.Advance(GetDoubleClickTime() + 10);
  ClickItem(lv, 0);
  EXPECT_EQ(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0), 0);
  clock.Advance(GetDoubleClickTime() + 10);
  Pump();
  EXPECT_NE(SendMessage(lv, LVM_GETEDITCONTROL, 0, 0), 0);
}

TEST_F(ListViewTest, AHundredThousandItemsPaintOnlyWhatIsInView) {
  HWND lv = List(LVS_REPORT, 300, 200);
  Column(lv, 0, "Name", 100);
  Column(lv, 1, "Size", 100);
  Pump();
  SendMessage(lv, WM_SETREDRAW, FALSE, 0);
  LVITEMA item;
  item.mask = LVIF_TEXT;
  item.pszText = LPSTR_TEXTCALLBACK;
  for (int i = 0; i < 100000; ++i) {
    item.iItem = i;
    SendMessage(lv, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    LVITEMA sub;
    sub.iSubItem = 1;
    sub.pszText = LPSTR_TEXTCALLBACK;
    SendMessage(lv, LVM_SETITEMTEXTA, i, reinterpret_cast<LPARAM>(&sub));
  }
  UpdateWindow(lv);
  EXPECT_EQ(dispInfoCount, 0) << "nothing is drawn while drawing is off";
  SendMessage(lv, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(lv);
  const int page = static_cast<int>(SendMessage(lv, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(dispInfoCount, 0);
  EXPECT_LE(dispInfoCount, (page + 1) * 2);
  EXPECT_EQ(Text(lv, 99999, 1), "Item 99999.1");
  // Scrolling to the end costs as little.
  dispInfoCount = 0;
  SendMessage(lv, WM_VSCROLL, SB_BOTTOM, 0);
  UpdateWindow(lv);
  EXPECT_LE(dispInfoCount, (page + 1) * 2);
  EXPECT_EQ(SendMessage(lv, LVM_GETTOPINDEX, 0, 0), 100000 - page);
}

TEST_F(ListViewTest, HeaderItemsAnswerTheirMessagesAndMayRefuseADrag) {
  HWND header = CreateWindowEx(0, WC_HEADER, "", WS_CHILD | WS_VISIBLE | HDS_BUTTONS, 0, 0, 300, 20,
                               top, nullptr, HInstance(), nullptr);
  HDITEMA hdi;
  hdi.mask = HDI_TEXT | HDI_WIDTH | HDI_LPARAM;
  hdi.pszText = const_cast<LPSTR>("One");
  hdi.cxy = 100;
  hdi.lParam = 42;
  EXPECT_EQ(SendMessage(header, HDM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&hdi)), 0);
  hdi.pszText = const_cast<LPSTR>("Two");
  EXPECT_EQ(SendMessage(header, HDM_INSERTITEMA, 5, reinterpret_cast<LPARAM>(&hdi)), 1);
  EXPECT_EQ(SendMessage(header, HDM_GETITEMCOUNT, 0, 0), 2);
  char buf[16] = {};
  HDITEMA out;
  out.mask = HDI_TEXT | HDI_LPARAM | HDI_ORDER;
  out.pszText = buf;
  out.cchTextMax = sizeof buf;
  SendMessage(header, HDM_GETITEMA, 1, reinterpret_cast<LPARAM>(&out));
  EXPECT_STREQ(buf, "Two");
  EXPECT_EQ(out.lParam, 42);
  EXPECT_EQ(out.iOrder, 1);
  RECT place{0, 0, 300, 200};
  WINDOWPOS pos;
  HDLAYOUT layout{&place, &pos};
  SendMessage(header, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&layout));
  EXPECT_GT(pos.cy, 0);
  EXPECT_EQ(place.top, pos.cy);
  HDHITTESTINFO hit;
  hit.pt = POINT{101, 5};
  SendMessage(header, HDM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
  EXPECT_EQ(hit.flags, HHT_ONDIVIDER);
  EXPECT_EQ(hit.iItem, 0);

  std::vector<UINT> codes;
  handler = [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m != WM_NOTIFY) return std::nullopt;
    const UINT code = reinterpret_cast<NMHDR*>(l)->code;
    codes.push_back(code);
    return code == HDN_BEGINTRACK ? 1 : 0;
  };
  InjectMouseMove(Screen(header, POINT{100, 5}));
  InjectButtonDown(TInputButton::Left, Screen(header, POINT{100, 5}));
  InjectMouseMove(Screen(header, POINT{140, 5}));
  InjectButtonUp(TInputButton::Left, Screen(header, POINT{140, 5}));
  Pump();
  RECT r;
  SendMessage(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.right, 100);
  EXPECT_EQ(codes, std::vector<UINT>{HDN_BEGINTRACK});
}

}  // namespace
