#include "platform/controls/PageControl.h"

#include "platform/controls/StdCtrls.h"
#include "platform/rtl/PropertyRegistry.h"
#include "platform/win/Paint.h"
#include "platform/win/TabControl.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ColourImages.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class PageControlTest : public ControlTest {
 protected:
  void SetUp() override {
    form_ = BareForm(240, 140);
    pc_ = new TPageControl(owner_.get());
    pc_->SetParent(form_);
    pc_->SetBounds(5, 5, 230, 130);
    for (const char* caption : {"Files", "Search", "Log"}) {
      auto* sheet = new TTabSheet(owner_.get());
      sheet->SetPageControl(pc_);
      sheet->SetCaption(caption);
      sheets_.push_back(sheet);
    }
    pc_->OnChange = [this](TObject*) { changes_.push_back(pc_->ActivePage()->Caption()); };
  }
  // The screen point in the middle of tab `i`.
  POINT Tab(int i) {
    RECT r;
    SendMessage(pc_->WindowHandle(), TCM_GETITEMRECT, static_cast<WPARAM>(i),
                reinterpret_cast<LPARAM>(&r));
    return At(pc_, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  TCustomForm* form_ = nullptr;
  TPageControl* pc_ = nullptr;
  std::vector<TTabSheet*> sheets_;
  std::vector<String> changes_;
};

TEST_F(PageControlTest, TheFirstPageIsActiveAndFillsTheDisplayArea) {
  HWND h = pc_->WindowHandle();
  EXPECT_EQ(SendMessage(h, TCM_GETITEMCOUNT, 0, 0), 3);
  EXPECT_EQ(pc_->ActivePage(), sheets_[0]);
  EXPECT_EQ(SendMessage(h, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(sheets_[0]->Visible());
  EXPECT_FALSE(sheets_[1]->Visible());
  RECT display{0, 0, pc_->Width(), pc_->Height()};
  SendMessage(h, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  EXPECT_EQ(sheets_[0]->BoundsRect(), display);
  // Back again with TRUE.
  SendMessage(h, TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&display));
  EXPECT_EQ(display, (RECT{0, 0, pc_->Width(), pc_->Height()}));
  char text[16] = {};
  TCITEMA item;
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessage(h, TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item));
  EXPECT_STREQ(text, "Search");
}

TEST_F(PageControlTest, ChoosingAPageInCodeTellsNobody) {
  pc_->SetActivePageIndex(2);
  EXPECT_EQ(pc_->ActivePage(), sheets_[2]);
  EXPECT_TRUE(sheets_[2]->Visible());
  EXPECT_FALSE(sheets_[0]->Visible());
  EXPECT_EQ(SendMessage(pc_->WindowHandle(), TCM_GETCURSEL, 0, 0), 2);
  pc_->SetActivePage(sheets_[1]);
  EXPECT_EQ(pc_->ActivePageIndex(), 1);
  EXPECT_TRUE(changes_.empty());
  // A sheet moved or freed keeps the tabs in step.
  sheets_[2]->SetPageIndex(0);
  EXPECT_EQ(pc_->ActivePageIndex(), 2);
  EXPECT_EQ(SendMessage(pc_->WindowHandle(), TCM_GETCURSEL, 0, 0), 2);
  delete sheets_[1];
  EXPECT_EQ(pc_->PageCount(), 2);
  EXPECT_NE(pc_->ActivePage(), nullptr);
  EXPECT_TRUE(pc_->ActivePage()->Visible());
  EXPECT_EQ(SendMessage(pc_->WindowHandle(), TCM_GETITEMCOUNT, 0, 0), 2);
}

TEST_F(PageControlTest, AClickOnATabAsksThenChanges) {
  std::vector<String> notes;
  bool allow = true;
  pc_->OnChanging = [&](TObject*, bool& ok) {
    notes.push_back("changing");
    ok = allow;
  };
  InjectClick(TInputButton::Left, Tab(1));
  Pump();
  EXPECT_EQ(pc_->ActivePage(), sheets_[1]);
  EXPECT_EQ(changes_, std::vector<String>{"Search"});
  allow = false;
  InjectClick(TInputButton::Left, Tab(2));
  Pump();
  EXPECT_EQ(pc_->ActivePage(), sheets_[1]);
  EXPECT_EQ(SendMessage(pc_->WindowHandle(), TCM_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(notes.size(), 2u);
  EXPECT_EQ(changes_.size(), 1u);
}

TEST_F(PageControlTest, ArrowKeysOnTheFocusedTabsChangeThePage) {
  pc_->SetFocus();
  const struct {
    UINT key;
    int page;
  } steps[] = {{VK_RIGHT, 1}, {VK_RIGHT, 2}, {VK_RIGHT, 2},
               {VK_HOME, 0},  {VK_LEFT, 0},  {VK_END, 2}};
  for (const auto& s : steps) {
    InjectKey(s.key);
    Pump();
    EXPECT_EQ(pc_->ActivePageIndex(), s.page) << s.key;
  }
  EXPECT_EQ(changes_, (std::vector<String>{"Search", "Log", "Files", "Log"}));
}

TEST_F(PageControlTest, CtrlTabTurnsThePagesFromAControlOnAPage) {
  auto* button = new TButton(owner_.get());
  button->SetParent(sheets_[0]);
  button->SetFocus();
  InjectKeyDown(VK_CONTROL);
  InjectKey(VK_TAB);
  Pump();
  EXPECT_EQ(pc_->ActivePageIndex(), 1);
  InjectKeyDown(VK_SHIFT);
  InjectKey(VK_TAB);
  InjectKey(VK_TAB);
  InjectKeyUp(VK_SHIFT);
  InjectKeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ(pc_->ActivePageIndex(), 2);  // back round past the first
  EXPECT_EQ(changes_, (std::vector<String>{"Search", "Files", "Log"}));
  // Outside the page control Ctrl+Tab turns nothing.
  auto* outside = new TButton(owner_.get());
  outside->SetParent(form_);
  outside->SetBounds(0, 0, 10, 10);
  outside->SetFocus();
  InjectKeyDown(VK_CONTROL);
  InjectKey(VK_TAB);
  InjectKeyUp(VK_CONTROL);
  Pump();
  EXPECT_EQ(pc_->ActivePageIndex(), 2);
}

TEST_F(PageControlTest, PagesHostControlsAndStorageReadsTheActivePage) {
  DeclarePageControlProperties();
  auto* button = new TButton(owner_.get());
  button->SetParent(sheets_[1]);
  button->SetBounds(4, 4, 60, 22);
  EXPECT_FALSE(IsWindowVisible(button->Handle()));
  SetObjectProp(pc_, "ActivePage", sheets_[1]);
  EXPECT_TRUE(IsWindowVisible(button->WindowHandle()));
  EXPECT_EQ(GetObjectProp(pc_, "ActivePage"), sheets_[1]);
  EXPECT_EQ(GetOrdProp(sheets_[2], "ImageIndex"), -1);
}

TEST_F(PageControlTest, TabsWithImagesMatchTheirReferencePicture) {
  TImageList* images = ColourImages(owner_.get(), {clRed, clGreen, clBlue});
  pc_->SetImages(images);
  for (int i = 0; i < 3; ++i) sheets_[static_cast<size_t>(i)]->SetImageIndex(i);
  sheets_[0]->SetColor(clWindow);
  pc_->SetActivePageIndex(1);
  pc_->SetFocus();
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form_->WindowHandle()),
                               "../../controls/reference/pagecontrol.png", 8, 20));
  // The taller tab row moved the pages down.
  RECT display{0, 0, pc_->Width(), pc_->Height()};
  SendMessage(pc_->WindowHandle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
  EXPECT_EQ(sheets_[1]->Top(), display.top);
}

TEST_F(PageControlTest, TabsThatDoNotFitScrollByTheirArrowsAndToTheSelection) {
  for (const char* caption : {"Pictures", "Music", "Films", "Archives", "Others"}) {
    auto* sheet = new TTabSheet(owner_.get());
    sheet->SetPageControl(pc_);
    sheet->SetCaption(caption);
    sheets_.push_back(sheet);
  }
  const HWND tabs = pc_->WindowHandle();
  auto rect = [&](int i) {
    RECT r;
    SendMessage(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    return r;
  };
  const int width = pc_->Width();
  ASSERT_GT(rect(7).right, width) << "the tabs must overflow for this test";
  const int firstLeft = rect(0).left;
  // The arrows sit at the right end of the tab row; a click there scrolls
  // and selects nothing.
  const RECT row = rect(0);
  const POINT forward = At(pc_, width - 8, row.bottom - 8);
  InjectClick(TInputButton::Left, forward);
  Pump();
  EXPECT_EQ(rect(1).left, firstLeft) << "the second tab is now first";
  EXPECT_EQ(pc_->ActivePageIndex(), 0);
  EXPECT_TRUE(changes_.empty());
  InjectClick(TInputButton::Left, At(pc_, width - 24, row.bottom - 8));
  Pump();
  EXPECT_EQ(rect(0).left, firstLeft);

  // A page chosen out of view is scrolled to, from either side.
  pc_->SetFocus();
  InjectKey(VK_END);
  Pump();
  EXPECT_EQ(pc_->ActivePageIndex(), 7);
  EXPECT_LE(rect(7).right, width - 32);
  EXPECT_GE(rect(7).left, 0);
  InjectKey(VK_HOME);
  Pump();
  EXPECT_EQ(rect(0).left, firstLeft);
  // A click on a tab in view after scrolling picks that tab.
  InjectClick(TInputButton::Left, forward);
  InjectClick(TInputButton::Left, forward);
  Pump();
  InjectClick(TInputButton::Left, Tab(3));
  Pump();
  EXPECT_EQ(pc_->ActivePageIndex(), 3);
}

TEST_F(PageControlTest, ScrolledTabsMatchTheirReferencePicture) {
  for (const char* caption : {"Pictures", "Music", "Films"}) {
    auto* sheet = new TTabSheet(owner_.get());
    sheet->SetPageControl(pc_);
    sheet->SetCaption(caption);
  }
  pc_->SetActivePageIndex(3);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form_->WindowHandle()),
                               "../../controls/reference/pagecontrol-scroll.png", 8, 20));
}

}  // namespace
