// platform/controls/ListView.cpp
#include "platform/controls/ListView.h"

#include "platform/controls/ControlMessages.h"
#include "platform/win/ListView.h"
#include "platform/win/Message.h"
#include "platform/win/Paint.h"
#include "platform/win/WinStyles.h"
#include "platform/win/Window.h"

// The text of subitem `index` of an item (ListViewItems.cpp).
const String* SubItemText(const TListItem* item, Integer index);

namespace {

constexpr DWORD kViewStyles[] = {LVS_ICON, LVS_SMALLICON, LVS_LIST, LVS_REPORT};

int ColumnFormat(TAlignment alignment) {
  switch (alignment) {
    case taRightJustify:
      return LVCFMT_RIGHT;
    case taCenter:
      return LVCFMT_CENTER;
    default:
      return LVCFMT_LEFT;
  }
}

}  // namespace

TCustomListView::TCustomListView(TComponent* owner) : TStandardControl(owner) {
  items_ = std::make_unique<TListItems>(this);
  columns_ = std::make_unique<TListColumns>(this);
  SetBounds(0, 0, 250, 150);
  SetColor(clWindow);
  SetTabStop(true);
}

TCustomListView::~TCustomListView() {
  // The columns and items must not call back into a half-destroyed control.
  columns_->BeginUpdate();
  DestroyHandle();
  items_.reset();
}

DWORD TCustomListView::ListStyle() const {
  DWORD style = kViewStyles[view_style_] | LVS_SHAREIMAGELISTS;
  if (!read_only_) style |= LVS_EDITLABELS;
  if (!hide_selection_) style |= LVS_SHOWSELALWAYS;
  if (!multi_select_) style |= LVS_SINGLESEL;
  if (!column_click_) style |= LVS_NOSORTHEADER;
  if (!show_column_headers_) style |= LVS_NOCOLUMNHEADER;
  return style;
}

DWORD TCustomListView::ExtendedStyle() const {
  return (row_select_ ? LVS_EX_FULLROWSELECT : 0) | (flat_scroll_bars_ ? LVS_EX_FLATSB : 0) |
         (grid_lines_ ? LVS_EX_GRIDLINES : 0) | (checkboxes_ ? LVS_EX_CHECKBOXES : 0);
}

void TCustomListView::CreateParams(TCreateParams& params) {
  TStandardControl::CreateParams(params);
  CreateSubClass(params, WC_LISTVIEW);
  params.Style |= ListStyle() | WS_CLIPCHILDREN;
  params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListView::CreateWnd() {
  TStandardControl::CreateWnd();
  HWND h = WindowHandle();
  if (items_->UpdateCount() > 0) SendMessage(h, WM_SETREDRAW, FALSE, 0);
  UpdateExtendedStyle();
  UpdateImageLists();
  UpdateColumns();
  for (const auto& item : items_->items_) InsertWindowItem(item.get());
  ItemsChanged();
}

void TCustomListView::DestroyWnd() {
  // The window's states go back to the items, which outlive it.
  if (HWND h = WindowHandle()) {
    for (const auto& item : items_->items_)
      item->state_ = static_cast<UINT>(SendMessage(
          h, LVM_GETITEMSTATE, item->index_, LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK));
  }
  TStandardControl::DestroyWnd();
}

void TCustomListView::InsertWindowItem(const TListItem* item) {
  if (!HandleAllocated()) return;
  LVITEMA lv;
  lv.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE;
  lv.iItem = item->index_;
  lv.pszText = LPSTR_TEXTCALLBACK;
  lv.iImage = I_IMAGECALLBACK;
  lv.lParam = reinterpret_cast<LPARAM>(item);
  lv.state = item->state_;
  lv.stateMask = LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK;
  SendMessage(WindowHandle(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lv));
}

void TCustomListView::RedrawItem(const TListItem* item) {
  if (HandleAllocated() && items_->UpdateCount() == 0)
    SendMessage(WindowHandle(), LVM_REDRAWITEMS, item->index_, item->index_);
}

void TCustomListView::ItemsChanged() {
  for (Integer i = 0; i < columns_->Count(); ++i)
    if (const TListColumn* c = columns_->Items(i); c && c->AutoSizing()) {
      autosize_due_ = true;
      // Sized once the filling is over, or at the next painting.
      if (HandleAllocated() && items_->UpdateCount() == 0)
        InvalidateRect(WindowHandle(), nullptr, TRUE);
      return;
    }
}

void TCustomListView::ApplyAutoSize() {
  if (!autosize_due_ || !HandleAllocated()) return;
  autosize_due_ = false;
  for (Integer i = 0; i < columns_->Count(); ++i) {
    const TListColumn* c = columns_->Items(i);
    if (c && c->AutoSizing())
      SendMessage(WindowHandle(), LVM_SETCOLUMNWIDTH, i,
                  c->width_ == ColumnTextWidth ? LVSCW_AUTOSIZE : LVSCW_AUTOSIZE_USEHEADER);
  }
}

void TCustomListView::UpdateColumn(Integer index) {
  if (!HandleAllocated()) return;
  const TListColumn* c = columns_->Items(index);
  if (!c) return;
  LVCOLUMNA lc;
  lc.mask = LVCF_TEXT | LVCF_FMT | LVCF_WIDTH;
  lc.pszText = const_cast<LPSTR>(c->caption_.c_str());
  lc.fmt = ColumnFormat(c->alignment_);
  lc.cx = c->AutoSizing() ? 50 : c->width_;
  SendMessage(WindowHandle(), LVM_SETCOLUMNA, index, reinterpret_cast<LPARAM>(&lc));
  if (c->AutoSizing()) {
    autosize_due_ = true;
    ApplyAutoSize();
  }
}

void TCustomListView::UpdateColumns() {
  if (!HandleAllocated()) return;
  HWND h = WindowHandle();
  while (SendMessage(h, LVM_DELETECOLUMN, 0, 0)) {
  }
  for (Integer i = 0; i < columns_->Count(); ++i) {
    LVCOLUMNA lc;
    lc.mask = LVCF_TEXT | LVCF_WIDTH;
    lc.pszText = const_cast<LPSTR>("");
    SendMessage(h, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&lc));
    UpdateColumn(i);
  }
}

void TCustomListView::UpdateStyle() {
  if (!HandleAllocated()) return;
  const DWORD mine = LVS_TYPEMASK | LVS_SHAREIMAGELISTS | LVS_EDITLABELS | LVS_SHOWSELALWAYS |
                     LVS_SINGLESEL | LVS_NOSORTHEADER | LVS_NOCOLUMNHEADER;
  const LONG_PTR old = GetWindowLongPtr(WindowHandle(), GWL_STYLE);
  const LONG_PTR now = (old & ~static_cast<LONG_PTR>(mine)) | ListStyle();
  if (now != old) SetWindowLongPtr(WindowHandle(), GWL_STYLE, now);
}

void TCustomListView::UpdateExtendedStyle() {
  if (HandleAllocated())
    SendMessage(WindowHandle(), LVM_SETEXTENDEDLISTVIEWSTYLE,
                LVS_EX_FULLROWSELECT | LVS_EX_FLATSB | LVS_EX_GRIDLINES | LVS_EX_CHECKBOXES,
                ExtendedStyle());
}

void TCustomListView::UpdateImageLists() {
  if (!HandleAllocated()) return;
  SendMessage(WindowHandle(), LVM_SETIMAGELIST, LVSIL_NORMAL,
              reinterpret_cast<LPARAM>(large_images_ ? large_images_->Handle() : nullptr));
  SendMessage(WindowHandle(), LVM_SETIMAGELIST, LVSIL_SMALL,
              reinterpret_cast<LPARAM>(small_images_ ? small_images_->Handle() : nullptr));
}

void TCustomListView::SetViewStyle(TViewStyle value) {
  if (view_style_ == value) return;
  view_style_ = value;
  UpdateStyle();
  // A style that shows the columns may need their sizes now.
  if (value == vsReport) ItemsChanged();
}

void TCustomListView::SetRowSelect(bool value) {
  row_select_ = value;
  UpdateExtendedStyle();
}

void TCustomListView::SetFlatScrollBars(bool value) {
  flat_scroll_bars_ = value;
  UpdateExtendedStyle();
}

void TCustomListView::SetGridLines(bool value) {
  grid_lines_ = value;
  UpdateExtendedStyle();
}

void TCustomListView::SetCheckboxes(bool value) {
  checkboxes_ = value;
  UpdateExtendedStyle();
}

void TCustomListView::SetReadOnly(bool value) {
  read_only_ = value;
  UpdateStyle();
}

void TCustomListView::SetHideSelection(bool value) {
  hide_selection_ = value;
  UpdateStyle();
}

void TCustomListView::SetMultiSelect(bool value) {
  multi_select_ = value;
  UpdateStyle();
}

void TCustomListView::SetColumnClick(bool value) {
  column_click_ = value;
  UpdateStyle();
}

void TCustomListView::SetShowColumnHeaders(bool value) {
  show_column_headers_ = value;
  UpdateStyle();
}

void TCustomListView::SetLargeImages(TCustomImageList* value) {
  if (large_images_ == value) return;
  large_images_ = value;
  if (value) value->FreeNotification(this);
  UpdateImageLists();
}

void TCustomListView::SetSmallImages(TCustomImageList* value) {
  if (small_images_ == value) return;
  small_images_ = value;
  if (value) value->FreeNotification(this);
  UpdateImageLists();
}

void TCustomListView::Notification(TComponent* component, TOperation operation) {
  if (operation == opRemove) {
    if (component == large_images_) SetLargeImages(nullptr);
    if (component == small_images_) SetSmallImages(nullptr);
  }
  TStandardControl::Notification(component, operation);
}

TListItem* TCustomListView::ItemFocused() const {
  if (!HandleAllocated()) {
    for (const auto& item : items_->items_)
      if (item->state_ & LVIS_FOCUSED) return item.get();
    return nullptr;
  }
  const auto i = SendMessage(WindowHandle(), LVM_GETNEXTITEM, -1, LVNI_FOCUSED);
  return i >= 0 && i < items_->Count() ? items_->Item(static_cast<Integer>(i)) : nullptr;
}

void TCustomListView::SetItemFocused(TListItem* value) {
  if (value) {
    value->SetFocused(true);
  } else if (TListItem* focused = ItemFocused()) {
    focused->SetFocused(false);
  }
}

TListItem* TCustomListView::Selected() const {
  if (!HandleAllocated()) {
    for (const auto& item : items_->items_)
      if (item->state_ & LVIS_SELECTED) return item.get();
    return nullptr;
  }
  const auto i = SendMessage(WindowHandle(), LVM_GETNEXTITEM, -1, LVNI_SELECTED);
  return i >= 0 && i < items_->Count() ? items_->Item(static_cast<Integer>(i)) : nullptr;
}

void TCustomListView::SetSelected(TListItem* value) {
  if (HandleAllocated()) {
    LVITEMA none;
    none.stateMask = LVIS_SELECTED;
    SendMessage(WindowHandle(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                reinterpret_cast<LPARAM>(&none));
  } else {
    for (const auto& item : items_->items_) item->state_ &= ~LVIS_SELECTED;
  }
  if (value) value->SetSelected(true);
}

Integer TCustomListView::SelCount() const {
  if (HandleAllocated())
    return static_cast<Integer>(SendMessage(WindowHandle(), LVM_GETSELECTEDCOUNT, 0, 0));
  Integer n = 0;
  for (const auto& item : items_->items_) n += (item->state_ & LVIS_SELECTED) ? 1 : 0;
  return n;
}

TListItem* TCustomListView::GetItemAt(Integer x, Integer y) const {
  if (!HandleAllocated()) return nullptr;
  LVHITTESTINFO info;
  info.pt = POINT{x, y};
  const auto i = SendMessage(WindowHandle(), LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&info));
  return i >= 0 && i < items_->Count() ? items_->Item(static_cast<Integer>(i)) : nullptr;
}

TListItem* TCustomListView::TopItem() const {
  if (!HandleAllocated() || items_->Count() == 0) return nullptr;
  const auto i = SendMessage(WindowHandle(), LVM_GETTOPINDEX, 0, 0);
  return i >= 0 && i < items_->Count() ? items_->Item(static_cast<Integer>(i)) : nullptr;
}

bool TCustomListView::IsEditing() const {
  return HandleAllocated() && SendMessage(WindowHandle(), LVM_GETEDITCONTROL, 0, 0) != 0;
}

void TCustomListView::Change(TListItem* item, TItemChange change) {
  if (OnChange && !ComponentState().Contains(csDestroying)) OnChange(this, item, change);
}

bool TCustomListView::CanEdit(TListItem* item) {
  bool allow = !read_only_;
  if (OnEditing) OnEditing(this, item, allow);
  return allow;
}

void TCustomListView::WndProc(TMessage& message) {
  switch (message.Msg) {
    case CN_NOTIFY:
      CNNotify(message);
      return;
    case WM_PAINT:
      // Columns sized to their content are measured once, here, after the
      // items changed: never once per added item.
      if (items_ && items_->UpdateCount() == 0) ApplyAutoSize();
      break;
  }
  TStandardControl::WndProc(message);
}

void TCustomListView::CNNotify(TMessage& message) {
  const auto* hdr = reinterpret_cast<const NMHDR*>(message.LParam);
  message.Result = 0;
  if (!hdr || !items_) return;
  switch (hdr->code) {
    case LVN_GETDISPINFOA: {
      auto* info = reinterpret_cast<NMLVDISPINFOA*>(message.LParam);
      const auto* item = reinterpret_cast<const TListItem*>(info->item.lParam);
      if (!item) return;
      if (info->item.mask & LVIF_TEXT) {
        static const String kNone;
        const String* text =
            info->item.iSubItem == 0 ? &item->caption_ : SubItemText(item, info->item.iSubItem - 1);
        // The window copies the text at once, so it may point at ours.
        info->item.pszText = const_cast<LPSTR>((text ? text : &kNone)->c_str());
      }
      if (info->item.mask & LVIF_IMAGE) info->item.iImage = item->image_index_;
      return;
    }
    case LVN_ITEMCHANGED: {
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(message.LParam);
      auto* item = reinterpret_cast<TListItem*>(nm->lParam);
      if (!item || !(nm->uChanged & LVIF_STATE)) return;
      if ((nm->uNewState ^ nm->uOldState) & LVIS_SELECTED && OnSelectItem)
        OnSelectItem(this, item, (nm->uNewState & LVIS_SELECTED) != 0);
      Change(item, ctState);
      return;
    }
    case LVN_COLUMNCLICK: {
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(message.LParam);
      if (OnColumnClick && nm->iSubItem >= 0 && nm->iSubItem < columns_->Count())
        OnColumnClick(this, columns_->Items(nm->iSubItem));
      return;
    }
    case LVN_BEGINLABELEDITA: {
      const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(message.LParam);
      auto* item = reinterpret_cast<TListItem*>(info->item.lParam);
      message.Result = item && CanEdit(item) ? 0 : 1;
      return;
    }
    case LVN_ENDLABELEDITA: {
      const auto* info = reinterpret_cast<const NMLVDISPINFOA*>(message.LParam);
      auto* item = reinterpret_cast<TListItem*>(info->item.lParam);
      if (!item || !info->item.pszText) return;
      String text = info->item.pszText;
      if (OnEdited) OnEdited(this, item, text);
      item->SetCaption(text);
      return;
    }
    case LVN_DELETEALLITEMS:
      // Without a handler nobody needs to hear of each item.
      message.Result = OnDeletion ? 0 : 1;
      return;
    case LVN_DELETEITEM: {
      const auto* nm = reinterpret_cast<const NMLISTVIEW*>(message.LParam);
      if (auto* item = reinterpret_cast<TListItem*>(nm->lParam); item && OnDeletion)
        OnDeletion(this, item);
      return;
    }
  }
}
