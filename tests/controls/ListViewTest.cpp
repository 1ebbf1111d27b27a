#include "platform/controls/ListView.h"

#include "platform/controls/Graphics.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Header.h"
#include "platform/win/ListView.h"
#include "platform/win/Metrics.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class ListViewTest : public ControlTest {
 protected:
  TListView* List(TWinControl* parent, TViewStyle style = vsReport) {
    auto* lv = new TListView(owner_.get());
    lv->SetViewStyle(style);
    lv->SetParent(parent);
    return lv;
  }
  static TListColumn* AddColumn(TListView* lv, const char* caption, Integer width) {
    TListColumn* c = lv->Columns()->Add();
    c->SetCaption(caption);
    c->SetWidth(width);
    return c;
  }
  static TListItem* AddItem(TListView* lv, const String& caption,
                            std::initializer_list<const char*> subs = {}, Integer image = -1) {
    TListItem* item = lv->Items()->Add();
    item->SetCaption(caption);
    for (const char* s : subs) item->SubItems()->Add(s);
    item->SetImageIndex(image);
    return item;
  }
  // A list of `size` pixel squares, each a coloured disc on a transparent ground.
  TImageList* Images(int size) {
    auto* list = new TImageList(owner_.get());
    list->SetWidth(size);
    list->SetHeight(size);
    const TColor colours[] = {static_cast<TColor>(0x0000C0), static_cast<TColor>(0x00A000),
                              static_cast<TColor>(0xC00000)};
    for (TColor colour : colours) {
      TBitmap bitmap;
      bitmap.SetSize(size, size);
      bitmap.Canvas()->Brush()->SetColor(clFuchsia);
      bitmap.Canvas()->FillRect(RECT{0, 0, size, size});
      bitmap.Canvas()->Brush()->SetColor(colour);
      bitmap.Canvas()->Pen()->SetColor(clBlack);
      bitmap.Canvas()->Ellipse(1, 1, size - 1, size - 1);
      list->AddMasked(&bitmap, clFuchsia);
    }
    return list;
  }
  static std::string Reference(const char* name) {
    return std::string("../../controls/reference/") + name;
  }
  // A form with a list of files in `style`, as the catalogue shows them.
  TListView* Catalogue(TCustomForm* form, TViewStyle style) {
    TListView* lv = List(form, style);
    lv->SetBounds(0, 0, form->ClientWidth(), form->ClientHeight());
    lv->SetSmallImages(Images(16));
    lv->SetLargeImages(Images(32));
    lv->SetRowSelect(true);
    lv->SetReadOnly(true);
    lv->SetFlatScrollBars(true);
    AddColumn(lv, "Name", ColumnTextWidth);
    AddColumn(lv, "Size", ColumnTextWidth)->SetAlignment(taRightJustify);
    AddColumn(lv, "Date created", ColumnHeaderWidth);
    lv->Items()->BeginUpdate();
    const char* names[] = {"Photos",    "readme.txt", "song.mp3",
                           "setup.exe", "notes.doc",  "a long file name.html"};
    const char* sizes[] = {"", "1024", "4718592", "65536", "2048", "12"};
    for (int i = 0; i < 6; ++i) AddItem(lv, names[i], {sizes[i], "2003-05-14 10:22:00"}, i % 3);
    lv->Items()->EndUpdate();
    lv->Items()->Item(1)->SetSelected(true);
    lv->Items()->Item(1)->SetFocused(true);
    return lv;
  }
};

TEST_F(ListViewTest, ItemsKeepTheirTextsAndTheWindowShowsThem) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  AddColumn(lv, "Name", 100);
  AddColumn(lv, "Size", 60);
  TListItem* a = AddItem(lv, "a.txt", {"12"});
  TListItem* b = AddItem(lv, "b.txt", {"34"});
  EXPECT_EQ(a->Index(), 0);
  EXPECT_EQ(b->Index(), 1);
  HWND h = lv->Handle();
  EXPECT_EQ(SendMessage(h, LVM_GETITEMCOUNT, 0, 0), 2);
  char buf[32] = {};
  LVITEMA item;
  item.iSubItem = 1;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  SendMessage(h, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(buf, "34");
  b->SubItems()->SetStrings(0, "56");
  SendMessage(h, LVM_GETITEMTEXTA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(buf, "56");
  // Inserting renumbers the items after it.
  TListItem* first = lv->Items()->Insert(0);
  EXPECT_EQ(first->Index(), 0);
  EXPECT_EQ(b->Index(), 2);
  a->Delete();
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(lv->Items()->Count(), 2);
  EXPECT_EQ(SendMessage(h, LVM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_THROW(lv->Items()->Item(2), EListError);
}

TEST_F(ListViewTest, DeletionIsToldForEveryItemWithOrWithoutAWindow) {
  TCustomForm* form = BareForm(300, 200);
  for (bool windowed : {false, true}) {
    SCOPED_TRACE(windowed);
    auto* lv = new TListView(owner_.get());
    if (windowed) lv->SetParent(form);
    std::vector<String> gone;
    lv->OnDeletion = [&](TObject*, TListItem* item) { gone.push_back(item->Caption()); };
    for (const char* n : {"a", "b", "c"}) AddItem(lv, n);
    lv->Items()->Item(1)->Delete();
    EXPECT_EQ(gone, std::vector<String>{"b"});
    EXPECT_EQ(lv->Items()->Item(1)->Caption(), "c");
    lv->Items()->Clear();
    EXPECT_EQ(gone, (std::vector<String>{"b", "a", "c"}));
    EXPECT_EQ(lv->Items()->Count(), 0);
    delete lv;
  }
}

TEST_F(ListViewTest, ItemsOutliveTheWindowWithTheirState) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  lv->SetMultiSelect(true);
  // Selected and focused before there is a window...
  auto* loose = new TListView(owner_.get());
  TListItem* early = loose->Items()->Add();
  early->SetSelected(true);
  EXPECT_EQ(loose->Selected(), early);
  loose->SetParent(form);
  EXPECT_TRUE(loose->HandleAllocated());
  EXPECT_EQ(SendMessage(loose->WindowHandle(), LVM_GETSELECTEDCOUNT, 0, 0), 1);
  // ...and kept when the window is made again.
  AddItem(lv, "x");
  TListItem* y = AddItem(lv, "y");
  y->SetSelected(true);
  y->SetFocused(true);
  lv->RecreateWnd();
  EXPECT_EQ(lv->Selected(), y);
  EXPECT_EQ(lv->ItemFocused(), y);
  EXPECT_EQ(lv->SelCount(), 1);
}

TEST_F(ListViewTest, SelectionReachesTheHandlersAndTheProperties) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  AddColumn(lv, "Name", 100);
  for (const char* n : {"a", "b", "c"}) AddItem(lv, n);
  std::vector<std::pair<Integer, bool>> selections;
  int changes = 0;
  lv->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
    selections.emplace_back(item->Index(), selected);
  };
  lv->OnChange = [&](TObject*, TListItem*, TItemChange change) { changes += change == ctState; };
  lv->SetSelected(lv->Items()->Item(1));
  lv->SetSelected(lv->Items()->Item(2));
  EXPECT_EQ(selections, (std::vector<std::pair<Integer, bool>>{{1, true}, {1, false}, {2, true}}));
  EXPECT_GE(changes, 3);
  EXPECT_EQ(lv->Selected(), lv->Items()->Item(2));
  lv->SetItemFocused(lv->Items()->Item(0));
  EXPECT_TRUE(lv->Items()->Item(0)->Focused());
  EXPECT_FALSE(lv->Items()->Item(2)->Focused());
  lv->SetSelected(nullptr);
  EXPECT_EQ(lv->Selected(), nullptr);
}

TEST_F(ListViewTest, AColumnClickReachesTheHandlerWithItsColumn) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  AddColumn(lv, "Name", 100);
  TListColumn* size = AddColumn(lv, "Size", 80);
  AddItem(lv, "a", {"1"});
  Pump();
  TListColumn* clicked = nullptr;
  lv->OnColumnClick = [&](TObject*, TListColumn* c) {
    clicked = c;
    c->SetTag(c->Tag() + 1);
  };
  HWND header = reinterpret_cast<HWND>(SendMessage(lv->Handle(), LVM_GETHEADER, 0, 0));
  RECT r;
  SendMessage(header, HDM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&r));
  POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
  ClientToScreen(header, &p);
  InjectClick(TInputButton::Left, p);
  Pump();
  EXPECT_EQ(clicked, size);
  EXPECT_EQ(size->Tag(), 1);
}

TEST_F(ListViewTest, EditingIsRefusedByReadOnlyOrTheHandlerWithoutAnEditor) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  AddColumn(lv, "Name", 100);
  TListItem* item = AddItem(lv, "old");
  bool asked = false;
  lv->OnEditing = [&](TObject*, TListItem*, bool& allow) {
    asked = true;
    allow = false;
  };
  EXPECT_FALSE(item->EditCaption());
  EXPECT_TRUE(asked);
  EXPECT_FALSE(lv->IsEditing());
  lv->OnEditing = nullptr;
  lv->SetReadOnly(true);
  EXPECT_FALSE(item->EditCaption());
  lv->SetReadOnly(false);
  String edited;
  lv->OnEdited = [&](TObject*, TListItem*, String& s) {
    edited = s;
    s = s + "!";
  };
  ASSERT_TRUE(item->EditCaption());
  EXPECT_TRUE(lv->IsEditing());
  for (char ch : std::string("new")) InjectChar(ch);
  InjectKey(VK_RETURN);
  Pump();
  EXPECT_EQ(edited, "new");
  EXPECT_EQ(item->Caption(), "new!");
  EXPECT_FALSE(lv->IsEditing());
}

TEST_F(ListViewTest, ADoubleClickOnAnItemFiresOnDblClick) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  AddColumn(lv, "Name", 100);
  TListItem* item = AddItem(lv, "a");
  int doubles = 0;
  lv->OnDblClick = [&](TObject*) { ++doubles; };
  Pump();
  const RECT r = item->DisplayRect(drLabel);
  Click(lv, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  Click(lv, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(lv->Selected(), item);
}

TEST_F(ListViewTest, AutoSizedColumnsAreMeasuredOncePerFill) {
  TCustomForm* form = BareForm(400, 200);
  TListView* lv = List(form);
  lv->SetBounds(0, 0, 400, 200);
  AddColumn(lv, "Name", ColumnTextWidth);
  TListColumn* last = AddColumn(lv, "Size", ColumnHeaderWidth);
  Pump();
  const Integer empty = lv->Column(0)->Width();
  HWND h = lv->Handle();
  lv->Items()->BeginUpdate();
  for (int i = 0; i < 200; ++i) AddItem(lv, i == 150 ? "the longest name of them all" : "n", {"1"});
  auto measure = [&] {
    const LRESULT before = SendMessage(h, LVM_GETCOLUMNWIDTH, 0, 0);
    return before;
  };
  EXPECT_EQ(measure(), empty) << "nothing is measured during the fill";
  lv->Items()->EndUpdate();
  const Integer filled = lv->Column(0)->Width();
  EXPECT_GT(filled, empty);
  EXPECT_GE(filled, static_cast<Integer>(
                        SendMessage(h, LVM_GETSTRINGWIDTHA, 0,
                                    reinterpret_cast<LPARAM>("the longest name of them all"))));
  // The last column takes what is left of the view, beside the scroll bar.
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(filled + last->Width(), client.right - GetSystemMetrics(SM_CXVSCROLL));
  // Without BeginUpdate the sizing waits for the next painting.
  AddItem(lv, "an even longer name than the longest one");
  EXPECT_EQ(lv->Column(0)->Width(), filled);
  lv->Update();
  EXPECT_GT(lv->Column(0)->Width(), filled);
}

TEST_F(ListViewTest, AHundredThousandItemsFillAndPaintWhatIsInView) {
  TCustomForm* form = BareForm(400, 300);
  TListView* lv = List(form);
  lv->SetBounds(0, 0, 400, 300);
  AddColumn(lv, "Name", ColumnTextWidth);
  AddColumn(lv, "Size", ColumnTextWidth);
  Pump();
  // Count the window's requests for texts: a painting asks only for what it draws.
  int requests = 0;
  HWND h = lv->Handle();
  WNDPROC parentProc = GetWindowProc(form->Handle());
  WNDPROC counter = MakeWndProc([&](HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == WM_NOTIFY && reinterpret_cast<NMHDR*>(lp)->code == LVN_GETDISPINFOA) ++requests;
    return CallWindowProc(parentProc, w, m, wp, lp);
  });
  SetWindowProc(form->Handle(), counter);
  int paints = 0;
  lv->Items()->BeginUpdate();
  for (int i = 0; i < 100000; ++i) AddItem(lv, "file" + std::to_string(i), {"1024"});
  RECT r;
  paints += GetUpdateRect(h, &r, FALSE) && IsRedrawEnabled(h) ? 1 : 0;
  UpdateWindow(h);
  EXPECT_EQ(paints, 0);
  EXPECT_EQ(requests, 0) << "no painting, no measuring during the fill";
  lv->Items()->EndUpdate();
  // The sizing of two columns reads every text once.
  EXPECT_EQ(requests, 2 * 100000);
  requests = 0;
  UpdateWindow(h);
  // Per row in view: its caption, its subitem and its image.
  const int page = static_cast<int>(SendMessage(h, LVM_GETCOUNTPERPAGE, 0, 0));
  EXPECT_GT(requests, 0);
  EXPECT_LE(requests, 3 * (page + 1));
  requests = 0;
  lv->Items()->Item(99999)->MakeVisible(false);
  UpdateWindow(h);
  EXPECT_EQ(lv->TopItem()->Index(), 100000 - page);
  EXPECT_LE(requests, 3 * (page + 1));
  lv->Items()->Clear();
  EXPECT_EQ(SendMessage(h, LVM_GETITEMCOUNT, 0, 0), 0);
  SetWindowProc(form->Handle(), parentProc);
  FreeWndProc(counter);
}

TEST_F(ListViewTest, MakeVisibleLeavesAPartlyShownItemWhenAllowed) {
  TCustomForm* form = BareForm(300, 100);
  TListView* lv = List(form);
  lv->SetBounds(0, 0, 300, 100);
  AddColumn(lv, "Name", 100);
  for (int i = 0; i < 40; ++i) AddItem(lv, "n");
  HWND h = lv->Handle();
  const int page = static_cast<int>(SendMessage(h, LVM_GETCOUNTPERPAGE, 0, 0));
  lv->Items()->Item(page)->MakeVisible(true);
  EXPECT_EQ(lv->TopItem()->Index(), 0);
  lv->Items()->Item(page)->MakeVisible(false);
  EXPECT_EQ(lv->TopItem()->Index(), 1);
}

TEST_F(ListViewTest, ImageListsAreSharedAndForgottenWhenFreed) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form);
  TImageList* small = Images(16);
  lv->SetSmallImages(small);
  HWND h = lv->Handle();
  EXPECT_EQ(SendMessage(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0),
            reinterpret_cast<LRESULT>(small->Handle()));
  EXPECT_TRUE(GetWindowLongPtr(h, GWL_STYLE) & LVS_SHAREIMAGELISTS);
  delete small;
  EXPECT_EQ(lv->SmallImages(), nullptr);
  EXPECT_EQ(SendMessage(h, LVM_GETIMAGELIST, LVSIL_SMALL, 0), 0);
}

TEST_F(ListViewTest, PropertiesReachTheWindowAndArePublished) {
  TCustomForm* form = BareForm(300, 200);
  TListView* lv = List(form, vsSmallIcon);
  HWND h = lv->Handle();
  struct {
    TViewStyle style;
    DWORD window;
  } styles[] = {
      {vsIcon, LVS_ICON}, {vsSmallIcon, LVS_SMALLICON}, {vsList, LVS_LIST}, {vsReport, LVS_REPORT}};
  for (const auto& s : styles) {
    lv->SetViewStyle(s.style);
    EXPECT_EQ(GetWindowLongPtr(h, GWL_STYLE) & LVS_TYPEMASK, static_cast<LONG_PTR>(s.window));
  }
  lv->SetRowSelect(true);
  lv->SetFlatScrollBars(true);
  EXPECT_EQ(SendMessage(h, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0),
            LVS_EX_FULLROWSELECT | LVS_EX_FLATSB);
  lv->SetReadOnly(true);
  EXPECT_FALSE(GetWindowLongPtr(h, GWL_STYLE) & LVS_EDITLABELS);
  // A column keeps its width in every style.
  AddColumn(lv, "Name", 70);
  AddColumn(lv, "Size", 40);
  lv->SetViewStyle(vsSmallIcon);
  EXPECT_EQ(lv->Column(1)->Width(), 40);
  lv->SetViewStyle(vsReport);

  DeclareListViewProperties();
  lv->SetName("ListView");
  const TPropInfo* style = GetPropInfo(lv, "ViewStyle");
  ASSERT_NE(style, nullptr);
  SetOrdProp(lv, style, vsList);
  EXPECT_EQ(lv->ViewStyle(), vsList);
  EXPECT_NE(GetPropInfo(lv, "RowSelect"), nullptr);
  EXPECT_NE(GetPropInfo(lv, "SmallImages"), nullptr);
  TListColumn* c = lv->Column(0);
  SetOrdProp(c, GetPropInfo(c, "Tag"), 2);
  EXPECT_EQ(c->Tag(), 2);
}

TEST_F(ListViewTest, EveryStyleMatchesItsReferencePicture) {
  struct {
    TViewStyle style;
    const char* reference;
  } cases[] = {{vsReport, "listview-report.png"},
               {vsIcon, "listview-icon.png"},
               {vsSmallIcon, "listview-smallicon.png"},
               {vsList, "listview-list.png"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reference);
    TCustomForm* form = BareForm(400, 140);
    TListView* lv = Catalogue(form, c.style);
    lv->SetFocus();
    Pump();
    EXPECT_TRUE(
        MatchesReference(CaptureWindow(form->WindowHandle()), Reference(c.reference), 8, 20));
    delete form;
  }
}

}  // namespace
