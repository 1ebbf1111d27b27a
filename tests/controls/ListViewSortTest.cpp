// Sorting a list view's items and finding one: the window's order, the
// Items list and the selection stay in step.
#include <gtest/gtest.h>

#include <string>

#include "platform/controls/ListView.h"
#include "platform/rtl/StringUtils.h"
#include "platform/win/ListView.h"
#include "tests/controls/ControlTestSupport.h"

namespace {

class ListViewSortTest : public ControlTest {
 protected:
  ListViewSortTest() {
    TCustomForm* form = ShownForm();
    list_ = new TListView(owner_.get());
    list_->SetParent(form);
    list_->SetBounds(0, 0, 300, 200);
    list_->SetViewStyle(vsReport);
    list_->SetMultiSelect(true);
    list_->Columns()->Add()->SetCaption("Name");
    list_->Columns()->Add()->SetCaption("Size");
  }
  void Fill(std::initializer_list<std::pair<const char*, int>> rows) {
    for (const auto& [caption, size] : rows) {
      TListItem* item = list_->Items()->Add();
      item->SetCaption(caption);
      item->SubItems()->Add(std::to_string(size));
    }
  }
  // The captions in Items' order, checked against each item's Index and
  // against what the window shows at that place.
  std::vector<String> Captions() const {
    std::vector<String> out;
    char buffer[64];
    for (Integer i = 0; i < list_->Items()->Count(); ++i) {
      TListItem* item = list_->Items()->Item(i);
      EXPECT_EQ(item->Index(), i);
      LVITEMA lv;
      lv.iSubItem = 0;
      lv.pszText = buffer;
      lv.cchTextMax = sizeof buffer;
      SendMessage(list_->WindowHandle(), LVM_GETITEMTEXTA, static_cast<WPARAM>(i),
                  reinterpret_cast<LPARAM>(&lv));
      EXPECT_EQ(String(buffer), item->Caption()) << "window and Items differ at " << i;
      out.push_back(item->Caption());
    }
    return out;
  }

  TListView* list_;
};

using Texts = std::vector<String>;

TEST_F(ListViewSortTest, AlphaSortOrdersCaptionsIgnoringCaseAndKeepsTheSelection) {
  Fill({{"delta", 4}, {"Alpha", 1}, {"charlie", 3}, {"alpha", 9}, {"Bravo", 2}});
  TListItem* charlie = list_->Items()->Item(2);
  charlie->SetSelected(true);
  charlie->SetFocused(true);
  ASSERT_TRUE(list_->AlphaSort());
  // The two alphas are equal ignoring case: they keep their order.
  EXPECT_EQ(Captions(), (Texts{"Alpha", "alpha", "Bravo", "charlie", "delta"}));
  EXPECT_EQ(list_->Selected(), charlie);
  EXPECT_EQ(list_->ItemFocused(), charlie);
  EXPECT_EQ(list_->SelCount(), 1);
}

TEST_F(ListViewSortTest, OnCompareAndCustomSortChooseTheOrder) {
  Fill({{"b", 20}, {"a", 300}, {"c", 1}});
  list_->OnCompare = [](TObject*, TListItem* x, TListItem* y, Integer data, Integer& compare) {
    const int a = std::stoi(x->SubItems()->Strings(0)), b = std::stoi(y->SubItems()->Strings(0));
    compare = data * (a < b ? -1 : a > b ? 1 : 0);
  };
  ASSERT_TRUE(list_->CustomSort(nullptr, -1));  // by size, largest first
  EXPECT_EQ(Captions(), (Texts{"a", "b", "c"}));
  ASSERT_TRUE(list_->CustomSort(
      [](LPARAM x, LPARAM y, LPARAM) {
        return -AnsiCompareText(reinterpret_cast<TListItem*>(x)->Caption(),
                                reinterpret_cast<TListItem*>(y)->Caption());
      },
      0));
  EXPECT_EQ(Captions(), (Texts{"c", "b", "a"}));
}

TEST_F(ListViewSortTest, AComparisonThatIsNoOrderLosesNoItem) {
  std::initializer_list<std::pair<const char*, int>> rows = {
      {"a", 0}, {"b", 0}, {"c", 0}, {"d", 0}, {"e", 0}, {"f", 0}, {"g", 0}, {"h", 0}, {"i", 0},
      {"j", 0}, {"k", 0}, {"l", 0}, {"m", 0}, {"n", 0}, {"o", 0}, {"p", 0}, {"q", 0}};
  Fill(rows);
  for (int answer : {-1, 1}) {
    ASSERT_TRUE(
        list_->CustomSort([](LPARAM, LPARAM, LPARAM a) { return static_cast<int>(a); }, answer));
    Texts captions = Captions();
    std::sort(captions.begin(), captions.end());
    EXPECT_EQ(captions.size(), rows.size());
    EXPECT_EQ(std::unique(captions.begin(), captions.end()), captions.end()) << "each item once";
  }
}

TEST_F(ListViewSortTest, AComparisonThatChangesTheListLeavesItsOrder) {
  Fill({{"b", 0}, {"a", 0}, {"c", 0}});
  static HWND window;
  window = list_->WindowHandle();
  const BOOL sorted = static_cast<BOOL>(
      SendMessage(window, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(+[](LPARAM, LPARAM, LPARAM) {
                    LVITEMA lv;
                    lv.mask = LVIF_TEXT;
                    lv.iItem = 99;
                    lv.pszText = const_cast<LPSTR>("new");
                    SendMessage(window, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lv));
                    return -1;
                  })));
  EXPECT_FALSE(sorted);
  char buffer[16];
  LVITEMA lv;
  lv.pszText = buffer;
  lv.cchTextMax = sizeof buffer;
  SendMessage(window, LVM_GETITEMTEXTA, 0, reinterpret_cast<LPARAM>(&lv));
  EXPECT_STREQ(buffer, "b");
}

TEST_F(ListViewSortTest, FindCaptionLooksAfterTheStartAndWrapsWhenAsked) {
  Fill({{"Abbey Road", 0}, {"Help!", 0}, {"abbey road", 0}, {"Revolver", 0}});
  const struct {
    Integer start;
    const char* value;
    bool partial, inclusive, wrap;
    Integer found;  // -1: none
  } cases[] = {
      {-1, "ABBEY ROAD", false, false, false, 0},  // case ignored
      {0, "abbey road", false, false, false, 2},   // after the start
      {0, "abbey road", false, true, false, 0},    // from the start
      {2, "Abbey", true, false, false, -1},        // nothing after, no wrap
      {2, "Abbey", true, false, true, 0},          // round from the top
      {-1, "Rev", false, false, false, -1},        // whole captions only
      {-1, "rev", true, false, false, 3},
      {-1, "", true, false, false, 0},  // an empty prefix fits the first
      {3, "Help!", false, false, true, 1},
      {7, "Help!", false, false, true, -1},  // a start past the end finds nothing
  };
  for (const auto& c : cases) {
    TListItem* found = list_->FindCaption(c.start, c.value, c.partial, c.inclusive, c.wrap);
    EXPECT_EQ(found ? found->Index() : -1, c.found) << c.start << " " << c.value;
  }
  int tag = 0;
  list_->Items()->Item(3)->SetData(&tag);
  EXPECT_EQ(list_->FindData(-1, &tag, false, false), list_->Items()->Item(3));
  EXPECT_EQ(list_->FindData(3, &tag, false, false), nullptr);
  EXPECT_EQ(list_->FindData(3, &tag, false, true), list_->Items()->Item(3));
}

}  // namespace
