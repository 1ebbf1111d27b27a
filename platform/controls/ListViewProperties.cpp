// platform/controls/ListViewProperties.cpp
//
// The published properties of the list view and its columns, as stored
// form definitions and the form storage read and write them.
#include <mutex>

#include "platform/controls/ListView.h"
#include "platform/rtl/PropertyRegistry.h"

void DeclareListViewProperties() {
  static std::once_flag declared;
  std::call_once(declared, [] {
    using T = TCustomListView;
    TPublishedClass<T, TWinControl>()
        .AddBoolean("Checkboxes", &T::Checkboxes, &T::SetCheckboxes)
        .AddObject("Columns", &T::Columns)
        .AddBoolean("ColumnClick", &T::ColumnClick, &T::SetColumnClick, true)
        .AddBoolean("FlatScrollBars", &T::FlatScrollBars, &T::SetFlatScrollBars)
        .AddBoolean("GridLines", &T::GridLines, &T::SetGridLines)
        .AddBoolean("HideSelection", &T::HideSelection, &T::SetHideSelection, true)
        .AddComponent("LargeImages", &T::LargeImages, &T::SetLargeImages)
        .AddBoolean("MultiSelect", &T::MultiSelect, &T::SetMultiSelect)
        .AddBoolean("ReadOnly", &T::ReadOnly, &T::SetReadOnly)
        .AddBoolean("RowSelect", &T::RowSelect, &T::SetRowSelect)
        .AddBoolean("ShowColumnHeaders", &T::ShowColumnHeaders, &T::SetShowColumnHeaders, true)
        .AddComponent("SmallImages", &T::SmallImages, &T::SetSmallImages)
        .AddEnum("ViewStyle", &T::ViewStyle, &T::SetViewStyle,
                 {"vsIcon", "vsSmallIcon", "vsList", "vsReport"}, vsIcon);
    TPublishedClass<TListColumn>()
        .AddEnum("Alignment", &TListColumn::Alignment, &TListColumn::SetAlignment,
                 {"taLeftJustify", "taRightJustify", "taCenter"}, taLeftJustify)
        .AddString("Caption", &TListColumn::Caption, &TListColumn::SetCaption)
        .AddInteger("Tag", &TListColumn::Tag, &TListColumn::SetTag, 0)
        .AddInteger("Width", &TListColumn::Width, &TListColumn::SetWidth, 50);
  });
}
