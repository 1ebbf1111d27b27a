// platform/controls/ListView.h
//
// TListView: the list view control of the class library. Items
// (TListItems / TListItem: Caption, SubItems, ImageIndex, Selected, Focused,
// Data) belong to the control and outlive its window; the window holds only
// their order and state and asks the items for their text and image when it
// draws them, so adding an item costs no copy of its text and painting
// costs what is in view. Columns (TListColumns / TListColumn: Caption,
// Width, Alignment, Tag) head the report style; a Width of ColumnTextWidth
// sizes a column to its widest text, ColumnHeaderWidth to that or its
// caption (the last column then also fills the view). Such a column is
// measured once after a change of the items, when the view is next drawn
// or the last Items.EndUpdate comes, never once per item.
//
// The image lists (LargeImages for vsIcon, SmallImages for the other
// styles) are shared, never owned: freeing one clears the reference.
//
// Items.BeginUpdate / EndUpdate switch the window's drawing off and on
// (WM_SETREDRAW): nothing is painted in between.
//
// Events: OnColumnClick (a header button), OnEditing (may refuse: a refused
// edit never shows the editor; ReadOnly refuses all), OnEdited, OnChange
// (an item's state, caption or image changed), OnSelectItem (selection
// gained or lost), OnDeletion, and OnClick / OnDblClick of every control.
//
// Threads: GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "platform/controls/ImageLists.h"
#include "platform/controls/Panel.h"
#include "platform/controls/StandardControl.h"
#include "platform/rtl/Collection.h"
#include "platform/rtl/StringList.h"
#include "platform/win/ListView.h"

class TCustomListView;
class TListItems;

enum TViewStyle { vsIcon, vsSmallIcon, vsList, vsReport };
enum TItemChange { ctText, ctImage, ctState };
enum TDisplayCode { drBounds, drIcon, drLabel, drSelectBounds };

// Column widths that ask for sizing to the content.
constexpr Integer ColumnTextWidth = -1;
constexpr Integer ColumnHeaderWidth = -2;

class TListColumn : public TCollectionItem {
  ZORVET_CLASS_NAME(TListColumn)

 public:
  explicit TListColumn(TCollection* collection) : TCollectionItem(collection) {}

  const String& Caption() const { return caption_; }
  void SetCaption(const String& value);
  // The width on screen; ColumnTextWidth / ColumnHeaderWidth while sized
  // to the content and no window shows it.
  Integer Width() const;
  void SetWidth(Integer value);
  // Whether the width follows the content (ColumnTextWidth or ColumnHeaderWidth).
  bool AutoSizing() const { return width_ < 0; }
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  Integer Tag() const { return tag_; }
  void SetTag(Integer value) { tag_ = value; }

  void Assign(const TPersistent* source) override;
  String DisplayName() const override {
    return caption_.empty() ? TCollectionItem::DisplayName() : caption_;
  }

 private:
  friend class TCustomListView;
  String caption_;
  Integer width_ = 50;
  TAlignment alignment_ = taLeftJustify;
  Integer tag_ = 0;
};

class TListColumns : public TCollection {
  ZORVET_CLASS_NAME(TListColumns)

 public:
  explicit TListColumns(TCustomListView* owner);

  TListColumn* Add();
  TListColumn* Items(Integer index) const {
    return dynamic_cast<TListColumn*>(TCollection::Items(index));
  }
  TCustomListView* Owner() const { return owner_; }
  TPersistent* GetOwner() const override;

 protected:
  void Update(TCollectionItem* item) override;

 private:
  TCustomListView* owner_;
};

class TListItem : public TPersistent {
  ZORVET_CLASS_NAME(TListItem)

 public:
  explicit TListItem(TListItems* owner);
  ~TListItem() override;

  TListItems* Owner() const { return owner_; }
  TCustomListView* ListView() const;
  // Position in Items; kept up to date by the items, so reading it is O(1).
  Integer Index() const { return index_; }

  const String& Caption() const { return caption_; }
  void SetCaption(const String& value);
  // The texts of the columns after the first.
  TStrings* SubItems() const { return sub_items_.get(); }
  Integer ImageIndex() const { return image_index_; }
  void SetImageIndex(Integer value);
  void* Data() const { return data_; }
  void SetData(void* value) { data_ = value; }
  bool Selected() const;
  void SetSelected(bool value);
  bool Focused() const;
  void SetFocused(bool value);
  // The item's check box (shown with the list's Checkboxes).
  bool Checked() const;
  void SetChecked(bool value);
  // Scrolls the item into view; with `partialOK` an item partly in view
  // stays where it is.
  void MakeVisible(bool partialOK);
  // Starts editing the caption (as OnEditing allows); true when the editor opened.
  bool EditCaption();
  RECT DisplayRect(TDisplayCode code) const;
  // Removes the item from its list view and frees it.
  void Delete();

  void Assign(const TPersistent* source) override;

 private:
  friend class TListItems;
  friend class TSubItems;
  friend class TCustomListView;
  bool State(UINT mask) const;
  void SetState(UINT mask, bool on);
  void SubItemsChanged();

  TListItems* owner_;
  Integer index_ = -1;
  String caption_;
  std::unique_ptr<TStrings> sub_items_;
  Integer image_index_ = -1;
  void* data_ = nullptr;
  UINT state_ = 0;  // the state while no window holds the item
};

class TListItems : public TPersistent {
  ZORVET_CLASS_NAME(TListItems)

 public:
  explicit TListItems(TCustomListView* owner) : owner_(owner) {}
  ~TListItems() override;

  TCustomListView* Owner() const { return owner_; }
  Integer Count() const { return static_cast<Integer>(items_.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TListItem* Item(Integer index) const;
  TListItem* operator[](Integer index) const { return Item(index); }
  // Appends an item: O(1).
  TListItem* Add();
  TListItem* Insert(Integer index);
  void Delete(Integer index);
  void Clear();
  // Holds the window's drawing (and the columns' sizing) until the last EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  Integer UpdateCount() const { return update_count_; }

  void Assign(const TPersistent* source) override;
  TPersistent* GetOwner() const override;

 private:
  friend class TCustomListView;
  friend class TListItem;
  void Renumber(Integer from);

  TCustomListView* owner_;
  std::vector<std::unique_ptr<TListItem>> items_;
  Integer update_count_ = 0;
};

using TLVColumnClickEvent = std::function<void(TObject* Sender, TListColumn* Column)>;
using TLVEditingEvent = std::function<void(TObject* Sender, TListItem* Item, bool& AllowEdit)>;
using TLVEditedEvent = std::function<void(TObject* Sender, TListItem* Item, String& S)>;
using TLVChangeEvent = std::function<void(TObject* Sender, TListItem* Item, TItemChange Change)>;
using TLVSelectItemEvent = std::function<void(TObject* Sender, TListItem* Item, bool Selected)>;
using TLVDeletedEvent = std::function<void(TObject* Sender, TListItem* Item)>;
// Compare: <0 when Item1 goes before Item2, 0 when equal, >0 after.
using TLVCompareEvent = std::function<void(TObject* Sender, TListItem* Item1, TListItem* Item2,
                                           Integer Data, Integer& Compare)>;

class TCustomListView : public TStandardControl {
  ZORVET_CLASS_NAME(TCustomListView)

 public:
  explicit TCustomListView(TComponent* owner);
  ~TCustomListView() override;

  TListItems* Items() const { return items_.get(); }
  TListColumns* Columns() const { return columns_.get(); }
  TListColumn* Column(Integer index) const { return columns_->Items(index); }

  TViewStyle ViewStyle() const { return view_style_; }
  void SetViewStyle(TViewStyle value);
  bool RowSelect() const { return row_select_; }
  void SetRowSelect(bool value);
  bool ReadOnly() const { return read_only_; }
  void SetReadOnly(bool value);
  bool FlatScrollBars() const { return flat_scroll_bars_; }
  void SetFlatScrollBars(bool value);
  bool HideSelection() const { return hide_selection_; }
  void SetHideSelection(bool value);
  bool MultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool value);
  bool ColumnClick() const { return column_click_; }
  void SetColumnClick(bool value);
  bool ShowColumnHeaders() const { return show_column_headers_; }
  void SetShowColumnHeaders(bool value);
  // Lines between a report's rows and columns.
  bool GridLines() const { return grid_lines_; }
  void SetGridLines(bool value);
  // A check box before every item (TListItem::Checked).
  bool Checkboxes() const { return checkboxes_; }
  void SetCheckboxes(bool value);

  TCustomImageList* LargeImages() const { return large_images_; }
  void SetLargeImages(TCustomImageList* value);
  TCustomImageList* SmallImages() const { return small_images_; }
  void SetSmallImages(TCustomImageList* value);

  // The focused item, nullptr for none.
  TListItem* ItemFocused() const;
  void SetItemFocused(TListItem* value);
  // The first selected item, nullptr for none; setting selects that item alone.
  TListItem* Selected() const;
  void SetSelected(TListItem* value);
  Integer SelCount() const;
  // The item at a client point, nullptr for none.
  TListItem* GetItemAt(Integer x, Integer y) const;
  // The first item in view (report and list styles).
  TListItem* TopItem() const;
  bool IsEditing() const;

  // Orders the items by OnCompare (Data 0), or by caption ignoring case
  // without one; equal items keep their order. True when sorted.
  bool AlphaSort();
  // Orders the items by `compare`, which gets two items (as the window's
  // lParams, the TListItem pointers) and `data`; without a function, as
  // AlphaSort does with `data` for OnCompare.
  bool CustomSort(PFNLVCOMPARE compare, LPARAM data);
  // The first item after `startIndex` (from it with `inclusive`; -1 starts
  // at the top) whose caption equals `value` ignoring case (or starts with
  // it with `partial`), going on from the top with `wrap`; nullptr for none.
  TListItem* FindCaption(Integer startIndex, const String& value, bool partial, bool inclusive,
                         bool wrap);
  // The same for the item whose Data is `value`.
  TListItem* FindData(Integer startIndex, void* value, bool inclusive, bool wrap);

  TLVColumnClickEvent OnColumnClick;
  TLVEditingEvent OnEditing;
  TLVEditedEvent OnEdited;
  TLVChangeEvent OnChange;
  TLVSelectItemEvent OnSelectItem;
  TLVDeletedEvent OnDeletion;
  TLVCompareEvent OnCompare;

 protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void WndProc(TMessage& message) override;
  void Notification(TComponent* component, TOperation operation) override;
  virtual void Change(TListItem* item, TItemChange change);
  virtual bool CanEdit(TListItem* item);

 private:
  friend class TListItems;
  friend class TListItem;
  friend class TListColumns;
  friend class TListColumn;
  void CNNotify(TMessage& message);
  DWORD ListStyle() const;
  DWORD ExtendedStyle() const;
  void UpdateStyle();
  void UpdateExtendedStyle();
  void UpdateImageLists();
  void UpdateColumn(Integer index);
  void UpdateColumns();
  // Sizes the auto-sized columns now when the items changed since.
  void ApplyAutoSize();
  void ItemsChanged();
  // Puts an item into the window (the window asks back for its text).
  void InsertWindowItem(const TListItem* item);
  void RedrawItem(const TListItem* item);
  // Puts Items in the window's order after a sort.
  void FollowWindowOrder();
  TListItem* Find(Integer startIndex, bool inclusive, LVFINDINFOA& find);

  std::unique_ptr<TListItems> items_;
  std::unique_ptr<TListColumns> columns_;
  TViewStyle view_style_ = vsIcon;
  bool row_select_ = false;
  bool read_only_ = false;
  bool flat_scroll_bars_ = false;
  bool hide_selection_ = true;
  bool multi_select_ = false;
  bool column_click_ = true;
  bool show_column_headers_ = true;
  bool grid_lines_ = false;
  bool checkboxes_ = false;
  bool autosize_due_ = false;
  TCustomImageList* large_images_ = nullptr;
  TCustomImageList* small_images_ = nullptr;
};

class TListView : public TCustomListView {
  ZORVET_CLASS_NAME(TListView)

 public:
  using TCustomListView::TCustomListView;
};

// Declares the published properties of TCustomListView and TListColumn.
void DeclareListViewProperties();
