// Check boxes and grid lines of a list view.
#include <gtest/gtest.h>

#include "platform/controls/ListView.h"
#include "platform/win/ListView.h"
#include "platform/win/Paint.h"
#include "platform/win/VirtualKeys.h"
#include "tests/controls/ControlTestSupport.h"
#include "tests/win/DrawingTestSupport.h"

namespace {

class ListViewChecksTest : public ControlTest {
 protected:
  TListView* Report(TCustomForm* form, std::initializer_list<const char*> captions) {
    auto* list = new TListView(owner_.get());
    list->SetParent(form);
    list->SetBounds(0, 0, form->ClientWidth(), form->ClientHeight());
    list->SetViewStyle(vsReport);
    list->SetMultiSelect(true);
    for (const char* c : {"Name", "Size"}) {
      TListColumn* column = list->Columns()->Add();
      column->SetCaption(c);
      column->SetWidth(110);
    }
    for (const char* caption : captions) {
      TListItem* item = list->Items()->Add();
      item->SetCaption(caption);
      item->SubItems()->Add("12 KB");
    }
    return list;
  }
  // The middle of an item's check box, on the screen.
  static POINT Box(TListItem* item) {
    const RECT icon = item->DisplayRect(drIcon);
    return At(item->ListView(), icon.left - 8, (icon.top + icon.bottom) / 2);
  }
};

TEST_F(ListViewChecksTest, AClickOnTheBoxTogglesItAloneAndTellsTheProgram) {
  TListView* list = Report(ShownForm(), {"one", "two", "three"});
  list->SetCheckboxes(true);
  TListItem* two = list->Items()->Item(1);
  list->Items()->Item(0)->SetSelected(true);
  int changes = 0;
  list->OnChange = [&](TObject*, TListItem* item, TItemChange change) {
    if (item == two && change == ctState) ++changes;
  };
  EXPECT_FALSE(two->Checked());
  InjectClick(TInputButton::Left, Box(two));
  Pump();
  EXPECT_TRUE(two->Checked());
  EXPECT_EQ(changes, 1);
  EXPECT_FALSE(two->Selected()) << "the box leaves the selection alone";
  EXPECT_TRUE(list->Items()->Item(0)->Selected());
  InjectClick(TInputButton::Left, Box(two));
  Pump();
  EXPECT_FALSE(two->Checked());
  // A click on the caption selects, as without boxes.
  const RECT label = two->DisplayRect(drLabel);
  Click(list, label.left + 4, (label.top + label.bottom) / 2);
  EXPECT_TRUE(two->Selected());
  EXPECT_FALSE(two->Checked());
}

TEST_F(ListViewChecksTest, SpaceTogglesTheSelectedItemsTogether) {
  TListView* list = Report(ShownForm(), {"one", "two", "three"});
  list->SetCheckboxes(true);
  list->SetFocus();
  list->Items()->Item(0)->SetSelected(true);
  list->Items()->Item(2)->SetSelected(true);
  list->Items()->Item(2)->SetFocused(true);
  list->Items()->Item(0)->SetChecked(true);
  InjectKey(VK_SPACE);
  Pump();
  // All follow the focused item's new state.
  for (Integer i : {0, 2}) EXPECT_TRUE(list->Items()->Item(i)->Checked()) << i;
  EXPECT_FALSE(list->Items()->Item(1)->Checked());
  InjectKey(VK_SPACE);
  Pump();
  for (Integer i : {0, 1, 2}) EXPECT_FALSE(list->Items()->Item(i)->Checked()) << i;
}

TEST_F(ListViewChecksTest, ChecksOutliveTheWindowAndComeBeforeIt) {
  TCustomForm* form = ShownForm();
  auto* list = new TListView(owner_.get());
  list->SetCheckboxes(true);
  TListItem* item = list->Items()->Add();
  item->SetCaption("early");
  item->SetChecked(true);
  list->SetParent(form);  // the window comes now
  list->HandleNeeded();
  EXPECT_TRUE(item->Checked());
  EXPECT_EQ(SendMessage(list->WindowHandle(), LVM_GETITEMSTATE, 0, LVIS_STATEIMAGEMASK),
            static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(2)));
  // A new item has an unchecked box at once.
  TListItem* late = list->Items()->Add();
  EXPECT_EQ(SendMessage(list->WindowHandle(), LVM_GETITEMSTATE, 1, LVIS_STATEIMAGEMASK),
            static_cast<LRESULT>(INDEXTOSTATEIMAGEMASK(1)));
  EXPECT_FALSE(late->Checked());
  list->SetParent(nullptr);  // the window goes, the check stays
  EXPECT_TRUE(item->Checked());
}

TEST_F(ListViewChecksTest, GridLinesAndBoxesMatchTheirReferencePicture) {
  TCustomForm* form = BareForm(240, 100);
  TListView* list = Report(form, {"Abbey Road", "Help!", "Revolver"});
  list->SetGridLines(true);
  list->SetCheckboxes(true);
  list->Items()->Item(1)->SetChecked(true);
  Pump();
  EXPECT_TRUE(MatchesReference(CaptureWindow(form->WindowHandle()),
                               "../../controls/reference/listview-checks.png", 8, 20));
}

}  // namespace
